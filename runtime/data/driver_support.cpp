// Support functions exported for file drivers: reserved words, file names, driver option
// strings, text helpers and file copying.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/platform/host_errors.h"

namespace {

constexpr const char* kReservedWords[] = {
    "ACCEPT",  "AND",      "BEGIN", "BREAK", "BY",        "CASE",    "COMPILE",  "CYCLE",
    "DO",      "EJECT",    "ELSE",  "ELSIF", "EMBED",     "END",     "ENDEMBED", "EXECUTE",
    "EXIT",    "FUNCTION", "GOTO",  "IF",    "INCLUDE",   "LOOP",    "MEMBER",   "NOT",
    "OF",      "OMIT",     "OR",    "OROF",  "PROCEDURE", "PROGRAM", "RETURN",   "ROUTINE",
    "SECTION", "THEN",     "TIMES", "TO",    "UNTIL",     "WHILE",   "XOR"};
static_assert(std::size(kReservedWords) == 39);

constexpr size_t kMaxNameLen = 144;
constexpr size_t kCopyBuffer = 16 * 1024;
constexpr size_t kSmallCopyBuffer = 1024;

char upperOf(char c) {
  auto u = static_cast<uint8_t>(c);
  if ((ISFINFO.classFlags[u] & KIV_ISF_LOWER) && ISFINFO.caseMap[u])
    return static_cast<char>(ISFINFO.caseMap[u]);
  return c;
}

std::string upper(std::string_view s) {
  std::string r(s);
  Kiv$isfupper(r.data(), uint32_t(r.size()));
  return r;
}

// Records a host error in the platform's numbering and gives that number; a missing entry on
// the way to a directory is a missing path.
int32_t fail(int err, bool directory = false) {
  auto code = directory && err == ENOENT ? 3u : kiv::platform::platformErrorFromErrno(err);
  kiv::core::setPlatformError(code);
  return static_cast<int32_t>(code);
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Per table, how far _drv_NextDrvStr has read its option string.
struct OptionCursor {
  size_t offset = 0;
  char separator = 0;  // the separator in use once the first one has been seen
};
std::map<const KivTable*, OptionCursor> gOptionCursors;

bool sameNameIgnoringCase(const char* a, const char* b) { return upper(a) == upper(b); }

std::string baseNameOf(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool isDirectory(const char* name) {
  struct stat st {};
  return stat(name, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

extern "C" {

int32_t _drv_IsReservedWord(const char* name) {
  if (!name) return 0;
  std::string u = upper(name);
  for (const char* word : kReservedWords) {
    int c = std::strcmp(word, u.c_str());
    if (c == 0) return 1;
    if (c > 0) return 0;
  }
  return 0;
}

int32_t _drv_ChkName(const char* name, int32_t defaultExtension, char* output) {
  if (!name || !output) return 45;
  size_t len = std::strlen(name);
  if (len >= kMaxNameLen) return 45;
  std::string_view path(name, len);
  size_t slash = path.find_last_of("/\\");
  std::string dir = slash == std::string_view::npos ? "" : std::string(path.substr(0, slash + 1));
  std::string file(slash == std::string_view::npos ? path : path.substr(slash + 1));

  std::string absolute;
  char buf[PATH_MAX];
  if (!dir.empty() && isSeparator(dir[0])) {
    absolute = dir;
  } else {
    // A relative directory is resolved against the current one; it has to exist.
    if (!getcwd(buf, sizeof buf)) return fail(errno, true);
    std::string joined = std::string(buf) + "/" + dir;
    if (!realpath(joined.c_str(), buf)) return fail(errno, true);
    absolute = buf;
    if (absolute.empty() || !isSeparator(absolute.back())) absolute += '/';
  }
  for (char& c : absolute)
    if (c == '\\') c = '/';

  size_t dot = file.find_last_of('.');
  if (dot == std::string::npos && defaultExtension) file += ".DAT";
  if (!file.empty() && file.back() == '.') file.pop_back();  // an empty extension stays empty

  std::string merged = absolute + upper(file);
  if (merged.size() >= KIV_DRV_NAME_MAX) return 45;
  std::memcpy(output, merged.c_str(), merged.size() + 1);
  return 0;
}

int32_t _drv_NextDrvStr(const KivTable* table, uint32_t* length, char* buffer) {
  if (!table || !length) return 0;
  OptionCursor& cur = gOptionCursors[table];
  const char* text = table->driverOptions ? table->driverOptions : "";
  size_t n = std::strlen(text);
  auto isSep = [&](char c) { return cur.separator ? c == cur.separator : (c == '/' || c == ','); };

  size_t pos = cur.offset;
  char seen = cur.separator;
  while (pos < n && isSep(text[pos])) {
    if (!seen) seen = text[pos];
    ++pos;
  }
  if (pos >= n) {
    gOptionCursors.erase(table);
    if (buffer && *length > 0) buffer[0] = '\0';
    *length = 0;
    return 0;
  }
  size_t end = pos;
  bool quoted = false;
  while (end < n) {
    char c = text[end];
    if (c == '"') quoted = !quoted;
    if (!quoted && (seen ? c == seen : (c == '/' || c == ','))) {
      if (!seen) seen = c;
      break;
    }
    ++end;
  }
  size_t optLen = end - pos;
  if (!buffer || *length < optLen + 1) {
    *length = static_cast<uint32_t>(optLen + 1);
    return 8;
  }
  std::memcpy(buffer, text + pos, optLen);
  buffer[optLen] = '\0';
  *length = static_cast<uint32_t>(optLen);
  cur.offset = end;
  cur.separator = seen;
  return 0;
}

void _drv_Strup(char* text) {
  if (!text) return;
  char* out = text;
  for (const char* in = text; *in; ++in) {
    if (*in == ' ' || *in == '\t' || *in == '\r' || *in == '\n' || *in == '\f' || *in == '\v')
      continue;
    *out++ = upperOf(*in);
  }
  *out = '\0';
}

char* _drv_MakeCSTRING(const char* text, int32_t length) {
  if (!text || length == 0) return nullptr;
  const char* start = text;
  size_t n;
  if (length == -1) {
    n = std::strlen(text);
  } else if (length == -2) {
    n = static_cast<uint8_t>(text[0]);
    start = text + 1;
  } else if (length > 0) {
    n = static_cast<size_t>(length);
    while (n > 0 && text[n - 1] == ' ') --n;
  } else {
    return nullptr;
  }
  auto* copy = static_cast<char*>(std::malloc(n + 1));
  if (!copy) return nullptr;
  std::memcpy(copy, start, n);
  copy[n] = '\0';
  return copy;
}

int32_t _drv_CopyFile(const char* source, const char* target) {
  if (!source || !target) return 2;
  if (sameNameIgnoringCase(source, target)) return 0;
  int in = open(source, O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(errno);
  int out = open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    int err = errno;
    close(in);
    return fail(err, true);  // a missing target is a missing directory
  }
  size_t size = kCopyBuffer;
  char* buffer = static_cast<char*>(std::malloc(size));
  if (!buffer) {
    size = kSmallCopyBuffer;
    buffer = static_cast<char*>(std::malloc(size));
  }
  int err = buffer ? 0 : ENOMEM;
  while (!err) {
    ssize_t got = read(in, buffer, size);
    if (got < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = write(out, buffer + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        err = errno;
        break;
      }
      done += put;
    }
  }
  std::free(buffer);
  close(in);
  if (close(out) != 0 && !err) err = errno;
  if (err) {
    unlink(target);
    return fail(err);
  }
  return 0;
}

int32_t _drv_CopyOrRenameFile(const char* source, const char* target, int32_t rename) {
  if (!source || !target) return 2;
  std::string to = target;
  if (_drv_PathIsDirectory(target)) {
    if (!to.empty() && !isSeparator(to.back())) to += '/';
    to += baseNameOf(source);
  }
  auto attempt = [&](const std::string& dest) -> int32_t {
    if (rename) return ::rename(source, dest.c_str()) == 0 ? 0 : fail(errno);
    return _drv_CopyFile(source, dest.c_str());
  };
  int32_t result = attempt(to);
  if (result == 0) return 0;
  char completed[KIV_DRV_NAME_MAX];
  if (_drv_ChkName(to.c_str(), 0, completed) != 0) return result;
  return attempt(completed);
}

int32_t _drv_CopyOrRenameFiles(const char* baseName, const char* target, const char* extensions,
                               int32_t rename) {
  if (!baseName || !target || !extensions) return 2;
  std::string_view list(extensions);
  size_t pos = 0;
  while (pos < list.size()) {
    size_t next = list.find('.', pos + 1);
    if (next == std::string_view::npos) next = list.size();
    std::string ext(list.substr(pos, std::min<size_t>(next - pos, 5)));
    pos = next;
    char from[KIV_DRV_NAME_MAX], to[KIV_DRV_NAME_MAX];
    int32_t r = _drv_ChkName((std::string(baseName) + ext).c_str(), 0, from);
    if (r == 0) r = _drv_ChkName((std::string(target) + ext).c_str(), 0, to);
    if (r == 0) r = _drv_CopyOrRenameFile(from, to, rename);
    if (r != 0) return r;
  }
  return 0;
}

int32_t _drv_PathIsDirectory(const char* name) {
  if (!name || !*name) return 0;
  size_t n = std::strlen(name);
  char last = name[n - 1];
  if (last == '.' && n >= 2) last = name[n - 2];
  if (last == '.' || last == ':' || last == '/' || last == '\\') return 1;
  if (isDirectory(name)) return 1;
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    close(fd);
    return 0;
  }
  fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    close(fd);
    unlink(name);
    return 0;
  }
  return 1;
}

}  // extern "C"

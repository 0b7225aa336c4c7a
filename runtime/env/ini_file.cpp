#include "runtime/env/ini_file.h"
#include "runtime/core/ascii_names.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace kiv::env {
namespace {

constexpr size_t npos = std::string::npos;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// ---- Files --------------------------------------------------------------------------------------

// Closes a descriptor on every path out of a scope.
class FileHandle {
 public:
  explicit FileHandle(int fd = -1) : fd_(fd) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (fd_ >= 0) {
      int saved = errno;
      ::close(fd_);
      errno = saved;
    }
  }
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == npos ? path : path.substr(slash + 1);
}

// A symbolic link is followed, so the file it names is the one replaced.
std::string targetOf(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

bool readWhole(int fd, std::string* out) {
  char chunk[8192];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out->append(chunk, size_t(n));
  }
}

bool writeWhole(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    text.remove_prefix(size_t(n));
  }
  return true;
}

// Reads the file's text; false with errno when it is missing or unreadable.
bool readText(const std::string& path, std::string* text) {
  FileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  return readWhole(fd.get(), text);
}

// Writes the text to a new file in the folder and renames it over the path.
bool replaceFile(const std::string& path, std::string_view text) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = folderOf(path);
  struct stat old {};
  const bool existed = ::stat(path.c_str(), &old) == 0;
  std::string temp;
  FileHandle fd;
  for (int attempt = 0; fd.get() < 0; ++attempt) {
    temp = folder + "/." + baseNameOf(path) + "." + std::to_string(getpid()) + "." +
           std::to_string(counter++) + ".tmp";
    fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0 && (errno != EEXIST || attempt > 100)) return false;
  }
  bool ok = writeWhole(fd.get(), text) &&
            (!existed || ::fchmod(fd.get(), old.st_mode & 07777) == 0) && ::fsync(fd.get()) == 0;
  if (ok) {
    int closing = fd.release();
    ok = ::close(closing) == 0 && ::rename(temp.c_str(), path.c_str()) == 0;
  }
  if (!ok) {
    int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return false;
  }
  // The rename itself reaches the disk with the folder.
  FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

// Holds an exclusive lock on the file's side lock file for the life of the object.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    std::string lockPath = folderOf(path) + "/." + baseNameOf(path) + ".lock";
    fd_.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (fd_.get() < 0) return;
    int r;
    do r = ::flock(fd_.get(), LOCK_EX);
    while (r != 0 && errno == EINTR);
    locked_ = r == 0;
  }
  bool locked() const { return locked_; }

 private:
  FileHandle fd_;
  bool locked_ = false;
};

}  // namespace

// ---- Document -----------------------------------------------------------------------------------

IniDocument IniDocument::parse(std::string_view text) {
  IniDocument doc;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == npos ? std::string_view() : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    Line line{Kind::Other, std::string(raw), {}, {}};
    std::string_view body = trim(raw);
    if (!body.empty() && body.front() == '[') {
      size_t close = body.find(']');
      line.kind = Kind::Section;
      line.name = trim(body.substr(1, close == npos ? npos : close - 1));
    } else if (!body.empty() && body.front() != ';') {
      size_t eq = body.find('=');
      if (eq != npos) {
        line.kind = Kind::Entry;
        line.name = trim(body.substr(0, eq));
        line.value = trim(body.substr(eq + 1));
      }
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::string IniDocument::text() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += '\n';
  }
  return out;
}

size_t IniDocument::findSection(std::string_view section) const {
  section = trim(section);
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Kind::Section && core::sameNameIgnoringCase(lines_[i].name, section))
      return i;
  return npos;
}

size_t IniDocument::sectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
  return i;
}

size_t IniDocument::findEntry(size_t header, std::string_view key) const {
  key = trim(key);
  size_t end = sectionEnd(header);
  for (size_t i = header + 1; i < end; ++i)
    if (lines_[i].kind == Kind::Entry && core::sameNameIgnoringCase(lines_[i].name, key)) return i;
  return npos;
}

bool IniDocument::hasSection(std::string_view section) const {
  return findSection(section) != npos;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
  size_t header = findSection(section);
  if (header == npos) return std::nullopt;
  size_t entry = findEntry(header, key);
  if (entry == npos) return std::nullopt;
  return std::string(unquote(lines_[entry].value));
}

std::vector<std::string> IniDocument::sectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_)
    if (line.kind == Kind::Section && findSection(line.name) == size_t(&line - lines_.data()))
      names.push_back(line.name);
  return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const {
  std::vector<std::string> names;
  size_t header = findSection(section);
  if (header == npos) return names;
  size_t end = sectionEnd(header);
  for (size_t i = header + 1; i < end; ++i)
    if (lines_[i].kind == Kind::Entry && findEntry(header, lines_[i].name) == i)
      names.push_back(lines_[i].name);
  return names;
}

bool IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
  section = trim(section);
  key = trim(key);
  value = trim(value);
  Line entry{Kind::Entry, std::string(key) + "=" + std::string(value), std::string(key),
             std::string(value)};
  size_t header = findSection(section);
  if (header == npos) {
    if (!lines_.empty() && !trim(lines_.back().text).empty())
      lines_.push_back(Line{Kind::Other, {}, {}, {}});
    lines_.push_back(
        Line{Kind::Section, "[" + std::string(section) + "]", std::string(section), {}});
    lines_.push_back(std::move(entry));
    return true;
  }
  size_t found = findEntry(header, key);
  if (found != npos) {
    Line& old = lines_[found];
    if (old.value == value) return false;
    entry.name = old.name;  // the key keeps its spelling
    entry.text = old.name + "=" + std::string(value);
    old = std::move(entry);
    return true;
  }
  // A new key goes after the section's last non-blank line.
  size_t at = sectionEnd(header);
  while (at > header + 1 && trim(lines_[at - 1].text).empty()) --at;
  lines_.insert(lines_.begin() + ptrdiff_t(at), std::move(entry));
  return true;
}

bool IniDocument::removeEntry(std::string_view section, std::string_view key) {
  size_t header = findSection(section);
  if (header == npos) return false;
  bool changed = false;
  for (size_t found; (found = findEntry(header, key)) != npos; changed = true)
    lines_.erase(lines_.begin() + ptrdiff_t(found));
  return changed;
}

bool IniDocument::removeSection(std::string_view section) {
  bool changed = false;
  for (size_t header; (header = findSection(section)) != npos; changed = true)
    lines_.erase(lines_.begin() + ptrdiff_t(header),
                 lines_.begin() + ptrdiff_t(sectionEnd(header)));
  return changed;
}

bool isWritableEntry(std::string_view section, std::string_view key, std::string_view value) {
  auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != npos; };
  if (hasBreak(section) || hasBreak(key) || hasBreak(value)) return false;
  if (section.find(']') != npos) return false;
  std::string_view k = trim(key);
  if (k.find('=') != npos) return false;
  if (!k.empty() && (k.front() == '[' || k.front() == ';')) return false;
  return true;
}

// ---- Files --------------------------------------------------------------------------------------

IniDocument readIniFile(const std::string& path, bool* readable) {
  std::string text;
  bool ok = readText(path, &text);
  if (readable) *readable = ok;
  return ok ? IniDocument::parse(text) : IniDocument();
}

bool updateIniFile(const std::string& path, const std::function<bool(IniDocument&)>& edit) {
  const std::string target = targetOf(path);
  FileLock lock(target);
  if (!lock.locked()) return false;
  std::string text;
  bool exists = readText(target, &text);
  if (!exists && errno != ENOENT) return false;
  IniDocument doc = IniDocument::parse(text);
  if (!edit(doc)) return true;
  return replaceFile(target, doc.text());
}

}  // namespace kiv::env

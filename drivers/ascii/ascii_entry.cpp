// Entry of the line-text driver: each record of an ASCII table is one line of a text file.
// APPEND writes the record without its trailing blanks as a line; NEXT reads the next line into
// the record, blank-padded; BYTES gives the file size after SET and the line length after NEXT.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"

namespace {

constexpr const char* kExtension = ".TXT";

struct AsciiFile {
  KivDrvFileHead head{};
  FILE* file = nullptr;
  int32_t bytes = 0;
};

std::string fileName(const KivTable& table) {
  std::string name(table.name ? table.name : "", table.name ? table.nameLen : 0);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.find('.') == std::string::npos) name += kExtension;
  return name;
}

int32_t hostFault(const char* what) {
  int err = errno;
  if (err == ENOENT) return 2;
  if (err == EACCES || err == EPERM) return 5;
  std::string code = std::to_string(err);
  std::string message = std::string(what) + ": " + std::strerror(err);
  Kiv$setfileerror(code.c_str(), message.c_str());
  return 90;
}

AsciiFile* openOf(KivTable* table) { return static_cast<AsciiFile*>(table->openFile); }

int32_t openFile(KivTable* table, int32_t mode) {
  if (mode == 0) mode = 0x22;
  int access = mode & 0x0F;
  FILE* f = std::fopen(fileName(*table).c_str(), access == 0 ? "rb" : "r+b");
  if (!f) return hostFault("open");
  auto* a = new AsciiFile;
  a->file = f;
  a->head.state = access ? KIV_STATE_WRITE : 0;
  table->openFile = a;
  Kiv$activate_drv(table, mode, 0, 0, 0, 0, 0);
  return 0;
}

void closeFile(KivTable* table) {
  AsciiFile* a = openOf(table);
  table->openFile = nullptr;
  Kiv$deactivate_drv(table);
  if (a) {
    std::fclose(a->file);
    delete a;
  }
}

int32_t appendLine(KivTable* table, AsciiFile* a, uint32_t length) {
  uint32_t n = std::min(length, table->recordLength);
  const char* text = static_cast<const char*>(table->record);
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\0')) --n;
  if (std::fseek(a->file, 0, SEEK_END) != 0) return hostFault("seek");
  if ((n && std::fwrite(text, 1, n, a->file) != n) || std::fputs("\r\n", a->file) == EOF)
    return hostFault("write");
  if (std::fflush(a->file) != 0) return hostFault("write");
  return 0;
}

int32_t readLine(KivTable* table, AsciiFile* a) {
  std::string line;
  int c;
  while ((c = std::fgetc(a->file)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (c == EOF && line.empty()) return std::ferror(a->file) ? hostFault("read") : 33;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  a->bytes = static_cast<int32_t>(line.size());
  char* record = static_cast<char*>(table->record);
  uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(line.size()), table->recordLength);
  std::memcpy(record, line.data(), n);
  std::memset(record + n, ' ', table->recordLength - n);
  return 0;
}

int32_t run(int32_t op, KivTable* table, AsciiFile* a, intptr_t* args, int32_t& result) {
  switch (op) {
    case KIV_DRV_CREATE: {
      FILE* f = std::fopen(fileName(*table).c_str(), "wb");
      if (!f) return hostFault("create");
      std::fclose(f);
      return 0;
    }
    case KIV_DRV_OPEN:
    case KIV_DRV_SHARE:
      return openFile(table, static_cast<int32_t>(args[0]));
    case KIV_DRV_CLOSE:
      closeFile(table);
      return 0;
    case KIV_DRV_REMOVE:
      return std::remove(fileName(*table).c_str()) == 0 ? 0 : hostFault("remove");
    case KIV_DRV_APPEND:
      return appendLine(table, a, table->recordLength);
    case KIV_DRV_APPENDLEN:
      return appendLine(table, a, static_cast<uint32_t>(std::max<intptr_t>(0, args[0])));
    case KIV_DRV_SETFILE: {
      struct stat st {};
      if (fstat(fileno(a->file), &st) != 0) return hostFault("stat");
      a->bytes = static_cast<int32_t>(std::min<off_t>(st.st_size, INT32_MAX));
      std::rewind(a->file);
      return 0;
    }
    case KIV_DRV_NEXT:
      return readLine(table, a);
    case KIV_DRV_BYTES:
      result = a->bytes;
      return 0;
    case KIV_DRV_STREAM:
    case KIV_DRV_FLUSH:
    case KIV_DRV_SEND:
      return 0;
    case KIV_DRV_NAME:
      return 0;
    default:
      return 80;
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t ASCII(int32_t op, KivTable* table,
                                                                intptr_t* args) {
  if (op == KIV_DRV_GETVIEWDRIVER || !table) return 0;
  Kiv$clearerror();
  intptr_t none[4] = {};
  if (!args) args = none;
  std::string command;
  if (op == KIV_DRV_SEND) command = kiv::core::popText();
  AsciiFile* a = openOf(table);
  int32_t result = 0;
  int32_t err = _drv_check_state(a, nullptr, op, nullptr, 0);
  if (!err) err = run(op, table, a, args, result);
  if (op == KIV_DRV_SEND) kiv::core::pushCopy("");
  if (op == KIV_DRV_NAME) kiv::core::pushCopy(fileName(*table));
  _drv_update_state(openOf(table), nullptr, op, err);
  if (err) Kiv$seterror(err);
  return result;
}

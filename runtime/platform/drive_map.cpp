#include "runtime/platform/drive_map.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/platform/current_directory.h"
#include "runtime/platform/drive_settings.h"
#include "runtime/platform/mounts.h"
#include "runtime/platform/name_lookup.h"

namespace kiv::platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kMapLifetime = std::chrono::seconds(1);

struct DriveTable {
  std::array<std::optional<Drive>, 26> drives;
  Clock::time_point built;
};

std::mutex gMutex;
std::map<char, DrivePin> gPins;  // pins made through pinDrive, by upper-case letter
std::shared_ptr<const DriveTable> gTable;

char upperLetter(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
bool isLetter(char c) { return upperLetter(c) >= 'A' && upperLetter(c) <= 'Z'; }

// The folder without trailing "/", symbolic links resolved when it exists.
std::string canonicalFolder(const std::string& folder) {
  if (char* real = realpath(folder.c_str(), nullptr)) {
    std::string s = real;
    free(real);
    return s;
  }
  std::string s = folder;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

Drive pinnedDrive(char letter, const DrivePin& pin) {
  Drive d;
  d.letter = letter;
  d.folder = canonicalFolder(pin.folder);
  d.pinned = true;
  d.label = pin.label;
  d.serial = pin.serial;
  d.totalBytes = pin.totalBytes;
  d.freeBytes = pin.freeBytes;
  return d;
}

std::shared_ptr<const DriveTable> buildTable() {
  auto table = std::make_shared<DriveTable>();
  std::map<char, DrivePin> pins = readDriveSettings();
  for (const auto& [letter, pin] : gPins) pins[letter] = pin;
  for (const auto& [letter, pin] : pins) table->drives[letter - 'A'] = pinnedDrive(letter, pin);
  auto pinnedFolder = [&](const std::string& folder) {
    for (const auto& d : table->drives)
      if (d && d->folder == folder) return true;
    return false;
  };
  if (!table->drives['C' - 'A']) table->drives['C' - 'A'] = Drive{'C', "/", false, {}, {}};
  char next = 'D';
  for (const Mount& m : volumeMounts()) {
    if (pinnedFolder(m.target)) continue;
    while (next <= 'Z' && table->drives[next - 'A']) ++next;
    if (next > 'Z') break;
    table->drives[next - 'A'] = Drive{next, m.target, false, {}, {}};
  }
  table->built = Clock::now();
  return table;
}

std::shared_ptr<const DriveTable> currentTable() {
  std::lock_guard lock(gMutex);
  if (!gTable || Clock::now() - gTable->built > kMapLifetime) gTable = buildTable();
  return gTable;
}

void invalidate() {
  std::lock_guard lock(gMutex);
  gTable.reset();
}

// Appends the parts of `text` (split at "\" and "/") to `parts`, resolving "." and "..".
void appendParts(std::string_view text, std::vector<std::string_view>* parts) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(start, end - start);
    if (part == "..") {
      if (!parts->empty()) parts->pop_back();
    } else if (!part.empty() && part != ".") {
      parts->push_back(part);
    }
    start = end + 1;
  }
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool pathError(uint32_t error) {
  kiv::core::setPlatformError(error);
  return false;
}

}  // namespace

void pinDrive(char letter, DrivePin pin) {
  if (!isLetter(letter)) return;
  {
    std::lock_guard lock(gMutex);
    gPins[upperLetter(letter)] = std::move(pin);
  }
  invalidate();
}

void unpinDrive(char letter) {
  {
    std::lock_guard lock(gMutex);
    gPins.erase(upperLetter(letter));
  }
  invalidate();
}

bool setPinnedLabel(char letter, std::string_view label) {
  // A letter pinned by WIN.INI gets a pin of its own here, so the new label outlives the
  // next reading of the file (for the rest of the process).
  std::optional<Drive> drive = driveOf(letter);
  if (!drive || !drive->pinned || !drive->label) return false;
  {
    std::lock_guard lock(gMutex);
    gPins[drive->letter] = DrivePin{drive->folder, std::string(label), drive->serial,
                                    drive->totalBytes, drive->freeBytes};
  }
  invalidate();
  return true;
}

std::optional<Drive> driveOf(char letter) {
  if (!isLetter(letter)) return std::nullopt;
  return currentTable()->drives[upperLetter(letter) - 'A'];
}

void reloadDrives() { invalidate(); }

std::optional<DrivePath> splitDrivePath(std::string_view path) {
  std::vector<std::string_view> parts;
  char letter = 0;
  std::string base;  // the current directory, when the path builds on it
  if (path.size() >= 2 && isLetter(path[0]) && path[1] == ':') {
    letter = upperLetter(path[0]);
    path.remove_prefix(2);
    if (path.empty() || !isSeparator(path[0])) {
      // "X:NAME": relative to the current directory when it is on X:, else to X:'s root.
      std::optional<std::string> current = currentDrivePath();
      if (current && upperLetter((*current)[0]) == letter) base = *current;
    }
  } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
    pathError(3);  // network (UNC) paths have no drive here
    return std::nullopt;
  } else {
    std::optional<std::string> current = currentDrivePath();
    if (!current) {
      pathError(3);
      return std::nullopt;
    }
    letter = upperLetter((*current)[0]);
    if (path.empty() || !isSeparator(path[0])) base = *current;
  }
  if (!base.empty()) appendParts(std::string_view(base).substr(2), &parts);
  appendParts(path, &parts);
  std::optional<Drive> drive = driveOf(letter);
  if (!drive) {
    pathError(15);
    return std::nullopt;
  }
  DrivePath result{std::move(*drive), {}};
  for (std::string_view part : parts) {
    if (!result.below.empty()) result.below += '/';
    result.below += part;
  }
  return result;
}

std::string literalHostPath(const DrivePath& path) {
  if (path.below.empty()) return path.drive.folder;
  if (path.drive.folder == "/") return "/" + path.below;
  return path.drive.folder + "/" + path.below;
}

namespace {

// Host paths found case-blind before, by their literal form: a walk names each folder in upper
// case again and again. One is taken again while it is still there; the literal path is always
// tried first, so an exact name that appears meanwhile still wins.
class CaseBlindPaths {
 public:
  std::optional<std::string> find(const std::string& literal) {
    std::lock_guard lock(mutex_);
    auto it = found_.find(literal);
    if (it == found_.end()) return std::nullopt;
    return it->second;
  }
  void keep(const std::string& literal, const std::string& host) {
    std::lock_guard lock(mutex_);
    if (found_.size() >= kKept) found_.clear();
    found_[literal] = host;
  }

 private:
  static constexpr size_t kKept = 4096;
  std::mutex mutex_;
  std::unordered_map<std::string, std::string> found_;
};

CaseBlindPaths& caseBlindPaths() {
  static CaseBlindPaths* paths = new CaseBlindPaths;
  return *paths;
}

}  // namespace

std::string hostPath(const DrivePath& path) {
  std::string literal = literalHostPath(path);
  struct stat st {};
  if (lstat(literal.c_str(), &st) == 0 || errno != ENOENT) return literal;
  if (std::optional<std::string> before = caseBlindPaths().find(literal))
    if (lstat(before->c_str(), &st) == 0) return *before;
  std::string host = path.drive.folder;
  std::string_view rest = path.below;
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view name = rest.substr(0, slash);
    std::string next = (host == "/" ? "/" : host + "/") + std::string(name);
    if (lstat(next.c_str(), &st) != 0) {
      std::optional<std::string> found =
          errno == ENOENT ? findNameCaseBlind(host, name) : std::nullopt;
      if (!found) return (host == "/" ? "/" : host + "/") + std::string(rest);
      next = (host == "/" ? "/" : host + "/") + *found;
    }
    host = std::move(next);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
  }
  caseBlindPaths().keep(literal, host);
  return host;
}

std::optional<std::string> drivePathOfHost(std::string_view host) {
  std::shared_ptr<const DriveTable> table = currentTable();
  const Drive* best = nullptr;
  for (const auto& d : table->drives) {
    if (!d) continue;
    const std::string& f = d->folder;
    bool holds = f == "/" || host == f ||
                 (host.size() > f.size() && host.substr(0, f.size()) == f && host[f.size()] == '/');
    if (holds && (!best || f.size() > best->folder.size())) best = &*d;
  }
  if (!best) return std::nullopt;
  std::string_view below = host.substr(best->folder == "/" ? 0 : best->folder.size());
  std::string result = rootOf(best->letter);
  while (!below.empty() && below.front() == '/') below.remove_prefix(1);
  for (char c : below) result += c == '/' ? '\\' : c;
  return result;
}

std::string rootOf(char letter) { return std::string(1, upperLetter(letter)) + ":\\"; }

}  // namespace kiv::platform

// log: a volume catalogued as the desktop program's Log Disk and Save do it, by the same
// procedures, with the questions of the adding answered by the options.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/cli/catalog_access.h"
#include "app/cli/command_line.h"
#include "app/cli/commands.h"
#include "app/logging/add_to_catalog.h"
#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/walk.h"

namespace cli {
namespace {

// "X:\" when the text is a drive letter ("E", "E:" or "E:\"), else nothing.
std::optional<std::string> driveLetterRoot(const std::string& place) {
  const bool letter = !place.empty() && ((place[0] >= 'A' && place[0] <= 'Z') ||
                                         (place[0] >= 'a' && place[0] <= 'z'));
  if (!letter ||
      !(place.size() == 1 ||
        (place[1] == ':' &&
         (place.size() == 2 || (place.size() == 3 && (place[2] == '\\' || place[2] == '/'))))))
    return std::nullopt;
  return std::string(1, char(place[0] & ~0x20)) + ":\\";
}

// The host folder a drive letter stands for, or "".
std::string folderOf(char letter) {
  char buffer[4096];
  const char name[3] = {letter, ':', '\0'};
  return QueryDosDeviceA(name, buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

// The drive root of a place: a letter, or the letter that stands for the folder, or a free one
// made to stand for it.
std::optional<std::string> driveRootOf(const std::string& place, std::string* error) {
  if (std::optional<std::string> root = driveLetterRoot(place)) return root;
  char* real = realpath(place.c_str(), nullptr);
  if (!real) {
    *error = place + " is not a folder that can be reached";
    return std::nullopt;
  }
  const std::string folder = real;
  free(real);
  for (char l = 'C'; l <= 'Z'; ++l)
    if (folderOf(l) == folder) return std::string(1, l) + ":\\";
  for (char l = 'Y'; l > 'C'; --l) {
    if (!folderOf(l).empty()) continue;
    const char name[3] = {l, ':', '\0'};
    if (DefineDosDeviceA(0, name, folder.c_str())) return std::string(1, l) + ":\\";
  }
  *error = "no drive letter is free for " + folder;
  return std::nullopt;
}

// The adding procedure's windows on a terminal: questions answered by the options, progress
// as one line on standard error when that is a terminal, failures remembered.
class TerminalAdding : public AddingWindows {
 public:
  TerminalAdding(const Arguments& args) : args_(args), terminal_(isatty(2)) {}

  uint32_t message(const kiv::MessageBox& box) override {
    if (box.buttons == (KIV_BUTTON_YES | KIV_BUTTON_NO | KIV_BUTTON_CANCEL)) {
      // The label is catalogued already.
      if (args_.has("--refresh")) return KIV_BUTTON_YES;
      if (args_.has("--new")) return KIV_BUTTON_NO;
      error = (VolName.blank() ? std::string("a disk without a volume label")
                               : "the volume label " + std::string(VolName.clipped())) +
              " is in the catalog already: give --refresh to replace that disk or --new to add "
              "another; nothing was written";
      return KIV_BUTTON_CANCEL;
    }
    error = oneLine(box.text);
    return KIV_BUTTON_OK;
  }
  void stop(std::string_view text) override {
    error =
        "the catalog cannot be written now (" + std::string(text) + "): another program holds it";
  }
  bool selectDisk() override {
    std::optional<std::string> id = args_.value("--disk");
    if (!id) {
      error = "several disks carry the label " + std::string(VolName.clipped()) +
              ": name the one to replace with --disk ID (see `tarrow disks`)";
      return false;
    }
    Disks.rec.clear();
    Disks.rec.IdNum = atoi(id->c_str());
    Disks.get(Disks.ByIdNum);
    if (kiv::errorCode() || !(Disks.rec.Label == VolName)) {
      Kiv$clearerror();
      error = "disk " + *id + " does not carry the label " + std::string(VolName.clipped());
      return false;
    }
    return true;
  }
  void openProgress(Progress, std::string_view caption) override { caption_ = caption; }
  void closeProgress(Progress) override {}
  void setCaption(std::string_view caption) override {
    caption_ = caption;
    show("");
  }
  void setProgress(int32_t, std::string_view percentText) override { show(percentText); }
  void setPath(std::string_view) override {}
  void busyCursor(bool) override {}

  void endLine() {
    if (terminal_ && shown_) std::fputc('\n', stderr);
    shown_ = false;
  }
  std::string error;
  bool saved = false;

 private:
  static std::string oneLine(std::string_view text) {
    std::string s;
    for (char c : text) {
      if (c == '\r') continue;
      s += c == '\n' ? ' ' : c;
    }
    return s;
  }
  void show(std::string_view percent) {
    if (!terminal_ || (percent == lastPercent_ && !percent.empty())) return;
    lastPercent_ = percent;
    std::fprintf(stderr, "\r%s %.*s   ", caption_.c_str(), int(percent.size()), percent.data());
    shown_ = true;
  }

  const Arguments& args_;
  bool terminal_, shown_ = false;
  std::string caption_, lastPercent_;
};

}  // namespace

int runLog(const Arguments& args) {
  if (args.operands.size() != 1) return usageError("log", "name one place to log");
  if (args.has("--refresh") && args.has("--new"))
    return usageError("log", "--refresh and --new exclude each other");
  if (args.value("--disk") && !args.has("--refresh"))
    return usageError("log", "--disk picks the disk to replace: it needs --refresh");
  // The place is named from the folder the command was started in.
  std::string error;
  std::optional<std::string> root = driveRootOf(args.operands[0], &error);
  if (!root) return failure("log", error);
  if (std::optional<std::string> folder = args.value("--catalog"))
    if (auto e = enterCatalog(*folder)) return failure("log", e->message);
  const int32_t type = DriveTypeNumber(*root);
  if (type <= 2) return failure("log", *root + " stands for no volume that can be read");
  const bool terminal = isatty(2);
  ResetLoggedDisk();
  int32_t folders = 0;
  if (!LogDrive(*root + " [" + std::string(DriveTypeName(type)) + "]", [&] {
        if (terminal && ++folders % 64 == 0)
          std::fprintf(stderr, "\rlogging %s  %d files   ", root->c_str(), int(Logged.FileCount));
      }))
    return failure("log", *root + " cannot be read");
  if (terminal)
    std::fprintf(stderr, "\rlogged %s  %d files   \n", root->c_str(), int(Logged.FileCount));
  if (Logged.Walk.skipped > 0) {
    std::string text = SkippedFoldersText(Logged.Walk);
    for (size_t at; (at = text.find("\n\r")) != std::string::npos;) text.replace(at, 2, "\n  ");
    std::fprintf(stderr, "tarrow log: %s\n", text.c_str());
  }
  // What the user gives in the logging window after Log Disk.
  Logged.Category = args.value("--category").value_or("");
  Logged.Note = args.value("--note").value_or("");
  Logged.FilesNotLogged = args.has("--no-files") ? 1 : 0;

  // The tables as the adding procedure needs them, checked first, so that a catalog that cannot
  // be written now is told as such instead of ending the program.
  for (kiv::Table* table : {static_cast<kiv::Table*>(&Disks), static_cast<kiv::Table*>(&Files)})
    if (auto e = openToWrite(*table)) return failure("log", e->message);
  TerminalAdding adding(args);
  AddToCatalog(adding);
  adding.endLine();
  if (!adding.error.empty()) return failure("log", adding.error);
  std::fprintf(stderr, "tarrow log: %s saved as disk %s\n", root->c_str(),
               VolName.blank() ? "without a label" : ("\"" + VolName.str() + "\"").c_str());
  return kDone;
}

}  // namespace cli

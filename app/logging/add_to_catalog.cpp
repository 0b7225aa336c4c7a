#include "app/logging/add_to_catalog.h"

#include <optional>
#include <string>

#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"

namespace {

constexpr std::string_view kNotLoggedMarker = "* FILES NOT LOGGED FOR THIS DISK *  ";
constexpr int32_t kRecordNotAvailable = 33;
constexpr int32_t kTransactionSeconds = 2;

// The comments of a disk's files, carried across a refresh.
#define COMMENT_ENTRY_FIELDS(FIELD)     \
  FIELD(Path, kiv::String<260>, "PATH") \
  FIELD(Comment, kiv::String<260>, "COMMENT")
KIV_RECORD(CommentEntry, "CMQ", COMMENT_ENTRY_FIELDS);

// count / total x 100 in decimal arithmetic, as a LONG.
int32_t percent(int32_t count, int32_t total) { return (kiv::Dec(count) / total * 100).toLong(); }

class Adding {
 public:
  explicit Adding(AddingWindows& windows) : ui_(windows) {}
  ~Adding() { exitStep(); }

  void run();

 private:
  bool failed();  // the error check after a file operation
  bool writeDiskRecord();
  bool deleteAllFiles();
  bool saveFileComments();
  bool writeFileRecords();
  bool writeFileRecord();
  bool rebuildKeys();
  bool purgeStaleFiles();
  // Ends the save's transaction, keeping what was written (also after a failure, as records
  // written before it stay).
  bool commit();
  void showProgress(int32_t percent, std::string_view path);
  void openProgress(AddingWindows::Progress window, std::string_view caption);
  void closeProgress(AddingWindows::Progress window);
  void exitStep();

  AddingWindows& ui_;
  std::optional<CatalogUse> disks_, files_;
  kiv::Queue<CommentEntry> comments_;
  int32_t newId_ = 0, matchCount_ = 0, matchId_ = 0, oldFileCount_ = 0;
  bool refresh_ = false;
  bool inTransaction_ = false;
  bool progressOpen_[3] = {false, false, false};
};

void Adding::run() {
  disks_.emplace(Disks, DisksUseCount);
  files_.emplace(Files, FilesUseCount);
  Files.close();
  Files.open(kiv::ReadWriteDenyAll);
  if (kiv::errorCode()) ui_.stop(kiv::error());
  Disks.stream();
  Files.stream();
  if (failed()) return;

  // The next ID: one above the highest.
  if (Disks.records() > 0) {
    Disks.rec.clear(1);
    Disks.set(Disks.ByIdNum, Disks.ByIdNum);
    Disks.previous();
    if (failed()) return;
    newId_ = Disks.rec.IdNum + 1;
  } else {
    newId_ = 1;
  }

  // Disks with this label. The key ignores case, so its run of equal keys can mix spellings;
  // only an exact label counts as a match.
  Disks.rec.clear(-1);
  Disks.rec.Label = VolName;
  Disks.set(Disks.ByLabel, Disks.ByLabel);
  const std::string sameKey = kiv::upper(VolName.clipped());
  for (;;) {
    Disks.next();
    if (kiv::errorCode()) break;
    if (kiv::upper(Disks.rec.Label.clipped()) != sameKey) break;
    if (Disks.rec.Label == VolName) {
      ++matchCount_;
      matchId_ = Disks.rec.IdNum;
    }
  }
  Kiv$clearerror();

  if (matchCount_ > 0) {
    uint32_t answer =
        ui_.message({"Volume " + VolName.str() + " already exists in catalog!\n\r" +
                         "Choose YES to overwrite existing entry,\n\rNO to add a new entry,\n\r" +
                         "or CANCEL to leave catalog unchanged.",
                     "System Message", KIV_ICON_EXCLAMATION,
                     KIV_BUTTON_YES | KIV_BUTTON_NO | KIV_BUTTON_CANCEL, KIV_BUTTON_CANCEL});
    if (answer == KIV_BUTTON_YES) {
      if (matchCount_ > 1) {
        if (!ui_.selectDisk()) return;
        matchId_ = Disks.rec.IdNum;
      }
      refresh_ = true;
    } else if (answer == KIV_BUTTON_NO) {
      matchId_ = newId_;
    } else {
      return;
    }
  }
  if (matchId_ == 0) matchId_ = newId_;

  openProgress(AddingWindows::Adding,
               refresh_ ? "Refreshing disk in catalog..." : "Adding disk to catalog...");
  const bool filesNotLogged = Logged.FilesNotLogged != 0;
  // The disk record and its files reach the catalog together or not at all: a program that is
  // ended halfway (a crash, a kill, the machine going down) leaves the catalog as it was, never a
  // disk without its files or files without their disk. Building keys cannot run inside the
  // transaction; a new disk's files go in without keys, marked for a rebuild, which follows.
  Kiv$LOGOUT(kTransactionSeconds, Disks.desc(), Files.desc(), nullptr);
  if (failed()) return;
  inTransaction_ = true;
  if (!writeDiskRecord()) return;
  if (refresh_ && !filesNotLogged && !saveFileComments()) return;
  if (filesNotLogged) {
    showProgress(100, "");
    Logged.FilesNotLogged = 0;
    return;
  }
  if (!writeFileRecords()) return;
  if (!commit()) return;
  if (!refresh_ && !rebuildKeys()) return;
  if (refresh_) purgeStaleFiles();
}

bool Adding::commit() {
  if (!inTransaction_) return true;
  inTransaction_ = false;
  Kiv$COMMIT();
  return !failed();
}

bool Adding::failed() {
  if (kiv::errorCode() == 0) return false;
  ui_.message({"Error: " + kiv::error(), "", KIV_ICON_NONE, KIV_BUTTON_OK, 0});
  return true;
}

bool Adding::writeDiskRecord() {
  DisksRecord& d = Disks.rec;
  if (refresh_) {
    d.clear();
    d.IdNum = matchId_;
    Disks.set(Disks.ByIdNum, Disks.ByIdNum);
    Disks.next();
    if (failed()) return false;
    if (d.IdNum != matchId_) return false;  // the disk went away meanwhile
    oldFileCount_ = d.Files;
  }
  d.IdNum = matchId_;
  d.Label = VolName;
  d.Files = Logged.FileCount;
  d.SerialNo = Logged.SerialText == "0000-0000" ? "" : Logged.SerialText.str();
  if (!Logged.Category.blank())
    d.Category = Logged.Category;
  else if (!refresh_)
    d.Category = "";
  if (!refresh_) d.UserNum = "";
  d.FreeSpace = Logged.FreeBytes;
  d.TotalBytes = Logged.TotalBytes;

  if (Logged.FilesNotLogged) {
    if (refresh_ && !d.Comments.blank())
      d.Comments = "";
    else
      d.Comments = std::string(kNotLoggedMarker) + Logged.Note.str();
    if (refresh_ && !deleteAllFiles()) return false;
  } else if (!refresh_ || !Logged.Note.blank()) {
    d.Comments = Logged.Note;
  } else if (d.Comments.clipped() == kiv::clip(kNotLoggedMarker)) {
    d.Comments = "";
  }
  d.Keyword1 = "";
  d.Keyword2 = "";
  d.Keyword3 = "";
  d.Type = std::string(1, DriveTypeLetter(Logged.DriveType));
  if (refresh_)
    Disks.put();
  else
    Disks.add();
  Logged.Note = "";
  Logged.Category = "";
  return !failed();
}

bool Adding::deleteAllFiles() {
  openProgress(AddingWindows::Purging, "Purging files from catalog...");
  Files.rec.clear(-1);
  Files.rec.DiskId = matchId_;
  Files.set(Files.ByDiskId, Files.ByDiskId);
  for (int32_t count = 1;; ++count) {
    Files.next();
    if (kiv::errorCode() == kRecordNotAvailable) break;
    if (failed()) return false;
    if (Files.rec.DiskId != matchId_) break;
    Files.erase();
    if (failed()) return false;
    showProgress(percent(count, oldFileCount_), Files.rec.Path.clipped());
  }
  Kiv$clearerror();
  closeProgress(AddingWindows::Purging);
  return true;
}

bool Adding::saveFileComments() {
  openProgress(AddingWindows::Purging, "Saving user-defined settings...");
  comments_.free();
  Files.rec.clear(-1);
  Files.rec.DiskId = matchId_;
  Files.set(Files.ByDiskId, Files.ByDiskId);
  for (int32_t count = 1;; ++count) {
    Files.next();
    if (kiv::errorCode() == kRecordNotAvailable) break;
    if (failed()) return false;
    if (Files.rec.DiskId != matchId_) break;
    Files.rec.DeleteFlag = 1;
    Files.put();
    if (failed()) return false;
    if (!Files.rec.Comment.blank()) {
      comments_.rec.Path = Files.rec.Path;
      comments_.rec.Comment = Files.rec.Comment;
      comments_.add();
    }
    showProgress(percent(count, oldFileCount_), Files.rec.Path.clipped());
  }
  Kiv$clearerror();
  comments_.sort({CommentEntry::Fields::Path});
  closeProgress(AddingWindows::Purging);
  return true;
}

bool Adding::writeFileRecords() {
  const int32_t total = FileList.records();
  for (int32_t j = 1; j <= total; ++j) {
    FileList.get(j);
    if (!writeFileRecord()) return false;
    showProgress(percent(j, total), FileList.rec.FullPath.clipped());
  }
  return true;
}

bool Adding::writeFileRecord() {
  const FileEntry& e = FileList.rec;
  FilesRecord& f = Files.rec;
  bool found = false;
  if (refresh_) {
    f.DiskId = matchId_;
    f.ShortName = e.ShortName;
    Files.set(Files.ByDiskId, Files.ByDiskId);
    for (;;) {
      Files.next();
      if (kiv::errorCode() || f.DiskId != matchId_ || !(f.ShortName == e.ShortName)) break;
      if (f.Path == e.FullPath) {
        found = true;
        break;
      }
    }
    Kiv$clearerror();
    comments_.rec.Path = e.FullPath;
    comments_.getBy({CommentEntry::Fields::Path});
    if (kiv::errorCode() == 0)
      f.Comment = comments_.rec.Comment;
    else
      f.Comment = "";
    Kiv$clearerror();
  }
  f.DiskId = matchId_;
  f.ShortName = e.ShortName;
  f.DisplayDate = e.DisplayDate;
  f.DisplayTime = e.DisplayTime;
  f.CreationDate = e.CreationDate;
  f.CreationTime = e.CreationTime;
  f.AccessDate = e.AccessDate;
  f.AccessTime = e.AccessTime;
  f.ModifyDate = e.ModifyDate;
  f.ModifyTime = e.ModifyTime;
  f.Size = e.Size;
  f.Attrib = e.Attrib;
  f.Type = e.Type;
  f.Path = e.FullPath;
  const std::string_view path = e.FullPath.clipped();
  const size_t nameStart = e.NamePos > 0 ? size_t(e.NamePos - 1) : 0;
  f.LongName = nameStart < path.size() ? path.substr(nameStart) : std::string_view();
  f.DeleteFlag = 0;
  if (!refresh_) {
    f.Comment = "";
    Files.append();
  } else if (!found) {
    f.Comment = "";
    Files.add();
  } else {
    Files.put();
  }
  return !failed();
}

bool Adding::rebuildKeys() {
  ui_.busyCursor(true);
  ui_.setCaption("Indexing new database entries...");
  ui_.setPath("");
  Files.build();
  if (kiv::errorCode()) ui_.stop(kiv::error());
  ui_.busyCursor(false);
  return true;
}

bool Adding::purgeStaleFiles() {
  ui_.busyCursor(true);
  ui_.setCaption("Indexing new database entries...");
  ui_.setPath("");
  Files.build(Files.DynNdx, "+FIL:DiskID,+FIL:DeleteFlag");
  bool ok = !failed();
  if (ok) {
    Files.rec.DiskId = matchId_;
    Files.rec.DeleteFlag = 1;
    Files.set(Files.DynNdx, Files.DynNdx);
    for (;;) {
      Files.next();
      if (kiv::errorCode() == kRecordNotAvailable) break;
      if (failed()) {
        ok = false;
        break;
      }
      if (Files.rec.DiskId != matchId_) break;
      Files.erase();
      if (failed()) {
        ok = false;
        break;
      }
    }
    if (ok) Kiv$clearerror();
  }
  ui_.busyCursor(false);
  return ok;
}

void Adding::showProgress(int32_t value, std::string_view path) {
  ui_.setProgress(value, std::to_string(value) + "%");
  if (!path.empty()) ui_.setPath(path);
}

void Adding::openProgress(AddingWindows::Progress window, std::string_view caption) {
  ui_.openProgress(window, caption);
  progressOpen_[window] = true;
}

void Adding::closeProgress(AddingWindows::Progress window) {
  if (!progressOpen_[window]) return;
  ui_.closeProgress(window);
  progressOpen_[window] = false;
}

void Adding::exitStep() {
  commit();
  closeProgress(AddingWindows::Purging);
  closeProgress(AddingWindows::Adding);
  // Another holder of FILES on this thread gets it back shared.
  if (files_ && FilesUseCount > 1) {
    Files.close();
    OpenCatalogTable(Files);
  }
  files_.reset();
  disks_.reset();
  comments_.free();
}

}  // namespace

void AddingWindows::stop(std::string_view text) { kiv::stop(text); }

void AddToCatalog(AddingWindows& windows) {
  Adding adding(windows);
  adding.run();
}

bool SaveLoggedDisk(bool logged, AddingWindows& windows) {
  if (!logged) {
    windows.message(
        {"You must log a disk before anything can be saved to the catalog!\n\r\n\rSelect a "
         "drive, then press the button that says \"Log Disk\" before trying to save anything to "
         "the catalog.",
         "System Message", KIV_ICON_ASTERISK, KIV_BUTTON_OK, 0});
    return true;
  }
  if (VolName.blank()) {
    uint32_t answer = windows.message(
        {"You forgot to enter a volume label!\n\rIt is recommended that you assign a volume "
         "label now\n\rso it will be easier to recatalog this disk in the future.\n\r\n\rChoose "
         "YES to catalog this disk without a volume label,\n\ror NO to enter a volume label now "
         "(recommended).",
         "System Message", KIV_ICON_EXCLAMATION, KIV_BUTTON_YES | KIV_BUTTON_NO, KIV_BUTTON_NO});
    if (answer != KIV_BUTTON_YES) return false;
  }
  AddToCatalog(windows);
  return true;
}

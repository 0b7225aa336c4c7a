#include "app/logging/log_disk_window.h"

#include <string>

#include "app/browse/browse.h"
#include "app/frame/window_position.h"
#include "app/logging/adding_windows.h"
#include "app/logging/add_to_catalog.h"
#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/volume.h"
#include "app/logging/walk.h"
#include "include/kiv/kiv.h"
#include "include/kiv/window.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro010";

using namespace logdisk_feq;
using namespace editnote_feq;

// A flat picture area that tracks the mouse: its plate, picture and caption, and the green
// (resting) and red (lit) pictures.
struct CommandArea {
  int32_t area, picture, caption;
  const char* resting;
  const char* lit;
};
constexpr CommandArea kSave{kSaveArea, kSavePicture, kSaveCaption, "~Saveg.ico", "~Saver.ico"};
constexpr CommandArea kClose{kCloseArea, kClosePicture, kCloseCaption, "~cancelg.ico",
                             "~cancelr.ico"};

void moveBy(kiv::Window& w, int32_t feq, int32_t dx, int32_t dy) {
  kiv::Position p = w.position(feq);
  p.x += dx;
  p.y += dy;
  w.setPosition(feq, p);
}

class LogDiskWindow {
 public:
  LogDiskWindow()
      : window_(kiv::Window::Mdi, kModule, "LOGDISK$WINDOW", &VolName, &Logged.Category,
                &Logged.FilesNotLogged, &Logged.FileCount, &Logged.PercentUsed, &percentFree_,
                &FileList.rec.FullPath) {}

  void run();

 private:
  void open();
  void showDrivePicture();
  void logDisk();
  void showUsage();
  void showFileEntry();
  void sortBy(int32_t field);
  void save();
  // Mouse tracking of a command area; true when it was released (its action is due).
  bool trackArea(const CommandArea& area, kiv::Event& event);
  void closing();

  kiv::Window window_;
  kiv::Decimal<5, 2> percentFree_;
  bool logged_ = false;
  bool closed_ = false;
  FileListSort sort_;
  std::string labelOnEntry_;
};

void LogDiskWindow::open() {
  ResetLoggedDisk();
  Logged.Category = "";
  Logged.Note = "";
  FileList.rec.FullPath = "";
  percentFree_ = 0;
  BuildDriveList();

  window_.open();
  RestorePosition("LogDisk");
  for (int32_t type = 1; type <= 7; ++type)
    window_.set(kDriveList, kiv::prop::ListImage, DriveTypeIcon(type), type);
  window_.showQueue(kDriveList, DriveList.desc());
  window_.showQueue(kFileList, FileList.desc());
  window_.setText(kDrivePicture, "~removab.ico");

  // The pie fills its frame less a margin: 3 at the left, 2 at the top, 5 less each way.
  kiv::Position frame = window_.position(kPieFrame);
  window_.setPosition(kPie, {frame.x + 3, frame.y + 2, frame.width - 5, frame.height - 5});

  window_.setTip(kSaveArea, "Save logged disk to catalog");
  window_.setTip(kCloseArea, "Close the disk logging window");
  window_.display();
  if (DriveList.records() > 0) {
    window_.set(kDriveList, kiv::prop::Selected, 1);
    DriveList.get(1);
    showDrivePicture();
  }
}

void LogDiskWindow::showDrivePicture() {
  window_.setText(kDrivePicture, DriveTypeIcon(DriveList.rec.TypeNumber));
}

void LogDiskWindow::showUsage() {
  VolumeUsage usage = LoggedVolumeUsage();
  usage.free.store(&percentFree_, sizeof percentFree_, 2);
  window_.display(kFileCount);
  window_.display(kPie);
  window_.display(kPercentFree);
}

void LogDiskWindow::logDisk() {
  const int32_t choice = window_.choice(kDriveList);
  if (choice < 1) return;
  DriveList.get(choice);
  logged_ = true;
  sort_ = FileListSort{};
  kiv::setCursor(KIV_CURSOR_WAIT);
  // Between directories the window shows how many files were found so far.
  const bool ok = LogDrive(DriveList.rec.Text.view(), [this] {
    Kiv$YIELD();
    window_.display(kFileCount);
  });
  kiv::setCursor(KIV_CURSOR_ARROW);
  labelOnEntry_ = VolName.str();
  if (!ok) {
    FileList.rec.FullPath = "";
    percentFree_ = 0;
    window_.display();
    return;
  }
  showUsage();
  window_.display();
  window_.select(kFileList);
  if (FileList.records() > 0) {
    window_.set(kFileList, kiv::prop::Selected, 1);
    FileList.get(1);
  } else {
    FileList.rec.FullPath = "";
  }
  window_.display(kPathLine);
  if (Logged.Walk.skipped > 0)
    kiv::message(SkippedFoldersText(Logged.Walk), "Folders Left Out", KIV_ICON_EXCLAMATION);
}

void LogDiskWindow::showFileEntry() {
  const int32_t choice = window_.choice(kFileList);
  if (choice < 1 || choice > FileList.records()) return;
  FileList.get(choice);
  window_.display(kPathLine);
}

void LogDiskWindow::sortBy(int32_t field) {
  kiv::setCursor(KIV_CURSOR_WAIT);
  sort_.press(field);
  kiv::setCursor(KIV_CURSOR_ARROW);
  window_.showQueue(kFileList, FileList.desc());
  showFileEntry();
}

void LogDiskWindow::save() {
  AddingProgressWindows windows;
  if (!SaveLoggedDisk(logged_, windows)) {
    window_.select(kLabel);
    return;
  }
  window_.display();
}

bool LogDiskWindow::trackArea(const CommandArea& a, kiv::Event& event) {
  switch (event.code()) {
    case kiv::event::MouseIn:
      window_.set(a.area, kiv::prop::BevelInner, 0);
      window_.set(a.area, kiv::prop::BevelOuter, 1);
      window_.setText(a.picture, a.lit);
      break;
    case kiv::event::MouseOut:
      window_.set(a.area, kiv::prop::BevelInner, 0);
      window_.set(a.area, kiv::prop::BevelOuter, 0);
      window_.setText(a.picture, a.resting);
      break;
    case kiv::event::Accepted:
      window_.set(a.area, kiv::prop::BevelInner, 0);
      window_.set(a.area, kiv::prop::BevelOuter, -1);
      moveBy(window_, a.picture, 1, 1);
      moveBy(window_, a.caption, 1, 1);
      break;
    case kiv::event::MouseUp:
      window_.set(a.area, kiv::prop::BevelInner, 0);
      window_.set(a.area, kiv::prop::BevelOuter, 1);
      window_.setText(a.picture, a.resting);
      moveBy(window_, a.picture, -1, -1);
      moveBy(window_, a.caption, -1, -1);
      window_.display(a.area);
      return true;
  }
  window_.display(a.area);
  return false;
}

void LogDiskWindow::run() {
  open();
  for (kiv::Event& event : window_.events()) {
    const int32_t field = event.field();
    const int32_t code = event.code();
    if (event.closing()) {
      closing();
    } else if (field == kSaveArea) {
      if (trackArea(kSave, event)) save();
    } else if (field == kCloseArea) {
      if (trackArea(kClose, event)) window_.post(kiv::event::CloseWindow);
    } else if (field == kDriveList && code == kiv::event::NewSelection) {
      const int32_t choice = window_.choice(kDriveList);
      if (choice >= 1) {
        DriveList.get(choice);
        showDrivePicture();
      }
    } else if (event.accepted(kLogButton)) {
      logDisk();
    } else if (event.of(kLabel, kiv::event::Selected)) {
      labelOnEntry_ = VolName.str();
    } else if (event.accepted(kLabel)) {
      window_.update(kLabel);
      if (kiv::compare(VolName.view(), labelOnEntry_) != 0 && !Logged.RootPath.blank()) {
        if (ChangeVolumeLabel(labelOnEntry_)) {
          labelOnEntry_ = VolName.str();
        } else {
          window_.display(kLabel);
          window_.select(kLabel);
          event.cycle();
        }
      }
    } else if (event.accepted(kCategoryButton)) {
      std::string chosen;
      if (PickCategory(Logged.Category.view(), chosen)) {
        Logged.Category = chosen;
        window_.display(kCategory);
      }
    } else if (event.accepted(kNoteButton)) {
      EditNote();
    } else if (field >= kSortName && field <= kSortAttrib && code == kiv::event::Accepted) {
      sortBy(field - kSortName + 1);
    } else if (field == kFileList && code == kiv::event::NewSelection) {
      showFileEntry();
    }
  }
  closing();
}

// Runs once, while the window is still open when it can.
void LogDiskWindow::closing() {
  if (closed_) return;
  closed_ = true;
  FileList.free();
  Kiv$POST(kLoggingEnded, 0, 1);
  if (window_.isCurrent()) SavePosition("LogDisk");
}

}  // namespace

void LogDisk() {
  LogDiskWindow window;
  window.run();
}

void EditNote() {
  kiv::Window window(kiv::Window::Mdi, kModule, "EDITNOTE$WINDOW", &Logged.Note);
  window.open();
  RestorePosition("EditNote");
  for (kiv::Event& event : window.events()) {
    if (event.closing()) {
      SavePosition("EditNote");
    } else if (event.accepted(kNoteSave)) {
      window.update();
      window.post(kiv::event::CloseWindow);
    } else if (event.accepted(kNoteCancel)) {
      Logged.Note = "";
      window.post(kiv::event::CloseWindow);
    }
  }
}

// Main: the catalog's APPLICATION frame. It holds DISKS and FILES for the whole run, starts
// the commands' procedures (most on threads of their own), keeps the status bar current, gives
// the toolbar buttons their looks and hides itself behind a notification icon when iconized.
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame/frame.h"
#include "app/browse/browse.h"
#include "app/browse/select_disk.h"
#include "app/duplicates/duplicates.h"
#include "app/frame/window_position.h"
#include "app/reports/reports.h"
#include "app/logging/log_disk_window.h"
#include "app/search/search_wizard.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/window.h"

FrameState Frame;

const kiv::String<63> WeekdayNames(
    "Sunday   Monday   Tuesday  WednesdayThursday Friday   Saturday ");

namespace {

using namespace frame_feq;

constexpr int32_t kCommandStack = 25000;
constexpr int32_t kRefreshedOnce = 31898;  // the window has been displayed whole already
// The process-wide object -4 of the property operations (the program's icon, its instance).
void* const kProcessObject = reinterpret_cast<void*>(intptr_t{-4});

// One toolbar button: its panel (the icon and caption follow it), its two looks, its command.
struct ToolButton {
  int32_t panel;
  const char* restingImage;
  const char* highlightedImage;
  int32_t command;  // the menu item it stands for; 0 for Exit
};
constexpr ToolButton kToolButtons[] = {
    {LogPanel, "~Logg.ico", "~Logr.ico", LogDisks},
    {DisksPanel, "~Disksg.ico", "~Disksr.ico", BrowseDisks},
    {FilesPanel, "~Filesg.ico", "~Filesr.ico", frame_feq::BrowseFiles},
    {SearchPanel, "~Searchg.ico", "~Searchr.ico", Search},
    {ExitPanel, "~Cancelg.ico", "~Cancelr.ico", 0},
};

// Zones 2 to 5: the record counts, the weekday and date, the time of day.
void ShowStatus(kiv::Window& frame, bool counts) {
  if (counts) {
    frame.setStatus(2, std::to_string(Disks.records()) + " disks");
    frame.setStatus(3, std::to_string(Files.records()) + " files");
  }
  int32_t today = Kiv$TODAY();
  std::string weekday(kiv::clip(WeekdayNames.view().substr((today % 7) * 9, 9)));
  frame.setStatus(4, weekday + ", " + std::string(kiv::clip(kiv::format(today, "@D4"))));
  frame.setStatus(5, std::string(kiv::clip(kiv::format(Kiv$CLOCK(), "@T3"))));
}

void Refresh(kiv::Window& frame) {
  if (frame.number(0, kRefreshedOnce) == 0) frame.display();
}

uintptr_t FrameHandle(kiv::Window& frame) {
  return std::strtoull(frame.get(0, kiv::prop::Handle).c_str(), nullptr, 10);
}

void FillNotifyData(uintptr_t hwnd) {
  KivNotifyIconData& d = Frame.notifyData;
  d = {};
  d.size = 88;
  d.hwnd = hwnd;
  d.id = kNotifyIconId;
  d.flags = KIV_NIF_MESSAGE | KIV_NIF_ICON | KIV_NIF_TIP;
  d.callbackMessage = kNotifyCallback;
  uintptr_t instance = std::strtoull(
      kiv::getProperty(0, kiv::prop::ModuleInstance, kProcessObject).c_str(), nullptr, 10);
  d.icon = LoadIconA(instance, "TARROW_ICO");
  std::strncpy(d.tip, "Tarrow for Windows 95", sizeof d.tip - 1);
}

// The button's icon and caption move by (dx, dy) so that it looks pressed or released.
void MoveButtonFace(kiv::Window& frame, int32_t panel, int32_t d) {
  for (int32_t feq : {panel - 1, panel - 2}) {
    kiv::Position p = frame.position(feq);
    frame.setPosition(feq, {p.x + d, p.y + d, p.width, p.height});
  }
}

void SetLook(kiv::Window& frame, int32_t panel, int32_t outerBevel, const char* image) {
  frame.set(panel, kiv::prop::BevelInner, 0);
  frame.set(panel, kiv::prop::BevelOuter, outerBevel);
  if (image) frame.setText(panel - 1, image);
}

// The panel events of a toolbar button; true when the event was one of them.
bool ToolbarEvent(kiv::Window& frame, kiv::Event& event) {
  for (const ToolButton& b : kToolButtons) {
    if (event.field() != b.panel) continue;
    switch (event.code()) {
      case kiv::event::MouseIn:
        SetLook(frame, b.panel, 1, b.highlightedImage);
        break;
      case kiv::event::MouseOut:
        SetLook(frame, b.panel, 0, b.restingImage);
        break;
      case kiv::event::Accepted:
        SetLook(frame, b.panel, -1, nullptr);
        MoveButtonFace(frame, b.panel, 1);
        break;
      case kiv::event::MouseUp:
        SetLook(frame, b.panel, 1, b.restingImage);
        MoveButtonFace(frame, b.panel, -1);
        if (b.command)
          frame.post(kiv::event::Accepted, b.command);
        else
          frame.post(kiv::event::CloseWindow);
        break;
      default:
        return true;
    }
    frame.display(b.panel);
    return true;
  }
  return false;
}

void EnableAfter(kiv::Window& frame, int32_t item, int32_t panel) {
  frame.enable(item);
  frame.enable(panel - 2, panel);
}

// The command table: EVENT:Accepted of a menu item.
void Command(kiv::Window& frame, int32_t feq) {
  switch (feq) {
    case LogDisks:
      if (Frame.loggingThread) return;  // disabled until the logging window has ended
      frame.disable(LogDisks);
      frame.disable(LogPanel - 2, LogPanel);
      Frame.loggingThread = Kiv$START(LogDisk, kCommandStack);
      Refresh(frame);
      break;
    case ById:
    case ByIdDescending:
    case ByLabel:
    case ByLabelDescending:
    case ByCategory:
    case ByCategoryDescending:
    case ByFreeSpace:
    case ByFreeSpaceDescending: {
      static constexpr int32_t kOrders[] = {
          ById,       ByIdDescending,       ByLabel,     ByLabelDescending,
          ByCategory, ByCategoryDescending, ByFreeSpace, ByFreeSpaceDescending};
      for (int32_t i = 0; i < 8; ++i) {
        if (kOrders[i] == feq) Frame.reportOrder = i + 1;
      }
      StartPrtDisksInCat(Frame.reportOrder);
      break;
    }
    case BrowseDisks:
      if (Frame.disksBrowseRunning) return;  // disabled until the browse has ended
      frame.disable(BrowseDisks);
      frame.disable(DisksPanel - 2, DisksPanel);
      Frame.disksBrowseRunning = Kiv$START(BrowseDisk, kCommandStack) != 0;
      if (!Frame.disksBrowseRunning) EnableAfter(frame, BrowseDisks, DisksPanel);
      break;
    case frame_feq::BrowseFiles:
      if (Frame.filesBrowseRunning) return;
      frame.disable(frame_feq::BrowseFiles);
      frame.disable(FilesPanel - 2, FilesPanel);
      Frame.filesBrowseRunning = Kiv$START(::BrowseFiles, kCommandStack) != 0;
      if (!Frame.filesBrowseRunning) EnableAfter(frame, frame_feq::BrowseFiles, FilesPanel);
      break;
    case FilesForADisk:
      Frame.singleDisk = true;
      Kiv$START(ChooseDiskToPrint, kCommandStack);
      break;
    case DuplicateFiles:
      Kiv$START(GetRptParmsWiz, kCommandStack);
      break;
    case DiskIdLabels:
      Kiv$START(PrtDiskIdLabels, kCommandStack);
      break;
    case DiskLabels:
      Kiv$START(ChooseLabelLayout, kCommandStack);
      break;
    case Search:
      SearchWizard();  // on the frame's own thread
      break;
    case About:
      Kiv$START(AboutBox, kCommandStack);
      break;
    default:
      break;
  }
}

}  // namespace

void Main() {
  CatalogUse disks(Disks, DisksUseCount);
  CatalogUse files(Files, FilesUseCount);
  kiv::BindScope names;
  names.bindRecord(Disks.rec);
  names.bindRecord(Files.rec);
  kiv::setProperty(0, kiv::prop::Icon, "tarrow.ico", kProcessObject);

  Frame = FrameState{};
  kiv::Window frame(kiv::Window::Application, kFrameModule, "MAIN$APPFRAME");
  frame.open();
  RestorePosition("Main");
  frame.setStatus(1, "Welcome to Tarrow");
  uintptr_t hwnd = FrameHandle(frame);
  Frame.previousProcedure = reinterpret_cast<KivWindowProc>(
      SetWindowLongA(hwnd, KIV_GWL_WNDPROC, reinterpret_cast<intptr_t>(FrameWindowProc)));
  FillNotifyData(hwnd);
  int32_t timer = frame.number(0, kiv::prop::Timer);
  if (timer < 1 || timer > 100) frame.set(0, kiv::prop::Timer, 100);
  ShowStatus(frame, false);

  for (kiv::Event& event : frame.events()) {
    switch (event.code()) {
      case kiv::event::OpenWindow:
        Frame.splashThread = Kiv$START(SplashWindow, 0);
        if (!Frame.refreshed) {
          Frame.refreshed = true;
          Refresh(frame);
        }
        frame.select(1);
        continue;
      case kiv::event::GainFocus:
        Refresh(frame);
        continue;
      case kiv::event::Rejected:
        Beep(150, 16);
        frame.display(event.field());
        frame.select(event.field());
        continue;
      case kiv::event::Timer:
        ShowStatus(frame, true);
        continue;
      case kiv::event::Iconized:
        if (!Frame.trayIconShown && Shell_NotifyIconA(KIV_NIM_ADD, &Frame.notifyData)) {
          ShowWindow(Frame.notifyData.hwnd, KIV_SW_HIDE);
          Frame.trayIconShown = true;
        }
        continue;
      case frame_event::LoggingEnded:
        EnableAfter(frame, LogDisks, LogPanel);
        Frame.loggingThread = 0;
        continue;
      case frame_event::DisksBrowseEnded:
        EnableAfter(frame, BrowseDisks, DisksPanel);
        Frame.disksBrowseRunning = false;
        continue;
      case frame_event::FilesBrowseEnded:
        EnableAfter(frame, frame_feq::BrowseFiles, FilesPanel);
        Frame.filesBrowseRunning = false;
        continue;
      case frame_event::LogAgain:
        frame.post(kiv::event::Accepted, LogDisks);
        continue;
    }
    if (event.closing()) {
      // The closing routine's position, while the window is still open.
      SavePosition("Main");
      continue;
    }
    if (event.is(kiv::event::Accepted) && Frame.splashThread) {
      frame.post(kiv::event::CloseWindow, 0, Frame.splashThread);
      Frame.splashThread = 0;
    }
    if (ToolbarEvent(frame, event)) continue;
    if (event.is(kiv::event::Accepted) && event.field() < 0) Command(frame, event.field());
  }

  // Closing routine.
  files.release();
  disks.release();
  RemoveWorkTables();
  if (Frame.trayIconShown) {
    Shell_NotifyIconA(KIV_NIM_DELETE, &Frame.notifyData);
    Frame.trayIconShown = false;
  }
}

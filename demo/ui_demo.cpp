// uidemo: a small program on the window layer, written the way the catalog application uses
// it. Main opens the frame (menu, toolbar, status bar) and starts the file-list procedure on a
// thread of its own; that procedure shows a 10,000-row queue in an MDI window with an entry, a
// spin, a check box, a progress bar and a usage pie.
//
// With KIV_DEMO_SHOT=<file.png> in the environment the program takes a picture of its frame
// once both windows are up, then exits through File > Exit.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <thread>

#include "include/kvrun32.h"
#include "runtime/core/ufo.h"       // CLASS_DESCRIPTOR: the row layout of the file queue
#include "runtime/ui/automation.h"  // the picture taken in KIV_DEMO_SHOT mode

namespace {

const char* const kModule = "UIDEMO.kvw$uidemo";
constexpr int32_t kLogEnded = 1025;

// Field equates of the frame.
enum : int32_t {
  kLogDisks = -10,
  kLogPanel = -39,
  kLogIcon = -40,
  kDisksPanel = -42,
  kDisksIcon = -43,
  kSearchPanel = -48,
  kSearchIcon = -49,
  kExitPanel = -51,
  kExitIcon = -52
};

void setProp(int32_t feq, int32_t index, int32_t number, const std::string& value) {
  Kiv$PushLong(number);
  Kiv$PushString(value.data(), static_cast<uint32_t>(value.size()));
  Kiv$SetPropS(feq, index, nullptr);
}

// The file-list procedure, on its own thread.
void LogDisk() {
  // The queue of file entries: name, size, modification date.
  static std::vector<uint8_t> layout = [] {
    CLASS_DESCRIPTOR build;
    build.SETUP("FILEQ");
    build.ADDFIELD(KIV_STRING, 40, "FQ:NAME", 0, nullptr, nullptr, 0);
    build.ADDFIELD(KIV_LONG, 4, "FQ:SIZE", 0, nullptr, nullptr, 0);
    build.ADDFIELD(KIV_DATE, 4, "FQ:DATE", 0, nullptr, nullptr, 0);
    return build.ENDDECLARATION();
  }();
  struct Entry {
    char name[40];
    int32_t size;
    int32_t date;
  } entry{};
  KivQueue files{&entry, nullptr, layout.data()};
  const char* kinds[] = {"report", "invoice", "photo", "letter", "backup", "notes", "budget"};
  const char* exts[] = {".txt", ".doc", ".jpg", ".xls", ".zip", ".pdf"};
  for (int32_t i = 1; i <= 10000; ++i) {
    std::string name = std::string(kinds[i % 7]) + "_" + std::to_string(1000 + i) + exts[i % 6];
    Kiv$storestr(entry.name, sizeof entry.name, name.data(), static_cast<int32_t>(name.size()));
    entry.size = (i * 7919) % 2000000 + 512;
    entry.date = 71694 + (i * 37) % 9000;  // days from 1997 on
    Kiv$ADDqueue(&files);
  }

  char label[20];
  int32_t copies = 1, noFiles = 0, count = Kiv$RECORDSqueue(&files), progress = 100, used = 62;
  Kiv$storestr(label, sizeof label, "HOME_2024", 9);
  void* window = nullptr;
  Kiv$pmopen(&window, kModule, "FILES$WINDOW", label, &copies, &noFiles, &count, &progress, &used,
             nullptr);
  Kiv$OPENwindow(window);
  Kiv$PushLong(31744);
  Kiv$SetPropQ(6, 0, nullptr, &files);
  Kiv$DISPLAY(0, 0);

  Kiv$StartEventLoop();
  for (;;) {
    int32_t action = 0;
    switch (Kiv$EVENT()) {
      case KIV_EVENT_OPENWINDOW:
        Kiv$SELECT(2, 0, 0);
        break;
      case KIV_EVENT_ACCEPTED:
        if (Kiv$FIELD() == 13) {
          Kiv$UPDATE(0, 0);
          std::string text = "Save \"" + std::string(label, strnlen(label, sizeof label)) +
                             "\" with " + std::to_string(count) + " files?";
          Kiv$PushString(text.data(), static_cast<uint32_t>(text.size()));
          Kiv$PushCString("System Message");
          Kiv$PushCString("ICON:Question");
          Kiv$MessageBox(KIV_BUTTON_YES | KIV_BUTTON_NO, KIV_BUTTON_YES);
        } else if (Kiv$FIELD() == 14) {
          Kiv$POST(KIV_EVENT_CLOSEWINDOW, 0, 0);
        }
        break;
    }
    if (Kiv$EndEventLoop(action)) break;
  }
  Kiv$EndEventLoops(0);
  Kiv$CLOSEwindow(window);
  Kiv$freewindow(window);
  Kiv$FREEqueue(&files);
  Kiv$POST(kLogEnded, 0, 1);
}

void setClock() {
  std::time_t now = std::time(nullptr);
  char buf[64];
  std::strftime(buf, sizeof buf, "%A, %d %B %Y", std::localtime(&now));
  setProp(0, 4, 32001, buf);
  std::strftime(buf, sizeof buf, "%H:%M:%S", std::localtime(&now));
  setProp(0, 5, 32001, buf);
}

// A toolbar button: panel, icon; the images' resting and highlighted looks.
struct ToolButton {
  int32_t panel, icon;
  const char* rest;
  const char* lit;
  int32_t command;
};
const ToolButton kTools[] = {
    {kLogPanel, kLogIcon, "~Logg.ico", "~Logr.ico", kLogDisks},
    {kDisksPanel, kDisksIcon, "~Disksg.ico", "~Disksr.ico", 0},
    {kSearchPanel, kSearchIcon, "~Searchg.ico", "~Searchr.ico", 0},
    {kExitPanel, kExitIcon, "~Cancelg.ico", "~Cancelr.ico", -3},
};

void Main() {
  Kiv$code();
  void* frame = nullptr;
  Kiv$paopen(&frame, kModule, "MAIN$APPFRAME", nullptr);
  Kiv$OPENwindow(frame);
  setProp(0, 1, 32001, "Welcome to the disk catalog");
  setProp(0, 2, 32001, "3 disks");
  setProp(0, 3, 32001, "10000 files");
  setClock();
  int32_t logging = 0;

  Kiv$StartEventLoop();
  for (;;) {
    int32_t event = Kiv$EVENT(), field = Kiv$FIELD(), action = 0;
    if (event == KIV_EVENT_OPENWINDOW || (event == KIV_EVENT_ACCEPTED && field == kLogDisks)) {
      if (!logging) {
        Kiv$DISABLE(kLogDisks, 0);
        Kiv$DISABLE(-41, -39);
        logging = Kiv$START(LogDisk, 25000);
      }
    } else if (event == KIV_EVENT_TIMER) {
      setClock();
    } else if (event == kLogEnded) {
      Kiv$ENABLE(kLogDisks, 0);
      Kiv$ENABLE(-41, -39);
      logging = 0;
    } else {
      for (const ToolButton& t : kTools) {
        if (field != t.panel) continue;
        if (event == 11 || event == 12) {  // mouse in, mouse out
          setProp(t.panel, 0, 31972, event == 11 ? "1" : "0");
          setProp(t.icon, 0, 31744, event == 11 ? t.lit : t.rest);
        } else if (event == KIV_EVENT_ACCEPTED) {
          setProp(t.panel, 0, 31972, "-1");
        } else if (event == 10) {  // released
          setProp(t.panel, 0, 31972, "1");
          if (t.command == -3)
            Kiv$POST(KIV_EVENT_CLOSEWINDOW, 0, 0);
          else if (t.command)
            Kiv$POST(KIV_EVENT_ACCEPTED, t.command, 0);
        }
      }
    }
    if (Kiv$EndEventLoop(action)) break;
  }
  Kiv$EndEventLoops(0);
  Kiv$CLOSEwindow(frame);
  Kiv$freewindow(frame);
}

void Program() {
  std::thread shot;
  if (const char* path = std::getenv("KIV_DEMO_SHOT")) {
    shot = std::thread([file = std::string(path)] {
      namespace au = kiv::ui::automation;
      uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
      uint64_t files = au::findWindow(2, "FILES$WINDOW", 20000);
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      au::pickRow(files, 6, 4);
      au::type(files, 4, "3");
      au::press(files, 5);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      au::grab(frame, file);
      au::press(frame, -3);
    });
    shot.detach();
  }
  Main();
  Wsl$CloseDown();
  _exit(0);
}

const KivInitEntry kInitialisers[] = {{255, [](int32_t) { Kiv$init(); }, nullptr}};
KivModule gModule = {nullptr,
                     std::begin(kInitialisers),
                     std::end(kInitialisers),
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr};

}  // namespace

int main() {
  __sysinit(&gModule, nullptr);
  if (__checkversion(258, 3, 0) == 0) _exit(0);
  Wsl$Run(Program);
  return 0;
}

// Controls and properties: value movement, state, property numbers, lists over queues, pop-up
// menu texts and the text formats of descriptions and list columns.
#include <chrono>
#include <cstring>

#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/ui/description.h"
#include "runtime/ui/list_format.h"
#include "runtime/ui/popup_menu.h"
#include "runtime/ui/properties.h"
#include "ui_harness.h"

using namespace uitest;
namespace au = kiv::ui::automation;

namespace {

void setProp(int32_t feq, int32_t index, int32_t number, const std::string& value) {
  Kiv$PushLong(number);
  kiv::core::pushCopy(value);
  Kiv$SetPropS(feq, index, nullptr);
}

std::string getProp(int32_t feq, int32_t index, int32_t number) {
  Kiv$PushLong(number);
  Kiv$GetPropS(feq, index, nullptr);
  return kiv::core::popText();
}

struct Form {
  char name[20];
  int32_t count = 0, active = 0, spin = 0, shown = 0;
  void* window = nullptr;
  Form() { std::memset(name, ' ', sizeof name); }
  void open() {
    Kiv$pwopen(&window, kModule, "FORM$WINDOW", name, &count, &active, &spin, &shown, nullptr);
    Kiv$OPENwindow(window);
  }
  void close() {
    Kiv$EndEventLoops(0);
    Kiv$CLOSEwindow(window);
    Kiv$freewindow(window);
  }
  std::string nameText() const {
    std::string s(name, sizeof name);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
};

// Runs `body` on thread 1 with the form open and its window id known to the driver side.
void withForm(const std::function<void(Form&, uint64_t)>& body) {
  run([&] {
    Form f;
    f.open();
    Kiv$UNLOCKTHREAD();
    uint64_t id = au::findWindow(1, "FORM$WINDOW");
    Kiv$LOCKTHREAD();
    body(f, id);
    f.close();
  });
}

// Reads what the GUI shows without holding the runtime lock.
template <typename F>
auto shownUnlocked(F f) {
  Kiv$UNLOCKTHREAD();
  auto v = f();
  Kiv$LOCKTHREAD();
  return v;
}

}  // namespace

TEST(Controls, DisplayShowsOneControlOrTheWholeWindow) {
  withForm([](Form& f, uint64_t id) {
    Kiv$storestr(f.name, sizeof f.name, "Bob", 3);
    f.count = 12;
    Kiv$DISPLAY(3, 0);
    EXPECT_EQ(shownUnlocked([&] { return au::shown(id, 3); }), "12");
    EXPECT_EQ(shownUnlocked([&] { return au::shown(id, 2); }), "");  // not redrawn yet
    Kiv$DISPLAY(0, 0);
    EXPECT_EQ(shownUnlocked([&] { return au::shown(id, 2); }), "Bob");
    f.active = 1;
    f.spin = 9;
    Kiv$DISPLAY(4, 5);
    EXPECT_EQ(shownUnlocked([&] { return au::shownChoice(id, 4); }), 1);
    EXPECT_EQ(shownUnlocked([&] { return au::shown(id, 5); }), "9");
  });
}

TEST(Controls, DisplayLeavesTheErrorStateAlone) {
  withForm([](Form&, uint64_t) {
    Kiv$seterror(33);
    Kiv$DISPLAY(0, 0);
    EXPECT_EQ(Kiv$ERRCODE, 33);
    Kiv$clearerror();
  });
}

TEST(Controls, UpdateAndChangeMoveValuesBetweenControlsAndVariables) {
  withForm([](Form& f, uint64_t id) {
    Kiv$UNLOCKTHREAD();
    au::type(id, 2, "Alice");
    au::type(id, 3, "77");
    Kiv$LOCKTHREAD();
    Kiv$UPDATE(2, 3);
    EXPECT_EQ(f.nameText(), "Alice");
    EXPECT_EQ(f.count, 77);
    Kiv$PushCString("Zed");
    Kiv$CHANGE(2);
    EXPECT_EQ(f.nameText(), "Zed");
    EXPECT_EQ(shownUnlocked([&] { return au::shown(id, 2); }), "Zed");
    Kiv$UPDATE(99, 0);  // an equate without a control is skipped
  });
}

TEST(Controls, AcceptedEntryUpdatesItsVariableUnlessCycled) {
  struct Case {
    int32_t action;
    int32_t stored;
  };
  for (const Case& c : {Case{0, 55}, Case{1, 0}}) {
    int32_t count = -1;
    run(
        [&] {
          Form f;
          f.open();
          loop([&](int32_t e, int32_t fld) {
            if (e == 1 && fld == 3) {
              Kiv$POST(1500, 0, 0);
              return c.action;
            }
            return e == 1500 ? -1 : 0;
          });
          count = f.count;
          f.close();
        },
        [&] { au::type(au::findWindow(1, "FORM$WINDOW"), 3, "55"); });
    EXPECT_EQ(count, c.stored) << c.action;
  }
}

TEST(Controls, RejectedWhenTheEntryDoesNotFitItsVariable) {
  bool rejected = false;
  run(
      [&] {
        Form f;
        f.open();
        loop([&](int32_t e, int32_t fld) {
          if (e == 26 && fld == 3) {
            rejected = true;
            return -1;
          }
          return 0;
        });
        f.close();
      },
      [&] { au::type(au::findWindow(1, "FORM$WINDOW"), 3, "twelve"); });
  EXPECT_TRUE(rejected);
}

TEST(Controls, StateOperationsHideAndDim) {
  withForm([](Form&, uint64_t id) {
    Kiv$HIDE(2, 3);
    Kiv$DISABLE(6, 0);
    EXPECT_FALSE(shownUnlocked([&] { return au::shownVisible(id, 2); }));
    EXPECT_FALSE(shownUnlocked([&] { return au::shownVisible(id, 3); }));
    EXPECT_TRUE(shownUnlocked([&] { return au::shownVisible(id, 4); }));
    EXPECT_FALSE(shownUnlocked([&] { return au::shownEnabled(id, 6); }));
    EXPECT_FALSE(shownUnlocked([&] { return au::press(id, 6); }));
    Kiv$UNHIDE(0, 0);
    Kiv$ENABLE(6, 0);
    EXPECT_TRUE(shownUnlocked([&] { return au::shownVisible(id, 2); }));
    EXPECT_TRUE(shownUnlocked([&] { return au::shownEnabled(id, 6); }));
  });
}

TEST(Controls, PropertiesOfControlsAndWindows) {
  withForm([](Form&, uint64_t id) {
    setProp(1, 0, 31744, "Full name:   ");
    EXPECT_EQ(getProp(1, 0, 31744), "Full name:");
    EXPECT_EQ(shownUnlocked([&] { return au::shown(id, 1); }), "Full name:");
    setProp(6, 0, 31746, "20");
    setProp(6, 0, 31904, "Press to accept");
    EXPECT_EQ(getProp(6, 0, 31746), "20");
    EXPECT_EQ(getProp(6, 0, 31904), "Press to accept");
    EXPECT_EQ(getProp(6, 0, 31745), "4");  // a button
    setProp(6, 0, 31843, "1");             // bit 8192 of the attribute word
    EXPECT_EQ(getProp(6, 0, 31843), "1");
    EXPECT_EQ(getProp(6, 0, 31845), "0");
    setProp(0, 0, 31744, "Renamed");
    EXPECT_EQ(shownUnlocked([&] { return au::caption(id); }), "Renamed");
    setProp(5, 0, 31765, "30");
    EXPECT_EQ(getProp(5, 0, 31765), "30");
    setProp(0, 0, 31878, "250");
    EXPECT_EQ(getProp(0, 0, 31878), "250");
    setProp(0, 0, 31878, "0");
    EXPECT_EQ(getProp(0, 0, 31770), "0");  // not resizable
    EXPECT_NE(getProp(0, 0, 31894), "0");  // the platform handle
    // The process-wide object -4 keeps the program's icon and knows the module instance.
    Kiv$PushLong(31848);
    Kiv$PushCString("tarrow.ico");
    Kiv$SetPropS(0, 0, reinterpret_cast<void*>(intptr_t{-4}));
    Kiv$PushLong(31848);
    Kiv$GetPropS(0, 0, reinterpret_cast<void*>(intptr_t{-4}));
    EXPECT_EQ(kiv::core::popText(), "tarrow.ico");
    Kiv$PushLong(31934);
    Kiv$GetPropS(0, 0, reinterpret_cast<void*>(intptr_t{-4}));
    EXPECT_NE(kiv::core::popText(), "0");
  });
}

TEST(Controls, ArrayPropertiesFoldTheirIndexIndexedOnesKeepIt) {
  struct Row {
    int32_t number, index, number2, index2;
  };
  const Row rows[] = {
      {31827, 3, 31829, 0}, {32007, 3, 32007, 3}, {28672, 1, 28672, 0},
      {31999, 2, 32000, 0}, {32001, 4, 32001, 4}, {31744, 0, 31744, 0},
  };
  for (const Row& r : rows) {
    int32_t n = r.number, i = r.index;
    kiv::ui::foldIndex(n, i);
    EXPECT_EQ(n, r.number2) << r.number;
    EXPECT_EQ(i, r.index2) << r.number;
  }
}

TEST(Controls, CreateAndDestroyAtRunTime) {
  withForm([](Form&, uint64_t id) {
    EXPECT_EQ(Kiv$CREATE(40, 4, 0), 40);
    setProp(40, 0, 31744, "Made");
    Kiv$SETPOSITION(40, 200, 200, 80, 24);
    int32_t x = 0, y = 0, w = 0, h = 0;
    Kiv$GETPOSITION(40, &x, &y, &w, &h);
    EXPECT_EQ(x + y + w + h, 504);
    EXPECT_EQ(Kiv$LASTFIELD(), 40);
    EXPECT_EQ(shownUnlocked([&] { return au::shown(id, 40); }), "Made");
    Kiv$DESTROY(40, 0);
    EXPECT_EQ(Kiv$LASTFIELD(), 8);
    EXPECT_EQ(Kiv$FIRSTFIELD(), 1);
    Kiv$FIELDNAME(3);
    EXPECT_EQ(kiv::core::popText(), "?Count");
  });
}

TEST(Controls, FontsAreSetAndRead) {
  withForm([](Form&, uint64_t) {
    Kiv$PushCString("Arial");
    Kiv$SETFONT(1, 12, 255, 700 | 0x1000);
    int32_t size = 0, color = 0, style = 0;
    Kiv$GETFONT(1, &size, &color, &style);
    EXPECT_EQ(kiv::core::popText(), "Arial");
    EXPECT_EQ(size, 12);
    EXPECT_EQ(color, 255);
    EXPECT_EQ(style, 700 | 0x1000);
  });
}

// A list over a queue of rows, through the column format's pictures.
TEST(Controls, ListShowsAQueueThroughItsFormat) {
  CLASS_DESCRIPTOR build;
  build.SETUP("ROWS");
  build.ADDFIELD(KIV_STRING, 20, "ROW:NAME", 0, nullptr, nullptr, 0);
  build.ADDFIELD(KIV_LONG, 4, "ROW:COUNT", 0, nullptr, nullptr, 0);
  std::vector<uint8_t> layout = build.ENDDECLARATION();
  class_descriptor desc(layout.data());
  std::vector<uint8_t> buffer(desc.RecordSize());
  KivQueue queue{buffer.data(), nullptr, layout.data()};
  int32_t rows = 0, chosen = 0;
  std::string first, last;
  run(
      [&] {
        for (int32_t i = 1; i <= 500; ++i) {
          std::string name = "Row " + std::to_string(i);
          Kiv$storestr(reinterpret_cast<char*>(buffer.data()), 20, name.data(),
                       int32_t(name.size()));
          std::memcpy(buffer.data() + desc.FieldDesc(2).offset, &i, 4);
          Kiv$ADDqueue(&queue);
        }
        void* w = nullptr;
        Kiv$pwopen(&w, kModule, "LIST$WINDOW", nullptr);
        Kiv$OPENwindow(w);
        Kiv$PushLong(31744);
        Kiv$SetPropQ(1, 0, nullptr, &queue);
        loop([&](int32_t e, int32_t f) {
          if (e == 2 && f == 1) {
            chosen = Kiv$CHOICE(1);
            return -1;
          }
          return 0;
        });
        Kiv$EndEventLoops(0);
        Kiv$CLOSEwindow(w);
        Kiv$freewindow(w);
        Kiv$FREEqueue(&queue);
      },
      [&] {
        uint64_t id = au::findWindow(1, "LIST$WINDOW");
        for (int i = 0; i < 200 && au::rowCount(id, 1) < 500; ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        rows = au::rowCount(id, 1);
        first = au::cell(id, 1, 1, 1) + "|" + au::cell(id, 1, 1, 2);
        last = au::cell(id, 1, 500, 1) + "|" + au::cell(id, 1, 500, 2);
        au::pickRow(id, 1, 42);
      });
  EXPECT_EQ(rows, 500);
  EXPECT_EQ(first, "Row 1|     1");
  EXPECT_EQ(last, "Row 500|   500");
  EXPECT_EQ(chosen, 42);
}

TEST(PopupText, NumbersMarksAndSubmenus) {
  using kiv::gui::PopupItem;
  auto flat = [](const std::vector<PopupItem>& items) {
    std::string out;
    std::function<void(const std::vector<PopupItem>&)> walk =
        [&](const std::vector<PopupItem>& list) {
          for (const PopupItem& i : list) {
            if (!out.empty()) out += ' ';
            if (i.separator) {
              out += "-";
              continue;
            }
            out += i.text + "=" + std::to_string(i.number) + (i.dimmed ? "d" : "") +
                   (i.checked ? "c" : "");
            if (i.isSubmenu) {
              out += "{";
              walk(i.submenu);
              out += "}";
            }
          }
        };
    walk(items);
    return out;
  };
  struct Row {
    const char* text;
    const char* expected;
  };
  const Row rows[] = {
      {"&Insert|&Change|&Delete", "&Insert=1 &Change=2 &Delete=3"},
      {"&Restore|-|&Close", "&Restore=1 - &Close=2"},
      {"-No Zoom|-|-Page Width|-50%|-75%|-100%|-200%|-300%",
       "No Zoom=1 - Page Width=2 50%=3 75%=4 100%=5 200%=6 300%=7"},
      {"|A|~B|-|C{D|E}|F", "A=1 B=2d - C=0{ D=3 E=4} F=5"},
      {"~+X|+~Y", "X=1dc ~Y=2c"},
      {"One   ", "One=1"},
  };
  for (const Row& r : rows) EXPECT_EQ(flat(kiv::ui::parsePopupText(r.text)), r.expected) << r.text;
  std::string longText(2000, 'a');
  EXPECT_EQ(kiv::ui::parsePopupText(longText)[0].text.size(), 1023u);
}

TEST(ListFormat, AcceptsTheGrammarAndRefusesAnythingElse) {
  struct Row {
    const char* format;
    int columns;  // -1: refused
  };
  const Row rows[] = {
      {"[27R(2)|_MI~ID~C(0)@n6@40L(1)|_M~LABEL~C(0)@s11@49L(1)|_M~CATEGORY~C(0)@s20@43R(2)|_M~"
       "TOTAL~"
       "C(0)@s10@43R(2)|_M~FREE~C(0)@s10@37L(1)_~SERIAL#~C(0)@s9@](301)|M",
       6},
      {"80L(2)|M~Name~@s20@", 1},
      {"20L*FIMH(3)ST(1BILR)#2#/?@n3@10C", 2},
      {"", -1},
      {"L(2)", -1},      // no width
      {"20X", -1},       // no justification
      {"20L~open", -1},  // heading not closed
      {"20L@n6", -1},    // picture not closed
      {"[20L](", -1},    // group width not closed
      {"[[20L](10)](20)", -1},
      {"20LQ", -1},
  };
  for (const Row& r : rows) {
    auto cols = kiv::ui::parseListFormat(r.format);
    EXPECT_EQ(cols ? static_cast<int>(cols->size()) : -1, r.columns) << r.format;
  }
  auto cols = kiv::ui::parseListFormat("27R(2)|_MI~ID~C(0)@n6@#3#");
  ASSERT_TRUE(cols);
  EXPECT_EQ((*cols)[0].width, 27);
  EXPECT_EQ((*cols)[0].justify, 'R');
  EXPECT_EQ((*cols)[0].indent, 2);
  EXPECT_EQ((*cols)[0].heading, "ID");
  EXPECT_EQ((*cols)[0].headingJustify, 'C');
  EXPECT_EQ((*cols)[0].picture, "@n6");
  EXPECT_EQ((*cols)[0].fieldNumber, 3);
  EXPECT_TRUE((*cols)[0].hasIcon);
}

TEST(Descriptions, ParseAndReportTheFirstFaultWithItsLine) {
  struct Row {
    const char* text;
    int line;  // 0: parses
    const char* message;
  };
  const Row rows[] = {
      {"module A$b\nstructure X$W window text \"T\"\n  button 1 \"OK\" at 1 2 3 4\nend\n", 0, ""},
      {"structure X$W window\nend\n", 1, "the 'module' line must come first"},
      {"module A$b\nstructure X$W window\n  button 1 \"OK\"\n", 2, "missing 'end'"},
      {"module A$b\nstructure X$W window\n  button 1 at 1 2\nend\n", 3, "width expected"},
      {"module A$b\nstructure X$W window\n  entry 1\n  entry 1\nend\n", 4, "used twice"},
      {"module A$b\nstructure X$W window\n  list 1 format \"20X\"\nend\n", 3,
       "list format refused"},
      {"module A$b\nstructure X$W window\n  button 2 use 1 long\nend\n", 3, "has no value"},
      {"module A$b\nstructure X$W window\n  item 1 \"x\"\nend\n", 3, "outside a menu"},
      {"module A$b\nstructure X$W window\n  tab 1 \"x\"\nend\n", 3, "belongs in a sheet"},
      {"module A$b\nstructure X$W window\n  entry 1 use 1 money\nend\n", 3,
       "unknown USE variable type"},
      {"module A$b\nstructure X$W window\n  entry 1 text \"open\nend\n", 3, "unterminated string"},
      {"module A$b\nstructure X$W dialog\nend\n", 2, "unknown structure kind"},
  };
  for (const Row& r : rows) {
    kiv::ui::ParseError error;
    auto module = kiv::ui::parseDescription(r.text, error);
    if (r.line == 0) {
      EXPECT_TRUE(module) << error.message;
    } else {
      EXPECT_FALSE(module) << r.text;
      EXPECT_EQ(error.line, r.line) << r.text;
      EXPECT_NE(error.message.find(r.message), std::string::npos)
          << r.text << " -> " << error.message;
    }
  }
}

TEST(Descriptions, NamesOfResources) {
  EXPECT_EQ(kiv::ui::resourceNameForModule("TARROW.kvw$tarro001"), "TARRO001_RSC");
  EXPECT_EQ(kiv::ui::resourceNameForImage("~cdrom.ico"), "CDROM_ICO");
  EXPECT_EQ(kiv::ui::resourceNameForImage("~Logg.ico"), "LOGG_ICO");
  EXPECT_EQ(kiv::ui::resourceNameForImage("~ROLBRWS.BMP"), "ROLBRWS_BMP");
}

TEST(Controls, SheetsDropListsOptionsAndImages) {
  int32_t tab = 2, tabChoice = 0;
  char kind[10], order[4];
  std::string kindAfter, orderAfter;
  int32_t shownTab = 0, shownKind = 0, shownOrder = 0;
  bool image = false, missingImage = true;
  run(
      [&] {
        Kiv$storestr(kind, sizeof kind, "CD-ROM", 6);
        Kiv$storestr(order, sizeof order, "DESC", 4);
        void* w = nullptr;
        Kiv$pwopen(&w, kModule, "CHOICES$WINDOW", &tab, kind, order, nullptr);
        Kiv$OPENwindow(w);
        loop([&](int32_t e, int32_t f) {
          if (e == 2 && f == 1) tabChoice = Kiv$CHOICE(1);
          return e == 1 && f == 10 ? -1 : 0;
        });
        kindAfter.assign(kind, sizeof kind);
        orderAfter.assign(order, sizeof order);
        Kiv$EndEventLoops(0);
        Kiv$CLOSEwindow(w);
        Kiv$freewindow(w);
      },
      [&] {
        uint64_t id = au::findWindow(1, "CHOICES$WINDOW");
        shownTab = au::shownChoice(id, 1);
        shownKind = au::shownChoice(id, 3);
        shownOrder = au::shownChoice(id, 5);
        image = au::shownImage(id, 8);
        missingImage = au::shownImage(id, 9);
        au::pickTab(id, 1, 1);
        au::pickChoice(id, 3, 2);
        au::pickChoice(id, 5, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        au::press(id, 10);
      });
  EXPECT_EQ(shownTab, 2);
  EXPECT_EQ(shownKind, 3);
  EXPECT_EQ(shownOrder, 2);
  EXPECT_TRUE(image);          // "~dot.ico" is the linked resource DOT_ICO
  EXPECT_FALSE(missingImage);  // no such resource: an empty image
  EXPECT_EQ(tabChoice, 1);
  EXPECT_EQ(kindAfter, "Removable ");
  EXPECT_EQ(orderAfter, "ASC ");
}

TEST(ControlsDeathTest, CloseDownWaitsForStartedThreadsThenStopsQueueing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        kiv::ui::runProgram([] {
          Kiv$START(
              [] {
                Kiv$UNLOCKTHREAD();
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                Kiv$LOCKTHREAD();
                std::fprintf(stderr, "worker done\n");
              },
              0);
          void* w = nullptr;
          Kiv$pwopen(&w, kModule, "PLAIN$WINDOW", nullptr);
          Kiv$OPENwindow(w);
          Wsl$CloseDown();
          std::fprintf(stderr, "closed down, window %s\n",
                       Kiv$EVENT() == 0 && Wsl$GetTargetWindow() == nullptr ? "gone" : "left");
          _exit(0);
        });
      },
      testing::ExitedWithCode(0), "worker done\nclosed down, window gone");
}

TEST(Controls, PageKeysOnAListGiveTheirEvents) {
  std::vector<std::string> seen;
  run(
      [&] {
        void* w = nullptr;
        Kiv$pwopen(&w, kModule, "LIST$WINDOW", nullptr);
        Kiv$OPENwindow(w);
        loop([&](int32_t e, int32_t f) {
          if (e >= 5 && e <= 8) seen.push_back(ev(e, f));
          return e == 8 ? -1 : 0;
        });
        Kiv$EndEventLoops(0);
        Kiv$CLOSEwindow(w);
        Kiv$freewindow(w);
      },
      [&] {
        uint64_t id = au::findWindow(1, "LIST$WINDOW");
        for (uint32_t key : {34u, 33u, 33u | 512u, 34u | 512u}) au::typeKey(id, 1, key);
      });
  EXPECT_EQ(seen, (std::vector<std::string>{"6:1", "5:1", "7:1", "8:1"}));
}

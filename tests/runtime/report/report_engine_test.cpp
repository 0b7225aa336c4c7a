// The report engine through its C interface: opening with and without a printer, bands and
// groups, pages, recording into the preview queue and printing the recorded pages.
#include <cstring>
#include <future>
#include <thread>

#include "report_support.h"
#include "runtime/ui/threads.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/standard_commands.h"
#include "tests/support/catalog_tables.h"

using namespace reporttest;
using Default = kiv::report::PrinterPlatform::Default;
using V = std::vector<int32_t>;
using S = std::vector<std::string>;

namespace {

struct Listing {
  int32_t count = 0;
  char name[12];
  uint32_t size = 0;
  void* report = nullptr;
  Listing() { std::memset(name, ' ', sizeof name); }
  void construct(const char* label = "LIST$REPORT") {
    Kiv$propen(&report, kModule, label, &count, name, &size, nullptr);
  }
  void line(int32_t n) {
    count = n;
    char text[16];
    std::snprintf(text, sizeof text, "N%07d.TXT", n);
    std::memcpy(name, text, sizeof name);
    size = static_cast<uint32_t>(n) * 100;
    Kiv$PRINTreport(report, 10);
  }
  // Opens the report and records `lines` lines into `q`, the last page ended.
  void record(PreviewQueue& q, int32_t lines) {
    Kiv$OPENwindow(report);
    setQueue(report, q);
    for (int32_t i = 1; i <= lines; ++i) line(i);
    Kiv$ENDPAGE(report);
  }
  kiv::report::Report* engine() { return kiv::report::reportOf(report); }
};

TEST(ReportOpen, WithoutAnyPrinterOpensAndRecords) {
  for (Default none : {Default::NoPrinters, Default::NoDefault}) {
    PrinterScope printers(none, {});
    bool hadPrinter = true;
    size_t recorded = 0;
    std::string notRecording;
    kiv::ui::runProgram([&] {
      Listing l;
      l.construct();
      Kiv$OPENwindow(l.report);
      hadPrinter = l.engine()->hasPrinter();
      PreviewQueue q;
      setQueue(l.report, q);
      for (int i = 1; i <= 50; ++i) l.line(i);
      Kiv$ENDPAGE(l.report);
      recorded = q.entries().size();
      // Printing without a printer: recording ends, nothing is printed, the failure is told.
      setProp(l.report, 0, KIV_PROP_PRINTRECORDED, "1");
      EXPECT_EQ(Kiv$ERRCODE, 355);
      notRecording = getProp(l.report, 0, KIV_PROP_PRINTRECORDED);
      Kiv$CLOSEwindow(l.report);
      Kiv$freewindow(l.report);
    });
    EXPECT_FALSE(hadPrinter);
    EXPECT_EQ(recorded, 2u);  // 45 lines fit a page
    EXPECT_EQ(notRecording, "1");
    EXPECT_TRUE(printers.log->jobs.empty());
  }
}

TEST(ReportOpen, ChoosesTheDefaultPrinterOnceAndDropsOneThatWentAway) {
  PrinterScope printers(Default::Found, {"Desk", "Hall"});
  std::vector<std::string> chosen;
  kiv::ui::runProgram([&] {
    for (int i = 0; i < 3; ++i) {
      if (i == 1) kiv::report::printerSetup().printer = "Hall";  // as the dialog would
      if (i == 2) kiv::report::printerSetup().printer = "Gone";
      Listing l;
      l.construct();
      Kiv$OPENwindow(l.report);
      chosen.push_back(l.engine()->printer());
      Kiv$freewindow(l.report);
    }
  });
  EXPECT_EQ(chosen, (S{"Desk", "Hall", "Desk"}));
}

TEST(ReportOpen, PrinterDialogReplacesTheSetUpForLaterReports) {
  PrinterScope printers(Default::Found, {"Desk", "Hall"});
  int32_t chose = 0;
  std::string used;
  kiv::ui::runProgram([&] {
    chose = Kiv$PRINTERDIALOG();
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    used = l.engine()->printer();
    Kiv$freewindow(l.report);
  });
  EXPECT_EQ(chose, 1);
  EXPECT_EQ(used, "Hall");
}

TEST(ReportPages, EveryPageCarriesHeaderAndFooterAndDetailsFlowDown) {
  PrinterScope printers(Default::Found);
  std::vector<kiv::report::PagePtr> pages;
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    PreviewQueue q;
    l.record(q, 100);
    pages = l.engine()->recordedPages();
    Kiv$CLOSEwindow(l.report);
    Kiv$freewindow(l.report);
  });
  ASSERT_EQ(pages.size(), 3u);  // 45 + 45 + 10
  int32_t expected = 1;
  for (size_t p = 0; p < pages.size(); ++p) {
    const auto& page = *pages[p];
    EXPECT_EQ(page.number, static_cast<int32_t>(p + 1));
    V bands = bandsOf(page);
    ASSERT_GE(bands.size(), 3u);
    EXPECT_EQ(bands.front(), 2);
    EXPECT_EQ(bands.back(), 20);
    // "@pPage <<<#p" keeps the number's place: "Page    1".
    EXPECT_EQ(textsOf(page, 4), (S{"Page " + std::string(3, ' ') + std::to_string(p + 1)}));
    EXPECT_EQ(textsOf(page, 23), textsOf(page, 4));
    EXPECT_EQ(textsOf(page, 22), (S{"Tarrow catalog"}));  // the "&" marker is not printed
    // Details go down the body between header and footer, 200 apart, from the header's end.
    int32_t y = 500 + 600;
    for (const auto& b : page.bands) {
      if (b.feq != 10) continue;
      EXPECT_EQ(b.at.x, 500);
      EXPECT_EQ(b.at.y, y);
      EXPECT_EQ(b.at.w, 7500);
      y += 200;
    }
    EXPECT_LE(y, 500 + 10000 - 400);
    for (const std::string& t : trimmed(textsOf(page, 11)))
      EXPECT_EQ(t, std::to_string(expected++));
    // The footer sits at the bottom of the body.
    EXPECT_EQ(page.bands.back().at.y, 500 + 10000 - 400);
  }
  EXPECT_EQ(expected, 101);
}

TEST(ReportPages, EndPageCompletesOnlyAPageInProgress) {
  PrinterScope printers(Default::Found);
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    Kiv$ENDPAGE(l.report);  // nothing printed yet: no page
    l.line(1);
    Kiv$ENDPAGE(l.report);
    Kiv$ENDPAGE(l.report);  // the page was completed already
    l.line(2);
    Kiv$PRINTdetail(l.report);  // the first detail band again
    Kiv$CLOSEwindow(l.report);  // completes and prints the second page
    EXPECT_EQ(l.engine()->pagesCompleted(), 2);
    Kiv$freewindow(l.report);
  });
  ASSERT_EQ(printers.log->jobs.size(), 1u);
  EXPECT_EQ(printers.log->jobs[0], (S{"1", "2"}));
  EXPECT_EQ(printers.log->ended, 1);
}

TEST(ReportPages, PagesGoStraightToThePrinterWhenNotRecording) {
  PrinterScope printers(Default::Found);
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    for (int i = 1; i <= 91; ++i) l.line(i);
    // Two pages are complete and printed; the third is in progress.
    EXPECT_EQ(printers.log->jobs.at(0).size(), 2u);
    Kiv$ENDPAGE(l.report);
    EXPECT_EQ(printers.log->ended, 0);
    Kiv$CLOSEwindow(l.report);
    EXPECT_EQ(printers.log->ended, 1);
    Kiv$freewindow(l.report);
  });
  EXPECT_EQ(printers.log->jobs.at(0), (S{"1", "2", "3"}));
}

TEST(ReportRecording, PrintingTheRecordingSendsEveryPageOnceInOrder) {
  PrinterScope printers(Default::Found);
  std::vector<std::string> entries, namesPrinted;
  std::vector<std::string> reads;
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    reads.push_back(getProp(l.report, 0, KIV_PROP_PRINTRECORDED));
    PreviewQueue q;
    std::memcpy(q.buffer, "KEEP", 4);
    setQueue(l.report, q);
    reads.push_back(getProp(l.report, 0, KIV_PROP_PRINTRECORDED));
    for (int i = 1; i <= 150; ++i) l.line(i);
    Kiv$ENDPAGE(l.report);
    EXPECT_EQ(std::string(q.buffer, 4), "KEEP");  // the queue's buffer is left as it was
    EXPECT_TRUE(printers.log->jobs.empty());      // recording: nothing reached the printer
    for (const std::string& e : q.entries()) entries.push_back(e);
    setProp(l.report, 0, KIV_PROP_PRINTRECORDED, "1");
    EXPECT_EQ(Kiv$ERRCODE, 0);
    reads.push_back(getProp(l.report, 0, KIV_PROP_PRINTRECORDED));
    setProp(l.report, 0, KIV_PROP_PRINTRECORDED, "1");  // once only
    // The recorded pages stay to be seen until the report closes.
    EXPECT_NE(kiv::report::findPage(entries.at(0)), nullptr);
    Kiv$CLOSEwindow(l.report);
    EXPECT_EQ(kiv::report::findPage(entries.at(0)), nullptr);
    Kiv$freewindow(l.report);
  });
  EXPECT_EQ(reads, (S{"1", "0", "1"}));
  ASSERT_EQ(entries.size(), 4u);
  for (const std::string& e : entries) EXPECT_EQ(e.size(), 80u);
  ASSERT_EQ(printers.log->jobs.size(), 1u);
  EXPECT_EQ(printers.log->jobs[0], (S{"1", "2", "3", "4"}));
  std::vector<std::string> clipped;
  for (const std::string& e : entries) clipped.push_back(PreviewQueue::clipped(e));
  EXPECT_EQ(printers.log->pageNames, clipped);
}

// Printing the recorded pages lets go of the runtime lock while the pages are painted, so that
// other threads' windows are served meanwhile; it is held again afterwards.
TEST(ReportRecording, OtherThreadsRunWhileTheRecordedPagesPrint) {
  PrinterScope printers(Default::Found);
  std::vector<bool> othersRan;
  std::vector<std::thread> others;
  printers.log->onPage = [&] {
    auto ran = std::make_shared<std::promise<void>>();
    std::future<void> done = ran->get_future();
    others.emplace_back([ran] {
      kiv::ui::lockRuntime();
      kiv::ui::unlockRuntime();
      ran->set_value();
    });
    othersRan.push_back(done.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
  };
  bool lockedAfter = false;
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    PreviewQueue q;
    l.record(q, 80);
    setProp(l.report, 0, KIV_PROP_PRINTRECORDED, "1");
    lockedAfter = kiv::ui::holdsRuntimeLock();
    Kiv$CLOSEwindow(l.report);
    Kiv$freewindow(l.report);
  });
  for (std::thread& t : others) t.join();
  ASSERT_GE(othersRan.size(), 2u);
  for (size_t page = 0; page < othersRan.size(); ++page) EXPECT_TRUE(othersRan[page]) << page;
  EXPECT_TRUE(lockedAfter);
}

TEST(ReportRecording, CancellingClosesWithoutPrintingAndNamesStayUnique) {
  PrinterScope printers(Default::Found);
  std::vector<std::string> first, second;
  kiv::ui::runProgram([&] {
    Listing a, b;
    a.construct();
    b.construct();
    Kiv$OPENwindow(a.report);
    Kiv$OPENwindow(b.report);
    PreviewQueue qa, qb;
    setQueue(a.report, qa);
    setQueue(b.report, qb);
    for (int i = 1; i <= 60; ++i) a.line(i), b.line(i);
    first = qa.entries();
    second = qb.entries();
    // The user cancels: no ENDPAGE, no printing.
    Kiv$CLOSEwindow(a.report);
    Kiv$CLOSEwindow(b.report);
    Kiv$freewindow(a.report);
    Kiv$freewindow(b.report);
  });
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(first[0], second[0]);
  EXPECT_TRUE(printers.log->jobs.empty());
}

TEST(ReportGroups, GroupsBreakOnTheirVariable) {
  PrinterScope printers(Default::Found);
  std::vector<int32_t> bands;
  S names;
  kiv::ui::runProgram([&] {
    int32_t key = 0;
    char name[10];
    void* r = nullptr;
    Kiv$propen(&r, kModule, "GROUPS$REPORT", &key, name, nullptr);
    Kiv$OPENwindow(r);
    PreviewQueue q;
    setQueue(r, q);
    const std::pair<int32_t, const char*> rows[] = {
        {1, "a"}, {1, "b"}, {2, "c"}, {3, "d"}, {3, "e"}};
    for (auto [k, n] : rows) {
      key = k;
      std::memset(name, ' ', sizeof name);
      name[0] = n[0];
      Kiv$PRINTreport(r, 33);
    }
    Kiv$PRINTreport(r, 35);  // the last group's footer, by its equate
    Kiv$ENDPAGE(r);
    auto pages = kiv::report::reportOf(r)->recordedPages();
    for (const auto& p : pages) {
      for (int32_t b : bandsOf(*p)) bands.push_back(b);
      for (const auto& t : trimmed(textsOf(*p, 32))) names.push_back(t);
    }
    Kiv$freewindow(r);
  });
  EXPECT_EQ(bands, (V{2, 31, 33, 33, 35, 31, 33, 35, 31, 33, 33, 35}));
  EXPECT_EQ(names, (S{"1", "2", "3"}));
}

TEST(ReportGroups, HeadersRestartTheirGroupAndFootersEndIt) {
  PrinterScope printers(Default::Found);
  std::vector<int32_t> bands;
  kiv::ui::runProgram([&] {
    void* r = nullptr;
    Kiv$propen(&r, kModule, "NESTED$REPORT", nullptr);
    Kiv$OPENwindow(r);
    PreviewQueue q;
    setQueue(r, q);
    for (int32_t band : {52, 52, 41, 52, 43, 60, 51, 53, 60}) Kiv$PRINTreport(r, band);
    Kiv$PRINTreport(r, 999);  // no such band: nothing
    Kiv$ENDPAGE(r);
    for (const auto& p : kiv::report::reportOf(r)->recordedPages())
      for (int32_t b : bandsOf(*p)) bands.push_back(b);
    Kiv$freewindow(r);
  });
  EXPECT_EQ(bands, (V{41, 51, 52, 52,  // both groups open before the first detail
                      53, 43, 41,      // the outer header closes both, then restarts
                      51, 52, 53, 43,  // the outer footer closes the inner group first
                      60,              // a band outside the groups
                      41, 51, 53,      // the inner header opens its outer group too
                      43, 60}));       // a band outside closes what is open
}

TEST(ReportControls, PropertiesOfReportControlsShapeWhatPrints) {
  PrinterScope printers(Default::Found);
  kiv::report::PagePtr page;
  std::vector<std::string> reads;
  kiv::ui::runProgram([&] {
    int32_t id = 42;
    void* r = nullptr;
    Kiv$propen(&r, kModule, "LABELS$REPORT", &id, nullptr);
    Kiv$OPENwindow(r);
    setProp(r, 0, 31744, "Disk labels");
    reads.push_back(getProp(r, 0, 31744));
    reads.push_back(getProp(r, 0, 31745));
    setProp(r, 76, 31761, "20");   // font size
    setProp(r, 77, 31747, "700");  // moved down
    setProp(r, 71, 31850, "0");    // a bit property: stays on the control
    Kiv$SETTARGET(r, 0);
    Kiv$HIDE(73, 74);  // two of the frame lines
    Kiv$SETTARGET(nullptr, 0);
    PreviewQueue q;
    setQueue(r, q);
    Kiv$PRINTreport(r, 70);
    Kiv$ENDPAGE(r);
    page = kiv::report::reportOf(r)->recordedPages().at(0);
    Kiv$freewindow(r);
  });
  EXPECT_EQ(reads, (S{"Disk labels", "103"}));
  int lines = 0;
  for (const auto& rec : page->records) {
    if (rec.kind == kiv::report::DrawRecord::Kind::Line) ++lines;
    if (rec.feq == 76) {
      EXPECT_EQ(rec.font.size, 20);
      EXPECT_EQ(trimmed(rec.text), "42");
    }
    if (rec.feq == 77) {
      EXPECT_EQ(rec.at.y, 700);
    }
  }
  EXPECT_EQ(lines, 2);
}

TEST(ReportControls, ShapesImagesAndChecksAreRecorded) {
  PrinterScope printers(Default::Found);
  std::vector<kiv::report::DrawRecord::Kind> kinds;
  kiv::ui::runProgram([&] {
    void* r = nullptr;
    Kiv$propen(&r, kModule, "PICTURE$REPORT", nullptr);
    Kiv$OPENwindow(r);
    PreviewQueue q;
    setQueue(r, q);
    Kiv$PRINTreport(r, 80);
    Kiv$ENDPAGE(r);
    const kiv::report::PagePtr page = kiv::report::reportOf(r)->recordedPages().at(0);
    for (const auto& rec : page->records) {
      kinds.push_back(rec.kind);
      if (rec.kind == kiv::report::DrawRecord::Kind::Image) {
        EXPECT_FALSE(rec.image.isNull());
      }
      if (rec.kind == kiv::report::DrawRecord::Kind::Text) {
        EXPECT_EQ(rec.text, "[X] Done");
      }
      if (rec.feq == 82) {
        EXPECT_EQ(rec.fill, 0xC0C0C0);
      }
    }
    Kiv$freewindow(r);
  });
  using K = kiv::report::DrawRecord::Kind;
  EXPECT_EQ(kinds, (std::vector<K>{K::Image, K::Rect, K::Ellipse, K::Text}));
}

}  // namespace

namespace {

TEST(ReportPrinting, TheRecordingPrintsToAPdfPrinterPageByPage) {
  kivtest::TempDir dir;
  std::string pdf = dir.path() + "/printed.pdf";
  PrinterScope printers(Default::Found, {"Desk"}, pdf);
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    PreviewQueue q;
    Kiv$PushLong(KIV_PROP_PREVIEWQUEUE);  // the queue given as a queue
    Kiv$SetPropQ(0, 0, l.report, &q.queue);
    for (int i = 1; i <= 120; ++i) l.line(i);
    Kiv$ENDPAGE(l.report);
    EXPECT_EQ(q.entries().size(), 3u);
    setProp(l.report, 0, KIV_PROP_PRINTRECORDED, "1");
    EXPECT_EQ(Kiv$ERRCODE, 0);
    Kiv$freewindow(l.report);
  });
  std::string text = commandOutput("pdftotext -layout '" + pdf + "' -");
  std::vector<std::string> numbers;
  for (size_t at = text.find("Page"); at != std::string::npos; at = text.find("Page", at + 1)) {
    size_t digit = text.find_first_not_of(' ', at + 4);
    numbers.push_back(text.substr(digit, text.find_first_not_of("0123456789", digit) - digit));
  }
  EXPECT_EQ(numbers, (S{"1", "1", "2", "2", "3", "3"}));  // header and footer of each page
  EXPECT_NE(text.find("120"), std::string::npos);
}

TEST(ReportPrinting, OpensWithThePlatformsOwnPrinterSupport) {
  // Whatever printers this machine has (none, on a build machine without a print service), the
  // report opens and records; printing the recording either prints or says there is no printer.
  kiv::report::printerSetup() = {};
  int32_t printed = -1;
  bool hasPrinter = false;
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    hasPrinter = l.engine()->hasPrinter();
    PreviewQueue q;
    setQueue(l.report, q);
    l.line(1);
    Kiv$ENDPAGE(l.report);
    if (!hasPrinter) {
      setProp(l.report, 0, KIV_PROP_PRINTRECORDED, "1");
      printed = Kiv$ERRCODE;
    }
    Kiv$freewindow(l.report);
  });
  if (!hasPrinter) {
    EXPECT_EQ(printed, 355);
  }
}

}  // namespace

namespace {

TEST(ReportPrinting, TheFramesPrintSetupCommandShowsThePrinterDialog) {
  PrinterScope printers(Default::Found, {"Desk", "Hall"});
  std::string chosen;
  kiv::ui::runProgram([&] {
    kiv::ui::runStandardCommand(kiv::ui::PrintSetup);
    chosen = kiv::report::printerSetup().printer;
  });
  EXPECT_EQ(chosen, "Hall");
}

}  // namespace

namespace {

TEST(ReportPages, AnImageControlShowsARecordedPageByItsName) {
  PrinterScope printers(Default::Found);
  bool before = true, shown = false, gone = true;
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    PreviewQueue q;
    setQueue(l.report, q);
    l.line(1);
    Kiv$ENDPAGE(l.report);
    std::string page = PreviewQueue::clipped(q.entries().at(0));
    void* w = nullptr;
    Kiv$pwopen(&w, kModule, "PAGEVIEW$WINDOW", nullptr);
    Kiv$OPENwindow(w);
    Kiv$UNLOCKTHREAD();
    uint64_t id = kiv::ui::automation::findWindow(1, "PAGEVIEW$WINDOW");
    before = kiv::ui::automation::shownImage(id, 2);
    Kiv$LOCKTHREAD();
    setProp(w, 2, 31744, q.entries().at(0));  // the queue entry as it is, 80 characters
    Kiv$UNLOCKTHREAD();
    shown = kiv::ui::automation::shownImage(id, 2);
    Kiv$LOCKTHREAD();
    Kiv$CLOSEwindow(l.report);  // the recording is gone with its report
    setProp(w, 2, 31744, page);
    Kiv$UNLOCKTHREAD();
    gone = kiv::ui::automation::shownImage(id, 2);
    Kiv$LOCKTHREAD();
    Kiv$CLOSEwindow(w);
    Kiv$freewindow(w);
    Kiv$freewindow(l.report);
  });
  EXPECT_FALSE(before);
  EXPECT_TRUE(shown);
  EXPECT_FALSE(gone);
}

}  // namespace

namespace {

TEST(ReportPrinting, APrinterThatTakesNoJobIsToldThroughTheErrorState) {
  PrinterScope printers(Default::Found);
  printers.log->refuseJobs = true;
  int32_t recorded = 0, direct = 0, later = -1;
  kiv::ui::runProgram([&] {
    Listing l;
    l.construct();
    Kiv$OPENwindow(l.report);
    PreviewQueue q;
    setQueue(l.report, q);
    l.line(1);
    Kiv$ENDPAGE(l.report);
    setProp(l.report, 0, KIV_PROP_PRINTRECORDED, "1");
    recorded = Kiv$ERRCODE;
    l.line(2);  // not recording now: the page goes to the printer when it completes
    Kiv$ENDPAGE(l.report);
    direct = Kiv$ERRCODE;
    Kiv$clearerror();
    l.line(3);  // the report's job has failed: no new attempt for every page
    Kiv$ENDPAGE(l.report);
    later = Kiv$ERRCODE;
    Kiv$freewindow(l.report);
  });
  EXPECT_EQ(recorded, 363);
  EXPECT_EQ(direct, 363);
  EXPECT_EQ(later, 0);
}

}  // namespace

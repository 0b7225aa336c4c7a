// The report engine's runtime errors: each ends the program with its message.
#include "report_support.h"
#include "runtime/platform/message_box.h"

using namespace reporttest;
using Default = kiv::report::PrinterPlatform::Default;

namespace {

void quietBoxes() {
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
}

void* openReport(const char* label, std::initializer_list<void*> use = {}) {
  static int32_t a = 0;
  static char b[12] = {};
  static uint32_t c = 0;
  void* r = nullptr;
  Kiv$propen(&r, kModule, label, &a, b, &c, nullptr);
  Kiv$OPENwindow(r);
  return r;
}

struct Case {
  const char* message;
  Default printers;
  std::function<void()> program;
};

TEST(ReportErrorsDeathTest, EachEndsTheProgramWithItsMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const Case cases[] = {
      {"PRINT must only be called for reports", Default::Found,
       [] {
         void* w = nullptr;
         Kiv$pwopen(&w, kModule, "PLAIN$WINDOW", nullptr);
         Kiv$OPENwindow(w);
         Kiv$PRINTreport(w, 2);
       }},
      {"PRINT must only be called for reports", Default::Found,
       [] {
         int32_t notAnObject = 0;
         Kiv$PRINTdetail(&notAnObject);
       }},
      {"ENDPAGE must only be called for reports", Default::Found,
       [] {
         void* w = nullptr;
         Kiv$pwopen(&w, kModule, "PLAIN$WINDOW", nullptr);
         Kiv$ENDPAGE(w);
       }},
      {"Report is already open", Default::Found,
       [] {
         void* r = openReport("LIST$REPORT");
         Kiv$OPENwindow(r);
       }},
      {"Unexpected error opening printer device", Default::Failed,
       [] { openReport("LIST$REPORT"); }},
      {"Event posted to a report control", Default::Found,
       [] {
         void* r = openReport("LIST$REPORT");
         Kiv$SETTARGET(r, 0);
         Kiv$SELECT(11, 0, 0);
       }},
      {"Metafile record too large in report", Default::Found,
       [] {
         void* r = openReport("LIST$REPORT");
         static PreviewQueue q;
         setQueue(r, q);
         kiv::report::setRecordLimit(100);  // less than any drawing record
         Kiv$PRINTreport(r, 10);
       }},
      {"Window is not open", Default::Found,
       [] {
         void* r = nullptr;
         Kiv$propen(&r, kModule, "LIST$REPORT", nullptr);
         Kiv$PRINTreport(r, 10);
       }},
      {"Window is not open", Default::Found,
       [] {
         void* r = nullptr;
         Kiv$propen(&r, kModule, "LIST$REPORT", nullptr);
         static PreviewQueue q;
         setQueue(r, q);
       }},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          quietBoxes();
          PrinterScope printers(c.printers);
          kiv::ui::runProgram(c.program);
          std::exit(0);
        },
        testing::ExitedWithCode(2), std::string("\\[Runtime error\\] ") + c.message)
        << c.message;
  }
}

TEST(ReportErrors, ARecordWithinTheLimitOrNotRecordedIsNoError) {
  PrinterScope printers(Default::Found);
  int32_t pages = 0;
  kiv::ui::runProgram([&] {
    kiv::report::setRecordLimit(1000);
    void* r = openReport("PICTURE$REPORT");
    Kiv$PRINTreport(r, 80);  // not recording: straight to the printer
    Kiv$ENDPAGE(r);
    pages = kiv::report::reportOf(r)->pagesCompleted();
    Kiv$freewindow(r);
    kiv::report::setRecordLimit(16u * 1024 * 1024);
  });
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(printers.log->jobs.size(), 1u);
}

}  // namespace

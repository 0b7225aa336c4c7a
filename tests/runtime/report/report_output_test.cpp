// Whole reports to files: 1,000 lines read through a view over a keyed table, recorded, saved as
// PDF and drawn as PNG; a label sheet whose labels go across and down the page.
#include <QImage>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "report_support.h"
#include "tests/runtime/view/view_support.h"

using namespace reporttest;
using Default = kiv::report::PrinterPlatform::Default;
using S = std::vector<std::string>;

namespace {

// Where the tests leave their files (kept for a look when KIV_REPORT_OUT is set).
// The file names in a text, with where each starts: "F" then 7 digits, ".", 3 capitals.
std::vector<std::pair<size_t, std::string>> fileNames(const std::string& text) {
  std::vector<std::pair<size_t, std::string>> out;
  for (size_t i = 0; i + 12 <= text.size(); ++i) {
    bool ok = text[i] == 'F' && text[i + 8] == '.';
    for (size_t k = 1; ok && k <= 7; ++k)
      ok = std::isdigit(static_cast<unsigned char>(text[i + k]));
    for (size_t k = 9; ok && k <= 11; ++k)
      ok = std::isupper(static_cast<unsigned char>(text[i + k]));
    if (ok) out.emplace_back(i, text.substr(i, 12));
  }
  return out;
}

// The words of `pdftotext -bbox` output: left and top in points, and the text.
struct Word {
  double x, y;
  std::string text;
};
std::vector<Word> words(const std::string& html) {
  std::vector<Word> out;
  auto attribute = [&](size_t from, const char* name) {
    size_t at = html.find(name, from);
    return at == std::string::npos ? 0.0 : std::atof(html.c_str() + at + std::strlen(name));
  };
  for (size_t at = html.find("<word "); at != std::string::npos; at = html.find("<word ", at + 1)) {
    size_t close = html.find('>', at), end = html.find("</word>", at);
    if (close == std::string::npos || end == std::string::npos) break;
    out.push_back({attribute(at, "xMin=\""), attribute(at, "yMin=\""),
                   html.substr(close + 1, end - close - 1)});
  }
  return out;
}

std::string outputDir(const kivtest::TempDir& dir) {
  const char* keep = std::getenv("KIV_REPORT_OUT");
  return keep ? keep : dir.path();
}

class ListingThroughView : public viewtest::CatalogViews {
 protected:
  viewtest::ViewDecl filesView{viewtest::primaryWhole(0), {&files->table}};
};

TEST_F(ListingThroughView, ThousandLinesRecordOnceInOrderToPdfAndPng) {
  for (int n = 1; n <= 1000; ++n) {
    kivtest::fillFile(*files, 7, n);
    Kiv$FILE_ADDf(&files->table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
  open(filesView);
  Kiv$FILE_SETk(files->key(kivtest::FIL_BYNAME));
  PrinterScope printers(Default::NoPrinters, {});
  std::string out = outputDir(dir);
  std::string pdf = out + "/listing.pdf";
  std::vector<std::string> expected, entries;
  std::vector<kiv::report::PagePtr> pages;
  bool saved = false, png = false;
  kiv::ui::runProgram([&] {
    int32_t count = 0;
    void* r = nullptr;
    Kiv$propen(&r, kModule, "LIST$REPORT", &count, files->field(kivtest::FIL_SHORTNAME),
               files->field(kivtest::FIL_SIZE), nullptr);
    Kiv$OPENwindow(r);
    PreviewQueue q;
    setQueue(r, q);
    for (;;) {
      Kiv$FILE_NEXT(filesView.t());
      if (Kiv$ERRCODE) break;
      ++count;
      expected.push_back(files->text(kivtest::FIL_SHORTNAME));
      Kiv$PRINTreport(r, 10);
    }
    Kiv$ENDPAGE(r);
    for (const std::string& e : q.entries()) entries.push_back(PreviewQueue::clipped(e));
    pages = kiv::report::reportOf(r)->recordedPages();
    saved = kiv::report::savePagesAsPdf(entries, pdf);
    png = kiv::report::savePageAsPng(entries.at(0), out + "/listing-1.png", 100) &&
          kiv::report::savePageAsPng(entries.back(), out + "/listing-last.png", 100);
    Kiv$CLOSEwindow(r);
    Kiv$freewindow(r);
  });
  ASSERT_EQ(expected.size(), 1000u);
  ASSERT_EQ(pages.size(), 23u);  // 45 lines a page
  ASSERT_EQ(entries.size(), 23u);

  // The page log: every line once, in the order read, each page framed by header and footer.
  std::vector<std::string> logged, counts;
  for (size_t p = 0; p < pages.size(); ++p) {
    EXPECT_EQ(pages[p]->name, entries[p]);
    EXPECT_EQ(bandsOf(*pages[p]).front(), 2);
    EXPECT_EQ(bandsOf(*pages[p]).back(), 20);
    for (const std::string& t : trimmed(textsOf(*pages[p], 12))) logged.push_back(t);
    for (const std::string& t : trimmed(textsOf(*pages[p], 11))) counts.push_back(t);
  }
  EXPECT_EQ(logged, expected);
  ASSERT_EQ(counts.size(), 1000u);
  for (size_t i = 0; i < counts.size(); ++i) {
    std::string plain = counts[i];
    plain.erase(std::remove(plain.begin(), plain.end(), ','), plain.end());  // "1,000"
    EXPECT_EQ(plain, std::to_string(i + 1));
  }

  // The PDF file: its text, page by page.
  ASSERT_TRUE(saved);
  std::string text = commandOutput("pdftotext -layout '" + pdf + "' -");
  std::vector<std::string> pdfPages;
  std::stringstream split(text);
  for (std::string page; std::getline(split, page, '\f');) {
    // Runs of blanks as one, whatever the layout of the text made of them.
    std::string plain;
    for (char c : page)
      if (c != ' ' || plain.empty() || plain.back() != ' ') plain += c;
    if (plain.find_first_not_of(" \n") != std::string::npos) pdfPages.push_back(plain);
  }
  ASSERT_EQ(pdfPages.size(), 23u);
  std::vector<std::string> names;
  for (size_t p = 0; p < pdfPages.size(); ++p) {
    const std::string& page = pdfPages[p];
    std::string number = "Page " + std::to_string(p + 1);
    size_t first = page.find(number), last = page.rfind(number);
    EXPECT_NE(first, std::string::npos) << "page " << p + 1;
    EXPECT_NE(first, last) << "header and footer both number page " << p + 1;
    size_t firstName = std::string::npos, lastName = 0;
    for (const auto& [at, text] : fileNames(page)) {
      names.push_back(text);
      firstName = std::min(firstName, at);
      lastName = at;
    }
    EXPECT_LT(page.find("File listing"), firstName) << "the header comes first";
    size_t footer = page.find("Tarrow catalog");
    EXPECT_NE(footer, std::string::npos);
    EXPECT_GT(footer, lastName) << "the footer comes last";
  }
  EXPECT_EQ(names, expected);

  // The PNG pages: letter paper at 100 dots per inch, with ink where the bands are.
  ASSERT_TRUE(png);
  QImage first(QString::fromStdString(out + "/listing-1.png"));
  ASSERT_EQ(first.width(), 850);
  ASSERT_EQ(first.height(), 1100);
  auto inkIn = [&](const QImage& img, int x0, int y0, int x1, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (qGray(img.pixel(x, y)) < 128) ++dark;
    return dark;
  };
  EXPECT_GT(inkIn(first, 50, 50, 450, 80), 50);      // the title
  EXPECT_GT(inkIn(first, 50, 110, 800, 1000), 500);  // the details
  EXPECT_GT(inkIn(first, 50, 1020, 400, 1050), 20);  // the footer text
  EXPECT_EQ(inkIn(first, 0, 0, 850, 45), 0);         // the top margin stays blank
}

TEST(LabelSheet, LabelsGoAcrossThenDownThirtyToAPage) {
  PrinterScope printers(Default::NoPrinters, {});
  kivtest::TempDir dir;
  std::string out = outputDir(dir);
  std::vector<kiv::report::PagePtr> pages;
  bool saved = false;
  kiv::ui::runProgram([&] {
    int32_t id = 0;
    void* r = nullptr;
    Kiv$propen(&r, kModule, "LABELS$REPORT", &id, nullptr);
    Kiv$OPENwindow(r);
    // The label layout: page 8.5 x 11 inches, margins 0.5 left and 0.35 top, in thousandths.
    setProp(r, 0, kiv::report::prop::PaperWidth, "8500");
    setProp(r, 0, kiv::report::prop::PaperHeight, "11000");
    setProp(r, 0, 31746, "500");
    setProp(r, 0, 31747, "350");
    setProp(r, 0, 31748, "8500");
    setProp(r, 0, 31749, "11000");
    setProp(r, 70, 31748, "2625");
    setProp(r, 70, 31749, "1000");
    PreviewQueue q;
    setQueue(r, q);
    for (id = 1; id <= 65; ++id) Kiv$PRINTreport(r, 70);
    Kiv$ENDPAGE(r);
    pages = kiv::report::reportOf(r)->recordedPages();
    std::vector<std::string> names;
    for (const std::string& e : q.entries()) names.push_back(PreviewQueue::clipped(e));
    saved = kiv::report::savePagesAsPdf(names, out + "/labels.pdf") &&
            kiv::report::savePageAsPng(names.at(0), out + "/labels-1.png", 100);
    Kiv$freewindow(r);
  });
  ASSERT_EQ(pages.size(), 3u);
  const size_t perPage[] = {30, 30, 5};
  int32_t id = 1;
  for (size_t p = 0; p < pages.size(); ++p) {
    ASSERT_EQ(pages[p]->bands.size(), perPage[p]);
    for (size_t k = 0; k < pages[p]->bands.size(); ++k, ++id) {
      const auto& b = pages[p]->bands[k];
      EXPECT_EQ(b.at.x, 500 + static_cast<int32_t>(k % 3) * 2625) << "label " << id;
      EXPECT_EQ(b.at.y, 350 + static_cast<int32_t>(k / 3) * 1000) << "label " << id;
      EXPECT_EQ(b.at.w, 2625);
      EXPECT_EQ(b.at.h, 1000);
    }
  }
  // The label's number sits inside its label on the PDF page too (points from the top left).
  ASSERT_TRUE(saved);
  std::string boxes = commandOutput("pdftotext -f 1 -l 1 -bbox '" + out + "/labels.pdf' -");
  int checked = 0;
  for (const Word& w : words(boxes)) {
    if (w.text.empty() || w.text.find_first_not_of("0123456789") != std::string::npos) continue;
    int n = std::atoi(w.text.c_str());
    if (n < 1 || n > 30) continue;
    double x = w.x / 72 * 1000, y = w.y / 72 * 1000;
    double left = 500 + ((n - 1) % 3) * 2625, top = 350 + ((n - 1) / 3) * 1000;
    EXPECT_GT(x, left + 900) << n;
    EXPECT_LT(x, left + 2625) << n;
    EXPECT_GT(y, top + 50) << n;
    EXPECT_LT(y, top + 400) << n;
    ++checked;
  }
  EXPECT_EQ(checked, 30);
}

}  // namespace

namespace {

TEST(PrinterSupport, PagesPrintThroughThePlatformsPrinterAtItsResolution) {
  PrinterScope printers(Default::NoPrinters, {});
  kivtest::TempDir dir;
  std::string file = dir.path() + "/printed.pdf";
  bool ended = false;
  kiv::ui::runProgram([&] {
    int32_t id = 0;
    void* r = nullptr;
    Kiv$propen(&r, kModule, "LABELS$REPORT", &id, nullptr);
    Kiv$OPENwindow(r);
    setProp(r, 0, 31746, "500");
    setProp(r, 0, 31747, "350");
    PreviewQueue q;
    setQueue(r, q);
    for (id = 1; id <= 40; ++id) Kiv$PRINTreport(r, 70);
    Kiv$ENDPAGE(r);
    std::unique_ptr<kiv::report::PrintJob> job = kiv::report::printerFileJob(file, "Labels");
    for (const auto& page : kiv::report::reportOf(r)->recordedPages()) job->page(*page);
    ended = job->end();
    Kiv$freewindow(r);
  });
  ASSERT_TRUE(ended);
  EXPECT_EQ(commandOutput("pdfinfo '" + file + "' | grep '^Pages:' | tr -s ' '"), "Pages: 2\n");
  // Label 1's number where the label sheet puts it: inside the first label, whatever the
  // printer's resolution.
  bool found = false;
  for (const Word& w : words(commandOutput("pdftotext -f 1 -l 1 -bbox '" + file + "' -"))) {
    if (w.text != "1") continue;
    double x = w.x / 72 * 1000, y = w.y / 72 * 1000;
    found = x > 500 + 900 && x < 500 + 2625 && y > 350 && y < 350 + 400;
  }
  EXPECT_TRUE(found);
}

}  // namespace

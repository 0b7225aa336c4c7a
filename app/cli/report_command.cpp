// report: the printed reports as a PDF file, through the same report procedures as the desktop
// program, without the preview. The procedures record their pages through the window layer's
// painter, so the layer runs, on the offscreen platform: nothing is shown and no display is
// needed. Messages the procedures give go to standard error.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "app/cli/catalog_access.h"
#include "app/cli/command_line.h"
#include "app/cli/commands.h"
#include "app/duplicates/duplicates.h"
#include "app/reports/report_run.h"
#include "app/reports/reports.h"
#include "app/tables/globals.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"
#include "include/kvrun32.h"
#include "runtime/platform/message_box.h"

namespace cli {
namespace {

// The eight orders of the disk list, as PrtDisksInCat numbers them.
const std::map<std::string, int32_t> kOrders = {
    {"id", 1},       {"id-desc", 2},       {"label", 3}, {"label-desc", 4},
    {"category", 5}, {"category-desc", 6}, {"free", 7},  {"free-desc", 8}};

// Labels a range prints at most: a range typed wrong should not print for hours.
constexpr int64_t kMostIdLabels = 100000;

// What the report thread is to do, and how it went.
struct ReportJob {
  std::string kind;
  int32_t order = 0;
  DisksRecord disk;
  LabelsRecord layout;
  int32_t first = 0, last = 0;
  std::optional<std::string> category;
  StraightPrint result;
};
ReportJob gJob;

void RunReportJob() {
  // No one is there to answer a box: each goes to standard error with its default answer.
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    std::fprintf(stderr, "tarrow report: %s%s%s\n", r.caption.c_str(),
                 r.caption.empty() ? "" : ": ", r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
  if (gJob.kind == "disks") {
    PrtDisksInCat(gJob.order);
  } else if (gJob.kind == "files") {
    PrintFilesForDisk(gJob.disk);
  } else if (gJob.kind == "dupes") {
    if (gJob.category) {
      GloCategory = *gJob.category;
      CollectAndReportDupesCat();
    } else {
      PrtDupes();
    }
  } else if (gJob.kind == "labels") {
    PrintLabels(gJob.layout);
  } else if (gJob.kind == "idlabels") {
    PrintDiskIdLabels(gJob.first, gJob.last);
  }
  gJob.result = LastStraightPrint();
}

std::optional<int32_t> wholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return int32_t(std::stol(text));
}

}  // namespace

int runReport(const Arguments& args) {
  const std::vector<std::string>& w = args.operands;
  if (w.empty())
    return usageError("report", "name a report: disks, files, dupes, labels, idlabels");
  const std::optional<std::string> output = args.value("-o");
  if (!output || output->empty()) return usageError("report", "give the PDF file with -o FILE.pdf");
  gJob = ReportJob{};
  gJob.kind = w[0];
  const std::filesystem::path pdf = std::filesystem::absolute(*output);

  // The arguments of each report, checked before the catalog is touched.
  if (gJob.kind == "disks") {
    if (w.size() != 1) return usageError("report", "unexpected " + w[1]);
    const std::string order = args.value("--order").value_or("id");
    auto o = kOrders.find(order);
    if (o == kOrders.end())
      return usageError("report",
                        "no order " + order + " (id, label, category, free, each also with -desc)");
    gJob.order = o->second;
  } else if (gJob.kind == "files" || gJob.kind == "labels") {
    if (w.size() != 2)
      return usageError("report", gJob.kind == "files" ? "name one disk, by its ID or label"
                                                       : "name one label layout");
  } else if (gJob.kind == "dupes") {
    if (w.size() != 1) return usageError("report", "unexpected " + w[1]);
    gJob.category = args.value("--category");
    if (gJob.category && kiv::clip(*gJob.category).empty())
      return usageError("report", "name a category, or leave --category out");
  } else if (gJob.kind == "idlabels") {
    std::optional<int32_t> first = w.size() == 3 ? wholeNumber(w[1]) : std::nullopt;
    std::optional<int32_t> last = w.size() == 3 ? wholeNumber(w[2]) : std::nullopt;
    if (!first || !last)
      return usageError("report", "give the first and last ID: idlabels FROM TO");
    if (*first > *last) return usageError("report", "the first ID is above the last");
    if (int64_t(*last) - *first + 1 > kMostIdLabels)
      return usageError("report", "at most " + std::to_string(kMostIdLabels) + " labels at once");
    gJob.first = *first;
    gJob.last = *last;
  } else {
    return usageError("report", "no report " + gJob.kind);
  }

  if (std::optional<std::string> folder = args.value("--catalog"))
    if (auto e = enterCatalog(*folder)) return failure("report", e->message);
  // Every report but the ID labels reads the catalog; its tables are checked before printing.
  if (gJob.kind != "idlabels") {
    if (auto e = openToRead(Disks)) return failure("report", e->message);
  }
  if (gJob.kind == "files" || gJob.kind == "dupes") {
    if (auto e = openToRead(Files)) return failure("report", e->message);
  }
  if (gJob.kind == "files") {
    if (auto e = findDisk(w[1])) return failure("report", e->message);
    gJob.disk = Disks.rec;
  }
  if (gJob.kind == "labels") {
    if (auto e = openToRead(Labels)) return failure("report", e->message);
    Labels.rec.clear();
    Labels.rec.LabelType = w[1];
    Labels.get(Labels.Type);
    if (kiv::errorCode()) {
      Kiv$clearerror();
      return failure("report", "no label layout \"" + w[1] + "\"");
    }
    gJob.layout = Labels.rec;
    Labels.close();
  }
  Files.close();
  Disks.close();
  Kiv$clearerror();

  // The window layer, with nothing on any screen.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  PrintStraightInto(pdf.string());
  Wsl$Run(RunReportJob);
  PrintStraightInto("");
  switch (gJob.result.outcome) {
    case StraightPrint::Outcome::Printed:
      std::fprintf(stderr, "tarrow report: printed into %s\n", pdf.c_str());
      return kDone;
    case StraightPrint::Outcome::Failed:
      return failure("report", "the report could not be printed: " + gJob.result.message);
    case StraightPrint::Outcome::None:
      break;
  }
  std::fprintf(stderr, "tarrow report: nothing to print\n");
  return kNothingFound;
}

}  // namespace cli

// dupes: the duplicate files of the catalog, or of the disks of one category, in the groups the
// duplicates reports print: files in short-name order, a file listed when its short name is the
// next file's or the one before it.
#include <map>
#include <optional>
#include <set>
#include <string>

#include "app/cli/catalog_access.h"
#include "app/cli/command_line.h"
#include "app/cli/commands.h"
#include "app/duplicates/duplicates.h"
#include "include/kiv/kiv.h"

namespace cli {

int runDupes(const Arguments& args) {
  std::string error;
  std::optional<Format> format = listingFormat(args, &error);
  if (!format) return usageError("dupes", error);
  if (!args.operands.empty()) return usageError("dupes", "unexpected " + args.operands[0]);
  const std::optional<std::string> category = args.value("--category");
  if (category && kiv::clip(*category).empty())
    return usageError("dupes", "name a category, or leave --category out for the whole catalog");
  if (std::optional<std::string> folder = args.value("--catalog"))
    if (auto e = enterCatalog(*folder)) return failure("dupes", e->message);
  if (auto e = openToRead(Disks)) return failure("dupes", e->message);
  if (auto e = openToRead(Files)) return failure("dupes", e->message);

  // The labels of the disks, and which disks the category holds (compared as the collector
  // does: without regard to case).
  std::map<int32_t, std::string> labels;
  std::set<int32_t> chosen;
  Disks.set(Disks.ByIdNum);
  for (Disks.next(); kiv::errorCode() == 0; Disks.next()) {
    labels[Disks.rec.IdNum] = std::string(Disks.rec.Label.clipped());
    if (category && kiv::upper(Disks.rec.Category.clipped()) == kiv::upper(kiv::clip(*category)))
      chosen.insert(Disks.rec.IdNum);
  }
  if (kiv::errorCode() != 33) return failure("dupes", "reading DISKS: " + kiv::error());
  Kiv$clearerror();

  // FIL:BYNAME with a look-ahead of one file of the chosen disks.
  auto nextKept = [&]() -> std::optional<FilesRecord> {
    for (Files.next(); kiv::errorCode() == 0; Files.next())
      if (!category || chosen.count(Files.rec.DiskId)) return Files.rec;
    return std::nullopt;
  };
  Listing listing = fileListing(true);
  DuplicateGroups groups;
  int64_t group = 1;
  Files.set(Files.ByName);
  std::optional<FilesRecord> current = nextKept();
  while (current) {
    std::optional<FilesRecord> next = nextKept();
    std::optional<std::string_view> nextName;
    if (next) nextName = next->ShortName.view();
    const DuplicateGroups::Print p = groups.take(current->ShortName.view(), nextName);
    if (p.detail) addFile(listing, *current, labels[current->DiskId], group);
    if (p.separator) ++group;
    current = std::move(next);
  }
  if (kiv::errorCode() != 33) return failure("dupes", "reading FILES: " + kiv::error());
  Kiv$clearerror();
  Files.close();
  Disks.close();
  listing.write(stdout, *format);
  return listing.size() > 0 ? kDone : kNothingFound;
}

}  // namespace cli

// find: the Search Wizard's scans from the command line. The very scans run: the catalog's
// DISKS and FILES are read in the catalog folder, and the result table (TEMPDISK or TEMPFILES)
// is made in a private folder of the command, so that a desktop program's own search results in
// the catalog folder are never touched.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "app/cli/catalog_access.h"
#include "app/cli/command_line.h"
#include "app/cli/commands.h"
#include "app/search/search_scan.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"

namespace cli {
namespace {

struct FieldName {
  const char* name;
  int32_t field;
};
constexpr FieldName kFileFields[] = {
    {"name", search_field::FileDosName},    {"attrib", search_field::FileAttributes},
    {"comment", search_field::FileComment}, {"date", search_field::FileDate},
    {"disk", search_field::FileDiskId},     {"path", search_field::FilePath},
    {"long", search_field::FileLongName},   {"size", search_field::FileSize},
    {"time", search_field::FileTime},       {"type", search_field::FileType},
};
constexpr FieldName kDiskFields[] = {
    {"id", search_field::DiskIdNumber},       {"category", search_field::DiskCategory},
    {"comment", search_field::DiskComment},   {"files", search_field::DiskFileCount},
    {"free", search_field::DiskFreeBytes},    {"serial", search_field::DiskSerialNumber},
    {"total", search_field::DiskTotalBytes},  {"user", search_field::DiskUserNumber},
    {"label", search_field::DiskVolumeLabel},
};
constexpr const char* kOperators[search_op::kCount] = {
    "eq", "ne", "gt", "lt", "ge", "le", "begins", "ends", "contains", "excludes"};

std::optional<int32_t> fieldNamed(SearchItem item, const std::string& name) {
  if (item == SearchItem::Files) {
    for (const FieldName& f : kFileFields)
      if (name == f.name) return f.field;
  } else {
    for (const FieldName& f : kDiskFields)
      if (name == f.name) return f.field;
  }
  return std::nullopt;
}

std::optional<int32_t> operatorNamed(const std::string& name) {
  for (int32_t i = 0; i < search_op::kCount; ++i)
    if (name == kOperators[i]) return i + 1;
  return std::nullopt;
}

// A date as the text of its serial: ISO 8601 (2024-05-31), as the wizard's date entry stores it.
std::optional<std::string> dateValue(const std::string& text) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return std::nullopt;
  if (Kiv$valdate(m, d, y) != 0) return std::nullopt;  // 0: a valid date
  return std::to_string(Kiv$DATE(m, d, y));
}

// A time of day as the text of its serial: 13:45, 13:45:10 or 13:45:10.25.
std::optional<std::string> timeValue(const std::string& text) {
  int h = 0, mi = 0, s = 0, cs = 0;
  char tail = 0;
  const int n = std::sscanf(text.c_str(), "%2d:%2d:%2d.%2d%c", &h, &mi, &s, &cs, &tail);
  if (n < 2 || n > 4 || h > 23 || mi > 59 || s > 59 || cs > 99 || h < 0 || mi < 0 || s < 0 ||
      cs < 0)
    return std::nullopt;
  KivClockRec c{uint8_t(h), uint8_t(mi), uint8_t(s), uint8_t(cs)};
  return std::to_string(Kiv$time2abs(&c));
}

#define FIND_ASSIGN_FIELD_(name, type, label) to.name = from.name;
void assign(DisksRecord& to, const TempDiskRecord& from) { DISK_FIELDS(FIND_ASSIGN_FIELD_) }
void assign(FilesRecord& to, const TempFilesRecord& from) { FILE_FIELDS(FIND_ASSIGN_FIELD_) }
#undef FIND_ASSIGN_FIELD_

// A folder of the command's own, removed when the command ends.
class PrivateFolder {
 public:
  PrivateFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarrow-find-XXXXXX";
    if (char* made = mkdtemp(pattern.data())) path_ = made;
  }
  ~PrivateFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

int runFind(const Arguments& args) {
  std::string error;
  std::optional<Format> format = listingFormat(args, &error);
  if (!format) return usageError("find", error);
  SearchRequest request;
  request.item = args.has("--disks") ? SearchItem::Disks : SearchItem::Files;
  request.caseSensitive = args.has("--case");
  if (args.operands.size() == 1 && request.item == SearchItem::Files) {
    // tarrow find TEXT: the long name contains the text.
    request.field = search_field::FileLongName;
    request.op = search_op::Contains;
    request.value = args.operands[0];
  } else if (args.operands.size() == 3) {
    std::optional<int32_t> field = fieldNamed(request.item, args.operands[0]);
    if (!field) return usageError("find", "no field " + args.operands[0] + " (see --help)");
    std::optional<int32_t> op = operatorNamed(args.operands[1]);
    if (!op) return usageError("find", "no operator " + args.operands[1] + " (see --help)");
    request.field = *field;
    request.op = *op;
    request.value = args.operands[2];
    const SearchValueKind kind = SearchValueKindOf(request.item, request.field);
    if (kind != SearchValueKind::Text) {
      std::optional<std::string> serial =
          kind == SearchValueKind::Date ? dateValue(request.value) : timeValue(request.value);
      if (!serial)
        return usageError("find", "\"" + request.value + "\" is not a " +
                                      (kind == SearchValueKind::Date ? "date (YYYY-MM-DD)"
                                                                     : "time (HH:MM[:SS[.cc]])"));
      request.value = *serial;
    }
  } else {
    return usageError("find", "give FIELD OPERATOR VALUE, or one TEXT to find in the long names");
  }
  if (request.value.empty()) return usageError("find", "the search value cannot be empty");

  if (std::optional<std::string> folder = args.value("--catalog"))
    if (auto e = enterCatalog(*folder)) return failure("find", e->message);
  char catalog[4096];
  if (!getcwd(catalog, sizeof catalog)) return failure("find", "the catalog folder is gone");
  // The catalog's tables, held open in its folder while the scan reads them.
  if (auto e = openToRead(Disks)) return failure("find", e->message);
  if (auto e = openToRead(Files)) return failure("find", e->message);
  CatalogUse disks(Disks, DisksUseCount), files(Files, FilesUseCount);
  PrivateFolder results;
  if (results.path().empty() || chdir(results.path().c_str()) != 0)
    return failure("find", "no room for the search's results");
  const int64_t found = SearchCatalog(request);

  Listing listing = request.item == SearchItem::Disks ? diskListing() : fileListing();
  if (request.item == SearchItem::Disks) {
    CatalogUse hits(TempDisk, TempDiskUseCount);
    TempDisk.set(TempDisk.ByIdNum);
    for (TempDisk.next(); kiv::errorCode() == 0; TempDisk.next()) {
      DisksRecord d;
      assign(d, TempDisk.rec);
      addDisk(listing, d);
    }
  } else {
    // Each hit with the label of its disk, read back in the catalog folder.
    std::map<int32_t, std::string> labels;
    {
      CatalogUse hits(TempFiles, TempFilesUseCount);
      TempFiles.set(TempFiles.ByDiskId);
      for (TempFiles.next(); kiv::errorCode() == 0; TempFiles.next()) {
        FilesRecord f;
        assign(f, TempFiles.rec);
        if (!labels.count(f.DiskId)) {
          Disks.rec.clear();
          Disks.rec.IdNum = f.DiskId;
          Disks.get(Disks.ByIdNum);
          labels[f.DiskId] = kiv::errorCode() ? "" : std::string(Disks.rec.Label.clipped());
          Kiv$clearerror();
        }
        addFile(listing, f, labels[f.DiskId]);
      }
    }
  }
  Kiv$clearerror();
  if (chdir(catalog) != 0) return failure("find", "the catalog folder is gone");
  listing.write(stdout, *format);
  return found > 0 ? kDone : kNothingFound;
}

}  // namespace cli

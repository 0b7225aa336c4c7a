#include "app/cli/catalog_access.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/reports/report_text.h"

namespace cli {
namespace {

constexpr int32_t kReadShared = KIV_OPEN_READ | KIV_SHARE_DENY_NONE;

std::string twoDigits(int v) {
  char s[8];
  std::snprintf(s, sizeof s, "%02d", v);
  return s;
}

bool isNumber(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::optional<CatalogError> enterCatalog(const std::string& folder) {
  if (chdir(folder.c_str()) != 0)
    return CatalogError{"cannot use the catalog folder " + folder + ": " + std::strerror(errno)};
  return std::nullopt;
}

std::optional<CatalogError> openToRead(kiv::Table& table) {
  table.open(kReadShared);
  const int32_t code = kiv::errorCode();
  if (code == 0 || code == 52) return std::nullopt;
  std::string name = std::string(table.desc()->name, table.desc()->nameLen);
  char cwd[4096] = ".";
  if (!getcwd(cwd, sizeof cwd)) std::strcpy(cwd, ".");
  switch (code) {
    case 2:
      return CatalogError{"no catalog in " + std::string(cwd) + ": its " + name +
                          " table is missing (log a disk first, or give --catalog)"};
    case 47:
      return CatalogError{"the " + name + " table in " + cwd +
                          " has another record layout than this tarrow (" + kiv::error() + ")"};
    case 46:
      return CatalogError{"the keys of the " + name + " table in " + cwd +
                          " are damaged; start tarrow on the desktop to rebuild them"};
    default: {
      std::string text = code == 90 ? kiv::fileErrorMessage() + " (" + kiv::fileErrorCode() + ")"
                                    : kiv::error() + " (" + std::to_string(code) + ")";
      return CatalogError{"cannot open the " + name + " table in " + cwd + ": " + text};
    }
  }
}

std::optional<CatalogError> openToWrite(kiv::Table& table) {
  table.open(kiv::ReadWriteDenyNone);
  if (kiv::errorCode() == 2) {
    table.create();
    if (kiv::errorCode() == 0) table.open(kiv::ReadWriteDenyNone);
  }
  const int32_t code = kiv::errorCode();
  if (code == 0 || code == 52) return std::nullopt;
  if (code == 32) {
    const std::string name(table.desc()->name, table.desc()->nameLen);
    return CatalogError{"another program holds the catalog's " + name +
                        " table for itself (a disk being saved): try again when it has finished"};
  }
  return openToRead(table);  // words the other failures
}

std::string isoTime(int32_t time) {
  if (time <= 0) return "";
  KivClockRec c{};
  Kiv$abs2time(time, &c);
  return twoDigits(c.hours) + ":" + twoDigits(c.minutes) + ":" + twoDigits(c.seconds) + "." +
         twoDigits(c.hundredths);
}

std::string isoDateTime(int32_t date, int32_t time) {
  if (date <= 0) return "";
  KivDateRec d{};
  Kiv$abs2date(date, &d);
  char s[16];
  std::snprintf(s, sizeof s, "%04d-%02d-%02d", int(d.year), int(d.month), int(d.day));
  return time > 0 ? std::string(s) + "T" + isoTime(time) : std::string(s);
}

Listing diskListing() {
  return Listing({{"id", "ID"},
                  {"label", "LABEL"},
                  {"category", "CATEGORY"},
                  {"total_bytes", "TOTAL BYTES"},
                  {"free_bytes", "FREE BYTES"},
                  {"files", "FILES"},
                  {"type", "TYPE"},
                  {"serial", "SERIAL"},
                  {"user_number", "USER#", false},
                  {"keyword1", "KEYWORD1", false},
                  {"keyword2", "KEYWORD2", false},
                  {"keyword3", "KEYWORD3", false},
                  {"comments", "COMMENTS"}},
                 1);
}

void addDisk(Listing& listing, const DisksRecord& d) {
  auto textOrNone = [](std::string_view s) { return s.empty() ? none() : text(s); };
  const std::string typeName = DriveTypeName(d.Type.clipped());
  listing.add({number(int64_t(d.IdNum)), text(d.Label.clipped()), textOrNone(d.Category.clipped()),
               number(d.TotalBytes.whole()), number(d.FreeSpace.whole()), number(int64_t(d.Files)),
               text(typeName.empty() ? std::string(d.Type.clipped()) : typeName),
               textOrNone(d.SerialNo.clipped()), textOrNone(d.UserNum.clipped()),
               textOrNone(d.Keyword1.clipped()), textOrNone(d.Keyword2.clipped()),
               textOrNone(d.Keyword3.clipped()), textOrNone(d.Comments.clipped())});
}

Listing fileListing(bool grouped) {
  std::vector<Column> columns = {{"disk_id", "DISK"},
                                 {"disk_label", "LABEL"},
                                 {"path", "PATH"},
                                 {"size", "SIZE"},
                                 {"modified", "DATE"},
                                 {"short_name", "SHORT NAME", false},
                                 {"long_name", "NAME", false},
                                 {"type", "TYPE", false},
                                 {"attributes", "ATTRIB", false},
                                 {"created", "CREATED", false},
                                 {"last_written", "WRITTEN", false},
                                 {"last_accessed", "ACCESSED", false},
                                 {"comment", "COMMENT", false}};
  if (grouped) columns.insert(columns.begin(), Column{"group", "GROUP"});
  return Listing(std::move(columns), grouped ? 3 : 2);
}

void addFile(Listing& listing, const FilesRecord& f, std::string_view diskLabel,
             std::optional<int64_t> group) {
  auto dateOrNone = [](int32_t date, int32_t time) {
    std::string s = isoDateTime(date, time);
    return s.empty() ? none() : text(s);
  };
  std::vector<Cell> row = {number(int64_t(f.DiskId)),
                           text(diskLabel),
                           text(f.Path.clipped()),
                           number(f.Size.whole()),
                           dateOrNone(f.DisplayDate, f.DisplayTime),
                           text(f.ShortName.clipped()),
                           text(f.LongName.clipped()),
                           text(f.Type.clipped()),
                           text(f.Attrib.view()),
                           dateOrNone(f.CreationDate, f.CreationTime),
                           dateOrNone(f.ModifyDate, f.ModifyTime),
                           dateOrNone(f.AccessDate, f.AccessTime),
                           f.Comment.blank() ? none() : text(f.Comment.clipped())};
  if (group) row.insert(row.begin(), number(*group));
  listing.add(std::move(row));
}

std::optional<CatalogError> findDisk(std::string_view idOrLabel) {
  if (isNumber(idOrLabel)) {
    Disks.rec.clear();
    Disks.rec.IdNum = int32_t(std::stol(std::string(idOrLabel)));
    Disks.get(Disks.ByIdNum);
    if (kiv::errorCode() == 0) return std::nullopt;
    Kiv$clearerror();
  }
  // By label: DIS:BYLABEL is case-blind, so every disk of the label is read from its first.
  std::vector<DisksRecord> found;
  Disks.rec.clear(-1);
  Disks.rec.Label = idOrLabel;
  Disks.set(Disks.ByLabel, Disks.ByLabel);
  for (Disks.next(); kiv::errorCode() == 0; Disks.next()) {
    if (kiv::upper(Disks.rec.Label.clipped()) != kiv::upper(kiv::clip(idOrLabel))) break;
    found.push_back(Disks.rec);
  }
  Kiv$clearerror();
  if (found.size() == 1) {
    Disks.rec = found[0];
    return std::nullopt;
  }
  if (found.empty()) return CatalogError{"no disk with the ID or label " + std::string(idOrLabel)};
  std::string ids;
  for (const DisksRecord& d : found) ids += (ids.empty() ? "" : ", ") + std::to_string(d.IdNum);
  return CatalogError{std::to_string(found.size()) + " disks carry the label " +
                      std::string(idOrLabel) + " (IDs " + ids + "): name one by its ID"};
}

}  // namespace cli

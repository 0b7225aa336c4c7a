// Searching the catalog: one field, one comparison, one value. Each field has its own scan that
// reads DISKS or FILES in the order of the field's key (or of a dynamic index built for it),
// compares the field with the value directly and stops early where the key order allows it.
// Every record that qualifies is copied into the result table, TEMPDISK or TEMPFILES.
//
// The scans need no window: the search wizard runs them, and so can a command line.
//
//   SearchRequest find{SearchItem::Files, kFileDosName, search_op::BeginsWith, "READ", false};
//   int64_t found = SearchCatalog(find);   // TEMPFILES holds the files found
#pragma once

#include <cstdint>
#include <string>

// What a search looks for; the character is the wizard's item kind.
enum class SearchItem : char { Disks = 'D', Files = 'F' };

// The comparisons, numbered in the order the wizard lists them.
namespace search_op {
enum : int32_t {
  Equals = 1,
  NotEquals,
  MoreThan,
  LessThan,
  MoreOrEqual,
  LessOrEqual,
  BeginsWith,
  EndsWith,
  Contains,
  NotContains
};
constexpr int32_t kCount = 10;
}  // namespace search_op

// Fields, numbered in the order of the wizard's field lists.
namespace search_field {
enum Disk : int32_t {
  DiskIdNumber = 1,
  DiskCategory,
  DiskComment,
  DiskFileCount,
  DiskFreeBytes,
  DiskSerialNumber,
  DiskTotalBytes,
  DiskUserNumber,
  DiskVolumeLabel
};
enum File : int32_t {
  FileDosName = 1,
  FileAttributes,
  FileComment,
  FileDate,
  FileDiskId,
  FilePath,
  FileLongName,
  FileSize,
  FileTime,
  FileType
};
}  // namespace search_field

// How the value of a field is typed: the picture of the wizard's value entry.
enum class SearchValueKind : int32_t { Date = 1, Time = 2, Text = 3 };

struct SearchRequest {
  SearchItem item = SearchItem::Disks;
  int32_t field = 1;               // position in the item's field list
  int32_t op = search_op::Equals;  // search_op
  std::string value;               // a date or a time as the text of its serial
  bool caseSensitive = false;      // text fields only
};

// The field lists and the operator list, as the wizard shows them ("" outside the list).
int32_t SearchFieldCount(SearchItem item);
std::string SearchFieldText(SearchItem item, int32_t field);
std::string SearchOperatorText(int32_t op);
SearchValueKind SearchValueKindOf(SearchItem item, int32_t field);

// "Search will be performed for file DOS name begins with READ."
std::string SearchSummary(const SearchRequest& request);

// Makes the result table of `item` empty for a new search: closes it, creates it afresh, opens
// it for this search alone (read and write, deny all) and switches it to stream mode. The
// caller holds the table by its use counter; whether the create worked is not checked (a
// result window of an earlier search may still hold the table).
void PrepareResultTable(SearchItem item);

// Reads this thread's DISKS or FILES as the request's field and comparison say and adds a copy
// of every record that qualifies to TEMPDISK or TEMPFILES (open, in stream mode). Gives the
// number of records copied. A dynamic index that cannot be built or a copy that cannot be added
// stops through STOP with the error; a record that cannot be read shows warning 35. Either
// ends the scan.
int64_t ScanCatalog(const SearchRequest& request);

// One whole search without windows: holds DISKS or FILES and the result table by their use
// counters, prepares the result table, scans, flushes the result table and lets go of the
// tables. Gives the number of records found; TEMPDISK or TEMPFILES holds them.
int64_t SearchCatalog(const SearchRequest& request);

// The duplicate-file finder: files whose short names are alike, across the whole catalog or the
// disks of one category, reported in groups.
#pragma once

#include <optional>
#include <string_view>

// The Report Parameters Wizard: the category to report on (blank for all), then Finish starts
// the report on a thread of its own.
void GetRptParmsWiz();

// The collector: copies the files of GLO:Category's disks into SORTFILES, then starts
// PrtDupesCat on a thread of its own.
void GetDupesCat();
// The same, with the report on the calling thread (for callers that wait for it).
void CollectAndReportDupesCat();

// The duplicates of the whole catalog (FILES) and of the collected category (SORTFILES, which
// the report removes when it ends).
void PrtDupes();
void PrtDupesCat();

// Which records in short-name order a duplicates report prints: a record prints when its name
// is the next record's or the one before it; after the last of a group, a separator.
class DuplicateGroups {
 public:
  struct Print {
    bool detail = false, separator = false;
  };
  // The record named `name`, followed by a record named `next` (none at the end).
  Print take(std::string_view name, std::optional<std::string_view> next);

 private:
  bool inGroup_ = false;
};

// Short names are alike when they are equal but for letter case and trailing blanks (the order
// of the short-name keys).
bool SameShortName(std::string_view a, std::string_view b);

// The rules that keep the catalog whole when a record is changed or deleted through a form.
// Each rule runs inside one transaction over the tables it touches (waiting at most two
// seconds for other writers), shows its own warnings, and tells how it ended.
#pragma once

#include <cstdint>

#include "app/tables/catalog_tables.h"

enum class RuleResult {
  Done,             // written (or deleted) and committed
  Failed,           // nothing was written; the warning has been shown
  Refused,          // not allowed (a record still refers to it): trying again cannot help
  ChangedElsewhere  // another program changed the record first: its version is in the buffer
};

// How long a rule waits for its transaction, in seconds.
inline constexpr int32_t kRuleWaitSeconds = 2;

// DISKS: deletes the current disk and every file of it.
RuleResult DeleteDiskRule();
// DISKS: writes the disk in the record buffer over the current one; when its ID differs from
// `before` (the record as the form found it) every file of the old ID moves to the new one.
// `warnWith38` shows warning 38 instead of 15 when the record was changed elsewhere.
RuleResult UpdateDiskRule(const DisksRecord& before, bool warnWith38 = false);

// CATEGORY: writes the category in the buffer over the current one; a new name goes to every
// disk that had the old one.
RuleResult UpdateCategoryRule(const CategoryRecord& before);
// CATEGORY: deletes the current category, unless a disk still has it (warning 13).
RuleResult DeleteCategoryRule();
// CATEGORY, FILES and LABELS: adds the record in the buffer (a duplicate key is the caller's
// to report: the rule fails with error 40 left for it).
RuleResult AddRecordRule(kiv::Table& table, const char* tableName);
// FILES and LABELS (and CATEGORY without a new name): one record written or deleted.
RuleResult UpdateRecordRule(kiv::Table& table, const char* tableName);
RuleResult DeleteRecordRule(kiv::Table& table, const char* tableName);

// Starts watching the current record for changes by other programs: it is read again (by its
// pointer), so the buffer holds its stored version.
void WatchCurrentRecord(kiv::Table& table);

#include "app/browse/rules.h"

#include "app/tables/app_warning.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"

namespace {

constexpr int32_t kEndOfTable = 33;
constexpr int32_t kChangedElsewhere = 89;

// Starts the transaction; on failure shows warning 34 ("Disks", "Delete" ...) and gives false.
template <typename... Tables>
bool beginTransaction(const char* tableName, const char* action, Tables&... tables) {
  kiv::logout(kRuleWaitSeconds, tables...);
  if (kiv::errorCode() == 0) return true;
  SaveFileError();
  AppWarning(34, action, tableName);
  return false;
}

// A write failed: the transaction is rolled back and the warning shown. Error 89 shows the other
// program's version of the record.
RuleResult writeFailed(kiv::Table& table, const char* tableName, bool warnWith38 = false) {
  const bool changed = kiv::errorCode() == kChangedElsewhere;
  SaveFileError();
  if (!changed) {
    AppWarning(15, tableName);
    return RuleResult::Failed;
  }
  if (warnWith38)
    AppWarning(38);
  else
    AppWarning(15, "Record Changed by Another Station");
  WatchCurrentRecord(table);
  return RuleResult::ChangedElsewhere;
}

RuleResult deleteFailed(const char* tableName) {
  SaveFileError();
  AppWarning(17, tableName);
  return RuleResult::Failed;
}

RuleResult readFailed(const char* tableName) {
  SaveFileError();
  AppWarning(35, tableName);
  return RuleResult::Failed;
}

RuleResult commitRule() {
  kiv::commit();
  if (kiv::errorCode() == 0) return RuleResult::Done;
  SaveFileError();
  AppWarning(15, "The changes could not be committed");
  return RuleResult::Failed;
}

// Keeps what a window on this thread shows of a table (its record buffer and current record)
// while a rule reads and writes the table for its own ends; gives both back at the end, the
// record watched again for changes by other programs.
template <typename Record>
class KeepShown {
 public:
  KeepShown(kiv::Table& table, Record& record)
      : table_(table), record_(record), shown(record), pointer_(table.pointer()) {}
  ~KeepShown() {
    Kiv$SaveErrorState();
    if (pointer_ > 0 && table_.isOpen()) {
      table_.watch();
      table_.get(pointer_);
    }
    record_ = shown;
    Kiv$RestoreErrorState();
  }
  KeepShown(const KeepShown&) = delete;
  KeepShown& operator=(const KeepShown&) = delete;

 private:
  kiv::Table& table_;
  Record& record_;

 public:
  Record shown;  // what goes back into the buffer

 private:
  int32_t pointer_;
};

}  // namespace

void WatchCurrentRecord(kiv::Table& table) {
  const int32_t pointer = table.pointer();
  if (pointer <= 0) return;
  table.watch();
  table.get(pointer);
  Kiv$clearerror();
}

RuleResult DeleteDiskRule() {
  CatalogUse files(Files, FilesUseCount);
  KeepShown<FilesRecord> keepFiles(Files, Files.rec);
  const std::string position = Disks.position(Disks.ByIdNum);
  if (!beginTransaction("Disks", "Delete", Disks, Files)) return RuleResult::Failed;
  Disks.reget(Disks.ByIdNum, position);
  if (kiv::errorCode()) return readFailed("Disks");
  const int32_t id = Disks.rec.IdNum;
  Files.rec.clear();
  Files.rec.DiskId = id;
  Files.set(Files.ByDiskId, Files.ByDiskId);
  for (;;) {
    Files.next();
    if (kiv::errorCode() == kEndOfTable) break;
    if (kiv::errorCode()) return readFailed("Files");
    if (Files.rec.DiskId != id) break;
    Files.erase();
    if (kiv::errorCode()) return deleteFailed("Files");
  }
  Disks.erase();
  if (kiv::errorCode()) return deleteFailed("Disks");
  return commitRule();
}

RuleResult UpdateDiskRule(const DisksRecord& before, bool warnWith38) {
  CatalogUse files(Files, FilesUseCount);
  KeepShown<FilesRecord> keepFiles(Files, Files.rec);
  if (!beginTransaction("Disks", "Update", Disks, Files)) return RuleResult::Failed;
  Disks.put();
  if (kiv::errorCode()) return writeFailed(Disks, "Disks", warnWith38);
  const int32_t oldId = before.IdNum, newId = Disks.rec.IdNum;
  if (oldId != newId) {
    // The disk's files move with it, in the same transaction.
    Files.rec.clear();
    Files.rec.DiskId = oldId;
    Files.set(Files.ByDiskId, Files.ByDiskId);
    for (;;) {
      Files.next();
      if (kiv::errorCode() == kEndOfTable) break;
      if (kiv::errorCode()) return readFailed("Files");
      if (Files.rec.DiskId != oldId) break;
      Files.rec.DiskId = newId;
      Files.put();
      if (kiv::errorCode()) {
        SaveFileError();
        AppWarning(15, "Files");
        return RuleResult::Failed;
      }
    }
  }
  return commitRule();
}

RuleResult UpdateCategoryRule(const CategoryRecord& before) {
  CatalogUse disks(Disks, DisksUseCount);
  // A disk form that called the category picker keeps its disk, under the new name when it
  // had the old one.
  KeepShown<DisksRecord> keepDisk(Disks, Disks.rec);
  if (!beginTransaction("Category", "Update", Category, Disks)) return RuleResult::Failed;
  Category.put();
  if (kiv::errorCode()) return writeFailed(Category, "Category");
  const std::string oldName(before.Name.clipped()), newName(Category.rec.Name.clipped());
  if (oldName != newName && !oldName.empty()) {
    // Every disk of the old name takes the new one.
    Disks.rec.clear();
    Disks.rec.Category = oldName;
    Disks.set(Disks.ByCategory, Disks.ByCategory);
    const std::string oldKey = kiv::upper(oldName);
    if (kiv::upper(keepDisk.shown.Category.clipped()) == oldKey) keepDisk.shown.Category = newName;
    for (;;) {
      Disks.next();
      if (kiv::errorCode() == kEndOfTable) break;
      if (kiv::errorCode()) return readFailed("Disks");
      if (kiv::upper(Disks.rec.Category.clipped()) != oldKey) break;
      Disks.rec.Category = newName;
      Disks.put();
      if (kiv::errorCode()) {
        SaveFileError();
        AppWarning(15, "Disks");
        return RuleResult::Failed;
      }
    }
  }
  return commitRule();
}

RuleResult DeleteCategoryRule() {
  CatalogUse disks(Disks, DisksUseCount);
  KeepShown<DisksRecord> keepDisk(Disks, Disks.rec);
  if (!beginTransaction("Category", "Delete", Category, Disks)) return RuleResult::Failed;
  const std::string name(Category.rec.Name.clipped());
  const kiv::String<20> keep = Category.rec.Name;
  Disks.rec.clear();
  Disks.rec.Category = name;
  Disks.set(Disks.ByCategory, Disks.ByCategory);
  Disks.next();
  const int32_t read = kiv::errorCode();
  if (read && read != kEndOfTable) return readFailed("Disks");
  if (read == 0 && kiv::upper(Disks.rec.Category.clipped()) == kiv::upper(name)) {
    kiv::rollback();
    Kiv$clearerror();
    AppWarning(13, "Disks");
    return RuleResult::Refused;
  }
  Category.rec.Name = keep;
  Category.erase();
  if (kiv::errorCode()) return deleteFailed("Category");
  return commitRule();
}

RuleResult AddRecordRule(kiv::Table& table, const char* tableName) {
  if (!beginTransaction(tableName, "Insert", table)) return RuleResult::Failed;
  table.add();
  if (kiv::errorCode()) {
    // The caller names the key of a duplicate; other failures are told here.
    const bool duplicate = kiv::errorCode() == 40;
    Kiv$SaveErrorState();
    kiv::rollback();
    Kiv$RestoreErrorState();
    if (!duplicate) {
      SaveFileError();
      AppWarning(15, tableName);
    }
    return RuleResult::Failed;
  }
  return commitRule();
}

RuleResult UpdateRecordRule(kiv::Table& table, const char* tableName) {
  if (!beginTransaction(tableName, "Update", table)) return RuleResult::Failed;
  table.put();
  if (kiv::errorCode()) return writeFailed(table, tableName);
  return commitRule();
}

RuleResult DeleteRecordRule(kiv::Table& table, const char* tableName) {
  if (!beginTransaction(tableName, "Delete", table)) return RuleResult::Failed;
  table.erase();
  if (kiv::errorCode()) return deleteFailed(tableName);
  return commitRule();
}

#include "app/tables/open_table.h"

#include <string>

#include "app/tables/app_warning.h"
#include "include/kiv/kiv.h"

namespace {

constexpr int32_t kNotFound = 2, kLocked = 32, kMustRebuild = 46, kBadLayout = 47,
                  kAlreadyOpen = 52;

}  // namespace

void OpenCatalogTable(kiv::Table& table, int32_t mode, bool createIfMissing, bool quietIfMissing,
                      bool forceShared) {
  if (forceShared) mode = kiv::ReadWriteDenyNone;
  const std::string name = table.name();  // before opening: NAME clears the error state
  table.open(mode);
  if (kiv::errorCode() == kLocked) {
    table.send("Recover=10");
    table.open(mode);
  }
  switch (kiv::errorCode()) {
    case 0:
    case kAlreadyOpen:
      return;
    case kNotFound:
      if (!createIfMissing) {
        if (!quietIfMissing) AppWarning(22, name);
        return;
      }
      table.create();
      if (kiv::errorCode()) AppWarning(4, name);
      table.open(mode);
      if (kiv::errorCode()) AppWarning(5, name);
      return;
    case kMustRebuild:
      AppWarning(2, name);
      table.build();
      if (kiv::errorCode()) AppWarning(3, name);
      table.open(mode);
      break;
    case kBadLayout:
      AppWarning(1, name);
      return;
    default:
      break;
  }
  if (kiv::errorCode()) {
    AppWarning(30, name);
    kiv::halt(0, "Disk Error");
  }
}

CatalogUse::CatalogUse(kiv::Table& table, int32_t& useCount) : table_(table), count_(useCount) {
  if (count_ == 0) OpenCatalogTable(table_);
  ++count_;
  held_ = true;
}

void CatalogUse::release() {
  if (!held_) return;
  held_ = false;
  if (--count_ == 0) table_.close();
}

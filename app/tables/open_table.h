// Opening catalog tables, and the use-counter protocol by which procedures hold them.
#pragma once

#include <cstdint>

#include "include/kiv/table.h"

// Opens `table` with `mode`; a missing table is created, a locked one recovered, a damaged key
// rebuilt on request. Returns only with the table open: every other outcome ends the program
// with a warning. Every caller passes create = true, quiet = false, forceShared = true.
void OpenCatalogTable(kiv::Table& table, int32_t mode = kiv::ReadWriteDenyNone,
                      bool createIfMissing = true, bool quietIfMissing = false,
                      bool forceShared = true);

// Holds a table for one procedure: opens it when this thread's counter is 0 and counts the
// hold; on leaving, closes it when this was the last hold on the thread.
class CatalogUse {
 public:
  CatalogUse(kiv::Table& table, int32_t& useCount);
  ~CatalogUse() { release(); }
  CatalogUse(const CatalogUse&) = delete;
  CatalogUse& operator=(const CatalogUse&) = delete;

  // Gives the hold up early; later calls do nothing.
  void release();

 private:
  kiv::Table& table_;
  int32_t& count_;
  bool held_ = false;
};

// The active-file registry: one record per open table and thread, in registration order, kept by
// the drivers through Kiv$activate_drv/Kiv$deactivate_drv and walked by the transaction frame.
#pragma once

#include <cstdint>
#include <vector>

#include "include/kvrun32/file.h"

namespace kiv::data {

struct ActiveFile {
  bool inTransaction = false;
  KivTable* table = nullptr;
  int32_t thread = -1;  // thread number for a per-thread table, -1 otherwise
  int32_t mode = 0;     // the open mode the driver registered
  bool canBegin = false;
  bool canRollback = false;
  bool canCommit = false;
  bool lockBefore = false;
  bool unlockAfter = false;
};

// The records, oldest first.
std::vector<ActiveFile>& activeFiles();

// The record of the table on the current thread (or of the program), or null.
ActiveFile* findActive(const KivTable* table);
// The record of the table on the given registry thread, or null.
ActiveFile* findActive(const KivTable* table, int32_t thread);

// The thread number registry lookups use for this table: the running thread's number for a
// per-thread table, -1 for any other.
int32_t registryThread(const KivTable* table);

// Who keeps per-thread storage for the thread machinery: called with each block that has to be
// kept once per thread. Installed by the window layer; without it, per-thread descriptors are the
// program's own thread-local objects and nothing has to be registered.
using PerThreadRegistrar = void (*)(void* address, uint32_t size);
void setPerThreadRegistrar(PerThreadRegistrar registrar);

// Closes every table still registered (newest first) after rolling back an open transaction.
void closeAllTables();

}  // namespace kiv::data

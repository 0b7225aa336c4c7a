// The active-file registry and the per-thread registration of table descriptors.
#include "runtime/data/active_files.h"

#include <algorithm>

#include "include/kvrun32.h"

// The thread machinery's running thread number; 1 (the main thread) until that layer is linked.
extern "C" int32_t Kiv$THREAD(void) __attribute__((weak));

namespace kiv::data {
namespace {

std::vector<ActiveFile> gFiles;
PerThreadRegistrar gRegistrar = nullptr;

int32_t currentThread() { return Kiv$THREAD ? Kiv$THREAD() : 1; }

}  // namespace

std::vector<ActiveFile>& activeFiles() { return gFiles; }

int32_t registryThread(const KivTable* table) {
  return (table->attributes & KIV_TABLE_THREADED) ? currentThread() : -1;
}

ActiveFile* findActive(const KivTable* table) {
  return table ? findActive(table, registryThread(table)) : nullptr;
}

ActiveFile* findActive(const KivTable* table, int32_t thread) {
  for (ActiveFile& f : gFiles)
    if (f.table == table && f.thread == thread) return &f;
  return nullptr;
}

void setPerThreadRegistrar(PerThreadRegistrar registrar) { gRegistrar = registrar; }

}  // namespace kiv::data

using namespace kiv::data;

extern "C" {

void Kiv$activate_drv(KivTable* table, int32_t mode, int32_t canBegin, int32_t canRollback,
                      int32_t unlockAfter, int32_t lockBefore, int32_t canCommit) {
  if (!table || findActive(table)) return;
  ActiveFile f;
  f.table = table;
  f.thread = registryThread(table);
  f.mode = mode;
  f.canBegin = canBegin != 0;
  f.canRollback = canRollback != 0;
  f.unlockAfter = unlockAfter != 0;
  f.lockBefore = lockBefore != 0;
  f.canCommit = canCommit != 0;
  gFiles.push_back(f);
}

void Kiv$deactivate_drv(KivTable* table) {
  ActiveFile* f = findActive(table);
  if (f) gFiles.erase(gFiles.begin() + (f - gFiles.data()));
}

int32_t Kiv$getfilemode(KivTable* table) {
  const ActiveFile* f = findActive(table);
  if (!f) return 0;
  return f->mode == 0 ? 0x40 : f->mode;
}

void Kiv$ThreadedFileOpen(KivTable* table) {
  if (!table || !(table->attributes & KIV_TABLE_THREADED) || !gRegistrar) return;
  gRegistrar(table, sizeof *table);
  if (table->record) gRegistrar(table->record, table->recordLength);
  for (uint8_t i = 0; table->keys && i < table->keyCount; ++i)
    if (table->keys[i]) gRegistrar(table->keys[i], sizeof(KivKey));
  for (uint8_t i = 0; table->memos && i < table->memoCount; ++i)
    if (table->memos[i]) gRegistrar(table->memos[i], sizeof(void*));
}

void Kiv$ThreadedFileClose(KivTable*) {}

}  // extern "C"

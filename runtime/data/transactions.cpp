// The transaction frame LOGOUT / COMMIT / ROLLBACK over the active-file registry, and the
// closing of every registered table when the runtime shuts down.
#include <cstdarg>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/runtime_state.h"
#include "runtime/data/active_files.h"
#include "runtime/data/dispatch.h"

namespace kiv::data {
namespace {

bool gLogoutActive = false;  // one transaction at a time for the whole program

// Ends the transaction on every included table, newest first. Driver errors stay in the error
// state; the walk goes on. COMMIT and ROLLBACK may come from another thread than the LOGOUT: each
// record is found again by its own thread, not the running one.
void endTransaction(bool commit) {
  auto& files = activeFiles();
  for (size_t i = files.size(); i-- > 0;) {
    if (i >= files.size() || !files[i].inTransaction) continue;
    const ActiveFile f = files[i];
    if (commit ? f.canCommit : f.canRollback)
      dispatch(f.table, commit ? KIV_DRV_COMMIT : KIV_DRV_ROLLBACK);
    if (f.unlockAfter) dispatch(f.table, KIV_DRV_UNLOCK);
    if (ActiveFile* r = findActive(f.table, f.thread)) r->inTransaction = false;
  }
}

// Includes one table in the transaction; 0 or the error that stops the walk.
int32_t include(KivTable* table, int32_t seconds) {
  if (!table->openFile) return 37;
  ActiveFile* f = findActive(table);
  if (!f) return 48;
  if (f->lockBefore) {
    dispatch(table, KIV_DRV_LOCKSECS, {seconds});
    if (Kiv$ERRCODE != 0 && Kiv$ERRCODE != 80) return 48;
    Kiv$clearerror();
  }
  f = findActive(table);
  bool failed = !f || !f->canBegin;
  if (!failed) {
    dispatch(table, KIV_DRV_LOGOUT);
    failed = Kiv$ERRCODE != 0;
  }
  if (failed) {
    if (f && f->unlockAfter) dispatch(table, KIV_DRV_UNLOCK);
    return 48;
  }
  if ((f = findActive(table))) f->inTransaction = true;
  return 0;
}

}  // namespace

bool logoutActive() { return gLogoutActive; }

void closeAllTables() {
  if (gLogoutActive) {
    gLogoutActive = false;
    endTransaction(false);
  }
  auto& files = activeFiles();
  while (!files.empty()) {
    size_t before = files.size();
    KivTable* table = files.back().table;
    dispatch(table, KIV_DRV_CLOSE);
    // A driver that did not unregister on CLOSE must not keep the walk going forever.
    if (files.size() == before) files.pop_back();
  }
  std::vector<ActiveFile>().swap(files);
}

namespace {

[[maybe_unused]] const bool gShutdownHookInstalled = [] {
  kiv::core::addShutdownHook(&closeAllTables);
  return true;
}();

}  // namespace

}  // namespace kiv::data

using namespace kiv::data;

extern "C" {

void Kiv$LOGOUT(int32_t seconds, ...) {
  Kiv$clearerror();
  if (gLogoutActive) {
    Kiv$seterror(56);
    return;
  }
  std::vector<KivTable*> tables;
  va_list ap;
  va_start(ap, seconds);
  while (KivTable* t = va_arg(ap, KivTable*)) tables.push_back(t);
  va_end(ap);

  gLogoutActive = true;
  int32_t error = 0;
  KivTable* failedTable = nullptr;
  for (KivTable* t : tables) {
    Kiv$clearerror();
    error = include(t, seconds);
    if (error) {
      failedTable = t;
      break;
    }
  }
  Kiv$clearerror();
  if (!error) return;
  gLogoutActive = false;
  endTransaction(false);
  Kiv$clearerror();
  Kiv$seterror(error);
  Kiv$SetErrorFile(failedTable);
}

void Kiv$COMMIT(void) {
  Kiv$clearerror();
  if (!gLogoutActive) {
    Kiv$seterror(91);
    return;
  }
  gLogoutActive = false;
  endTransaction(true);
}

void Kiv$ROLLBACK(void) {
  Kiv$clearerror();
  if (!gLogoutActive) {
    Kiv$seterror(91);
    return;
  }
  gLogoutActive = false;
  endTransaction(false);
}

}  // extern "C"

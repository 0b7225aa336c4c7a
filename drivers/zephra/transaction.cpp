// LOGOUT transactions. The tables a LOGOUT lists leave their own connections for one connection
// that holds exactly them, so that their writes commit (or roll back) together and nothing else
// is caught up in the transaction: every other table keeps committing on its own connection.
//
// The file layer allows one LOGOUT at a time for the whole program and sends DRV_LOGOUT to each
// listed table before the program writes anything, then DRV_COMMIT or DRV_ROLLBACK to each of
// them. The transaction is therefore kept once for the driver; like the rest of the driver it
// relies on the runtime lock for its safety between threads.
#include <algorithm>
#include <string>
#include <vector>

#include "drivers/zephra/zephra_table.h"

namespace kiv::zephra {
namespace {

constexpr int kTransactionLockMs = 2000;  // LOGOUT waits this long for other writers

struct Transaction {
  std::shared_ptr<Session> session;
  std::vector<ZephraTable*> tables;  // the tables that joined, in order
  // How the transaction ended. The file layer sends DRV_COMMIT to every table in turn and each
  // call starts from a clear error state, so every table that leaves reports a failed commit.
  bool ended = false;
  int rc = SQLITE_OK;
  std::string message;
};

Transaction gTransaction;

bool member(const ZephraTable& t) {
  return std::find(gTransaction.tables.begin(), gTransaction.tables.end(), &t) !=
         gTransaction.tables.end();
}

void removeMember(ZephraTable& t) {
  auto& tables = gTransaction.tables;
  tables.erase(std::remove(tables.begin(), tables.end(), &t), tables.end());
  // The last table out closes the connection (and with it the attached files).
  if (tables.empty()) gTransaction = Transaction();
}

// Commits or rolls back the transaction when the first of its tables leaves it.
void end(bool commit) {
  Transaction& x = gTransaction;
  if (x.ended) return;
  x.ended = true;
  Session& s = *x.session;
  if (!s.txnOpen) return;
  if (commit) {
    x.rc = sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr);
    if (x.rc != SQLITE_OK) {
      x.message = sqlite3_errmsg(s.db);
      sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
  } else {
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  s.txnOpen = false;
  s.written = false;
}

// Starts the write transaction over every file attached so far, waiting a little for writers
// elsewhere to finish.
int32_t beginWrite(Session& s) {
  sqlite3_busy_timeout(s.db, kTransactionLockMs);
  int32_t err = exec(s, "BEGIN IMMEDIATE");
  sqlite3_busy_timeout(s.db, kBusyWaitMs);
  if (err) return err;
  s.txnOpen = true;
  return 0;
}

}  // namespace

int32_t joinTransaction(ZephraTable& t) {
  if (member(t)) return 56;
  if (t.lock.othersDenyWrite()) {
    Kiv$setfileerror("deny-write", "Another program holds the table with writing denied");
    return 32;
  }
  // A STREAM batch written before the transaction is not part of it.
  if (int32_t err = commitSession(*t.home)) return err;

  Transaction& x = gTransaction;
  if (!x.session) {
    x.session = openSession(true);
    if (!x.session) return Kiv$ERRCODE;
    x.session->logout = true;
  }
  Session& s = *x.session;
  // Files can be attached only outside a transaction. Until the LOGOUT has included all its
  // tables nothing is written, so the transaction is started again over the larger set.
  if (s.written || x.ended) return 56;
  rollbackSession(s);
  int32_t err = attachTable(s, t);
  if (!err) err = beginWrite(s);
  if (err) {
    for (const std::string* schema : {&t.schema, &t.indexSchema})
      if (!schema->empty())
        sqlite3_exec(s.db, ("DETACH DATABASE " + *schema).c_str(), nullptr, nullptr, nullptr);
    if (x.tables.empty()) x = Transaction();
    return err;
  }
  x.tables.push_back(&t);
  t.use(x.session);
  return 0;
}

int32_t leaveTransaction(ZephraTable& t, bool commit) {
  if (!member(t)) return 0;
  end(commit);
  int32_t err = gTransaction.rc == SQLITE_OK ? 0 : sqlFault(gTransaction.rc, gTransaction.message);
  t.use(t.home);
  removeMember(t);
  // The table's own connection takes up the page cache its mode asks for.
  std::string sql = "PRAGMA " + t.schema +
                    ".cache_size=" + std::to_string(t.stream ? kStreamCacheKb : kNormalCacheKb);
  sqlite3_exec(t.home->db, sql.c_str(), nullptr, nullptr, nullptr);
  return err;
}

void forgetTransaction(ZephraTable& t) {
  if (!member(t)) return;
  if (gTransaction.tables.size() == 1) end(false);
  t.use(t.home);
  removeMember(t);
}

}  // namespace kiv::zephra

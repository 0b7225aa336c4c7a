// SQLite connections and the reporting of SQLite failures.
#include "drivers/zephra/session.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "drivers/zephra/entry_feed.h"
#include "include/kvrun32.h"

namespace kiv::zephra {
namespace {

std::string scratchDirectory() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

}  // namespace

Session::~Session() {
  if (db) sqlite3_close_v2(db);
  if (!mainPath.empty()) unlink(mainPath.c_str());
}

std::shared_ptr<Session> openSession(bool forLogout) {
  auto s = std::make_shared<Session>();
  std::string main = ":memory:";
  if (forLogout) {
    std::string path = scratchDirectory() + "/kvzph-XXXXXX";
    int fd = mkstemp(path.data());
    if (fd < 0) {
      Kiv$setfileerror("mkstemp", "Cannot create the driver's scratch database");
      Kiv$seterror(90);
      return nullptr;
    }
    close(fd);
    s->mainPath = main = path;
  }
  // URIs let a table's run-time indexes live in a named in-memory database (table_file.cpp).
  int rc =
      sqlite3_open_v2(main.c_str(), &s->db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_URI, nullptr);
  if (rc != SQLITE_OK) {
    sqlFault(s->db, rc);
    return nullptr;
  }
  sqlite3_extended_result_codes(s->db, 1);
  if ((rc = registerEntryFeed(s->db)) != SQLITE_OK) {
    sqlFault(s->db, rc);
    return nullptr;
  }
  sqlite3_busy_timeout(s->db, kBusyWaitMs);
  if (exec(*s, "PRAGMA temp_store=MEMORY")) return nullptr;
  return s;
}

int32_t attachDatabase(Session& s, const std::string& file, const std::string& schema) {
  sqlite3_stmt* attach = nullptr;
  std::string sql = "ATTACH DATABASE ? AS " + schema;
  int rc = sqlite3_prepare_v2(s.db, sql.c_str(), -1, &attach, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(attach, 1, file.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(attach);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_finalize(attach);
  return rc == SQLITE_OK ? 0 : sqlFault(s.db, rc);
}

int32_t sqlFault(sqlite3* db, int rc) {
  const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  return sqlFault(rc, message && *message ? message : sqlite3_errstr(rc));
}

int32_t sqlFault(int rc, const std::string& message) {
  int primary = rc & 0xFF;
  std::string code = std::to_string(rc);
  Kiv$setfileerror(code.c_str(), message.c_str());
  int32_t err = (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) ? 32 : 90;
  Kiv$seterror(err);
  return err;
}

int32_t exec(Session& s, const std::string& sql) {
  int rc = sqlite3_exec(s.db, sql.c_str(), nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? 0 : sqlFault(s.db, rc);
}

int32_t commitSession(Session& s) {
  if (!s.txnOpen) return 0;
  int rc = sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr);
  int32_t err = 0;
  if (rc != SQLITE_OK) {
    err = sqlFault(s.db, rc);
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  s.txnOpen = false;
  s.written = false;
  return err;
}

void rollbackSession(Session& s) {
  if (s.txnOpen) sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  s.txnOpen = false;
  s.written = false;
}

}  // namespace kiv::zephra

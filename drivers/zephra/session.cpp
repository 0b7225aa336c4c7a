// Per-thread SQLite connections and the reporting of SQLite failures.
#include "drivers/zephra/session.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "include/kvrun32.h"

namespace kiv::zephra {
namespace {

thread_local std::vector<std::weak_ptr<Session>> tSessions;

std::string scratchDirectory() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

std::shared_ptr<Session> newSession() {
  std::string path = scratchDirectory() + "/kvzph-XXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) {
    Kiv$setfileerror("mkstemp", "Cannot create the driver's scratch database");
    Kiv$seterror(90);
    return nullptr;
  }
  close(fd);
  auto s = std::make_shared<Session>();
  s->mainPath = path;
  int rc =
      sqlite3_open_v2(path.c_str(), &s->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlFault(s->db, rc);
    return nullptr;
  }
  sqlite3_extended_result_codes(s->db, 1);
  sqlite3_busy_timeout(s->db, kBusyWaitMs);
  exec(*s, "PRAGMA temp_store=MEMORY");
  return s;
}

}  // namespace

Session::~Session() {
  if (db) sqlite3_close_v2(db);
  if (!mainPath.empty()) unlink(mainPath.c_str());
}

std::shared_ptr<Session> sessionForThread(const std::string& path) {
  for (auto it = tSessions.begin(); it != tSessions.end();) {
    auto s = it->lock();
    if (!s) {
      it = tSessions.erase(it);
      continue;
    }
    if (s->attached < sqlite3_limit(s->db, SQLITE_LIMIT_ATTACHED, -1) && !s->txnOpen &&
        !s->files.count(path))
      return s;
    ++it;
  }
  auto s = newSession();
  if (s) tSessions.push_back(s);
  return s;
}

int32_t sqlFault(sqlite3* db, int rc) {
  int primary = rc & 0xFF;
  std::string code = std::to_string(rc);
  const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if (!message || !*message) message = sqlite3_errstr(rc);
  Kiv$setfileerror(code.c_str(), message);
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
  if (rc != SQLITE_OK) {
    int32_t err = sqlFault(s.db, rc);
    sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
    s.txnOpen = false;
    s.logout = false;
    return err;
  }
  s.txnOpen = false;
  s.logout = false;
  return 0;
}

void rollbackSession(Session& s) {
  if (s.txnOpen) sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
  s.txnOpen = false;
  s.logout = false;
}

}  // namespace kiv::zephra

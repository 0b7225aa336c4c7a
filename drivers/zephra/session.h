// One SQLite connection per thread. Every table the thread opens is attached to it under a
// schema of its own, so one transaction can span several tables and commit them atomically.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace kiv::zephra {

struct Session {
  sqlite3* db = nullptr;
  std::string mainPath;              // the connection's own scratch database (holds no data)
  int attached = 0;                  // tables attached now
  std::multiset<std::string> files;  // the database files attached now
  int nextSchema = 0;                // numbering of schema names
  bool txnOpen = false;              // a transaction is open on the connection
  bool logout = false;               // it is a LOGOUT transaction
  ~Session();
};

// The running thread's session with room for one more table that does not hold `path` yet
// (one file attached twice to one connection would lock itself out), or null with the error set.
std::shared_ptr<Session> sessionForThread(const std::string& path);

// Reports an SQLite failure: 32 when the database is locked, otherwise 90 with SQLite's code and
// message as the driver's own error. Returns the code.
int32_t sqlFault(sqlite3* db, int rc);

// Runs statements without results; 0 or the reported fault.
int32_t exec(Session& s, const std::string& sql);

// Commits or rolls back the session's open transaction.
int32_t commitSession(Session& s);
void rollbackSession(Session& s);

// How long a blocked statement waits for another process, in milliseconds.
constexpr int kBusyWaitMs = 5000;

}  // namespace kiv::zephra

// SQLite connections. Every open table has a connection of its own, so that a write to it
// commits on its own whatever other tables do. A LOGOUT transaction gathers exactly its tables
// on one more connection, which commits them atomically (transaction.cpp).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

namespace kiv::zephra {

struct Session {
  sqlite3* db = nullptr;
  std::string mainPath;  // the scratch main database of a transaction connection (holds no data)
  bool txnOpen = false;  // a transaction is open on the connection
  bool logout = false;   // the connection of the LOGOUT transaction
  bool written = false;  // the LOGOUT transaction has written something
  ~Session();
};

// A new connection. A table's own connection has an in-memory main database; the connection of
// a LOGOUT transaction gets a scratch file as its main database instead, which is what makes
// SQLite commit the attached tables atomically. Null with the error set.
std::shared_ptr<Session> openSession(bool forLogout);

// Attaches a database file (or a URI) under a schema name; 0 or the reported fault.
int32_t attachDatabase(Session& s, const std::string& file, const std::string& schema);

// Reports an SQLite failure: 32 when the database is locked, otherwise 90 with SQLite's code and
// message as the driver's own error. Returns the code.
int32_t sqlFault(sqlite3* db, int rc);
int32_t sqlFault(int rc, const std::string& message);

// Runs statements without results; 0 or the reported fault.
int32_t exec(Session& s, const std::string& sql);

// Commits or rolls back the session's open transaction.
int32_t commitSession(Session& s);
void rollbackSession(Session& s);

// How long a blocked statement waits for another process, in milliseconds.
constexpr int kBusyWaitMs = 5000;

}  // namespace kiv::zephra

// Adding, changing, deleting and reading single records.
#include <cstring>

#include "drivers/zephra/zephra_table.h"

namespace kiv::zephra {
namespace {

const uint8_t* recordBytes(const ZephraTable& t) {
  return static_cast<const uint8_t*>(t.table->record);
}

// The record's bytes as stored: the buffer, cut or zero-filled to the record length.
std::string recordImage(const ZephraTable& t, uint32_t length) {
  uint32_t n = std::min(length, t.table->recordLength);
  std::string data(t.table->recordLength, '\0');
  if (n && t.table->record) std::memcpy(data.data(), t.table->record, n);
  return data;
}

// Reads the stored change counter and bytes of record `id`; false when there is none.
bool readStored(ZephraTable& t, int64_t id, int64_t& chg, std::string& data, int32_t& err) {
  err = 0;
  sqlite3_stmt* s = t.statement("SELECT chg, data FROM " + t.q("rec") + " WHERE id = ?");
  if (!s) return err = Kiv$ERRCODE, false;
  sqlite3_bind_int64(s, 1, id);
  int rc = stepRow(s);
  bool found = rc == SQLITE_ROW;
  if (found) {
    chg = sqlite3_column_int64(s, 0);
    data = columnBlob(s, 1);
  } else if (rc != SQLITE_DONE) {
    err = sqlFault(t.db(), rc);
  }
  sqlite3_reset(s);
  return found;
}

// The stored bytes padded to the record length, so key encoding never reads past them.
std::string padded(const ZephraTable& t, std::string data) {
  if (data.size() < t.table->recordLength) data.resize(t.table->recordLength, '\0');
  return data;
}

// Runs a statement without results that every write repeats, prepared once.
int32_t runPrepared(ZephraTable& t, const char* sql) {
  sqlite3_stmt* s = t.statement(sql);
  if (!s) return Kiv$ERRCODE;
  int rc = stepRow(s);
  sqlite3_reset(s);
  return rc == SQLITE_DONE ? 0 : sqlFault(t.db(), rc);
}

}  // namespace

int32_t adjustCount(ZephraTable& t, int64_t delta) {
  sqlite3_stmt* s =
      t.statement("UPDATE " + t.q("meta") + " SET value = value + ? WHERE name = 'count'");
  if (!s) return Kiv$ERRCODE;
  sqlite3_bind_int64(s, 1, delta);
  int rc = stepRow(s);
  sqlite3_reset(s);
  return rc == SQLITE_DONE ? 0 : sqlFault(t.db(), rc);
}

WriteScope::~WriteScope() {
  if (begun_) finish(-1);
}

int32_t WriteScope::begin(bool savepoint) {
  if (t_.lock.othersDenyWrite()) {
    Kiv$setfileerror("deny-write", "Another program holds the table with writing denied");
    return 32;
  }
  Session& s = *t_.session;
  if (!s.txnOpen) {
    int32_t err = exec(s, "BEGIN IMMEDIATE");
    if (err) return err;
    s.txnOpen = true;
  }
  if (savepoint) {
    int32_t err = runPrepared(t_, "SAVEPOINT zop");
    if (err) return err;
  }
  savepoint_ = savepoint;
  if (s.logout) s.written = true;
  begun_ = true;
  t_.dropBatch();
  return 0;
}

int32_t WriteScope::finish(int32_t error) {
  if (!begun_) return error;
  begun_ = false;
  Session& s = *t_.session;
  if (!savepoint_) {
  } else if (error == 0) {
    error = runPrepared(t_, "RELEASE zop");
  } else {
    Kiv$SaveErrorState();
    sqlite3_exec(s.db, "ROLLBACK TO zop; RELEASE zop", nullptr, nullptr, nullptr);
    Kiv$RestoreErrorState();
  }
  // Outside STREAM and LOGOUT every operation commits at once.
  if (!s.logout && !t_.stream) {
    if (error == 0) {
      error = commitSession(s);
    } else {
      Kiv$SaveErrorState();
      commitSession(s);
      Kiv$RestoreErrorState();
    }
  }
  return error;
}

int32_t addRecord(ZephraTable& t, uint32_t length, bool keepKeys) {
  std::string data = recordImage(t, length);
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  // In STREAM mode outside a LOGOUT transaction the entries of keys with duplicates and the
  // count wait for the next other operation; without unique keys the add is then one INSERT.
  const bool defer = keepKeys && t.stream && !t.session->logout;
  WriteScope scope(t);
  int32_t err = scope.begin(!defer || hasUniqueKeys(t));
  if (err) return err;
  if (keepKeys) err = checkUnique(t, bytes, 0);
  int64_t id = 0;
  if (!err) {
    sqlite3_stmt* s = t.statement("INSERT INTO " + t.q("rec") + "(chg, data) VALUES(1, ?)");
    if (!s) return scope.finish(Kiv$ERRCODE);
    sqlite3_bind_blob(s, 1, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    int rc = stepRow(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) return scope.finish(sqlFault(t.db(), rc));
    id = sqlite3_last_insert_rowid(t.db());
  }
  if (!err && keepKeys) err = insertKeys(t, id, bytes, nullptr, defer);
  if (!err && !keepKeys && !t.stale) {
    err = setMeta(t, "stale", "1");
    if (!err) t.stale = true;
  }
  if (!err && !defer) err = adjustCount(t, 1);
  // After a failure the flag may stay set in memory: keyed reads then ask for a rebuild, which
  // errs on the safe side.
  err = scope.finish(err);
  if (err) return err;
  if (defer) {
    deferKeys(t, id, bytes);
    ++t.pendingRecords;
  }
  t.currentId = id;
  t.currentChg = 1;
  t.lastBytes = static_cast<int32_t>(t.table->recordLength);
  return 0;
}

int32_t putRecord(ZephraTable& t, int64_t id, uint32_t length) {
  std::string data = recordImage(t, length);
  WriteScope scope(t);
  int32_t err = scope.begin();
  if (err) return err;
  int64_t chg = 0;
  std::string old;
  if (!readStored(t, id, chg, old, err)) {
    if (!err) err = t.watched ? 89 : 35;
    t.watched = false;
    return scope.finish(err);
  }
  if (t.watched && chg != t.watchedChg) {
    t.watched = false;
    return scope.finish(89);
  }
  old = padded(t, old);
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  err = checkUnique(t, bytes, id);
  if (!err) err = deleteKeys(t, id, reinterpret_cast<const uint8_t*>(old.data()));
  if (!err) err = insertKeys(t, id, bytes, nullptr);
  if (!err) {
    sqlite3_stmt* s = t.statement("UPDATE " + t.q("rec") + " SET data = ?, chg = ? WHERE id = ?");
    if (!s) return scope.finish(Kiv$ERRCODE);
    bindBlob(s, 1, data);
    sqlite3_bind_int64(s, 2, chg + 1);
    sqlite3_bind_int64(s, 3, id);
    int rc = stepRow(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) err = sqlFault(t.db(), rc);
  }
  err = scope.finish(err);
  if (err) return err;
  t.watched = false;
  t.currentId = id;
  t.currentChg = chg + 1;
  return 0;
}

int32_t deleteRecord(ZephraTable& t) {
  WriteScope scope(t);
  int32_t err = scope.begin();
  if (err) return err;
  int64_t chg = 0;
  std::string old;
  if (!readStored(t, t.currentId, chg, old, err)) {
    if (!err) err = t.watched ? 89 : 33;
    t.watched = false;
    return scope.finish(err);
  }
  if (t.watched && chg != t.watchedChg) {
    t.watched = false;
    return scope.finish(89);
  }
  old = padded(t, old);
  err = deleteKeys(t, t.currentId, reinterpret_cast<const uint8_t*>(old.data()));
  if (!err) {
    sqlite3_stmt* s = t.statement("DELETE FROM " + t.q("rec") + " WHERE id = ?");
    if (!s) return scope.finish(Kiv$ERRCODE);
    sqlite3_bind_int64(s, 1, t.currentId);
    int rc = stepRow(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) err = sqlFault(t.db(), rc);
  }
  if (!err) err = adjustCount(t, -1);
  err = scope.finish(err);
  if (err) return err;
  t.watched = false;
  t.currentId = 0;
  return 0;
}

void deliver(ZephraTable& t, const Row& row, uint32_t length) {
  uint32_t n = std::min<uint32_t>(std::min(length, t.table->recordLength),
                                  static_cast<uint32_t>(row.data.size()));
  if (t.table->record && n) std::memcpy(t.table->record, row.data.data(), n);
  t.currentId = row.id;
  t.currentChg = row.chg;
  t.lastBytes = static_cast<int32_t>(row.data.size());
  if (t.watchNext) {
    t.watchNext = false;
    t.watched = true;
    t.watchedChg = row.chg;
  } else {
    t.watched = false;
  }
}

int32_t getByPointer(ZephraTable& t, int64_t id, uint32_t length) {
  Row row;
  int32_t err = 0;
  if (id <= 0 || !readStored(t, id, row.chg, row.data, err)) {
    t.currentId = 0;
    return err ? err : 35;
  }
  row.id = id;
  deliver(t, row, length);
  return 0;
}

int32_t getByKey(ZephraTable& t, KeyState& k) {
  if (!keyUsable(t, k)) return 46;
  std::string value;
  if (!encodeKey(k.shape, recordBytes(t), value)) return 35;
  sqlite3_stmt* s =
      t.statement("SELECT k.id, r.chg, r.data FROM " + k.sqlTable + " AS k JOIN " + t.q("rec") +
                  " AS r ON r.id = k.id WHERE k.k = ? ORDER BY k.id LIMIT 1");
  if (!s) return Kiv$ERRCODE;
  bindBlob(s, 1, value);
  int rc = stepRow(s);
  if (rc != SQLITE_ROW) {
    sqlite3_reset(s);
    t.currentId = 0;
    return rc == SQLITE_DONE ? 35 : sqlFault(t.db(), rc);
  }
  Row row{value, sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1), columnBlob(s, 2)};
  sqlite3_reset(s);
  deliver(t, row, t.table->recordLength);
  return 0;
}

int32_t countRecords(ZephraTable& t, KeyState* k, int32_t& count) {
  count = 0;
  if (k && !keyUsable(t, *k)) return 46;
  std::string sql = k ? "SELECT count(*) FROM " + k->sqlTable
                      : "SELECT value FROM " + t.q("meta") + " WHERE name = 'count'";
  sqlite3_stmt* s = t.statement(sql);
  if (!s) return Kiv$ERRCODE;
  int rc = stepRow(s);
  if (rc == SQLITE_ROW) count = sqlite3_column_int(s, 0);
  sqlite3_reset(s);
  return rc == SQLITE_ROW ? 0 : sqlFault(t.db(), rc);
}

int32_t duplicateOf(ZephraTable& t, KeyState* only, int32_t& result) {
  result = 0;
  for (auto& k : t.keys) {
    if (only ? k.get() != only : !k->unique) continue;
    if (!keyUsable(t, *k)) return 46;
    std::string value;
    if (!encodeKey(k->shape, recordBytes(t), value)) continue;
    sqlite3_stmt* s =
        t.statement("SELECT 1 FROM " + k->sqlTable + " WHERE k = ? AND id <> ? LIMIT 1");
    if (!s) return Kiv$ERRCODE;
    bindBlob(s, 1, value);
    sqlite3_bind_int64(s, 2, t.currentId);
    int rc = stepRow(s);
    sqlite3_reset(s);
    if (rc == SQLITE_ROW) {
      result = 1;
      return 0;
    }
    if (rc != SQLITE_DONE) return sqlFault(t.db(), rc);
  }
  return 0;
}

int32_t emptyTable(ZephraTable& t) {
  WriteScope scope(t);
  int32_t err = scope.begin();
  if (err) return err;
  std::string sql = "DELETE FROM " + t.q("rec") + ";";
  for (auto& k : t.keys)
    if (!k->sqlTable.empty() && (k->dynamic ? (k->head.state & KIV_STATE_KEYBUILT) : true))
      sql += "DELETE FROM " + k->sqlTable + ";";
  sql += "UPDATE " + t.q("meta") + " SET value = 0 WHERE name = 'count';";
  err = exec(*t.session, sql);
  err = scope.finish(err);
  if (!err) t.currentId = 0;
  return err;
}

}  // namespace kiv::zephra

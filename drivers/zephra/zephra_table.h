// The open-file object of a ZEPHRA table and the operations on it.
//
// Storage: each table is one SQLite database file named after the table's label with the
// extension ".ZPH". Table `rec` holds one row per record (its pointer, a change counter and the
// record's bytes); each declared key i has a table `k<i>` of (encoded key value, record pointer)
// pairs whose byte order is the key's order; `meta` holds the record length, the layout and key
// signatures, the record count and whether the keys need rebuilding.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/zephra/key_codec.h"
#include "drivers/zephra/session.h"
#include "drivers/zephra/share_lock.h"
#include "include/kvrun32.h"
#include "runtime/data/record_fields.h"

namespace kiv::zephra {

constexpr int kNormalCacheKb = -16000;   // page cache of a table (16 MB)
constexpr int kStreamCacheKb = -262144;  // page cache of a table in STREAM mode (256 MB)

// One key of an open table. Run-time built indexes hand `head` to the state functions.
struct KeyState {
  KivDrvKeyHead head{};
  KivKey* desc = nullptr;
  bool dynamic = false;
  bool unique = false;
  bool valid = false;  // the shape could be built
  KeyShape shape;
  std::string sqlTable;  // qualified name of its entries table
};

// Where a sequence stands: before the first entry (kind Start), or at an entry value.
struct Cursor {
  bool atStart = true;
  std::string key;
  int64_t nextFrom = 0;    // NEXT reads entries after (key, nextFrom)
  int64_t prevFrom = 0;    // PREVIOUS reads entries before (key, prevFrom)
  bool inclusive = false;  // the bounds themselves may be read
};

// Key entries of records added in STREAM mode that are not yet in a key's entries table:
// fixed-width items of the encoded value followed by the 8-byte record pointer.
struct PendingEntries {
  std::vector<char> items;
  size_t count = 0;
};

struct Row {
  std::string key;
  int64_t id = 0;
  int64_t chg = 0;
  std::string data;
};

struct ZephraTable {
  KivDrvFileHead head{};  // state and pending words for the support functions
  KivTable* table = nullptr;
  std::shared_ptr<Session> home;     // the table's own connection
  std::shared_ptr<Session> session;  // the connection in use: its own, or a LOGOUT's
  std::string schema;       // quoted schema name of the table's file, the same on every connection
  std::string path;         // the database file
  std::string indexSchema;  // quoted schema name of its run-time indexes; empty without any
  std::string indexStore;   // the in-memory database that holds them
  int32_t mode = 0;
  bool registered = false;  // entered in the active-file registry
  ShareLock lock;
  std::vector<kiv::data::RecordField> fields;
  std::vector<std::unique_ptr<KeyState>> keys;
  std::map<std::string, sqlite3_stmt*> statements;

  // Sequence.
  int seqKey = -1;  // index of the key the sequence follows, -1 for record order
  Cursor cursor;
  int32_t lastSetKey = 0;  // 1-based key position of the last SET, 0 for record order
  std::vector<Row> batch;  // rows read ahead, in reading order
  size_t batchPos = 0;
  int batchDir = 0;

  // The current record.
  int64_t currentId = 0;
  int64_t currentChg = 0;
  int32_t lastBytes = 0;
  bool watchNext = false;
  bool watched = false;
  int64_t watchedChg = 0;

  // STREAM mode: records added keep the entries of their keys that allow duplicates here, and
  // the record count its increase, until the next operation other than ADD puts them in.
  std::vector<PendingEntries> pending;  // by key position
  int64_t pendingRecords = 0;

  bool quickScan = false;
  bool stream = false;
  bool stale = false;  // the keys miss records that were appended
  int uid = 0;

  ~ZephraTable();
  sqlite3* db() const { return session->db; }
  // Moves the table's statements to another connection that has its schemas attached.
  void use(std::shared_ptr<Session> s);
  std::string q(std::string_view name) const { return schema + "." + std::string(name); }
  // A prepared statement for `sql`, kept for the table's lifetime; null with the error set.
  sqlite3_stmt* statement(const std::string& sql);
  // Forgets the rows read ahead (their buffers stay for the next fetch).
  void dropBatch() {
    batchPos = batch.size();
    batchDir = 0;
  }
};

// The file a table is stored in, from its label.
std::string tableFileName(const KivTable& table);
std::string tablePath(const KivTable& table);

// How long the next OPEN of a table waits for conflicting opens to go ("Recover=n").
int recoverWaitMs(const KivTable* table);

// Opening, creating and closing (table_file.cpp).
int32_t openTable(KivTable* table, int32_t mode, bool forRebuild, ZephraTable** out);
// Closes the table, committing a STREAM batch not yet flushed; 0 or the error of that commit.
int32_t closeTable(ZephraTable* t);
int32_t createTable(KivTable* table);
int32_t removeTable(KivTable* table);
// Attaches the table's file and its run-time indexes to a connection under its schema names.
int32_t attachTable(Session& s, ZephraTable& t);
int32_t setMeta(ZephraTable& t, const char* name, const std::string& value);
std::string layoutSignature(const KivTable& table, const std::vector<kiv::data::RecordField>& f);
std::string keysSignature(const ZephraTable& t);

// LOGOUT transactions (transaction.cpp). A table joins the transaction's connection at
// DRV_LOGOUT and goes back to its own at DRV_COMMIT or DRV_ROLLBACK; the first of these ends the
// transaction for all its tables.
int32_t joinTransaction(ZephraTable& t);
int32_t leaveTransaction(ZephraTable& t, bool commit);
// Called when a table closes. The state table refuses CLOSE in a transaction; should a table
// close all the same, its writes stay with the transaction's other tables, or are rolled back
// when it was the last.
void forgetTransaction(ZephraTable& t);

// Writing in a transaction: a scope per operation (records.cpp).
class WriteScope {
 public:
  explicit WriteScope(ZephraTable& t) : t_(t) {}
  ~WriteScope();
  // `savepoint`: the operation may write more than one statement, so that a failure must roll
  // back what it wrote before; an operation of one statement is undone by SQLite itself.
  int32_t begin(bool savepoint = true);
  int32_t finish(int32_t error);

 private:
  ZephraTable& t_;
  bool begun_ = false;
  bool savepoint_ = true;
};

// Records (records.cpp).
int32_t addRecord(ZephraTable& t, uint32_t length, bool keepKeys);
int32_t putRecord(ZephraTable& t, int64_t id, uint32_t length);
int32_t deleteRecord(ZephraTable& t);
int32_t getByKey(ZephraTable& t, KeyState& k);
int32_t getByPointer(ZephraTable& t, int64_t id, uint32_t length);
int32_t countRecords(ZephraTable& t, KeyState* k, int32_t& count);
int32_t duplicateOf(ZephraTable& t, KeyState* k, int32_t& result);
int32_t emptyTable(ZephraTable& t);
void deliver(ZephraTable& t, const Row& row, uint32_t length);

// Sequences and positions (sequence.cpp).
int32_t setSequence(ZephraTable& t, int op, KeyState* k, int64_t pointer);
int32_t readNext(ZephraTable& t, int dir);
int32_t skipRecords(ZephraTable& t, int32_t count);
std::string position(ZephraTable& t, KeyState* k);
int32_t resetTo(ZephraTable& t, KeyState* k, std::string_view pos);
int32_t regetAt(ZephraTable& t, KeyState* k, std::string_view pos);

// Keys (keys.cpp).
int32_t buildKeys(ZephraTable& t);
// Builds a run-time index from a component string, or again from its last one (rebuild).
int32_t buildIndex(ZephraTable& t, KeyState& k, std::string_view components, bool rebuild);
// `uniqueOnly`: the entries of unique keys alone (the others are deferred).
int32_t insertKeys(ZephraTable& t, int64_t id, const uint8_t* data, const KeyState* skip,
                   bool uniqueOnly = false);
// STREAM mode: the entries of the keys that allow duplicates go to the table's pending lists.
// Unique keys take their entries at once, so that later adds are checked against them.
void deferKeys(ZephraTable& t, int64_t id, const uint8_t* data);
// Puts the pending key entries in, in key order, and adds the pending records to the count.
int32_t applyPending(ZephraTable& t);
// Whether an add inserts entries of a unique key.
bool hasUniqueKeys(const ZephraTable& t);
int32_t adjustCount(ZephraTable& t, int64_t delta);
int32_t deleteKeys(ZephraTable& t, int64_t id, const uint8_t* data);
int32_t checkUnique(ZephraTable& t, const uint8_t* data, int64_t self);
bool keyUsable(const ZephraTable& t, const KeyState& k);

// Small SQLite helpers.
int stepRow(sqlite3_stmt* s);
void bindBlob(sqlite3_stmt* s, int i, std::string_view b);
std::string columnBlob(sqlite3_stmt* s, int i);

}  // namespace kiv::zephra

// Sequences through a table in record order or key order, positions and their restoring.
#include <climits>
#include <cstring>

#include "drivers/zephra/zephra_table.h"

namespace kiv::zephra {
namespace {

constexpr char kPositionMark = 'Z';
constexpr size_t kBatchQuick = 512;  // rows read ahead while QUICKSCAN is on
constexpr size_t kBatchNormal = 32;  // otherwise, so other programs' changes show soon

const uint8_t* recordBytes(const ZephraTable& t) {
  return static_cast<const uint8_t*>(t.table->record);
}

int keyIndex(const ZephraTable& t, const KeyState* k) {
  for (size_t i = 0; i < t.keys.size(); ++i)
    if (t.keys[i].get() == k) return static_cast<int>(i);
  return -1;
}

void putId(std::string& out, int64_t id) {
  for (int i = 7; i >= 0; --i)
    out.push_back(static_cast<char>((static_cast<uint64_t>(id) >> (8 * i)) & 0xFF));
}

int64_t getId(const char* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | static_cast<uint8_t>(p[i]);
  return static_cast<int64_t>(v);
}

// Reads up to `limit` rows from the cursor in direction `dir` into the table's batch.
int32_t fetch(ZephraTable& t, int dir, size_t limit) {
  t.batchPos = 0;
  t.batchDir = 0;
  const Cursor& c = t.cursor;
  std::string cmp = dir > 0 ? (c.inclusive ? ">=" : ">") : (c.inclusive ? "<=" : "<");
  std::string sql;
  bool keyed = t.seqKey >= 0;
  if (keyed) {
    const KeyState& k = *t.keys[static_cast<size_t>(t.seqKey)];
    std::string order = dir > 0 ? " ORDER BY k.k, k.id" : " ORDER BY k.k DESC, k.id DESC";
    sql = "SELECT k.k, k.id, r.chg, r.data FROM " + k.sqlTable + " AS k JOIN " + t.q("rec") +
          " AS r ON r.id = k.id";
    if (!c.atStart) sql += " WHERE (k.k, k.id) " + cmp + " (?1, ?2)";
    sql += order + " LIMIT ?3";
  } else {
    sql = "SELECT NULL, id, chg, data FROM " + t.q("rec");
    if (!c.atStart) sql += " WHERE id " + cmp + " ?2";
    sql += dir > 0 ? " ORDER BY id" : " ORDER BY id DESC";
    sql += " LIMIT ?3";
  }
  sqlite3_stmt* s = t.statement(sql);
  if (!s) return Kiv$ERRCODE;
  if (!c.atStart) {
    if (keyed) bindBlob(s, 1, c.key);
    sqlite3_bind_int64(s, 2, dir > 0 ? c.nextFrom : c.prevFrom);
  }
  sqlite3_bind_int64(s, 3, static_cast<sqlite3_int64>(limit));
  // The batch keeps its rows' buffers from one fetch to the next.
  size_t count = 0;
  int rc;
  while ((rc = stepRow(s)) == SQLITE_ROW) {
    if (count == t.batch.size()) t.batch.emplace_back();
    Row& row = t.batch[count++];
    auto assign = [&](std::string& to, int col) {
      const void* p = sqlite3_column_blob(s, col);
      to.assign(p ? static_cast<const char*>(p) : "",
                static_cast<size_t>(sqlite3_column_bytes(s, col)));
    };
    if (keyed) assign(row.key, 0);
    row.id = sqlite3_column_int64(s, 1);
    row.chg = sqlite3_column_int64(s, 2);
    assign(row.data, 3);
  }
  t.batch.resize(count);
  sqlite3_reset(s);
  if (rc != SQLITE_DONE) {
    t.dropBatch();
    return sqlFault(t.db(), rc);
  }
  t.batchDir = dir;
  return 0;
}

// The stored record `id`, or false.
bool storedRecord(ZephraTable& t, int64_t id, std::string& data) {
  sqlite3_stmt* s = t.statement("SELECT data FROM " + t.q("rec") + " WHERE id = ?");
  if (!s) return false;
  sqlite3_bind_int64(s, 1, id);
  bool found = stepRow(s) == SQLITE_ROW;
  if (found) data = columnBlob(s, 0);
  sqlite3_reset(s);
  if (found && data.size() < t.table->recordLength) data.resize(t.table->recordLength, '\0');
  return found;
}

void startAt(ZephraTable& t, std::string key, int64_t next, int64_t prev) {
  t.cursor = Cursor{false, std::move(key), next, prev, true};
}

}  // namespace

int32_t setSequence(ZephraTable& t, int op, KeyState* k, int64_t pointer) {
  t.dropBatch();
  t.cursor = Cursor{};
  if (k && !keyUsable(t, *k)) return 46;
  switch (op) {
    case KIV_DRV_SETFILE:
      t.seqKey = -1;
      t.lastSetKey = 0;
      return 0;
    case KIV_DRV_SETFILEPTR:
      t.seqKey = -1;
      t.lastSetKey = 0;
      startAt(t, {}, pointer, pointer);
      return 0;
    case KIV_DRV_SETFILEKEY: {
      t.seqKey = -1;
      t.lastSetKey = 0;
      std::string value;
      encodeKey(k->shape, recordBytes(t), value);
      sqlite3_stmt* s =
          t.statement("SELECT id FROM " + k->sqlTable + " WHERE k = ? ORDER BY id LIMIT 1");
      if (!s) return Kiv$ERRCODE;
      bindBlob(s, 1, value);
      int rc = stepRow(s);
      int64_t id = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : INT64_MAX;
      sqlite3_reset(s);
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) return sqlFault(t.db(), rc);
      startAt(t, {}, id, rc == SQLITE_ROW ? id : INT64_MIN);
      return 0;
    }
    default:
      break;
  }
  t.seqKey = keyIndex(t, k);
  t.lastSetKey = t.seqKey + 1;
  std::string value;
  switch (op) {
    case KIV_DRV_SETKEY:
      return 0;
    case KIV_DRV_SETKEYKEY:
      encodeKey(k->shape, recordBytes(t), value);
      startAt(t, value, INT64_MIN, INT64_MAX);
      return 0;
    case KIV_DRV_SETKEYKEYPTR:
      encodeKey(k->shape, recordBytes(t), value);
      startAt(t, value, pointer, pointer);
      return 0;
    case KIV_DRV_SETKEYPTR: {
      std::string data;
      if (!storedRecord(t, pointer, data)) return Kiv$ERRCODE ? Kiv$ERRCODE : 35;
      encodeKey(k->shape, reinterpret_cast<const uint8_t*>(data.data()), value);
      startAt(t, value, pointer, pointer);
      return 0;
    }
    default:
      return 80;
  }
}

int32_t readNext(ZephraTable& t, int dir) {
  if (t.seqKey >= 0 && !keyUsable(t, *t.keys[static_cast<size_t>(t.seqKey)])) return 46;
  if (t.batchDir != dir || t.batchPos >= t.batch.size()) {
    int32_t err = fetch(t, dir, t.quickScan ? kBatchQuick : kBatchNormal);
    if (err) return err;
  }
  if (t.batchPos >= t.batch.size()) {
    t.dropBatch();
    t.currentId = 0;
    return 33;
  }
  const Row& row = t.batch[t.batchPos++];
  deliver(t, row, t.table->recordLength);
  t.cursor = Cursor{false, row.key, row.id, row.id, false};
  return 0;
}

int32_t skipRecords(ZephraTable& t, int32_t count) {
  std::string saved(static_cast<const char*>(t.table->record), t.table->recordLength);
  int dir = count >= 0 ? 1 : -1;
  int32_t err = 0;
  for (int64_t n = count >= 0 ? count : -int64_t(count); n > 0 && !err; --n) err = readNext(t, dir);
  std::memcpy(t.table->record, saved.data(), saved.size());
  return err;
}

std::string position(ZephraTable& t, KeyState* k) {
  std::string pos;
  pos.push_back(kPositionMark);
  pos.push_back(static_cast<char>(k ? keyIndex(t, k) + 1 : 0));
  if (k) {
    std::string value;
    encodeKey(k->shape, recordBytes(t), value);
    pos += value;
  }
  putId(pos, t.currentId);
  return pos;
}

namespace {

// Checks a position string against the key (or record order) it is used with; the key value
// and pointer it holds, or false. Trailing blanks and NULs beyond the position are accepted.
bool decodePosition(const ZephraTable& t, const KeyState* k, std::string_view pos,
                    std::string& value, int64_t& id) {
  size_t width = k ? k->shape.width : 0;
  size_t need = 2 + width + 8;
  if (pos.size() < need || pos[0] != kPositionMark) return false;
  for (size_t i = need; i < pos.size(); ++i)
    if (pos[i] != ' ' && pos[i] != '\0') return false;
  int expected = k ? keyIndex(t, k) + 1 : 0;
  if (static_cast<uint8_t>(pos[1]) != expected) return false;
  value.assign(pos.substr(2, width));
  id = getId(pos.data() + 2 + width);
  return id > 0;
}

}  // namespace

int32_t resetTo(ZephraTable& t, KeyState* k, std::string_view pos) {
  t.dropBatch();
  if (k && !keyUsable(t, *k)) return 46;
  std::string value;
  int64_t id;
  if (!decodePosition(t, k, pos, value, id)) return 35;
  t.seqKey = k ? keyIndex(t, k) : -1;
  t.lastSetKey = t.seqKey + 1;
  startAt(t, value, id, id);
  return 0;
}

int32_t regetAt(ZephraTable& t, KeyState* k, std::string_view pos) {
  if (k && !keyUsable(t, *k)) return 46;
  std::string value;
  int64_t id;
  if (!decodePosition(t, k, pos, value, id)) return 35;
  return getByPointer(t, id, t.table->recordLength);
}

}  // namespace kiv::zephra

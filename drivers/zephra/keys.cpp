// Key entries: keeping them with each record, building them all, and run-time indexes.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "drivers/zephra/entry_feed.h"
#include "drivers/zephra/zephra_table.h"

namespace kiv::zephra {
namespace {

bool keyBuilt(const KeyState& k) { return !k.dynamic || (k.head.state & KIV_STATE_KEYBUILT); }

int32_t insertEntry(ZephraTable& t, const KeyState& k, const std::string& value, int64_t id) {
  sqlite3_stmt* s = t.statement("INSERT INTO " + k.sqlTable + "(k, id) VALUES(?, ?)");
  if (!s) return Kiv$ERRCODE;
  bindBlob(s, 1, value);
  sqlite3_bind_int64(s, 2, id);
  int rc = stepRow(s);
  sqlite3_reset(s);
  return rc == SQLITE_DONE ? 0 : sqlFault(t.db(), rc);
}

int32_t createEntries(ZephraTable& t, const std::string& name) {
  return exec(*t.session, "DROP TABLE IF EXISTS " + name + "; CREATE TABLE " + name +
                              "(k BLOB NOT NULL, id INTEGER NOT NULL, PRIMARY KEY(k, id)) "
                              "WITHOUT ROWID");
}

// Inserts a key's gathered (value, pointer) items in key order.
int32_t insertSorted(ZephraTable& t, const KeyState& k, const std::vector<char>& items,
                     size_t count) {
  size_t width = k.shape.width;
  size_t stride = width + 8;
  // Sorted by the first sixteen bytes of the value as two numbers, then by the rest and the
  // pointer: most comparisons need not look at the items themselves.
  struct Entry {
    uint64_t high, low;
    uint32_t index;
  };
  std::vector<Entry> order(count);
  const char* base = items.data();
  const size_t head = std::min<size_t>(width, 16);
  for (size_t i = 0; i < count; ++i) {
    const auto* p = reinterpret_cast<const uint8_t*>(base + i * stride);
    uint64_t part[2] = {0, 0};
    for (size_t b = 0; b < 16; ++b) part[b / 8] = part[b / 8] << 8 | (b < head ? p[b] : 0);
    order[i] = {part[0], part[1], static_cast<uint32_t>(i)};
  }
  std::sort(order.begin(), order.end(), [&](const Entry& a, const Entry& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    const char* x = base + size_t(a.index) * stride;
    const char* y = base + size_t(b.index) * stride;
    if (width > head)
      if (int c = std::memcmp(x + head, y + head, width - head)) return c < 0;
    int64_t ia, ib;
    std::memcpy(&ia, x + width, 8);
    std::memcpy(&ib, y + width, 8);
    return ia < ib;
  });
  // One statement puts the whole sorted list in.
  std::vector<uint32_t> sorted(count);
  for (size_t i = 0; i < count; ++i) sorted[i] = order[i].index;
  std::vector<Entry>().swap(order);
  EntryFeed feed{base, width, sorted.data(), count};
  sqlite3_stmt* s =
      t.statement("INSERT INTO " + k.sqlTable + "(k, id) SELECT k, id FROM zfeed(?1)");
  if (!s) return Kiv$ERRCODE;
  sqlite3_bind_pointer(s, 1, &feed, kEntryFeedType, nullptr);
  int rc = stepRow(s);
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  return rc == SQLITE_DONE ? 0 : sqlFault(t.db(), rc);
}

// Fills the entries of several keys from one pass over the records: each key's entries are
// gathered as fixed-width (value, pointer) items, sorted, and inserted in order.
int32_t fillKeys(ZephraTable& t, const std::vector<KeyState*>& keys) {
  if (keys.empty()) return 0;
  struct Pending {
    KeyState* key;
    std::vector<char> items;  // value then 8-byte pointer, width + 8 bytes each
    size_t count = 0;
  };
  std::vector<Pending> pending;
  for (KeyState* k : keys) pending.push_back({k, {}, 0});

  // Room for every record's entries at once, as the count says.
  int32_t records = 0;
  if (countRecords(t, nullptr, records) == 0 && records > 0)
    for (Pending& p : pending) p.items.reserve(size_t(records) * (p.key->shape.width + 8));
  sqlite3_stmt* scan = t.statement("SELECT id, data FROM " + t.q("rec"));
  if (!scan) return Kiv$ERRCODE;
  std::string value;
  std::string record(t.table->recordLength, '\0');
  int rc;
  while ((rc = stepRow(scan)) == SQLITE_ROW) {
    int64_t id = sqlite3_column_int64(scan, 0);
    const void* blob = sqlite3_column_blob(scan, 1);
    size_t n = static_cast<size_t>(sqlite3_column_bytes(scan, 1));
    // A record stored shorter than the record length is read zero-filled.
    const uint8_t* bytes = static_cast<const uint8_t*>(blob);
    if (!blob || n < record.size()) {
      std::memset(record.data(), 0, record.size());
      if (blob && n) std::memcpy(record.data(), blob, std::min(n, record.size()));
      bytes = reinterpret_cast<const uint8_t*>(record.data());
    }
    for (Pending& p : pending) {
      if (!encodeKey(p.key->shape, bytes, value)) continue;
      size_t at = p.items.size();
      p.items.resize(at + value.size() + 8);
      std::memcpy(p.items.data() + at, value.data(), value.size());
      std::memcpy(p.items.data() + at + value.size(), &id, 8);
      ++p.count;
    }
  }
  sqlite3_reset(scan);
  if (rc != SQLITE_DONE) return sqlFault(t.db(), rc);

  // The entries go in under one savepoint: for a run-time index, built outside any transaction,
  // this saves a commit of its in-memory database per entry.
  if (int32_t err = exec(*t.session, "SAVEPOINT zfill")) return err;
  int32_t err = 0;
  for (Pending& p : pending) {
    if ((err = insertSorted(t, *p.key, p.items, p.count))) break;
    std::vector<char>().swap(p.items);
  }
  if (err) {
    sqlite3_exec(t.db(), "ROLLBACK TO zfill; RELEASE zfill", nullptr, nullptr, nullptr);
    return err;
  }
  return exec(*t.session, "RELEASE zfill");
}

}  // namespace

bool keyUsable(const ZephraTable& t, const KeyState& k) {
  if (k.dynamic) return (k.head.state & KIV_STATE_KEYBUILT) != 0;
  return k.valid && !t.stale;
}

int32_t checkUnique(ZephraTable& t, const uint8_t* data, int64_t self) {
  std::string value;
  for (auto& k : t.keys) {
    if (!k->unique || !k->valid || !keyBuilt(*k)) continue;
    if (!encodeKey(k->shape, data, value)) continue;
    sqlite3_stmt* s =
        t.statement("SELECT 1 FROM " + k->sqlTable + " WHERE k = ? AND id <> ? LIMIT 1");
    if (!s) return Kiv$ERRCODE;
    bindBlob(s, 1, value);
    sqlite3_bind_int64(s, 2, self);
    int rc = stepRow(s);
    sqlite3_reset(s);
    if (rc == SQLITE_ROW) return 40;
    if (rc != SQLITE_DONE) return sqlFault(t.db(), rc);
  }
  return 0;
}

int32_t insertKeys(ZephraTable& t, int64_t id, const uint8_t* data, const KeyState* skip,
                   bool uniqueOnly) {
  std::string value;
  for (auto& k : t.keys) {
    if (k.get() == skip || !k->valid || !keyBuilt(*k) || (uniqueOnly && !k->unique)) continue;
    if (!encodeKey(k->shape, data, value)) continue;
    if (int32_t err = insertEntry(t, *k, value, id)) return err;
  }
  return 0;
}

bool hasUniqueKeys(const ZephraTable& t) {
  for (auto& k : t.keys)
    if (k->unique && k->valid && keyBuilt(*k)) return true;
  return false;
}

void deferKeys(ZephraTable& t, int64_t id, const uint8_t* data) {
  if (t.pending.size() != t.keys.size()) t.pending.resize(t.keys.size());
  std::string value;
  for (size_t i = 0; i < t.keys.size(); ++i) {
    const KeyState& k = *t.keys[i];
    if (k.unique || !k.valid || !keyBuilt(k)) continue;
    if (!encodeKey(k.shape, data, value)) continue;
    PendingEntries& p = t.pending[i];
    const size_t at = p.items.size();
    p.items.resize(at + value.size() + 8);
    std::memcpy(p.items.data() + at, value.data(), value.size());
    std::memcpy(p.items.data() + at + value.size(), &id, 8);
    ++p.count;
  }
}

int32_t applyPending(ZephraTable& t) {
  if (t.pendingRecords == 0) return 0;
  int32_t err = 0;
  for (size_t i = 0; i < t.pending.size() && !err; ++i) {
    PendingEntries& p = t.pending[i];
    if (p.count) err = insertSorted(t, *t.keys[i], p.items, p.count);
  }
  if (!err) err = adjustCount(t, t.pendingRecords);
  for (PendingEntries& p : t.pending) std::vector<char>().swap(p.items), p.count = 0;
  t.pendingRecords = 0;
  if (err) {
    // Records without their key entries: the keys are rebuilt before they are read again.
    Kiv$SaveErrorState();
    if (setMeta(t, "stale", "1") == 0) t.stale = true;
    Kiv$RestoreErrorState();
  }
  return err;
}

int32_t deleteKeys(ZephraTable& t, int64_t id, const uint8_t* data) {
  std::string value;
  for (auto& k : t.keys) {
    if (!k->valid || !keyBuilt(*k)) continue;
    if (!encodeKey(k->shape, data, value)) continue;
    sqlite3_stmt* s = t.statement("DELETE FROM " + k->sqlTable + " WHERE k = ? AND id = ?");
    if (!s) return Kiv$ERRCODE;
    bindBlob(s, 1, value);
    sqlite3_bind_int64(s, 2, id);
    int rc = stepRow(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) return sqlFault(t.db(), rc);
  }
  return 0;
}

int32_t buildKeys(ZephraTable& t) {
  WriteScope scope(t);
  int32_t err = scope.begin();
  if (err) return err;
  // Statements on tables about to be dropped must go first.
  for (auto& [sql, s] : t.statements) sqlite3_finalize(s);
  t.statements.clear();
  std::vector<KeyState*> keys;
  for (auto& k : t.keys) {
    if (!k->valid || (k->dynamic && !(k->head.state & KIV_STATE_KEYBUILT))) continue;
    if ((err = createEntries(t, k->sqlTable))) return scope.finish(err);
    keys.push_back(k.get());
  }
  exec(*t.session, "PRAGMA " + t.schema + ".cache_size=-262144");
  err = fillKeys(t, keys);
  exec(*t.session, "PRAGMA " + t.schema + ".cache_size=-16000");
  if (!err) err = setMeta(t, "keys", keysSignature(t));
  if (!err) err = setMeta(t, "stale", "0");
  if (!err)
    err = exec(*t.session, "UPDATE " + t.q("meta") + " SET value = (SELECT count(*) FROM " +
                               t.q("rec") + ") WHERE name = 'count'");
  err = scope.finish(err);
  if (!err) t.stale = false;
  return err;
}

int32_t buildIndex(ZephraTable& t, KeyState& k, std::string_view components, bool rebuild) {
  KeyShape shape = k.shape;
  rebuild = rebuild && k.valid;
  if (!rebuild &&
      !shapeFromComponents(t.fields, components, k.shape.caseBlind, k.shape.optional, shape)) {
    Kiv$setfileerror("components", "The component string names no field of the record");
    return 76;
  }
  for (auto it = t.statements.begin(); it != t.statements.end();) {
    if (it->first.find(k.sqlTable) != std::string::npos) {
      sqlite3_finalize(it->second);
      it = t.statements.erase(it);
    } else {
      ++it;
    }
  }
  k.shape = shape;
  k.valid = true;
  k.head.state &= ~KIV_STATE_KEYBUILT;
  t.dropBatch();
  // The index lives in the table's own in-memory database; it needs no write access to the file.
  int32_t err = createEntries(t, k.sqlTable);
  if (!err) err = fillKeys(t, {&k});
  if (err) {
    k.valid = false;
    return err;
  }
  return 0;
}

}  // namespace kiv::zephra

// Opening, creating, closing and removing the database file of a table.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "drivers/zephra/zephra_table.h"

namespace kiv::zephra {
namespace {

constexpr const char* kExtension = ".ZPH";
constexpr int kFormat = 1;
constexpr int64_t kMapBytes = int64_t(4) << 30;
std::atomic<int> gNextUid{0};

bool exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string quoteIdent(const std::string& name) { return "\"" + name + "\""; }

std::string quoteText(const std::string& text) {
  std::string r = "'";
  for (char c : text) {
    if (c == '\'') r += '\'';
    r += c;
  }
  return r + "'";
}

int32_t platformFault(const char* what) {
  int err = errno;
  std::string code = std::to_string(err);
  std::string message = std::string(what) + ": " + std::strerror(err);
  Kiv$setfileerror(code.c_str(), message.c_str());
  Kiv$seterror(90);
  return 90;
}

int32_t invalidData(const char* why) {
  Kiv$setfileerror("format", why);
  return 36;
}

// Reads one meta value; false when it is missing.
bool readMeta(ZephraTable& t, const char* name, std::string& value) {
  sqlite3_stmt* s = t.statement("SELECT value FROM " + t.q("meta") + " WHERE name=?");
  if (!s) return false;
  sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
  bool found = stepRow(s) == SQLITE_ROW;
  if (found) {
    auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    value = text ? text : "";
  }
  sqlite3_reset(s);
  return found;
}

void keyTableSql(std::string& sql, const std::string& name) {
  sql += "CREATE TABLE " + name +
         "(k BLOB NOT NULL, id INTEGER NOT NULL, PRIMARY KEY(k, id)) WITHOUT ROWID;";
}

// Builds the shapes of the table's keys from their declarations.
int32_t prepareKeys(ZephraTable& t) {
  KivTable& table = *t.table;
  for (uint8_t i = 0; i < table.keyCount; ++i) {
    auto k = std::make_unique<KeyState>();
    KivKey* d = table.keys ? table.keys[i] : nullptr;
    k->desc = d;
    if (d) {
      bool caseBlind = d->attributes & KIV_KEY_NOCASE;
      bool optional = d->attributes & KIV_KEY_OPT;
      k->unique = !(d->attributes & KIV_KEY_DUP);
      k->dynamic = (d->attributes & KIV_KEY_DYNAMIC) || d->componentCount == 0;
      if (k->dynamic) {
        k->head.attributes = KIV_DRVKEY_RUNTIME;
        k->shape.caseBlind = caseBlind;
        k->shape.optional = optional;
        // Run-time indexes live in an in-memory database of the table's own, which the
        // connection of a LOGOUT transaction can attach as well as the table's.
        if (t.indexSchema.empty()) {
          t.indexSchema = quoteIdent("x" + std::to_string(t.uid));
          t.indexStore = "file:/kvzph-" + std::to_string(getpid()) + "-" + std::to_string(t.uid) +
                         "?vfs=memdb";
        }
        k->sqlTable = t.indexSchema + ".\"d" + std::to_string(i + 1) + "\"";
      } else {
        k->valid = shapeFromFields(t.fields, d->components, d->componentCount, caseBlind, optional,
                                   k->shape);
        if (!k->valid) {
          Kiv$setfileerror("key", "A key names a field the record does not have");
          return 76;
        }
        k->sqlTable = t.q("k" + std::to_string(i + 1));
      }
    }
    t.keys.push_back(std::move(k));
  }
  return 0;
}

// Attaches the table's file under its schema name with the settings every connection uses
// for it.
int32_t attachFile(Session& s, const ZephraTable& t) {
  if (int32_t err = attachDatabase(s, t.path, t.schema)) return err;
  // Reads map the file instead of copying pages through system calls.
  return exec(s, "PRAGMA " + t.schema + ".journal_mode=DELETE; PRAGMA " + t.schema +
                     ".synchronous=NORMAL; PRAGMA " + t.schema +
                     ".cache_size=" + std::to_string(t.stream ? kStreamCacheKb : kNormalCacheKb) +
                     "; PRAGMA " + t.schema + ".mmap_size=" + std::to_string(kMapBytes));
}

}  // namespace

int32_t attachTable(Session& s, ZephraTable& t) {
  if (int32_t err = attachFile(s, t)) return err;
  if (t.indexSchema.empty()) return 0;
  return attachDatabase(s, t.indexStore, t.indexSchema);
}

void ZephraTable::use(std::shared_ptr<Session> s) {
  for (auto& [sql, st] : statements) sqlite3_finalize(st);
  statements.clear();
  dropBatch();
  session = std::move(s);
}

ZephraTable::~ZephraTable() {
  for (auto& [sql, s] : statements) sqlite3_finalize(s);
}

sqlite3_stmt* ZephraTable::statement(const std::string& sql) {
  auto it = statements.find(sql);
  if (it != statements.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v3(db(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
  if (rc != SQLITE_OK) {
    sqlFault(db(), rc);
    return nullptr;
  }
  statements.emplace(sql, s);
  return s;
}

std::string tableFileName(const KivTable& table) {
  std::string name(table.name ? table.name : "", table.name ? table.nameLen : 0);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.find('.') == std::string::npos) name += kExtension;
  return name;
}

std::string tablePath(const KivTable& table) {
  std::string name = tableFileName(table);
  if (!name.empty() && name[0] == '/') return name;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return name;
  return std::string(cwd) + "/" + name;
}

std::string layoutSignature(const KivTable& table,
                            const std::vector<kiv::data::RecordField>& fields) {
  std::string s = "len=" + std::to_string(table.recordLength);
  for (const auto& f : fields)
    s += ";" + std::to_string(f.type) + "," + std::to_string(f.size) + "," +
         std::to_string(f.places) + "," + std::to_string(f.dim) + "@" + std::to_string(f.offset);
  return s;
}

std::string keysSignature(const ZephraTable& t) {
  std::string s;
  for (const auto& k : t.keys) {
    if (k->dynamic) {
      s += "[dynamic]";
      continue;
    }
    s += "[" + std::string(k->unique ? "U" : "D") + shapeSignature(k->shape) + "]";
  }
  return s;
}

int32_t setMeta(ZephraTable& t, const char* name, const std::string& value) {
  sqlite3_stmt* s =
      t.statement("INSERT OR REPLACE INTO " + t.q("meta") + "(name, value) VALUES(?, ?)");
  if (!s) return Kiv$ERRCODE;
  sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
  sqlite3_bind_text(s, 2, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  int rc = stepRow(s);
  sqlite3_reset(s);
  return rc == SQLITE_DONE ? 0 : sqlFault(t.db(), rc);
}

int32_t openTable(KivTable* table, int32_t mode, bool forRebuild, ZephraTable** out) {
  *out = nullptr;
  int access = mode & 0x0F, share = mode & 0xF0;
  if (access > 2 || share > 0x40) return 5;
  std::string path = tablePath(*table);
  if (!exists(path)) return 2;

  auto t = std::make_unique<ZephraTable>();
  t->table = table;
  t->path = path;
  t->mode = mode;
  t->uid = ++gNextUid;
  int lockResult = t->lock.acquire(path, share, recoverWaitMs(table));
  if (lockResult < 0) return platformFault("lock");
  if (lockResult) {
    Kiv$setfileerror("share", "Another program holds the table with sharing denied");
    return lockResult;
  }

  t->home = openSession(false);
  if (!t->home) return Kiv$ERRCODE;
  t->session = t->home;
  Session& s = *t->home;
  t->schema = quoteIdent("z" + std::to_string(t->uid));
  auto fail = [&](int32_t err) {
    closeTable(t.release());
    return err;
  };
  int32_t err = attachFile(s, *t);
  if (err) return fail(err);

  std::string format, reclen, layout, keys, stale;
  {
    sqlite3_stmt* probe = nullptr;
    std::string sql =
        "SELECT count(*) FROM " + t->schema + ".sqlite_master WHERE type='table' AND name='meta'";
    int rc = sqlite3_prepare_v2(s.db, sql.c_str(), -1, &probe, nullptr);
    int found = 0;
    if (rc == SQLITE_OK && (rc = sqlite3_step(probe)) == SQLITE_ROW) {
      found = sqlite3_column_int(probe, 0);
      rc = SQLITE_OK;
    }
    sqlite3_finalize(probe);
    if (rc != SQLITE_OK) return fail(sqlFault(s.db, rc));
    if (!found) return fail(invalidData("The file holds no table description"));
  }
  if (!readMeta(*t, "format", format) || std::atoi(format.c_str()) != kFormat)
    return fail(invalidData("Unknown table format"));
  kiv::data::recordFields(*table, t->fields);
  readMeta(*t, "layout", layout);
  if (layout != layoutSignature(*table, t->fields)) {
    Kiv$setfileerror("layout", "The stored record layout differs from the declaration");
    return fail(47);
  }
  if ((err = prepareKeys(*t))) return fail(err);
  if (!t->indexSchema.empty()) {
    if ((err = attachDatabase(s, t->indexStore, t->indexSchema))) return fail(err);
    // Large pages for the run-time indexes: fewer of them to split and balance as an index of a
    // whole table is built. Memory that holds nothing else needs no clearing when an index is
    // dropped for a new one.
    if ((err = exec(s, "PRAGMA " + t->indexSchema + ".page_size=65536; PRAGMA " + t->indexSchema +
                           ".secure_delete=OFF")))
      return fail(err);
  }
  readMeta(*t, "keys", keys);
  readMeta(*t, "stale", stale);
  t->stale = stale == "1" || keys != keysSignature(*t);
  if (t->stale && !forRebuild) return fail(46);

  t->head.state = KIV_STATE_OPEN;
  if (access != 0) t->head.state |= KIV_STATE_WRITE;
  if (share == 0x10 || share == 0x20 || share == 0) t->head.state |= KIV_STATE_EXCLUSIVE;
  *out = t.release();
  return 0;
}

int32_t closeTable(ZephraTable* t) {
  if (!t) return 0;
  forgetTransaction(*t);
  // A STREAM batch not yet flushed is kept, with its deferred key entries.
  int32_t err = t->session == t->home ? applyPending(*t) : 0;
  for (auto& [sql, s] : t->statements) sqlite3_finalize(s);
  t->statements.clear();
  if (t->home) {
    const int32_t committed = commitSession(*t->home);
    if (!err) err = committed;
  }
  delete t;
  return err;
}

int32_t createTable(KivTable* table) {
  std::string path = tablePath(*table);
  if (ShareLock::openElsewhere(path)) {
    Kiv$setfileerror("share", "The table is open elsewhere");
    return 32;
  }
  std::string fresh = path + ".new";
  unlink(fresh.c_str());
  std::vector<kiv::data::RecordField> fields;
  kiv::data::recordFields(*table, fields);

  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(fresh.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::string sql =
      "PRAGMA page_size=16384; PRAGMA journal_mode=DELETE; BEGIN;"
      "CREATE TABLE meta(name TEXT PRIMARY KEY, value);"
      "CREATE TABLE rec(id INTEGER PRIMARY KEY, chg INTEGER NOT NULL, data BLOB NOT NULL);";
  ZephraTable probe;
  probe.table = table;
  probe.fields = fields;
  probe.schema = "main";
  for (uint8_t i = 0; i < table->keyCount; ++i) {
    KivKey* d = table->keys ? table->keys[i] : nullptr;
    if (!d || (d->attributes & KIV_KEY_DYNAMIC) || d->componentCount == 0) {
      auto k = std::make_unique<KeyState>();
      k->dynamic = true;
      probe.keys.push_back(std::move(k));
      continue;
    }
    auto k = std::make_unique<KeyState>();
    k->desc = d;
    k->unique = !(d->attributes & KIV_KEY_DUP);
    if (!shapeFromFields(fields, d->components, d->componentCount, d->attributes & KIV_KEY_NOCASE,
                         d->attributes & KIV_KEY_OPT, k->shape)) {
      sqlite3_close(db);
      unlink(fresh.c_str());
      Kiv$setfileerror("key", "A key names a field the record does not have");
      return 76;
    }
    probe.keys.push_back(std::move(k));
    keyTableSql(sql, "k" + std::to_string(i + 1));
  }
  sql += "INSERT INTO meta VALUES('format', " + std::to_string(kFormat) + ");";
  sql += "INSERT INTO meta VALUES('layout', " + quoteText(layoutSignature(*table, fields)) + ");";
  sql += "INSERT INTO meta VALUES('keys', " + quoteText(keysSignature(probe)) + ");";
  sql += "INSERT INTO meta VALUES('stale', '0'); INSERT INTO meta VALUES('count', 0); COMMIT;";
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    int32_t err = sqlFault(db, rc);
    sqlite3_close(db);
    unlink(fresh.c_str());
    return err;
  }
  sqlite3_close(db);
  // A journal left by the file being replaced must not be played back into the new one.
  unlink((path + "-journal").c_str());
  if (rename(fresh.c_str(), path.c_str()) != 0) {
    int32_t err = platformFault("rename");
    unlink(fresh.c_str());
    return err;
  }
  return 0;
}

int32_t removeTable(KivTable* table) {
  std::string path = tablePath(*table);
  if (!exists(path)) return 2;
  if (ShareLock::openElsewhere(path)) {
    Kiv$setfileerror("share", "The table is open elsewhere");
    return 32;
  }
  if (unlink(path.c_str()) != 0) return platformFault("remove");
  unlink((path + "-journal").c_str());
  unlink(ShareLock::lockPath(path).c_str());
  return 0;
}

int stepRow(sqlite3_stmt* s) {
  int rc = sqlite3_step(s);
  return rc;
}

void bindBlob(sqlite3_stmt* s, int i, std::string_view b) {
  sqlite3_bind_blob(s, i, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

std::string columnBlob(sqlite3_stmt* s, int i) {
  const void* p = sqlite3_column_blob(s, i);
  int n = sqlite3_column_bytes(s, i);
  return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

}  // namespace kiv::zephra

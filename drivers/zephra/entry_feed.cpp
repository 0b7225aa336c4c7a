// The zfeed table-valued function: rows (k, id) from an EntryFeed bound as a pointer.
#include "drivers/zephra/entry_feed.h"

#include <cstring>
#include <new>

namespace kiv::zephra {
namespace {

struct FeedCursor {
  sqlite3_vtab_cursor base{};
  const EntryFeed* feed = nullptr;
  size_t row = 0;
};

const char* itemOf(const FeedCursor& c) {
  const EntryFeed& f = *c.feed;
  return f.items + size_t(f.order[c.row]) * (f.width + 8);
}

int feedConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
  int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(k BLOB, id INTEGER, list HIDDEN)");
  if (rc != SQLITE_OK) return rc;
  auto* vtab = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
  if (!vtab) return SQLITE_NOMEM;
  std::memset(vtab, 0, sizeof *vtab);
  *out = vtab;
  return SQLITE_OK;
}

int feedDisconnect(sqlite3_vtab* vtab) {
  sqlite3_free(vtab);
  return SQLITE_OK;
}

// The list argument is required: without it the function has no rows to give.
int feedBestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
  for (int i = 0; i < info->nConstraint; ++i) {
    const auto& c = info->aConstraint[i];
    if (c.iColumn == 2 && c.op == SQLITE_INDEX_CONSTRAINT_EQ && c.usable) {
      info->aConstraintUsage[i].argvIndex = 1;
      info->aConstraintUsage[i].omit = 1;
      info->estimatedCost = 1;
      info->idxNum = 1;
      return SQLITE_OK;
    }
  }
  info->estimatedCost = 1e99;
  info->idxNum = 0;
  return SQLITE_OK;
}

int feedOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
  auto* c = new (std::nothrow) FeedCursor;
  if (!c) return SQLITE_NOMEM;
  *out = &c->base;
  return SQLITE_OK;
}

int feedClose(sqlite3_vtab_cursor* cursor) {
  delete reinterpret_cast<FeedCursor*>(cursor);
  return SQLITE_OK;
}

int feedFilter(sqlite3_vtab_cursor* cursor, int idxNum, const char*, int argc,
               sqlite3_value** argv) {
  auto* c = reinterpret_cast<FeedCursor*>(cursor);
  c->row = 0;
  c->feed = idxNum == 1 && argc == 1
                ? static_cast<const EntryFeed*>(sqlite3_value_pointer(argv[0], kEntryFeedType))
                : nullptr;
  return SQLITE_OK;
}

int feedNext(sqlite3_vtab_cursor* cursor) {
  ++reinterpret_cast<FeedCursor*>(cursor)->row;
  return SQLITE_OK;
}

int feedEof(sqlite3_vtab_cursor* cursor) {
  auto* c = reinterpret_cast<FeedCursor*>(cursor);
  return !c->feed || c->row >= c->feed->count;
}

int feedColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int column) {
  auto* c = reinterpret_cast<FeedCursor*>(cursor);
  const char* item = itemOf(*c);
  if (column == 0) {
    sqlite3_result_blob(ctx, item, static_cast<int>(c->feed->width), SQLITE_STATIC);
  } else if (column == 1) {
    int64_t id;
    std::memcpy(&id, item + c->feed->width, 8);
    sqlite3_result_int64(ctx, id);
  }
  return SQLITE_OK;
}

int feedRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
  *rowid = static_cast<sqlite3_int64>(reinterpret_cast<FeedCursor*>(cursor)->row);
  return SQLITE_OK;
}

sqlite3_module makeModule() {
  sqlite3_module m{};
  m.xConnect = feedConnect;  // eponymous only: no xCreate
  m.xBestIndex = feedBestIndex;
  m.xDisconnect = feedDisconnect;
  m.xOpen = feedOpen;
  m.xClose = feedClose;
  m.xFilter = feedFilter;
  m.xNext = feedNext;
  m.xEof = feedEof;
  m.xColumn = feedColumn;
  m.xRowid = feedRowid;
  return m;
}

const sqlite3_module kFeedModule = makeModule();

}  // namespace

int registerEntryFeed(sqlite3* db) {
  return sqlite3_create_module(db, "zfeed", &kFeedModule, nullptr);
}

}  // namespace kiv::zephra

// A table-valued function of every connection, zfeed(?), that reads a list of key entries
// from memory: `INSERT INTO k SELECT k, id FROM zfeed(?1)` with the list bound as a pointer puts
// a whole sorted list in with one statement.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>

namespace kiv::zephra {

// Entries in a buffer of fixed-width items (value, then the 8-byte pointer), read in the order
// of `order` (item numbers).
struct EntryFeed {
  const char* items = nullptr;
  size_t width = 0;  // bytes of a value; an item is width + 8 bytes
  const uint32_t* order = nullptr;
  size_t count = 0;
};

// The pointer type of the bound list.
constexpr const char* kEntryFeedType = "kiv-zephra-entries";

// Registers zfeed on a connection; an SQLite result code.
int registerEntryFeed(sqlite3* db);

}  // namespace kiv::zephra

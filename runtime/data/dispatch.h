// Handing one file operation to the driver of a table.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "include/kvrun32/file.h"

namespace kiv::data {

// Calls the table's driver entry with the operation code and the arguments in one block, and
// records the table as the error file when the driver left an error. Without a driver entry the
// operation is unsupported (80).
int32_t dispatch(KivTable* table, int32_t op, std::initializer_list<intptr_t> args = {});

// The same for an operation on a key: the key leads the arguments, its table is the descriptor.
int32_t dispatchKey(KivKey* key, int32_t op, std::initializer_list<intptr_t> more = {});

}  // namespace kiv::data

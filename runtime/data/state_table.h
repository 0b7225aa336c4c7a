// The operation state table: for each driver operation code, the state bits it needs, forbids,
// sets and clears, used by the driver support functions to keep every driver's state consistent.
#pragma once

#include <cstdint>

namespace kiv::data {

struct OperationMasks {
  uint32_t pending;        // OR-ed into the pending word after success
  uint32_t required;       // missing ones refuse the operation
  uint32_t forbidden;      // present ones refuse the operation
  uint32_t set;            // set on success
  uint32_t cleared;        // cleared on success
  uint32_t clearedOnFail;  // cleared on failure
};

constexpr int32_t kFirstOperation = 1;
constexpr int32_t kLastOperation = 81;

// The masks of operation code `op`; op must lie in 1..81.
const OperationMasks& operationMasks(int32_t op);

// The refusal code for operation `op` on a table whose state word is `state`, with an optional
// per-key object; 0 when the operation may run. Resets *pending.
int32_t checkState(const uint8_t* keyObject, uint32_t state, uint32_t* pending, int32_t op,
                   const char* position, uint32_t positionLen);

// Applies the outcome `error` of operation `op` to the state and pending words.
void updateState(uint8_t* keyObject, uint32_t* state, uint32_t* pending, int32_t op, int32_t error);

}  // namespace kiv::data

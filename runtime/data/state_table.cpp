// The operation state table and the state check and update built on it.
#include "runtime/data/state_table.h"

#include <array>
#include <cstring>

#include "include/kvrun32.h"

namespace kiv::data {
namespace {

constexpr uint32_t kKeyBuilt = KIV_STATE_KEYBUILT;

struct Row {
  int32_t op;
  OperationMasks masks;
};

// pend / req / forbid / set / clear / clear-on-failure, by operation code.
constexpr Row kRows[] = {
    {1, {0x1, 0x41, 0, 0x2, 0, 0}},          // ADD
    {2, {0, 0x21, 0, 0, 0, 0}},              // BOF
    {3, {0x1, 0xC0, 0x4, 0, 0, 0x222}},      // BUILD of table
    {4, {0x1, 0x41, 0, 0, 0, 0}},            // APPEND
    {5, {0x1, 0x1, 0x4, 0x100, 0, 0}},       // BUILD of an index from components
    {6, {0x1, 0xC0, 0x4, 0, 0, 0}},          // BUILD of key
    {7, {0x3, 0x1, 0x4, 0, 0x101, 0}},       // CLOSE
    {8, {0x1, 0x5, 0, 0, 0x4, 0}},           // DRV_COMMIT
    {9, {0x3, 0, 0x1, 0, 0, 0}},             // COPY
    {10, {0x3, 0, 0x1, 0, 0, 0}},            // CREATE
    {11, {0x1, 0x43, 0, 0, 0x2, 0}},         // DELETE
    {12, {0x1, 0x41, 0, 0, 0, 0}},           // DUPLICATE of table
    {13, {0x1, 0xC1, 0x4, 0, 0, 0}},         // EMPTY
    {14, {0, 0x21, 0, 0, 0, 0}},             // EOF
    {15, {0x1, 0x101, 0, 0x2, 0, 0x2}},      // GET by key
    {16, {0x1, 0x1, 0, 0x2, 0, 0x2}},        // GET by pointer
    {17, {0x1, 0x101, 0, 0x2, 0, 0x2}},      // GET by key and pointer
    {18, {0x1, 0x1, 0, 0, 0, 0}},            // HOLD
    {19, {0x1, 0x1, 0, 0, 0, 0}},            // HOLD with seconds
    {20, {0x1, 0x1, 0x10, 0x90, 0, 0}},      // LOCK
    {21, {0x1, 0x1, 0x10, 0x90, 0, 0}},      // LOCK with seconds
    {22, {0x1, 0x1, 0x4, 0x4, 0, 0}},        // DRV_LOGOUT
    {23, {0, 0, 0, 0, 0, 0}},                // NAME
    {24, {0x5, 0x21, 0, 0x2, 0, 0x222}},     // NEXT
    {25, {0x1, 0, 0x1, 0x1, 0, 0}},          // OPEN
    {26, {0x1, 0xC0, 0x4, 0, 0x22, 0x222}},  // PACK
    {27, {0, 0x3, 0, 0, 0, 0}},              // POINTER of table
    {28, {0, 0x103, 0, 0, 0, 0}},            // POINTER of key
    {29, {0x1, 0x9, 0, 0, 0x8, 0}},          // FLUSH
    {30, {0x1, 0x43, 0, 0, 0, 0}},           // PUT
    {31, {0x5, 0x21, 0, 0x2, 0, 0x222}},     // PREVIOUS
    {32, {0, 0x1, 0, 0, 0, 0}},              // RECORDS of table
    {33, {0, 0x101, 0, 0, 0, 0}},            // RECORDS of key
    {34, {0x1, 0x1, 0x4, 0x100, 0, 0}},      // BUILD of an index with filter
    {35, {0, 0, 0, 0, 0, 0}},                // no operation
    {36, {0x1, 0x1, 0, 0, 0, 0}},            // RELEASE
    {37, {0x3, 0, 0x1, 0, 0, 0}},            // REMOVE
    {38, {0x3, 0, 0x1, 0, 0, 0}},            // RENAME
    {39, {0, 0, 0, 0, 0, 0}},                // no operation
    {40, {0x1, 0x5, 0, 0, 0x4, 0}},          // DRV_ROLLBACK
    {41, {0x5, 0x1, 0, 0x220, 0, 0x220}},    // SET of table
    {42, {0x5, 0x101, 0, 0x220, 0, 0x220}},  // SET of table by key
    {43, {0x5, 0x1, 0, 0x220, 0, 0x220}},    // SET by pointer
    {44, {0x5, 0x101, 0, 0x220, 0, 0x220}},  // SET of key
    {45, {0x5, 0x101, 0, 0x220, 0, 0x220}},  // SET of key by key value
    {46, {0x5, 0x101, 0, 0x220, 0, 0x220}},  // SET of key by pointer
    {47, {0x5, 0x101, 0, 0x220, 0, 0x220}},  // SET of key by key value and pointer
    {48, {0x1, 0, 0x1, 0x1, 0, 0}},          // SHARE
    {49, {0x5, 0x21, 0, 0, 0x2, 0x222}},     // SKIP
    {50, {0x1, 0x11, 0x4, 0, 0x10, 0}},      // UNLOCK
    {51, {0x1, 0x1, 0, 0, 0, 0}},            // ADD with length
    {52, {0x1, 0x1, 0, 0, 0, 0}},            // BYTES
    {53, {0x1, 0x1, 0, 0x2, 0, 0x2}},        // GET by pointer with length
    {54, {0x1, 0x41, 0, 0, 0, 0x2}},         // PUT by pointer
    {55, {0x1, 0x41, 0, 0, 0, 0x2}},         // PUT by pointer with length
    {56, {0x1, 0x1, 0x8, 0x8, 0, 0}},        // STREAM
    {57, {0x1, 0x101, 0, 0, 0, 0}},          // DUPLICATE of key
    {58, {0x1, 0x1, 0, 0, 0, 0}},            // WATCH
    {59, {0x1, 0x41, 0, 0, 0, 0}},           // APPEND with length
    {60, {0x1, 0, 0, 0, 0, 0}},              // SEND
    {61, {0x1, 0x3, 0, 0, 0, 0}},            // POSITION of table
    {62, {0x1, 0x103, 0, 0, 0, 0}},          // POSITION of key
    {63, {0x5, 0x1, 0, 0x220, 0, 0x220}},    // RESET of table
    {64, {0x5, 0x101, 0, 0x220, 0, 0x220}},  // RESET of key
    {65, {0, 0x1, 0, 0, 0, 0}},              // NOMEMO
    {66, {0x1, 0x1, 0, 0x2, 0, 0}},          // REGET of table
    {67, {0x1, 0x101, 0, 0x2, 0, 0}},        // REGET of key
    {68, {0x1, 0x1, 0, 0, 0, 0}},            // NULL
    {69, {0x1, 0x1, 0, 0, 0, 0}},            // SETNULL
    {70, {0x1, 0x1, 0, 0, 0, 0}},            // SETNONULL
    {71, {0x1, 0, 0, 0, 0, 0}},              // set a property
    {72, {0x1, 0, 0, 0, 0, 0}},              // get a property
    {73, {0, 0x101, 0, 0, 0, 0}},            // DRV_CURRENTKEY
    {74, {0, 0, 0, 0, 0, 0}},                // DRV_GETVIEWDRIVER
    {75, {0x1, 0x1, 0, 0, 0, 0}},            // blob copy out
    {76, {0x1, 0x1, 0, 0, 0, 0}},            // blob copy in
    {77, {0, 0x3, 0, 0, 0, 0}},              // blob size
    {78, {0x1, 0x1, 0, 0, 0, 0}},            // blob set property
    {79, {0x1, 0x1, 0, 0, 0, 0}},            // blob get property
    {80, {0x1, 0x1, 0, 0, 0, 0}},            // BUFFER
    {81, {0x5, 0x1, 0, 0x20, 0, 0x20}},      // SET of a view by order values
};

static_assert(std::size(kRows) == kLastOperation);

constexpr bool rowsInOrder() {
  for (size_t i = 0; i < std::size(kRows); ++i)
    if (kRows[i].op != static_cast<int32_t>(i) + 1) return false;
  return true;
}
static_assert(rowsInOrder());

constexpr size_t kKeyAttrOffset = 20;
constexpr size_t kKeyStateOffset = 21;

bool isRuntimeKey(const uint8_t* key) { return key && (key[kKeyAttrOffset] & KIV_DRVKEY_RUNTIME); }

uint32_t keyState(const uint8_t* key) {
  uint32_t s;
  std::memcpy(&s, key + kKeyStateOffset, sizeof s);
  return s;
}

void setKeyState(uint8_t* key, uint32_t s) { std::memcpy(key + kKeyStateOffset, &s, sizeof s); }

bool blankPosition(const char* position, uint32_t len) {
  if (!position) return true;
  for (uint32_t i = 0; i < len; ++i)
    if (position[i] != ' ') return false;
  return true;
}

bool repositions(int32_t op) {
  return op == KIV_DRV_RESETFILE || op == KIV_DRV_RESETKEY || op == KIV_DRV_REGETFILE ||
         op == KIV_DRV_REGETKEY;
}

int32_t refusal(const uint8_t* keyObject, uint32_t state, int32_t op) {
  const OperationMasks& m = operationMasks(op);
  uint32_t missing = m.required & ~state & ~kKeyBuilt;
  if (missing == 0 && isRuntimeKey(keyObject) && !(keyState(keyObject) & kKeyBuilt))
    missing = m.required & kKeyBuilt;
  if (missing != 0) {
    if (missing & KIV_STATE_OPEN) return 37;
    if (missing & kKeyBuilt) return 46;
    if (!(state & KIV_STATE_OPEN)) return 0;
    if (missing & KIV_STATE_RECORD) return 33;
    if (missing & KIV_STATE_SEQUENCE) return 33;
    if (missing & KIV_STATE_EXCLUSIVE) return 63;
    if (missing & KIV_STATE_WRITE) return 5;
    return -1;
  }
  uint32_t present = m.forbidden & state;
  if (present & KIV_STATE_OPEN) return 52;
  if (present & KIV_STATE_LOGOUT) return 56;
  if (present) return -1;
  return 0;
}

}  // namespace

const OperationMasks& operationMasks(int32_t op) { return kRows[op - 1].masks; }

int32_t checkState(const uint8_t* keyObject, uint32_t state, uint32_t* pending, int32_t op,
                   const char* position, uint32_t positionLen) {
  int32_t result = 80;
  if (op >= kFirstOperation && op <= kLastOperation) {
    result = refusal(keyObject, state, op);
    if (result == 0 && repositions(op) && blankPosition(position, positionLen)) result = 35;
  }
  if (pending) *pending = 0;
  return result;
}

void updateState(uint8_t* keyObject, uint32_t* state, uint32_t* pending, int32_t op,
                 int32_t error) {
  if (op < kFirstOperation || op > kLastOperation || !state) return;
  const OperationMasks& m = operationMasks(op);
  if (error == 0) {
    *state = (*state | (m.set & ~kKeyBuilt)) & ~(m.cleared & ~kKeyBuilt);
    if (isRuntimeKey(keyObject)) {
      uint32_t ks = keyState(keyObject);
      ks = (ks | (m.set & kKeyBuilt)) & ~(m.cleared & kKeyBuilt);
      setKeyState(keyObject, ks);
    }
    if (pending) *pending |= m.pending;
    return;
  }
  if (pending && (error == 37 || ((m.pending & 0x2) && error != 52))) *pending |= 0x2;
  *state &= ~m.clearedOnFail;
}

}  // namespace kiv::data

using namespace kiv::data;

namespace {

constexpr size_t kStateOffset = 57;
constexpr size_t kPendingOffset = 61;

}  // namespace

extern "C" {

int32_t _drv_check_any_state(void* keyObject, uint32_t state, uint32_t* pending, int32_t operation,
                             const char* position, uint32_t positionLen) {
  return checkState(static_cast<const uint8_t*>(keyObject), state, pending, operation, position,
                    positionLen);
}

int32_t _drv_check_state(void* openFile, void* keyObject, int32_t operation, const char* position,
                         uint32_t positionLen) {
  uint32_t state = 0, pending = 0;
  auto* bytes = static_cast<uint8_t*>(openFile);
  if (bytes) std::memcpy(&state, bytes + kStateOffset, sizeof state);
  int32_t result = checkState(static_cast<const uint8_t*>(keyObject), state, &pending, operation,
                              position, positionLen);
  if (bytes) std::memcpy(bytes + kPendingOffset, &pending, sizeof pending);
  return result;
}

void _drv_update_any_state(void* keyObject, uint32_t* state, uint32_t* pending, int32_t operation,
                           int32_t error) {
  updateState(static_cast<uint8_t*>(keyObject), state, pending, operation, error);
}

void _drv_update_state(void* openFile, void* keyObject, int32_t operation, int32_t error) {
  auto* bytes = static_cast<uint8_t*>(openFile);
  uint32_t state = 0, pending = 0;
  if (bytes) {
    std::memcpy(&state, bytes + kStateOffset, sizeof state);
    std::memcpy(&pending, bytes + kPendingOffset, sizeof pending);
  }
  if (!bytes) {
    // Without an object only a run-time key's own word can change.
    updateState(static_cast<uint8_t*>(keyObject), &state, &pending, operation, error);
    return;
  }
  updateState(static_cast<uint8_t*>(keyObject), &state, &pending, operation, error);
  std::memcpy(bytes + kStateOffset, &state, sizeof state);
  std::memcpy(bytes + kPendingOffset, &pending, sizeof pending);
}

}  // extern "C"

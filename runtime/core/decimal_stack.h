// The process-wide decimal stack. Its exported operations are the C functions of
// include/kvrun32/decimal.h; other runtime parts (pictures, typed values) use this view of it.
// Like all runtime state it is guarded by the runtime lock: one thread in the runtime at a time.
#pragma once

#include <string>

#include "runtime/core/decimal_register.h"

namespace kiv::core {

constexpr int kDecimalStackSize = 10;

int decimalDepth();

// The entry `below` places under the top (0 = the top). The caller must not ask beyond the depth.
const DecimalRegister& decimalEntry(int below = 0);

// Pushes a register (normalised by the caller). An eleventh entry is a runtime error; it is not
// pushed, and false is given when the report returns.
bool pushDecimal(const DecimalRegister& r);

// Pops the top into `out`. Popping an empty stack is a runtime error; `out` becomes zero and
// false is given when the report returns.
bool popDecimal(DecimalRegister& out);

// The plain text of the top ("-0.25", "100"), without popping it.
std::string decimalText();

}  // namespace kiv::core

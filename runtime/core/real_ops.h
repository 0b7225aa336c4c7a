// The REAL comparison and the real-to-long rule, for the runtime parts that compare or convert
// doubles (typed values, views, the expression evaluator).
#pragma once

#include <cstdint>

namespace kiv::core {

// -1, 0 or 1; two doubles whose difference is zero, subnormal or 2^50 times smaller than either
// operand are equal.
int32_t realCompare(double a, double b);

// Truncates toward zero, but gives the next integer away from zero when the value equals it
// under realCompare (so 2.9999999999999996 gives 3 and 2.5 gives 2). Wraps modulo 2^32.
int32_t realToLong(double x);
uint32_t realToULong(double x);

}  // namespace kiv::core

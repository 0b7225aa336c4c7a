// The built-in functions of expressions, numbered in alphabetical order.
#pragma once

#include <cstdint>

namespace kiv::data {

enum Builtin : int32_t {
  kAbs = 1,
  kAcos,
  kAge,
  kAll,
  kAsin,
  kAtan,
  kBand,
  kBor,
  kBshift,
  kBxor,
  kCenter,
  kChoose,
  kChr,
  kClip,
  kClock,
  kCos,
  kDate,
  kDay,
  kDeformat,
  kFormat,
  kGetini,
  kInlist,
  kInrange,
  kInstring,
  kInt,
  kLeft,
  kLen,
  kLog10,
  kLoge,
  kLower,
  kMemory,
  kMonth,
  kNumeric,
  kRandom,
  kRight,
  kRound,
  kSin,
  kSqrt,
  kSub,
  kTan,
  kToday,
  kUpper,
  kVal,
  kYear
};

struct BuiltinInfo {
  const char* name;
  int32_t number;
  int32_t params;      // the most arguments a call may give (25 = any number)
  int32_t resultKind;  // 1 integer, 2 real, 4 string
};

extern const BuiltinInfo kBuiltins[44];

}  // namespace kiv::data

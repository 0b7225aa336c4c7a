// Whole counts in DECIMAL storage through the language layer (kiv::Decimal::setWhole and whole):
// the same bytes the runtime stores for the number's text, and the number back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "include/kiv/decimal.h"
#include "include/kiv/values.h"

namespace {

template <uint32_t Digits, uint32_t Places>
void expectLikeTheRuntime(uint64_t value, uint64_t back) {
  kiv::Decimal<Digits, Places> mine, runtime;
  mine.setWhole(value);
  Kiv$DPushCString(std::to_string(value).c_str());
  Kiv$DPopDec(&runtime, sizeof runtime, Places);
  EXPECT_EQ(std::memcmp(&mine, &runtime, sizeof mine), 0)
      << value << " in DECIMAL(" << Digits << "," << Places << ")";
  EXPECT_EQ(mine.whole(), back) << value;
  EXPECT_FALSE(mine.negative());
  // The decimal stack reads the same number back.
  EXPECT_EQ(kiv::Dec(mine).text(), std::to_string(back));
}

TEST(WholeCounts, StoreAsTheRuntimeStoresTheirText) {
  const uint64_t counts[] = {0,
                             1,
                             9,
                             10,
                             2147483647,
                             2147483648,
                             4294967295,
                             4294967296,
                             5368709120,  // 5 GiB
                             30000000000000,
                             1000000000000000,
                             9999999999999999999ull,
                             10000000000000000000ull,
                             UINT64_MAX};
  for (uint64_t c : counts) expectLikeTheRuntime<20, 0>(c, c);
  // With places, the fraction digits are zero; a count too wide loses its top digits, as
  // storing an oversize value does.
  expectLikeTheRuntime<9, 2>(1234567, 1234567);
  expectLikeTheRuntime<5, 0>(123456, 23456);
  expectLikeTheRuntime<5, 0>(99999, 99999);
  expectLikeTheRuntime<5, 0>(100000, 0);
}

TEST(WholeCounts, ANegativeValueReadsItsMagnitude) {
  kiv::Decimal<20, 0> d;
  Kiv$DPushCString("-4294967296");
  Kiv$DPopDec(&d, sizeof d, 0);
  EXPECT_TRUE(d.negative());
  EXPECT_EQ(d.whole(), 4294967296u);
  EXPECT_EQ(kiv::Dec(d).text(), "-4294967296");
  EXPECT_EQ(kiv::Dec(uint64_t(UINT64_MAX)).text(), "18446744073709551615");
}

}  // namespace

// Decimal stack operations on 15-digit and 31-digit operands, beside GCC's decimal128 on the same
// values. The stack figures include pushing both operands and popping the result, as generated
// code does; the Register figures time the arithmetic alone on a copied register.
#include <benchmark/benchmark.h>

#include <decimal/decimal>
#include <random>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/decimal_stack.h"
#include "runtime/core/decimal_storage.h"

namespace {

using kiv::core::DecimalRegister;
using std::decimal::decimal128;

constexpr int kPairs = 64;

struct Operand {
  std::string text;
  DecimalRegister reg;
  decimal128 dec;
  uint8_t field[16];  // DECIMAL(size, places) of the same value
};

struct OperandSet {
  int digits;
  int places;
  uint32_t size;
  std::vector<Operand> a, b;
};

// A value with `digits` significant digits, `places` of them the fraction.
Operand makeOperand(std::mt19937_64& rng, int digits, int places, uint32_t size) {
  std::string all;
  all += static_cast<char>('1' + rng() % 9);
  while (static_cast<int>(all.size()) < digits) all += static_cast<char>('0' + rng() % 10);
  bool negative = rng() % 4 == 0;
  Operand op;
  op.text =
      (negative ? "-" : "") + all.substr(0, digits - places) + "." + all.substr(digits - places);
  kiv::core::fromText(op.reg, op.text.data(), op.text.size());
  // decimal128 from two exact halves of at most 16 digits each.
  int split = digits > 16 ? digits - 16 : 0;
  long long high = split ? std::stoll(all.substr(0, split)) : 0;
  long long low = std::stoll(all.substr(split));
  op.dec = std::decimal::make_decimal128(high, 16 - places) +
           std::decimal::make_decimal128(low, -places);
  if (negative) op.dec = -op.dec;
  kiv::core::storeDecimal(op.reg, op.field, size, places);
  return op;
}

const OperandSet& operands(int digits) {
  static OperandSet sets[2];
  OperandSet& set = sets[digits == 31];
  if (set.a.empty()) {
    std::mt19937_64 rng(digits);
    set.digits = digits;
    set.places = digits == 31 ? 10 : 2;
    set.size = (digits + 2) / 2;
    for (int i = 0; i < kPairs; ++i) {
      set.a.push_back(makeOperand(rng, digits, set.places, set.size));
      set.b.push_back(makeOperand(rng, digits, set.places, set.size));
    }
  }
  return set;
}

// One binary stack operation: push both, operate, pop the result.
template <void (*Op)()>
void StackBinary(benchmark::State& state) {
  const OperandSet& set = operands(static_cast<int>(state.range(0)));
  DecimalRegister out;
  int i = 0;
  for (auto _ : state) {
    kiv::core::pushDecimal(set.a[i].reg);
    kiv::core::pushDecimal(set.b[i].reg);
    Op();
    kiv::core::popDecimal(out);
    benchmark::DoNotOptimize(out);
    i = (i + 1) % kPairs;
  }
}

void StackDistinct(benchmark::State& state) {
  const OperandSet& set = operands(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    kiv::core::pushDecimal(set.a[i].reg);
    kiv::core::pushDecimal(set.b[i].reg);
    benchmark::DoNotOptimize(Kiv$DecDistinct());
    i = (i + 1) % kPairs;
  }
}

void StackPushPopDec(benchmark::State& state) {
  const OperandSet& set = operands(static_cast<int>(state.range(0)));
  uint8_t field[16];
  int i = 0;
  for (auto _ : state) {
    Kiv$DPushDec(set.a[i].field, set.size, set.places);
    Kiv$DPopDec(field, set.size, set.places);
    benchmark::DoNotOptimize(field);
    i = (i + 1) % kPairs;
  }
}

template <void (*Op)(DecimalRegister&, const DecimalRegister&)>
void RegisterBinary(benchmark::State& state) {
  const OperandSet& set = operands(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    DecimalRegister r = set.a[i].reg;
    Op(r, set.b[i].reg);
    benchmark::DoNotOptimize(r);
    i = (i + 1) % kPairs;
  }
}

void RegisterCompare(benchmark::State& state) {
  const OperandSet& set = operands(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kiv::core::compare(set.a[i].reg, set.b[i].reg));
    i = (i + 1) % kPairs;
  }
}

enum class Dec128Op { Add, Sub, Mul, Div, Distinct };

template <Dec128Op Op>
void Decimal128(benchmark::State& state) {
  const OperandSet& set = operands(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    decimal128 a = set.a[i].dec, b = set.b[i].dec;
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    if constexpr (Op == Dec128Op::Distinct) {
      int r = a > b ? 1 : (a < b ? -1 : 0);
      benchmark::DoNotOptimize(r);
    } else {
      decimal128 r = Op == Dec128Op::Add   ? a + b
                     : Op == Dec128Op::Sub ? a - b
                     : Op == Dec128Op::Mul ? a * b
                                           : a / b;
      benchmark::DoNotOptimize(r);
    }
    i = (i + 1) % kPairs;
  }
}

// decimal128's nearest analogue of a field load and store: from a scaled integer and back.
void Decimal128LoadStore(benchmark::State& state) {
  const OperandSet& set = operands(static_cast<int>(state.range(0)));
  decimal128 scale = std::decimal::make_decimal128(1LL, set.places);
  int i = 0;
  for (auto _ : state) {
    decimal128 v = set.a[i].dec;
    benchmark::DoNotOptimize(v);
    long long stored = std::decimal::decimal_to_long_long(v * scale);
    benchmark::DoNotOptimize(stored);
    decimal128 back = std::decimal::make_decimal128(stored, -set.places);
    benchmark::DoNotOptimize(back);
    i = (i + 1) % kPairs;
  }
}

#define SIZES Arg(15)->Arg(31)

BENCHMARK(StackBinary<Kiv$DecAdd>)->Name("DecAdd")->SIZES;
BENCHMARK(RegisterBinary<kiv::core::add>)->Name("RegisterAdd")->SIZES;
BENCHMARK(Decimal128<Dec128Op::Add>)->Name("decimal128_Add")->SIZES;
BENCHMARK(StackBinary<Kiv$DecSub>)->Name("DecSub")->SIZES;
BENCHMARK(RegisterBinary<kiv::core::subtract>)->Name("RegisterSub")->SIZES;
BENCHMARK(Decimal128<Dec128Op::Sub>)->Name("decimal128_Sub")->SIZES;
BENCHMARK(StackDistinct)->Name("DecDistinct")->SIZES;
BENCHMARK(RegisterCompare)->Name("RegisterCompare")->SIZES;
BENCHMARK(Decimal128<Dec128Op::Distinct>)->Name("decimal128_Compare")->SIZES;
BENCHMARK(StackBinary<Kiv$DecMul>)->Name("DecMul")->SIZES;
BENCHMARK(RegisterBinary<kiv::core::multiply>)->Name("RegisterMul")->SIZES;
BENCHMARK(Decimal128<Dec128Op::Mul>)->Name("decimal128_Mul")->SIZES;
BENCHMARK(StackBinary<Kiv$DecDivide>)->Name("DecDivide")->SIZES;
BENCHMARK(RegisterBinary<kiv::core::divide>)->Name("RegisterDivide")->SIZES;
BENCHMARK(Decimal128<Dec128Op::Div>)->Name("decimal128_Div")->SIZES;
BENCHMARK(StackPushPopDec)->Name("DPushDec_DPopDec")->SIZES;
BENCHMARK(Decimal128LoadStore)->Name("decimal128_LoadStore")->Arg(15);

}  // namespace

BENCHMARK_MAIN();

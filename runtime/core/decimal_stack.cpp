// The decimal stack: ten registers through which generated code evaluates decimal expressions,
// and its exported push, pop, arithmetic and comparison operations.
#include "runtime/core/decimal_stack.h"

#include <algorithm>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/decimal_storage.h"
#include "runtime/core/string_stack.h"

namespace kiv::core {
namespace {

constexpr const char* kStackError = "Decimal Stack Error";
constexpr uint32_t kMaxTextLength = 99;  // what Stack2DStack reads of a string

DecimalRegister gStack[kDecimalStackSize];
int gCount = 0;

// Misuse of the stack by a caller is a fault of the program: report it and refuse the operation.
bool checkPop(int n) {
  if (gCount >= n) return true;
  Kiv$rterr(501, kStackError);
  return false;
}

bool checkPush() {
  if (gCount < kDecimalStackSize) return true;
  Kiv$rterr(401, kStackError);
  return false;
}

DecimalRegister& top() { return gStack[gCount - 1]; }
DecimalRegister& second() { return gStack[gCount - 2]; }

// Pushes a fresh register for `fill` to set; does nothing on a full stack.
template <typename Fill>
void pushWith(Fill fill) {
  if (!checkPush()) return;
  fill(gStack[gCount]);
  ++gCount;
}

// Replaces second by op(second, top) and pops top.
template <typename Op>
void binary(Op op) {
  if (!checkPop(2)) return;
  op(second(), top());
  --gCount;
}

// Compares second with top and pops both.
int32_t comparePair() {
  if (!checkPop(2)) return 0;
  int32_t result = compare(second(), top());
  gCount -= 2;
  return result;
}

void pushText(const char* text, size_t len) {
  pushWith([&](DecimalRegister& r) { fromText(r, text, len); });
}

}  // namespace

int decimalDepth() { return gCount; }

const DecimalRegister& decimalEntry(int below) { return gStack[gCount - 1 - below]; }

bool pushDecimal(const DecimalRegister& r) {
  if (!checkPush()) return false;
  gStack[gCount++] = r;
  return true;
}

bool popDecimal(DecimalRegister& out) {
  if (!checkPop(1)) {
    setZero(out);
    return false;
  }
  out = gStack[--gCount];
  return true;
}

std::string decimalText() { return gCount > 0 ? toText(top()) : std::string("0"); }

}  // namespace kiv::core

using namespace kiv::core;

extern "C" {

void Kiv$DPushDec(const void* addr, uint32_t size, uint32_t places) {
  pushWith(
      [&](DecimalRegister& r) { loadDecimal(r, static_cast<const uint8_t*>(addr), size, places); });
}

void Kiv$DPushPdec(const void* addr, uint32_t size, uint32_t places) {
  pushWith([&](DecimalRegister& r) {
    loadPdecimal(r, static_cast<const uint8_t*>(addr), size, places);
  });
}

void Kiv$DPushLong(int32_t value) {
  pushWith([&](DecimalRegister& r) { fromLong(r, value); });
}

void Kiv$DPushULong(uint32_t value) {
  pushWith([&](DecimalRegister& r) { fromULong(r, value); });
}

void Kiv$DPushReal(double value) {
  pushWith([&](DecimalRegister& r) { fromReal(r, value); });
}

void Kiv$DPushCString(const char* text) {
  pushText(text ? text : "", text ? std::strlen(text) : 0);
}

void Kiv$DPushConstant(const uint8_t* digits, uint32_t count, uint32_t places, int32_t negative) {
  pushWith([&](DecimalRegister& r) {
    fromDigits(r, digits, digits ? count : 0, static_cast<int32_t>(std::min<uint32_t>(places, 128)),
               negative != 0);
  });
}

void Kiv$Stack2DStack(void) {
  if (stringStackDepth() < 1) {
    Kiv$rterr(501, "String Stack Error");
    return;
  }
  std::string_view text = topText();
  char buffer[kMaxTextLength];
  size_t len = std::min<size_t>(text.size(), kMaxTextLength);
  if (len) std::memcpy(buffer, text.data(), len);
  popDiscard();
  pushText(buffer, len);
}

void Kiv$DPopDec(void* addr, uint32_t size, uint32_t places) {
  if (!checkPop(1)) return;
  storeDecimal(top(), static_cast<uint8_t*>(addr), size, places);
  --gCount;
}

void Kiv$DPopPdec(void* addr, uint32_t size, uint32_t places) {
  if (!checkPop(1)) return;
  storePdecimal(top(), static_cast<uint8_t*>(addr), size, places);
  --gCount;
}

int32_t Kiv$DPopLong(void) {
  if (!checkPop(1)) return 0;
  return toLong(gStack[--gCount]);
}

uint32_t Kiv$DPopUlong(void) {
  if (!checkPop(1)) return 0;
  return toULong(gStack[--gCount]);
}

double Kiv$DPopReal(void) {
  if (!checkPop(1)) return 0.0;
  return toReal(gStack[--gCount]);
}

void Kiv$DStack2Stack(void) {
  if (!checkPop(1)) return;
  std::string text = toText(top());
  --gCount;
  pushCopy(text);
}

void Kiv$DecAdd(void) {
  binary([](DecimalRegister& s, const DecimalRegister& t) { add(s, t); });
}

void Kiv$DecSub(void) {
  binary([](DecimalRegister& s, const DecimalRegister& t) { subtract(s, t); });
}

void Kiv$DecSubR(void) {
  binary([](DecimalRegister& s, const DecimalRegister& t) {
    subtract(s, t);
    if (!isZero(s)) s.sign ^= 1;
  });
}

void Kiv$DecMul(void) {
  binary([](DecimalRegister& s, const DecimalRegister& t) { multiply(s, t); });
}

void Kiv$DecDivide(void) {
  binary([](DecimalRegister& s, const DecimalRegister& t) { divide(s, t); });
}

void Kiv$DecDivideR(void) {
  binary([](DecimalRegister& s, const DecimalRegister& t) {
    DecimalRegister dividend = t;
    divide(dividend, s);
    s = dividend;
  });
}

void Kiv$DRound(void) {
  binary([](DecimalRegister& s, const DecimalRegister& unit) {
    roundToPlaces(s, isZero(unit) ? 0 : kUnitCell - unit.high);
  });
}

void Kiv$DInt(void) {
  if (checkPop(1)) truncateFraction(top());
}

void Kiv$DAbs(void) {
  if (checkPop(1)) top().sign = 0;
}

void Kiv$DNegate(void) {
  if (checkPop(1) && !isZero(top())) top().sign ^= 1;
}

void Kiv$DSwap(void) {
  if (checkPop(2)) std::swap(top(), second());
}

void Kiv$Dulongpower(uint32_t n) {
  if (checkPop(1)) raiseToUnsignedPower(top(), n);
}

void Kiv$Dlongpower(int32_t n) {
  if (checkPop(1)) raiseToPower(top(), n);
}

int32_t Kiv$DecDistinct(void) { return comparePair(); }

int32_t Kiv$DecDistinctR(void) { return -comparePair(); }

int32_t Kiv$DecCompareN(void) {
  if (!checkPop(1)) return 0;
  return isZero(gStack[--gCount]) ? 0 : 1;
}

void Kiv$ClearDec(void* addr, uint32_t size, int32_t type, int32_t sign) {
  clearDecimal(static_cast<uint8_t*>(addr), size, type, sign);
}

int32_t Kiv$DStackDepth(void) { return gCount; }

// The string stack's LONG pop goes through the decimal stack.
int32_t Kiv$PopLong(void) {
  if (stringStackDepth() < 1) {
    Kiv$rterr(501, "String Stack Error");
    return 0;
  }
  Kiv$Stack2DStack();
  return Kiv$DPopLong();
}

}  // extern "C"

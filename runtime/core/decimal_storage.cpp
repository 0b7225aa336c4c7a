// Packing registers into DECIMAL and PDECIMAL fields and unpacking them.
#include "runtime/core/decimal_storage.h"

#include <algorithm>
#include <cstring>

#include "include/kvrun32.h"

namespace kiv::core {
namespace {

constexpr uint32_t kMaxPlaces = 2 * kDecimalCells;  // beyond this every digit is below cell 0

// The register cell of the field digit k (k = 0 is the least significant digit).
int64_t cellOf(uint32_t k, uint32_t places) { return int64_t(kUnitCell) - places + k; }

uint8_t digitAt(const DecimalRegister& r, int64_t cell) {
  return cell >= 0 && cell < kDecimalCells ? r.cell[cell] : 0;
}

void putDigit(DecimalRegister& r, int64_t cell, uint8_t nibble) {
  // A nibble above 9 is not a digit; it is read as 9 so the digit loops stay in range.
  if (cell >= 0 && cell < kDecimalCells) r.cell[cell] = std::min<uint8_t>(nibble, 9);
}

// Field digit k lives in byte (2n - 2 - k) / 2 of the digit string that starts at the low
// nibble of byte 0 (DECIMAL) or at the high nibble of byte 0 (PDECIMAL).
template <bool Packed>
void loadDigits(DecimalRegister& r, const uint8_t* field, uint32_t size, uint32_t places) {
  setZero(r);
  uint32_t count = 2 * size - 1;
  for (uint32_t k = 0; k < count; ++k) {
    int64_t cell = cellOf(k, places);
    if (cell < 0) continue;
    if (cell >= kDecimalCells) break;
    uint32_t fromTop = count - 1 - k;  // position counted from the most significant digit
    uint32_t nibble = Packed ? fromTop : fromTop + 1;
    uint8_t byte = field[nibble / 2];
    putDigit(r, cell, nibble % 2 ? byte & 0x0F : byte >> 4);
  }
  normalise(r);
}

template <bool Packed>
void storeDigits(const DecimalRegister& r, uint8_t* field, uint32_t size, uint32_t places) {
  uint32_t count = 2 * size - 1;
  std::memset(field, 0, size);
  for (uint32_t k = 0; k < count; ++k) {
    uint8_t d = digitAt(r, cellOf(k, places));
    if (!d) continue;
    uint32_t fromTop = count - 1 - k;
    uint32_t nibble = Packed ? fromTop : fromTop + 1;
    field[nibble / 2] |= nibble % 2 ? d : static_cast<uint8_t>(d << 4);
  }
}

}  // namespace

void loadDecimal(DecimalRegister& r, const uint8_t* field, uint32_t size, uint32_t places) {
  if (size == 0) return setZero(r);
  places = std::min(places, kMaxPlaces);
  loadDigits<false>(r, field, size, places);
  if (!isZero(r)) r.sign = (field[0] >> 4) != 0;
}

void loadPdecimal(DecimalRegister& r, const uint8_t* field, uint32_t size, uint32_t places) {
  if (size == 0) return setZero(r);
  places = std::min(places, kMaxPlaces);
  loadDigits<true>(r, field, size, places);
  if (!isZero(r)) r.sign = (field[size - 1] & 0x0F) == 13;
}

void storeDecimal(DecimalRegister r, uint8_t* field, uint32_t size, uint32_t places) {
  if (size == 0) return;
  places = std::min(places, kMaxPlaces);
  roundToPlaces(r, static_cast<int>(places));
  storeDigits<false>(r, field, size, places);
  if (r.sign) field[0] |= 0xF0;
}

void storePdecimal(DecimalRegister r, uint8_t* field, uint32_t size, uint32_t places) {
  if (size == 0) return;
  places = std::min(places, kMaxPlaces);
  roundToPlaces(r, static_cast<int>(places));
  storeDigits<true>(r, field, size, places);
  field[size - 1] = static_cast<uint8_t>((field[size - 1] & 0xF0) | (r.sign ? 13 : 15));
}

void clearDecimal(uint8_t* field, uint32_t size, int32_t type, int32_t sign) {
  if (size == 0) return;
  std::memset(field, sign ? 0x99 : 0, size);
  if (sign == 0) return;
  if (type == KIV_PDECIMAL)
    field[size - 1] = static_cast<uint8_t>((field[size - 1] & 0xF0) | (sign < 0 ? 13 : 15));
  else
    field[0] &= sign > 0 ? 0x0F : 0x8F;
}

}  // namespace kiv::core

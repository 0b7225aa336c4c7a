// DECIMAL and PDECIMAL storage: n bytes holding 2n - 1 digits, the last `places` of them the
// fraction. DECIMAL keeps its sign in the high nibble of byte 0 (0 positive; 15 written for
// negative), PDECIMAL in the low nibble of its last byte (13 negative; 15 written for positive).
#pragma once

#include <cstdint>

#include "runtime/core/decimal_register.h"

namespace kiv::core {

// Reads a stored value into a register; digits that fall outside the register are dropped.
void loadDecimal(DecimalRegister& r, const uint8_t* field, uint32_t size, uint32_t places);
void loadPdecimal(DecimalRegister& r, const uint8_t* field, uint32_t size, uint32_t places);

// Rounds a copy of the register to the field's places and writes it; digits above the field are
// dropped without error, so an oversize value keeps its low-order digits.
void storeDecimal(DecimalRegister r, uint8_t* field, uint32_t size, uint32_t places);
void storePdecimal(DecimalRegister r, uint8_t* field, uint32_t size, uint32_t places);

// CLEAR: sign 0 gives zero, a positive sign the largest value, a negative sign the most negative.
void clearDecimal(uint8_t* field, uint32_t size, int32_t type, int32_t sign);

}  // namespace kiv::core

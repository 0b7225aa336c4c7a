// Helpers on exact decimal text used by the numeric pictures.
#pragma once

#include <cstddef>

#include "runtime/format/picture.h"

namespace kiv::format {

bool isZero(const DecimalText& d);
// Rounds half away from zero to exactly `places` fraction digits.
void roundToPlaces(DecimalText& d, size_t places);

}  // namespace kiv::format

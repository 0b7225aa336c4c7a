// File times: 100-nanosecond units since 1 January 1601.
#pragma once

#include <cstdint>
#include <ctime>

namespace kiv::platform {

// The file time of a host time (seconds and nanoseconds since 1970, UTC); 0 before 1601.
uint64_t fileTimeFromUnix(int64_t seconds, uint32_t nanoseconds);

}  // namespace kiv::platform

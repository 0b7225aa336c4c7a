// Program-wide values (one for the whole process, not per thread).
#pragma once

#include <cstdint>

#include "include/kiv/kiv.h"

// The request a procedure is called for and the response it gives back.
namespace request {
constexpr int32_t Insert = 1, Change = 2, Delete = 3, Select = 4;
}
namespace response {
constexpr int32_t Completed = 1, Cancelled = 2;
}
extern kiv::Byte GlobalRequest;
extern kiv::Byte GlobalResponse;

// GLO:Category: the category the duplicate finder reports on; blank for all of them. Set by
// the wizard, read by the collector on the thread the wizard starts; bound under its name.
extern kiv::String<20> GloCategory;

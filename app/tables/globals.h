// Program-wide values (one for the whole process, not per thread).
#pragma once

#include <cstdint>

#include "include/kiv/kiv.h"

// The calling protocol between procedures: the request a procedure is called for and the
// response it gives back.
namespace request {
enum : int32_t { None = 0, Insert = 1, Change = 2, Delete = 3, Select = 4 };
}
namespace response {
enum : int32_t { Completed = 1, Cancelled = 2 };
}
extern int32_t GlobalRequest;
extern int32_t GlobalResponse;

// GLO:Category: the category the duplicate finder reports on; blank for all of them. Set by
// the wizard, read by the collector on the thread the wizard starts; bound under its name.
extern kiv::String<20> GloCategory;

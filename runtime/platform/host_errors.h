// Host errors in the platform's numbering: every seam that fails because of a system call
// translates errno here, once, and the runtime reports it as 300 + n.
#pragma once

#include <cstdint>

namespace kiv::platform {

// The platform error number for a host errno value (ENOENT -> 2 "File Not Found", ...).
uint32_t platformErrorFromErrno(int err);

// Records errno (translated) as this thread's platform error; gives the platform number.
uint32_t recordHostError(int err);

}  // namespace kiv::platform

// Host (errno) errors translated to the platform's error numbering, in one place.
#pragma once

#include <cstdint>

namespace kiv::platform {

// The platform's error number for a host errno value (0 stays 0).
uint32_t platformErrorFromErrno(int hostError);

// Records a host error as this thread's platform error (kiv::core::setPlatformError) and gives
// its platform number.
uint32_t recordHostError(int hostError);

// Records the host error and reports it through the error state as 300 + its platform number.
void reportHostError(int hostError);

}  // namespace kiv::platform

// Internal side of the error state: the platform's last error, as the seams record it.
#pragma once

#include <cstdint>

namespace kiv::core {

// The platform's last-error value of this thread (what GetLastError gives). Every platform
// seam records its host error here, translated to the platform's numbering, before it fails.
uint32_t& platformError();
void setPlatformError(uint32_t error);

// Reports a typing error of the value layer: runtime error `code`, "Parameter typing error".
void typingError(int32_t code);

}  // namespace kiv::core

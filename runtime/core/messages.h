// The numbered message table and the locale's overrides of it.
#pragma once

#include <cstdint>
#include <string_view>

namespace kiv::core {

// The table's own text of a code, or null when the code has none.
const char* tableMessage(int32_t code);

// The locale's override list, searched before the table (kept to 255 characters).
void setMessageOverride(int32_t code, std::string_view text);
const char* overrideMessage(int32_t code);
void clearMessageOverrides();

}  // namespace kiv::core

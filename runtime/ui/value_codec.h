// Moving values between USE variables and the texts controls show: the variable is read and
// written through its typed descriptor, and shown through the control's picture.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/ui/description.h"

namespace kiv::ui {

// Formats a USE variable's value for display.
std::string formatUse(const UseBinding& use, const void* address, std::string_view picture);
// Stores a shown text in a USE variable; false when the text does not deformat.
bool storeUse(const UseBinding& use, void* address, std::string_view picture,
              std::string_view text);
// Formats a plain text value (a queue field) through a picture.
std::string formatText(std::string_view text, std::string_view picture);

}  // namespace kiv::ui

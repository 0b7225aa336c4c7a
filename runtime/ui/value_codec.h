// Moving values between USE variables and the texts controls show. Pictures (display formats)
// are applied through the picture engine when one is installed; without one, numbers show in
// plain decimal and strings as they are, clipped.
#pragma once

#include <cstdint>
#include <functional>
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

// The picture engine: format a value given as text, and deformat a shown text back into the
// value's text; either may refuse (nullopt-like: return false).
struct PictureEngine {
  std::function<bool(std::string_view value, std::string_view picture, std::string& out)> format;
  std::function<bool(std::string_view shown, std::string_view picture, std::string& out)> deformat;
};
void setPictureEngine(PictureEngine engine);

}  // namespace kiv::ui

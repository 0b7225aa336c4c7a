// Matching names against the wild cards of a directory search.
#pragma once

#include <string_view>

namespace kiv::platform {

// True when `name` matches `mask`: "*" any run of characters, "?" any one character, letters
// compared without regard to ASCII case. "*" and "*.*" match every name, and a mask ending in
// ".*" also matches the name without the dot ("README.*" matches "README").
bool matchesMask(std::string_view name, std::string_view mask);

// True when the mask holds a wild card.
bool hasWildcards(std::string_view mask);

}  // namespace kiv::platform

// Alternate (8.3) names of the entries of one folder, formed the way the FAT file system forms
// them: a name that is already a valid 8.3 name (in any letter case) has none; any other name
// gets a basis of at most six characters and "~N", N the lowest number that no other short name
// of the folder uses, and the first three characters of its extension.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv::platform {

// True when `name` is a valid 8.3 name: 1 to 8 characters, optionally "." and 1 to 3 more, each
// an ASCII letter, a digit or one of ! # $ % & ' ( ) - @ ^ _ ` { } ~ (letter case aside).
bool isValidShortName(std::string_view name);

// The alternate names of `names` (all entries of one folder, "." and ".." aside), in the same
// order: "" for a valid 8.3 name. Numbers are handed out in the byte order of the long names.
std::vector<std::string> alternateNames(const std::vector<std::string_view>& names);

}  // namespace kiv::platform

// Building and changing the locale tables: defaults, the platform's own tables, the keys of an
// environment file, and the system date and time formats from the international settings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv::format {

// Puts the default tables back (every code weighs itself, A-Z/a-z, English texts) and the
// system formats from the international settings.
void resetLocaleTables();

// The platform's collation and case tables ("WINDOWS").
void applyPlatformTables();

// Applies one key and its raw value as if read from an environment file. Unknown keys are
// ignored.
void applyLocaleSetting(std::string_view key, std::string_view value);

// Applies every line of an environment file; false (and nothing changed) when it cannot be
// opened.
bool loadEnvironmentFile(const std::string& path);

// The environment file beside the program: its path with the extension replaced by ".ENV".
std::string environmentFilePath();

// A value's items: quoted items separated by commas (a doubled quote is one quote), or the
// plain value split at its commas. `single` keeps commas inside one item.
std::vector<std::string> splitItems(std::string_view value, bool single);

}  // namespace kiv::format

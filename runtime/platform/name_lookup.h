// Case-blind look-up of a name in a host folder, for drive paths written in another case than
// the names on disk (the catalog keeps its paths in upper case).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kiv::platform {

// The name in `folder` that equals `name` without regard to ASCII letter case; when several do,
// the first in byte order. Nothing when none does or the folder cannot be read. The last few
// folders' listings are kept while their modification times stay the same.
std::optional<std::string> findNameCaseBlind(const std::string& folder, std::string_view name);

// ASCII upper case; other bytes (UTF-8 sequences) unchanged.
std::string upperAscii(std::string_view text);

}  // namespace kiv::platform

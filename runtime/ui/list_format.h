// Column format strings of list controls ("27R(2)|M~ID~C(0)@n6@40L(1)..."): parsing into columns.
// Uses only the standard library; the resource compiler checks formats with it at build time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::ui {

struct ListColumn {
  int32_t width = 0;
  char justify = 'L';  // L, R, C or D
  int32_t indent = 0;
  std::string modifiers;    // the single-letter modifiers as written (*, F, I, M, _, |, ...)
  std::string heading;      // text between the tildes
  char headingJustify = 0;  // 0 = as the column
  int32_t headingIndent = 0;
  int32_t fieldNumber = 0;  // #n#, 0 = next field in order
  std::string picture;      // "@n6", empty = none
  bool hasIcon = false;     // I: the following queue field numbers the row's icon
  int32_t group = 0;        // 1-based group the column belongs to, 0 = none
};

// Parses a whole format; gives nothing when it does not follow the grammar.
std::optional<std::vector<ListColumn>> parseListFormat(std::string_view format,
                                                       std::string* error = nullptr);

}  // namespace kiv::ui

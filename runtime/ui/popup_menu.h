// Pop-up menu texts ("&Restore|-|&Close"): items, separators, dimmed and checked marks,
// submenus, and the numbers the items are chosen by.
#pragma once

#include <string_view>
#include <vector>

#include "runtime/ui/gui.h"

namespace kiv::ui {

std::vector<gui::PopupItem> parsePopupText(std::string_view text);

}  // namespace kiv::ui

// Pop-up menus: the menu text and Kiv$POPUP.
#include "runtime/ui/popup_menu.h"

#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/ui/threads.h"

namespace kiv::ui {
namespace {

class PopupParser {
 public:
  explicit PopupParser(std::string_view text) : text_(text) {}

  std::vector<gui::PopupItem> items(bool nested) {
    std::vector<gui::PopupItem> out;
    while (pos_ < text_.size()) {
      if (text_[pos_] == '}') {
        ++pos_;
        if (nested) return out;
        continue;  // a stray close ends nothing
      }
      size_t end = pos_;
      while (end < text_.size() && text_[end] != '|' && text_[end] != '{' && text_[end] != '}')
        ++end;
      std::string item(text_.substr(pos_, end - pos_));
      pos_ = end;
      bool opensSubmenu = pos_ < text_.size() && text_[pos_] == '{';
      if (opensSubmenu) ++pos_;
      out.push_back(makeItem(item, opensSubmenu));
      if (pos_ < text_.size() && text_[pos_] == '|') ++pos_;
    }
    return out;
  }

 private:
  gui::PopupItem makeItem(std::string text, bool submenu) {
    gui::PopupItem item;
    if (text == "-" && !submenu) {
      item.separator = true;
      return item;
    }
    if (!text.empty() && text[0] == '~') {
      item.dimmed = true;
      text.erase(0, 1);
    }
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
      item.checked = text[0] == '+';
      text.erase(0, 1);
    }
    item.text = text;
    if (submenu) {
      item.isSubmenu = true;
      item.submenu = items(true);
    } else {
      item.number = ++number_;
    }
    return item;
  }

  std::string_view text_;
  size_t pos_ = 0;
  int32_t number_ = 0;
};

}  // namespace

std::vector<gui::PopupItem> parsePopupText(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() > 1023) text = text.substr(0, 1023);
  if (!text.empty() && text[0] == '|') text.remove_prefix(1);
  return PopupParser(text).items(false);
}

}  // namespace kiv::ui

extern "C" int32_t Kiv$POPUP(int32_t x, int32_t y) {
  std::string text = kiv::core::popText();
  auto items = kiv::ui::parsePopupText(text);
  bool atMouse = x < 0 || y < 0;
  // The runtime lock is not held while the menu is tracked.
  bool locked = kiv::ui::holdsRuntimeLock();
  if (locked) kiv::ui::unlockRuntime();
  int32_t chosen = kiv::gui::popupMenu(items, x, y, atMouse);
  if (locked) kiv::ui::lockRuntime();
  return chosen;
}

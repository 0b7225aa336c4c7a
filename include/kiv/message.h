// MESSAGE(text, caption, icon, buttons, default): shows a message box through the runtime's
// Kiv$MessageBox and gives the button pressed. A standard icon travels as its four-byte name:
// FFh 01h and the identifier, low byte first.
#pragma once

#include <cstdint>
#include <string>

#include "../kvrun32.h"

namespace kiv {

struct MessageBox {
  std::string text;
  std::string caption;
  uint32_t icon = KIV_ICON_NONE;     // standard icon identifier (KIV_ICON_*)
  uint32_t buttons = KIV_BUTTON_OK;  // sum of KIV_BUTTON_*
  uint32_t defaultButton = 0;        // one KIV_BUTTON_*, 0 for the first of the set
};

inline uint32_t message(const MessageBox& box) {
  Kiv$PushString(box.text.data(), uint32_t(box.text.size()));
  Kiv$PushString(box.caption.data(), uint32_t(box.caption.size()));
  const char icon[4] = {char(0xFF), char(0x01), char(box.icon & 0xFF),
                        char((box.icon >> 8) & 0xFF)};
  Kiv$PushString(icon, box.icon ? 4 : 0);
  return uint32_t(Kiv$MessageBox(int32_t(box.buttons), int32_t(box.defaultButton)));
}

inline uint32_t message(std::string text, std::string caption = {}, uint32_t icon = KIV_ICON_NONE,
                        uint32_t buttons = KIV_BUTTON_OK, uint32_t defaultButton = 0) {
  return message(MessageBox{std::move(text), std::move(caption), icon, buttons, defaultButton});
}

}  // namespace kiv

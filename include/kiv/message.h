// MESSAGE(text, caption, icon, buttons, default): shows a message box and gives the button
// pressed. Goes to the runtime's message-box seam until the window layer exports its message
// box; that switch is made here and nowhere else.
#pragma once

#include <cstdint>
#include <string>

#include "include/kvrun32.h"
#include "runtime/platform/message_box.h"

namespace kiv {

struct MessageBox {
  std::string text;
  std::string caption;
  uint32_t icon = KIV_ICON_NONE;     // standard icon identifier (KIV_ICON_*)
  uint32_t buttons = KIV_BUTTON_OK;  // sum of KIV_BUTTON_*
  uint32_t defaultButton = 0;        // one KIV_BUTTON_*, 0 for the first of the set
};

inline uint32_t message(const MessageBox& box) {
  return kiv::platform::messageBox(
      {box.caption, box.text, box.buttons, box.defaultButton, box.icon});
}

inline uint32_t message(std::string text, std::string caption = {}, uint32_t icon = KIV_ICON_NONE,
                        uint32_t buttons = KIV_BUTTON_OK, uint32_t defaultButton = 0) {
  return message(MessageBox{std::move(text), std::move(caption), icon, buttons, defaultButton});
}

}  // namespace kiv

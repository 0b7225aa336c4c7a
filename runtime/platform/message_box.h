// The one seam through which the runtime shows a message box and reads the answer.
// Until a window layer installs its handler, a box is written to standard error and
// answered with its default button.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kiv::platform {

struct MessageBoxRequest {
  std::string caption;
  std::string text;
  uint32_t buttons = 1;        // sum of KIV_BUTTON_* codes
  uint32_t defaultButton = 0;  // one KIV_BUTTON_* code, or 0 for the first of the set
  uint32_t icon = 0;           // KIV_ICON_* identifier
};

using MessageBoxHandler = std::function<uint32_t(const MessageBoxRequest&)>;

// Shows the box and gives the code of the button pressed.
uint32_t messageBox(const MessageBoxRequest& request);

// Replaces the handler (an empty one restores the standard-error box); gives the old one.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// The button the box answers with when nobody is there to press one.
uint32_t defaultAnswer(const MessageBoxRequest& request);

}  // namespace kiv::platform

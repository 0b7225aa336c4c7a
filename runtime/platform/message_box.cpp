#include "runtime/platform/message_box.h"

#include <cstdio>
#include <mutex>

#include "include/kvrun32/types.h"

namespace kiv::platform {
namespace {

std::mutex gHandlerMutex;
MessageBoxHandler gHandler;

const char* buttonName(uint32_t code) {
  switch (code) {
    case KIV_BUTTON_OK:
      return "OK";
    case KIV_BUTTON_YES:
      return "Yes";
    case KIV_BUTTON_NO:
      return "No";
    case KIV_BUTTON_ABORT:
      return "Abort";
    case KIV_BUTTON_RETRY:
      return "Retry";
    case KIV_BUTTON_IGNORE:
      return "Ignore";
    case KIV_BUTTON_CANCEL:
      return "Cancel";
    case KIV_BUTTON_HELP:
      return "Help";
  }
  return "?";
}

uint32_t writeToStandardError(const MessageBoxRequest& request) {
  uint32_t answer = defaultAnswer(request);
  std::fprintf(stderr, "[%s] %s [", request.caption.c_str(), request.text.c_str());
  for (uint32_t b = 1, first = 1; b <= KIV_BUTTON_HELP; b <<= 1) {
    if (request.buttons & b) {
      std::fprintf(stderr, "%s%s%s", first ? "" : " ", buttonName(b), (b == answer) ? "*" : "");
      first = 0;
    }
  }
  std::fprintf(stderr, "]\n");
  std::fflush(stderr);
  return answer;
}

}  // namespace

uint32_t defaultAnswer(const MessageBoxRequest& request) {
  uint32_t buttons = request.buttons ? request.buttons : uint32_t(KIV_BUTTON_OK);
  if (request.defaultButton && (buttons & request.defaultButton)) return request.defaultButton;
  for (uint32_t b = 1; b <= KIV_BUTTON_HELP; b <<= 1)
    if (buttons & b) return b;
  return KIV_BUTTON_OK;
}

uint32_t messageBox(const MessageBoxRequest& request) {
  MessageBoxHandler handler;
  {
    std::lock_guard lock(gHandlerMutex);
    handler = gHandler;
  }
  return handler ? handler(request) : writeToStandardError(request);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(gHandlerMutex);
  MessageBoxHandler old = std::move(gHandler);
  gHandler = std::move(handler);
  return old;
}

}  // namespace kiv::platform

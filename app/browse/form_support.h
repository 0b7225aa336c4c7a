// What the update forms share: taking the request and leaving the response, the confirmed
// delete, and saving a change through a rule with the question of trying again.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>

#include "app/browse/browse.h"
#include "app/browse/rules.h"
#include "include/kiv/window.h"

// Takes the request when a form starts; leaves the response when it ends (Cancelled unless the
// form completed).
class FormCall {
 public:
  FormCall() : request(GlobalRequest) {
    GlobalRequest = 0;
    FormAction = 0;
  }
  ~FormCall() {
    GlobalResponse = response == response::Completed ? response::Completed : response::Cancelled;
  }
  FormCall(const FormCall&) = delete;
  FormCall& operator=(const FormCall&) = delete;

  const int32_t request;
  int32_t response = response::Cancelled;
  bool inserting() const { return request == request::Insert; }
  bool changing() const { return request == request::Change; }
};

// Delete without a window: asks for confirmation (warning 32), runs the rule, and offers to try
// again while it fails (warning 18). Completed when the record is gone.
int32_t ConfirmAndDelete(const std::function<RuleResult()>& rule);

// What a form does after saving a change.
enum class AfterSave { Close, StayOpen };

// Saves a change when the record differs from `before` (`size` bytes at `record`): runs the
// rule; when it fails, warning 16 asks whether to try again (Yes), close the form cancelled (No)
// or go back to the form (Cancel). A record changed elsewhere stays on show in the form, and
// `before` takes its version. The response is Completed after a save (or with nothing to save).
AfterSave SaveChange(FormCall& call, kiv::Window& window, void* before, const void* record,
                     size_t size, const std::function<RuleResult()>& rule, int32_t firstField);

// The record-navigation toolbar of a form (field equates 2000 to 2012).
namespace form_toolbar {
constexpr int32_t First = 2000, Last = 2012;
constexpr int32_t Insert = 2000, Bottom = 2004, Top = 2005, PageDown = 2006, PageUp = 2007,
                  Down = 2008, Up = 2009, Help = 2011;
// Enables the buttons a request allows and gives them their tips.
void Setup(kiv::Window& window, int32_t request);
}  // namespace form_toolbar

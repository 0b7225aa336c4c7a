#include "app/browse/form_support.h"

#include "app/tables/app_warning.h"
#include "include/kiv/kiv.h"

int32_t FormAction = 0;
int32_t DiskIdToShow = 0;

int32_t ConfirmAndDelete(const std::function<RuleResult()>& rule) {
  if (AppWarning(32) != KIV_BUTTON_OK) return response::Cancelled;
  for (;;) {
    const RuleResult result = rule();
    if (result == RuleResult::Done) return response::Completed;
    if (result == RuleResult::Refused) return response::Cancelled;
    if (AppWarning(18) != KIV_BUTTON_YES) return response::Cancelled;
  }
}

AfterSave SaveChange(FormCall& call, kiv::Window& window, void* before, const void* record,
                     size_t size, const std::function<RuleResult()>& rule, int32_t firstField) {
  kiv::setCursor(KIV_CURSOR_WAIT);
  if (std::memcmp(before, record, size) == 0) {
    kiv::setCursor(KIV_CURSOR_ARROW);
    call.response = response::Completed;
    return AfterSave::Close;
  }
  for (;;) {
    const RuleResult result = rule();
    kiv::setCursor(KIV_CURSOR_ARROW);
    switch (result) {
      case RuleResult::Done:
        call.response = response::Completed;
        return AfterSave::Close;
      case RuleResult::ChangedElsewhere:
        // The other program's version is on show; saving again writes over it.
        std::memcpy(before, record, size);
        window.display();
        window.select(firstField);
        return AfterSave::StayOpen;
      case RuleResult::Failed:
      case RuleResult::Refused:
        break;
    }
    switch (AppWarning(16)) {
      case KIV_BUTTON_YES:
        kiv::setCursor(KIV_CURSOR_WAIT);
        continue;
      case KIV_BUTTON_NO:
        call.response = response::Cancelled;
        return AfterSave::Close;
      default:
        window.display();
        window.select(firstField);
        return AfterSave::StayOpen;
    }
  }
}

namespace form_toolbar {

void Setup(kiv::Window& window, int32_t request) {
  window.disable(First, Last);
  window.enable(Help);
  if (request == request::Insert) {
    for (int32_t feq : {Down, Insert}) {
      window.enable(feq);
      window.setTip(feq, "Save record and add another");
    }
  } else if (request == request::Change) {
    struct Tip {
      int32_t feq;
      const char* text;
    };
    const Tip tips[] = {{Bottom, "Save changes and go to last record"},
                        {Top, "Save changes and go to first record"},
                        {PageDown, "Save changes and page down to record"},
                        {PageUp, "Save changes and page up to record"},
                        {Down, "Save changes and go to next record"},
                        {Up, "Save changes and go to previous record"},
                        {Insert, "Save this record and add a new one"}};
    for (const Tip& t : tips) {
      window.enable(t.feq);
      window.setTip(t.feq, t.text);
    }
  }
}

}  // namespace form_toolbar

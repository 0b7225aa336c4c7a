// Controls of an open window: creation from the description, the window procedures' events,
// value movement (DISPLAY/UPDATE), validation and default actions.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/ui/screen.h"

namespace kiv::ui {

void createControls(Screen& w) KIV_REQUIRES_RUNTIME_LOCK;
void destroyControls(Screen& w) KIV_REQUIRES_RUNTIME_LOCK;

// An event from the platform window (a button pressed, a list row picked ...): updates what the
// runtime knows of the control and queues the event.
void platformEvent(Screen& w, const EventRecord& e) KIV_REQUIRES_RUNTIME_LOCK;

// The default action of an event after the procedure handled it with `action`.
void defaultAction(Screen& w, const EventRecord& e, int32_t action) KIV_REQUIRES_RUNTIME_LOCK;

// True when the control's own validation accepts what it holds (the accept-all pass).
bool controlAccepts(Control& c) KIV_REQUIRES_RUNTIME_LOCK;

// Sends the control's whole state to its platform control.
void redraw(Control& c) KIV_REQUIRES_RUNTIME_LOCK;
// Shows the USE variable's value through the picture / stores the edited contents in it.
void displayValue(Control& c) KIV_REQUIRES_RUNTIME_LOCK;
void updateValue(Control& c) KIV_REQUIRES_RUNTIME_LOCK;
// Refills a list from its source.
void refillList(Control& c) KIV_REQUIRES_RUNTIME_LOCK;

// Moves the focus to the control and queues EVENT:Selected for it.
void selectControl(Screen& w, int32_t feq) KIV_REQUIRES_RUNTIME_LOCK;

}  // namespace kiv::ui

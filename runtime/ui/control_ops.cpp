// The exported control operations: properties, DISPLAY/UPDATE/CHANGE, state, fonts,
// positions, run-time controls, CHOICE and the message box.
#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/platform/message_box.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/properties.h"
#include "runtime/ui/queue_list.h"
#include "runtime/ui/value_codec.h"

namespace kiv::ui {
namespace {

// The controls a range names: last 0 means first only, first 0 every control.
std::vector<Control*> controlsInRange(Screen& w, int32_t first, int32_t last) {
  std::vector<Control*> out;
  if (first == 0) {
    for (auto& c : w.controls) out.push_back(c.get());
    return out;
  }
  if (last == 0) last = first;
  int32_t lo = std::min(first, last), hi = std::max(first, last);
  for (auto it = w.byEquate.lower_bound(lo); it != w.byEquate.end() && it->first <= hi; ++it)
    out.push_back(it->second);
  return out;
}

Screen* openTarget() {
  Screen* w = targetWindow();
  if (!w || !w->isOpen()) {
    Kiv$rterr(536, nullptr);
    return nullptr;
  }
  return w;
}

}  // namespace

bool setAddressProperty(int32_t feq, int32_t index, void* window, int32_t number, void* address) {
  if (feq != 0 || reinterpret_cast<intptr_t>(window) == -1 ||
      reinterpret_cast<intptr_t>(window) == -4)
    return false;
  Screen* w = window ? nullptr : targetWindow();
  for (Screen* s : allScreens())
    if (s == window) w = s;
  if (!w || !w->behaviour) return false;
  foldIndex(number, index);
  return w->behaviour->setAddressProperty(*w, number, address);
}

void showQueue(Control& c, std::unique_ptr<ListSource> source) {
  c.ownedSource = std::move(source);
  c.source = c.ownedSource.get();
  c.shownChanges = 0;
  if (c.source) refillList(c);
  redraw(c);
}

}  // namespace kiv::ui

using namespace kiv::ui;
namespace gui = kiv::gui;

extern "C" {

void Kiv$SetPropS(int32_t feq, int32_t index, void* window) {
  std::string value = kiv::core::popText();
  while (!value.empty() && value.back() == ' ') value.pop_back();
  int32_t number = static_cast<int32_t>(Kiv$PopReal());
  setProperty(feq, index, window, number, value);
}

void Kiv$SetPropF(int32_t feq, int32_t index, void* window, const void* address, uint32_t length) {
  int32_t number = static_cast<int32_t>(Kiv$PopReal());
  if (setAddressProperty(feq, index, window, number, const_cast<void*>(address))) return;
  std::string value(static_cast<const char*>(address), address ? length : 0);
  setProperty(feq, index, window, number, value);
}

void Kiv$SetPropV(int32_t feq, int32_t index, void* window, Ufo* value) {
  int32_t number = static_cast<int32_t>(Kiv$PopReal());
  std::string text;
  if (value) {
    Kiv$PushUfo(value);
    text = kiv::core::popText();
  }
  setProperty(feq, index, window, number, text);
}

void Kiv$SetPropQ(int32_t feq, int32_t index, void* window, KivQueue* queue) {
  int32_t number = static_cast<int32_t>(Kiv$PopReal());
  if (setAddressProperty(feq, index, window, number, queue)) return;
  PropertyTarget t = resolveProperty(feq, index, window, number);
  if (!t.window || !t.control || !t.control->isList() || t.number != 31744) {
    if (t.window || t.processObject) setProperty(feq, index, window, number, std::string());
    return;
  }
  showQueue(*t.control, queueListSource(queue));
}

void Kiv$GetPropS(int32_t feq, int32_t index, void* window) {
  int32_t number = static_cast<int32_t>(Kiv$PopReal());
  std::string value = getProperty(feq, index, window, number);
  kiv::core::pushCopy(value);
}

void Kiv$DoProp(int32_t feq, int32_t index, void* window) {
  int32_t number = static_cast<int32_t>(Kiv$PopReal());
  setProperty(feq, index, window, number, "1");
}

void Kiv$DISPLAY(int32_t first, int32_t last) {
  Screen* w = openTarget();
  if (!w) return;
  Kiv$SaveErrorState();
  for (Control* c : controlsInRange(*w, first, last)) displayValue(*c);
  Kiv$RestoreErrorState();
}

void Kiv$UPDATE(int32_t first, int32_t last) {
  Screen* w = openTarget();
  if (!w) return;
  for (Control* c : controlsInRange(*w, first, last)) updateValue(*c);
}

void Kiv$CHANGE(int32_t feq) {
  std::string value = kiv::core::popText();
  Screen* w = openTarget();
  if (!w) return;
  Control* c = w->control(feq);
  if (!c || !c->hasValue()) return;
  storeUse(c->desc.use, c->useAddress(), "", value);
  displayValue(*c);
}

void Kiv$ERASE(int32_t first, int32_t last) {
  Screen* w = openTarget();
  if (!w) return;
  for (Control* c : controlsInRange(*w, first, last)) {
    if (!c->hasValue()) continue;
    storeUse(c->desc.use, c->useAddress(), "", "");
    displayValue(*c);
  }
}

void Kiv$HIDE(int32_t first, int32_t last) {
  if (Screen* w = openTarget())
    for (Control* c : controlsInRange(*w, first, last)) c->hidden = true, redraw(*c);
}

void Kiv$UNHIDE(int32_t first, int32_t last) {
  if (Screen* w = openTarget())
    for (Control* c : controlsInRange(*w, first, last)) c->hidden = false, redraw(*c);
}

void Kiv$DISABLE(int32_t first, int32_t last) {
  if (Screen* w = openTarget())
    for (Control* c : controlsInRange(*w, first, last)) c->disabled = true, redraw(*c);
}

void Kiv$ENABLE(int32_t first, int32_t last) {
  if (Screen* w = openTarget())
    for (Control* c : controlsInRange(*w, first, last)) c->disabled = false, redraw(*c);
}

void Kiv$SETFONT(int32_t feq, int32_t size, int32_t color, int32_t style) {
  std::string name = kiv::core::popText();
  Screen* w = openTarget();
  Control* c = w ? w->control(feq) : nullptr;
  if (!c) return;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (!name.empty()) c->font.name = name;
  if (size > 0) c->font.size = size;
  c->fg = color;
  applyFontStyle(c->font, style);
  redraw(*c);
}

void Kiv$GETFONT(int32_t feq, int32_t* size, int32_t* color, int32_t* style) {
  Screen* w = openTarget();
  Control* c = w ? w->control(feq) : nullptr;
  kiv::core::pushCopy(c ? c->font.name : std::string());
  if (size) *size = c ? c->font.size : 0;
  if (color) *color = c ? c->fg : -1;
  if (style) *style = c ? fontStyle(c->font) : 0;
}

void Kiv$SETPOSITION(int32_t feq, int32_t x, int32_t y, int32_t width, int32_t height) {
  Screen* w = openTarget();
  if (!w) return;
  if (feq == 0) {
    gui::setWindowGeometry(w->id, {x, y, width, height});
    return;
  }
  if (Control* c = w->control(feq)) {
    c->position = {x, y, width, height};
    redraw(*c);
  }
}

void Kiv$GETPOSITION(int32_t feq, int32_t* x, int32_t* y, int32_t* width, int32_t* height) {
  Screen* w = openTarget();
  Rect r;
  if (w && feq == 0)
    r = gui::windowGeometry(w->id);
  else if (Control* c = w ? w->control(feq) : nullptr)
    r = c->position;
  if (x) *x = r.x;
  if (y) *y = r.y;
  if (width) *width = r.w;
  if (height) *height = r.h;
}

static_assert(KIV_CTL_PROMPT == static_cast<int32_t>(ControlType::Prompt) &&
              KIV_CTL_SPIN == static_cast<int32_t>(ControlType::Spin) &&
              KIV_CTL_IMAGE == static_cast<int32_t>(ControlType::Image) &&
              KIV_CTL_BOX == static_cast<int32_t>(ControlType::Box) &&
              KIV_CTL_REGION == static_cast<int32_t>(ControlType::Region));

int32_t Kiv$CREATE(int32_t feq, int32_t type, int32_t parent) {
  if (modalCount() > 0) {
    Kiv$rterr(541, nullptr);
    return 0;
  }
  Screen* w = openTarget();
  if (!w || feq == 0 || w->control(feq)) return 0;
  if (type < static_cast<int32_t>(ControlType::Prompt) ||
      type > static_cast<int32_t>(ControlType::Pie))
    return 0;
  ControlDesc d;
  d.type = static_cast<ControlType>(type);
  d.feq = feq;
  gui::createControl(w->id, d);
  auto c = std::make_unique<Control>(*w, d);
  c->created = true;
  w->byEquate[feq] = c.get();
  w->controls.push_back(std::move(c));
  return feq;
}

void Kiv$DESTROY(int32_t first, int32_t last) {
  Screen* w = openTarget();
  if (!w) return;
  for (Control* c : controlsInRange(*w, first, last)) {
    int32_t feq = c->feq;
    gui::destroyControl(w->id, feq);
    w->byEquate.erase(feq);
    w->controls.erase(std::remove_if(w->controls.begin(), w->controls.end(),
                                     [c](const auto& p) { return p.get() == c; }),
                      w->controls.end());
  }
}

int32_t Kiv$CHOICE(int32_t feq) {
  Screen* w = targetWindow();
  if (!w || !w->isOpen()) return 0;
  if (feq == 0 && w->current) feq = w->current->feq;
  Control* c = w->control(feq);
  if (!c) return 0;
  gui::ControlInput in = gui::readControl(w->id, feq);
  if (in.valid) c->choice = in.choice;
  return c->choice;
}

void Kiv$SETCURSOR(void) {
  std::string name = kiv::core::popText();
  uint32_t id = 0;
  if (name.size() == 4 && static_cast<uint8_t>(name[0]) == 0xFF && name[1] == 0x01)
    id = static_cast<uint8_t>(name[2]) | (uint32_t(static_cast<uint8_t>(name[3])) << 8);
  if (gui::available()) gui::setCursor(id);
}

int32_t Kiv$MessageBox(int32_t buttons, int32_t defaultButton) {
  std::string icon = kiv::core::popText();
  std::string caption = kiv::core::popText();
  std::string text = kiv::core::popText();
  kiv::platform::MessageBoxRequest r;
  r.caption = caption;
  r.text = text;
  r.buttons = buttons > 0 ? static_cast<uint32_t>(buttons) : uint32_t(KIV_BUTTON_OK);
  r.defaultButton = defaultButton > 0 ? static_cast<uint32_t>(defaultButton) : 0;
  r.icon = iconByName(icon);
  return static_cast<int32_t>(kiv::platform::messageBox(r));
}

}  // extern "C"

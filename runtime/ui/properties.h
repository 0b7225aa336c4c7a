// Property numbers and the property handlers of windows, controls and the process-wide objects.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "runtime/ui/screen.h"

namespace kiv::ui {

namespace prop {
constexpr int32_t Text = 31744, Type = 31745, X = 31746, Y = 31747, Width = 31748, Height = 31749,
                  FontName = 31760, FontSize = 31761, FontColor = 31762, FontStyle = 31763,
                  RangeLow = 31764, RangeHigh = 31765, Resizable = 31770, Fill = 31841,
                  Icon = 31848, Iconized = 31849, Maximized = 31855, Timer = 31878,
                  VisibleRows = 31886, Selected = 31887, Handle = 31894, Tip = 31904,
                  ModuleInstance = 31934, BevelOuter = 31972, BevelInner = 31973,
                  ScrollThumb = 31910, BorderColor = 31994, TextColor = 31995, BackColor = 31996,
                  StatusText = 32001, AlertKey = 32006, ListImage = 32007;
// This runtime's meanings of further numbers: a window's smallest size in pixels (both ways);
// how an image control scales its picture (1: to fit, keeping its shape), its zoom in percent
// (a zoomed picture scrolls; bit property 31847 set: at that zoom, clear: as wide as the
// control); a control's status-bar message; the inner size of a window (its body) or of an
// image control's picture, read only.
constexpr int32_t MinimumSize = 31917, ImageFit = 31837, ImageZoom = 31838, ZoomFixed = 31847,
                  Message = 31859, InnerWidth = 31919, InnerHeight = 31920;
constexpr int32_t FirstArray = 28672, FirstIndexed = 32000;
}  // namespace prop

// Where a property operation goes, after the index rule and the window have been resolved.
struct PropertyTarget {
  Screen* window = nullptr;    // null for the process-wide objects
  Control* control = nullptr;  // null for the window itself
  int32_t processObject = 0;   // -1 or -4
  int32_t number = 0;          // after an array index was folded in
  int32_t index = 0;           // what is left of the index (indexed properties)
};

// Folds the index into an array property (28672..31999) or keeps it (32000 up).
void foldIndex(int32_t& number, int32_t& index);
// Resolves the window (0 = target; must be open, else runtime error 536) and the object.
PropertyTarget resolveProperty(int32_t feq, int32_t index, void* window, int32_t number);

void setProperty(int32_t feq, int32_t index, void* window, int32_t number,
                 const std::string& value) KIV_REQUIRES_RUNTIME_LOCK;
std::string getProperty(int32_t feq, int32_t index, void* window,
                        int32_t number) KIV_REQUIRES_RUNTIME_LOCK;

// Font style words: 700 and up is bold, 0x1000 italic, 0x2000 underline.
void applyFontStyle(FontDesc& font, int32_t style);
int32_t fontStyle(const FontDesc& font);

// A message-box icon named in text ("ICON:Hand", "Exclamation", "32515" ...).
uint32_t iconByName(const std::string& name);

// A property of a window object's own behaviour (a REPORT's preview queue) whose value is the
// address of the caller's variable; false when the object has no such property.
bool setAddressProperty(int32_t feq, int32_t index, void* window, int32_t number,
                        void* address) KIV_REQUIRES_RUNTIME_LOCK;

// Makes the list show the rows of `source`.
void showQueue(Control& c, std::unique_ptr<ListSource> source) KIV_REQUIRES_RUNTIME_LOCK;

}  // namespace kiv::ui

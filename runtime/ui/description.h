// Window, menu and report descriptions: the parsed form of the text files under resources/ that
// the build links into a program (docs/descriptions.md gives the format). This file and its
// source use nothing but the standard library, so the resource compiler shares them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::ui {

enum class StructureKind { Application, Mdi, Window, Report };

// Control types with the type codes property 31745 reads.
enum class ControlType : int32_t {
  Prompt = 1,
  Entry = 2,
  Text = 3,
  Button = 4,
  Check = 5,
  Option = 6,
  Radio = 7,
  List = 8,
  Combo = 9,
  DropList = 10,
  Spin = 11,
  Progress = 12,
  Panel = 13,
  Image = 14,
  Box = 15,
  Line = 16,
  Ellipse = 17,
  Region = 18,
  Sheet = 19,
  Tab = 20,
  Group = 21,
  Pie = 22,
  Menu = 23,
  Item = 24,
  Separator = 25,
  Header = 26,  // a report's page header band, or a group's header band
  Footer = 27,  // a report's page footer band, or a group's footer band
  Detail = 28,  // a report's detail band
  Break = 29,   // a report's group structure: its bands and the groups inside it
};

// Bands of a report: blocks whose controls print together.
bool isBand(ControlType type);

std::optional<ControlType> controlTypeByName(std::string_view name);
const char* controlTypeName(ControlType type);
// Controls that carry a value bound to a USE variable.
bool isValueControl(ControlType type);

struct Rect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

struct FontDesc {
  std::string name;  // empty: the window's font
  int32_t size = 0;  // points, 0 = default
  bool bold = false, italic = false, underline = false;
};

// How a control's value is stored in its USE variable.
struct UseBinding {
  int32_t index = 0;    // 1-based position in the window's USE-variable list, 0 = none
  int32_t type = 0;     // type code of the variable (KIV_LONG, KIV_STRING, ...)
  uint32_t size = 0;    // bytes of the variable
  uint32_t places = 0;  // decimal places of a DECIMAL or PDECIMAL
};

struct ControlDesc {
  ControlType type = ControlType::Prompt;
  int32_t feq = 0;        // field equate
  int line = 0;           // line of the description, for messages
  std::string name;       // the control's label ("?OK"), what FIELDNAME gives
  std::string text;       // caption, prompt text, image file name
  std::string picture;    // display picture of a value control
  std::string format;     // column format of a list
  std::string from;       // choices of a drop list or list without a queue, "|" separated
  std::string value;      // the value a check box (when on) or a radio stands for
  std::string offValue;   // the value of a check box when off
  std::string tip;        // tool tip
  std::string hint;       // status-bar hint of a menu item
  std::string stdAction;  // standard action of a menu item (exit, tile, cascade, ...)
  Rect at;
  FontDesc font;
  UseBinding use;
  int32_t fg = -1, bg = -1;        // colours, 24-bit RGB, -1 = default
  int32_t fill = -1, border = -1;  // box colours
  int32_t bevelOuter = 0, bevelInner = 0;
  int32_t rangeLow = 0, rangeHigh = 0;
  bool hasRange = false;
  bool hidden = false, disabled = false, isDefault = false, readOnly = false, checked = false;
  bool vscroll = false, required = false;
  bool wizard = false;  // a sheet without tabs to click: the program turns its pages
  bool pageNo = false;  // a report control that shows the number of the page it prints on
  char justify = 'L';   // 'L', 'R' or 'C': where a report control's text sits in its area
  std::vector<ControlDesc> children;  // menu items, tabs of a sheet, radios, grouped controls
};

struct StructureDesc {
  std::string label;  // "MAIN$APPFRAME"
  StructureKind kind = StructureKind::Window;
  int line = 0;
  std::string text;  // caption
  Rect at;
  FontDesc font;
  int32_t fg = -1, bg = -1;
  int32_t timer = 0;  // hundredths of a second, 0 = none
  std::string icon;
  std::vector<int32_t> statusZones;  // widths of the status-bar zones, empty = no status bar
  int32_t toolbarHeight = 0;         // 0 = no toolbar
  bool modal = false, resizable = false, maximize = false, iconize = false, system = true;
  bool center = false;
  // A report's paper in thousandths of an inch (its `at` is the body's place on the paper).
  int32_t paperWidth = 8500, paperHeight = 11000;
  std::vector<ControlDesc> menubar;   // top-level menus
  std::vector<ControlDesc> toolbar;   // toolbar controls (negative equates)
  std::vector<ControlDesc> controls;  // body controls in description order

  // Every control of the structure (menus, toolbar, body, children) in description order.
  std::vector<const ControlDesc*> allControls() const;
};

struct ModuleDesc {
  std::string module;  // "TARROW.kvw$tarro005"
  std::vector<StructureDesc> structures;
  const StructureDesc* find(std::string_view label) const;  // labels compare without case
};

struct ParseError {
  int line = 0;
  std::string message;
};

// Parses a description; on failure fills `error` and gives nothing.
std::optional<ModuleDesc> parseDescription(std::string_view text, ParseError& error);

// "TARROW.kvw$tarro001" -> "TARRO001_RSC"
std::string resourceNameForModule(std::string_view module);
// "~cdrom.ico" -> "CDROM_ICO" (the name without its "~", upper case, "." as "_")
std::string resourceNameForImage(std::string_view fileName);

}  // namespace kiv::ui

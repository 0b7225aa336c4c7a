// The runtime side of a control (CONTROL and FIELD): what it is, what it shows and how it is
// bound to its USE variable. Guarded by the runtime lock; the platform control is drawn from
// this state through runtime/ui/gui.h.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/description.h"
#include "runtime/ui/list_format.h"

namespace kiv::ui {

class Screen;

// Rows a list control shows: the adapter over a queue (or any other row source).
class ListSource {
 public:
  virtual ~ListSource() = default;
  virtual int32_t rows() = 0;
  // The row's fields as display texts, in the order of the queue's fields.
  virtual std::vector<std::string> fields(int32_t row) = 0;  // row is 1-based
  // A number that changes whenever the rows change.
  virtual uint32_t changes() = 0;
};

class Control {
 public:
  Control(Screen& window, const ControlDesc& desc);

  bool hasValue() const { return desc.use.index != 0; }
  bool isList() const {
    return type == ControlType::List || type == ControlType::Combo || type == ControlType::DropList;
  }
  void* useAddress() const;  // the bound USE variable, or nullptr

  Screen& window;
  const ControlDesc desc;  // own copy: controls made by CREATE outlive no description
  const ControlType type;
  const int32_t feq;
  std::string text;  // caption / prompt / image file name
  std::string picture;
  std::string shown;  // the value text the control shows
  Rect position;
  FontDesc font;
  int32_t fg, bg, fill, border;
  int32_t bevelOuter, bevelInner;
  int32_t rangeLow, rangeHigh;
  bool hidden, disabled, readOnly;
  uint32_t attributes = 0;  // attribute word of the bit properties
  uint16_t attributes2 = 0;
  std::string tip;
  std::map<int32_t, uint32_t> alertKeys;  // index -> keycode
  std::map<int32_t, std::string> images;  // index -> image file name (lists)
  std::map<int32_t, std::string> otherProperties;
  int32_t choice = 0;  // selected entry of a list, option, drop list or sheet (1-based)
  int32_t thumb = -1;  // a page list's scroll thumb in percent; -1 shows no thumb
  std::vector<std::string> choices;  // fixed entries of a drop list or list
  std::vector<ListColumn> columns;   // parsed format of a list
  ListSource* source = nullptr;      // the queue a list shows
  std::unique_ptr<ListSource> ownedSource;
  uint32_t shownChanges = 0;
  bool created = false;  // made at run time by CREATE
};

}  // namespace kiv::ui

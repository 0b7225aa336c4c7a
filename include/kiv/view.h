// VIEW declarations over one table, read in the order of one of its keys:
//
//   kiv::View disks(Disks);
//   disks.open();                                    // mode 22h: read/write, deny write
//   disks.setFilter("UPPER(DIS:Label) = UPPER(VolName)");
//   disks.set(Disks.ByIdNum);
//   for (disks.next(); kiv::errorCode() == 0; disks.next()) ...
//
// Errors are left in the runtime's error state for the caller to test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "error.h"
#include "table.h"
#include "../kvrun32.h"

namespace kiv {

class View {
 public:
  explicit View(Table& primary) : primary_(primary) {
    components_[0] = primary.desc();
    view_.driver = &VIEWDRIVER;
    view_.structure = kWholePrimary;
    view_.components = components_;
  }
  ~View() {
    if (isOpen()) close();
  }
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  KivTable* desc() { return reinterpret_cast<KivTable*>(&view_); }
  bool isOpen() const { return view_.engine != nullptr; }

  void open(int32_t mode = ReadWriteDenyWrite) { Kiv$FILE_OPEN(desc(), mode); }
  void close() { Kiv$FILE_CLOSE(desc()); }
  // PROP:Filter: the records the view delivers ("" for all).
  void setFilter(std::string_view filter) {
    Kiv$PushLong(KIV_VIEW_PROP_FILTER);
    pushText(filter);
    Kiv$FILE_SET_PROPERTY(desc(), 0);
  }
  // PROP:Order: the view's own order ("+FIL:DiskID,-FIL:Size"), "" for the key's.
  void setOrder(std::string_view order) {
    Kiv$PushLong(KIV_VIEW_PROP_ORDER);
    pushText(order);
    Kiv$FILE_SET_PROPERTY(desc(), 0);
  }
  // SET(key): the key's order from its start; SET(key, key): from the key value in the record.
  void set(Key& key) { Kiv$FILE_SETk(key.desc()); }
  void setAt(Key& key) { Kiv$FILE_SETkk(key.desc(), key.desc()); }
  // SET(view, n): a view with its own order reads on from the values of its first n order
  // components now in the record buffers (from its beginning with 0).
  void setByOrder(int32_t components) { Kiv$VIEW_SETvl(desc(), components); }
  void next() { Kiv$FILE_NEXT(desc()); }
  void previous() { Kiv$FILE_PREV(desc()); }
  void skip(int32_t count) { Kiv$FILE_SKIP(desc(), count); }
  int32_t records() { return Kiv$FILE_RECORDSf(desc()); }

  // POSITION(view), RESET(view, position) and REGET(view, position).
  std::string position() {
    Kiv$FILE_POSITIONf(desc());
    return popString();
  }
  void reset(std::string_view position) {
    pushText(position);
    Kiv$FILE_RESETf(desc());
  }
  void reget(std::string_view position) {
    pushText(position);
    Kiv$FILE_REGETf(desc());
  }

  Table& primary() { return primary_; }

 private:
  // The primary table with its whole record, no joins.
  static constexpr uint8_t kWholePrimary[] = {0x00, 0xFF, 0xFF, 0x00};

  Table& primary_;
  void* components_[1] = {};
  KivView view_{};
};

// A VIEW of a primary table joined to the records of a second table whose key begins with the
// primary's first field (DISKS joined with each disk's FILES through FIL:BYDISKID); both
// records are read whole. Reading, filter and positioning are those of View.
class JoinedView {
 public:
  JoinedView(Table& primary, Key& childKey) : primary_(primary) {
    components_[0] = primary.desc();
    components_[1] = childKey.desc();
    view_.driver = &VIEWDRIVER;
    view_.structure = kJoinedOnFirstField;
    view_.components = components_;
  }
  ~JoinedView() {
    if (isOpen()) close();
  }
  JoinedView(const JoinedView&) = delete;
  JoinedView& operator=(const JoinedView&) = delete;

  KivTable* desc() { return reinterpret_cast<KivTable*>(&view_); }
  bool isOpen() const { return view_.engine != nullptr; }
  void open(int32_t mode = ReadWriteDenyWrite) { Kiv$FILE_OPEN(desc(), mode); }
  void close() { Kiv$FILE_CLOSE(desc()); }
  void setFilter(std::string_view filter) {
    Kiv$PushLong(KIV_VIEW_PROP_FILTER);
    pushText(filter);
    Kiv$FILE_SET_PROPERTY(desc(), 0);
  }
  void set(Key& key) { Kiv$FILE_SETk(key.desc()); }
  void setAt(Key& key) { Kiv$FILE_SETkk(key.desc(), key.desc()); }
  void next() { Kiv$FILE_NEXT(desc()); }
  Table& primary() { return primary_; }

 private:
  // The primary's whole record; one join linked by the primary's field 1, its whole record.
  static constexpr uint8_t kJoinedOnFirstField[] = {0x00, 0xFF, 0xFF, 0x01, 0x01,
                                                    0x01, 0x00, 0xFF, 0xFF, 0x00};

  Table& primary_;
  void* components_[2] = {};
  KivView view_{};
};

}  // namespace kiv

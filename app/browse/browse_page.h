// The page of a browse window: the rows of the records on show, read through a view in the
// order of one key, and the list events that move through the table a page at a time. Each
// browse declares its row (the displayed columns and, last, the record's position) and how a
// row is built from the record buffer.
//
//   #define DISK_ROW_FIELDS(FIELD) FIELD(Id, kiv::Long, "ID") ... BROWSE_POSITION_FIELD(FIELD)
//   KIV_RECORD(DiskRow, "DRW", DISK_ROW_FIELDS);
//   BrowsePage<DiskRow> page(view, Disks.ByIdNum, "Disks", [](DiskRow& r) { r.Id = ...; });
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "app/tables/app_warning.h"
#include "include/kiv/kiv.h"
#include "include/kiv/view.h"
#include "include/kiv/window.h"

// The last field of every browse row: the record's position in the view.
#define BROWSE_POSITION_FIELD(FIELD) FIELD(Position, kiv::String<512>, "POSITION")

// What a refill keeps in view.
enum class BrowseAnchor {
  None,     // the start (or the end) of the key
  Current,  // the record the view read last (after a locate)
  Selected  // the rows on show, with the selected one (after a change)
};

// What the user typed into a list to find a row, per sort order: at most 30 characters.
struct BrowseLocator {
  static constexpr size_t kMaxLength = 30;
  std::string text;

  // A key typed into the list: Backspace drops the last character, Space and every key with a
  // character append one. False for keys that leave the locator as it was.
  bool key(int32_t keycode, int32_t keychar) {
    constexpr int32_t kBackspace = 8, kSpace = 32;
    if (keycode == kBackspace) {
      if (text.empty()) return false;
      text.pop_back();
      return true;
    }
    char c = keycode == kSpace ? ' ' : char(keychar);
    // A key that brought no character: a letter or digit stands for itself.
    const int32_t vk = keycode & 0xFF;
    if (c == 0 && ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))) c = char(vk);
    if (c == 0 || text.size() >= kMaxLength) return false;
    text += c;
    return true;
  }
  void clear() { text.clear(); }
};

template <typename Row>
class BrowsePage {
 public:
  using BuildRow = std::function<void(Row&)>;

  BrowsePage(kiv::View& view, kiv::Key& order, std::string tableName, BuildRow build)
      : view_(view), order_(&order), tableName_(std::move(tableName)), build_(std::move(build)) {}

  kiv::Queue<Row> rows;    // the page on show
  int32_t selected = 0;    // the highlighted row, 1-based; 0 on an empty page
  int32_t pageSize = 1;    // rows the list can show
  bool failed = false;     // a read failed: the warning was shown and the window asked to close
  int32_t lastUnread = 0;  // records the last scroll could not read because the table ended

  int32_t count() { return rows.records(); }
  bool empty() { return count() == 0; }
  bool full() { return count() >= pageSize; }
  kiv::Key& order() { return *order_; }
  // Reads in the order of `key` (which the view also takes for its own when it has no order).
  void setOrder(kiv::Key& key) {
    order_ = &key;
    viewOrder_ = 0;
  }
  // Reads in the view's own order (View::setOrder); a locate starts at the values of its first
  // `locateComponents` components in the record buffer.
  void setViewOrder(kiv::Key& key, int32_t locateComponents) {
    order_ = &key;
    viewOrder_ = std::max(1, locateComponents);
  }

  // Reads up to n records on from the page (forward: after its last row; backward: before its
  // first) and adds their rows, dropping rows at the far end so that the page never holds more
  // than a page. Gives the number of records not read because the table ended.
  int32_t fill(int32_t n, bool forward) {
    const bool quickScan = n > 1;
    if (quickScan) send("QUICKSCAN=on");
    std::string anchor;
    if (!empty()) {
      rows.get(forward ? count() : 1);
      anchor = std::string(rows.rec.Position.view());
      view_.reset(anchor);
    }
    bool skipAnchor = !anchor.empty();
    while (n > 0) {
      if (forward)
        view_.next();
      else
        view_.previous();
      if (kiv::errorCode() == kEndOfTable) break;
      if (kiv::errorCode()) {
        readFailed();
        break;
      }
      if (skipAnchor) {
        skipAnchor = false;
        if (samePosition(view_.position(), anchor)) continue;
      }
      addRow(forward);
      --n;
    }
    Kiv$clearerror();
    if (quickScan) send("QUICKSCAN=off");
    return n;
  }

  // Fills the page afresh around the anchor; `fromEnd` fills an unanchored page from the end.
  void refill(BrowseAnchor anchor, bool fromEnd = false) {
    kiv::setCursor(KIV_CURSOR_WAIT);
    std::string start, remembered;
    if (anchor == BrowseAnchor::Selected && !empty()) {
      rows.get(std::clamp(selected, 1, count()));
      remembered = std::string(rows.rec.Position.view());
      rows.get(1);
      start = std::string(rows.rec.Position.view());
    } else if (anchor == BrowseAnchor::Current) {
      start = remembered = view_.position();
    }
    rows.free();
    if (!start.empty()) {
      view_.reset(start);
      fill(pageSize, true);
      if (count() < pageSize && !failed) fill(pageSize - count(), false);
    } else {
      restart();
      fill(pageSize, !fromEnd);
    }
    selected = 0;
    for (int32_t i = 1; i <= count() && !remembered.empty(); ++i) {
      rows.get(i);
      if (samePosition(rows.rec.Position.view(), remembered)) selected = i;
    }
    if (selected == 0) selected = start.empty() && !fromEnd ? std::min(1, count()) : count();
    if (empty()) clearRecord();
    kiv::setCursor(KIV_CURSOR_ARROW);
  }

  // Shows the page that starts at the first record whose key is not below the key value now in
  // the record buffer (the caller has put the locator there); beyond the last key, the last
  // page with its last row selected.
  void locate() {
    rows.free();
    if (viewOrder_)
      view_.setByOrder(viewOrder_);
    else
      view_.setAt(*order_);
    view_.next();
    const bool found = kiv::errorCode() == 0;
    Kiv$clearerror();
    if (found)
      refill(BrowseAnchor::Current);
    else
      refill(BrowseAnchor::None, true);
  }

  // The list's scroll events; gives false when the page is empty (nothing happens then).
  bool scroll(int32_t event) {
    if (empty()) return false;
    lastUnread = 0;
    switch (event) {
      case kiv::event::ScrollUp:
        if (selected > 1)
          --selected;
        else
          lastUnread = fill(1, false);
        break;
      case kiv::event::ScrollDown:
        if (selected < count())
          ++selected;
        else
          lastUnread = fill(1, true);
        break;
      case kiv::event::PageUp:
        lastUnread = fill(pageSize, false);
        selected = std::max(1, selected - lastUnread);
        break;
      case kiv::event::PageDown:
        lastUnread = fill(pageSize, true);
        selected = std::min(count(), selected + lastUnread);
        break;
      case kiv::event::ScrollTop:
        rows.free();
        restart();
        fill(pageSize, true);
        selected = std::min(1, count());
        break;
      case kiv::event::ScrollBottom:
        rows.free();
        restart();
        fill(pageSize, false);
        selected = count();
        break;
      default:
        return false;
    }
    return true;
  }

  // Reads the selected row's record again into the record buffer.
  bool loadSelected() {
    if (selected < 1 || selected > count()) return false;
    rows.get(selected);
    view_.reget(rows.rec.Position.view());
    if (kiv::errorCode()) {
      Kiv$clearerror();
      return false;
    }
    return true;
  }

 private:
  static constexpr int32_t kEndOfTable = 33;

  static bool samePosition(std::string_view a, std::string_view b) {
    return kiv::clip(a) == kiv::clip(b);
  }

  // The view from the start (or, reading backward, the end) of its order.
  void restart() {
    if (viewOrder_)
      view_.setByOrder(0);
    else
      view_.set(*order_);
  }

  void addRow(bool forward) {
    if (count() >= pageSize) {
      rows.get(forward ? 1 : count());
      rows.erase();
    }
    rows.rec.clear();
    build_(rows.rec);
    rows.rec.Position = view_.position();
    if (forward)
      rows.add();
    else
      rows.add(1);
  }

  void readFailed() {
    SaveFileError();
    AppWarning(35, tableName_);
    failed = true;
    Kiv$POST(kiv::event::CloseWindow, 0, 0);
  }

  void send(std::string_view command) {
    view_.primary().send(command);
    Kiv$clearerror();
  }

  void clearRecord() {
    KivTable* t = view_.primary().desc();
    Kiv$CLEAR(t->record, static_cast<const uint8_t*>(t->fieldLayout), 0);
  }

  kiv::View& view_;
  kiv::Key* order_;
  int32_t viewOrder_ = 0;  // the view reads in its own order; components a locate gives
  std::string tableName_;
  BuildRow build_;
};

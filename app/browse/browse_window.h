// The browse procedure all browses share: a window with a list that shows a page of a table
// through a view, sort orders chosen on a sheet, locators typed into the list or into an entry,
// a pop-up menu, alert keys, and the buttons that call the update form or end the browse.
//
// A browse declares its row and its BrowseSpec and runs BrowseWindow<Row>; what only one browse
// does (BrowseDisk's buttons 2, 5 and 6) it handles in its own event hook.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/browse/browse.h"
#include "app/browse/browse_page.h"
#include "app/browse/key_samples.h"
#include "app/frame/window_position.h"
#include "app/tables/app_warning.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/kiv.h"
#include "include/kiv/view.h"
#include "include/kiv/window.h"

// Keycodes the browses act on.
namespace browse_key {
constexpr int32_t RightButton = 2, DoubleClick = 5, Backspace = 8, Space = 32, Insert = 45,
                  Delete = 46, CtrlEnter = 525;
}

// Properties the browses write whose meaning is their own.
namespace browse_prop {
constexpr int32_t SelectShown = 31838;    // the select button is in use (select mode)
constexpr int32_t NothingToAct = 31839;   // a button that acts on a row has no row to act on
constexpr int32_t SelectUnused = 31845;   // the select button is not in use
constexpr int32_t RefreshedOnce = 31898;  // the window was displayed whole already
}  // namespace browse_prop

// One sort order of a browse.
struct BrowseOrder {
  BrowseOrder() = default;
  BrowseOrder(kiv::Key* key, int32_t tab, int32_t locatorEntry,
              std::function<void(const std::string&)> locate,
              std::function<std::string()> sortValue = {})
      : key(key),
        tab(tab),
        locatorEntry(locatorEntry),
        locate(std::move(locate)),
        sortValue(std::move(sortValue)) {}

  kiv::Key* key = nullptr;   // the key it reads in
  int32_t tab = 0;           // its tab's place on the sheet (1 the first); 0 without a sheet
  int32_t locatorEntry = 0;  // the entry that shows its locator; 0 for none
  // Puts the locator into the key field(s) of the record buffer, the other fields cleared.
  std::function<void(const std::string&)> locate;
  // The record buffer's key value as it sorts (SortableText ...), for the scroll thumb; without
  // it the thumb only tells the ends of the table from the middle.
  std::function<std::string()> sortValue;
  // The view's own order for this sort order ("" reads in the key) and the order components a
  // locate gives.
  std::string viewOrder;
  int32_t locateComponents = 1;
};

// The controls of a browse window; 0 for those it does not have.
struct BrowseControls {
  int32_t list = 1;
  int32_t insert = 0, change = 0, remove = 0, select = 0, close = 0;
  int32_t sheet = 0;
};

struct BrowseSpec {
  const char* module = nullptr;
  const char* label = nullptr;    // the window's structure
  const char* section = nullptr;  // its settings section
  kiv::Table* table = nullptr;    // the table browsed
  const char* tableName = "";     // its name in warnings ("Disks")
  BrowseControls controls;
  std::vector<BrowseOrder> orders;  // sort order n is orders[n - 1]
  int32_t firstOrder = 1;
  std::vector<const char*> images;  // the list's images, 1 up
  std::string filter;               // the view's filter ("" for all)
  // Names the filter uses besides the fields of CATEGORY, DISKS and FILES; bound while the
  // filter and the orders are read.
  std::function<void(kiv::BindScope&)> bindNames;
  bool startAtBuffer = false;    // a picker opens at the record in the buffer
  bool samplesFromView = false;  // the samples come from a pass through the view
  void (*form)() = nullptr;      // the update form
  int32_t endEvent = 0;          // the user event posted to thread 1 at the end (0 none)
  // Controls that follow the window's right or bottom edge when it is resized, and those that
  // grow with it.
  std::vector<int32_t> followRight, followBottom, growWidth, growHeight;
};

// Holds the tables every browse uses.
struct BrowseTables {
  CatalogUse category{Category, CategoryUseCount};
  CatalogUse disks{Disks, DisksUseCount};
  CatalogUse files{Files, FilesUseCount};
};

// Calls a form with `req` and gives its response; the form action is left in FormAction.
inline int32_t CallForm(void (*form)(), int32_t req) {
  GlobalRequest = req;
  FormAction = 0;
  form();
  const int32_t r = GlobalResponse;
  GlobalResponse = 0;
  return r == response::Completed ? response::Completed : response::Cancelled;
}

template <typename Row>
class BrowseWindow {
 public:
  using BuildRow = typename BrowsePage<Row>::BuildRow;
  // Extra handling of one browse: true when it took the event.
  using EventHook = std::function<bool(BrowseWindow&, kiv::Event&)>;

  BrowseWindow(BrowseSpec shape, BuildRow build)
      : spec_(std::move(shape)),
        window_(kiv::Window::Mdi, spec_.module, spec_.label, &locatorUse_[0], &locatorUse_[1],
                &locatorUse_[2], &locatorUse_[3], &locatorUse_[4], &info_[0], &info_[1]),
        view_(*spec_.table),
        page_(view_, *spec_.orders.at(size_t(spec_.firstOrder - 1)).key, spec_.tableName,
              std::move(build)),
        locators_(spec_.orders.size()) {
    request_ = GlobalRequest;
    GlobalRequest = 0;
    order_ = spec_.firstOrder;
  }

  // Runs the browse to its end; gives its response.
  int32_t run(const EventHook& hook = {});
  // Called each time the selected row's record has been loaded and shown.
  void onShow(std::function<void(BrowseWindow&)> shown) { onShow_ = std::move(shown); }

  kiv::Window& window() { return window_; }
  BrowsePage<Row>& page() { return page_; }
  kiv::View& view() { return view_; }
  bool selectMode() const { return request_ == request::Select; }
  int32_t sortOrder() const { return order_; }
  // The two texts the window may show (USE variables 6 and 7).
  kiv::String<120>& info(int i) { return info_[i]; }
  // Fills the page afresh around the selected row and shows it (after the table changed).
  void refresh();
  // Calls the form with the request (Insert, Change or Delete) and shows what it left.
  void callForm(int32_t req);
  int32_t response = response::Cancelled;

 private:
  BrowseOrder& order() { return spec_.orders[size_t(order_ - 1)]; }
  BrowseLocator& locator() { return locators_[size_t(order_ - 1)]; }

  void open();
  bool openView();
  void setOrder(int32_t n);
  void gatherSamples();
  void refill(BrowseAnchor anchor, bool fromEnd = false);
  void show();
  void postNewSelection();
  void newSelection(kiv::Event& event);
  void placeThumb(int32_t scrollEvent);
  void scroll(int32_t event);
  void alertKey(int32_t keycode, int32_t keychar);
  void locate(const std::string& text);
  void locateRecord(int32_t pointer);
  void showSample(const KeySamples::Sample& sample);
  void popupMenu();
  void enableRowButtons();
  void layout();
  void closing();
  bool rowsReady() { return !page_.empty(); }

  BrowseSpec spec_;
  kiv::String<30> locatorUse_[5];  // the locator entries' USE variables
  kiv::String<120> info_[2];
  kiv::Window window_;
  kiv::View view_;
  BrowsePage<Row> page_;
  std::vector<BrowseLocator> locators_;
  KeySamples samples_;
  int32_t request_ = 0;
  int32_t order_ = 1;
  bool viewOpen_ = false;
  bool selectionPosted_ = false;
  bool opened_ = false;
  bool closed_ = false;
  int32_t thumb_ = -1;
  kiv::Position initialSize_;
  std::vector<std::pair<int32_t, kiv::Position>> initialPlaces_;
  std::function<void(BrowseWindow&)> onShow_;
};

template <typename Row>
bool BrowseWindow<Row>::openView() {
  view_.open();
  viewOpen_ = kiv::errorCode() == 0;
  if (viewOpen_ && !spec_.filter.empty()) {
    // The names are known while the filter is read; the filter keeps what they stand for.
    kiv::BindScope names;
    names.bindRecord(Category.rec);
    names.bindRecord(Disks.rec);
    names.bindRecord(Files.rec);
    if (spec_.bindNames) spec_.bindNames(names);
    view_.setFilter(spec_.filter);
  }
  if (kiv::errorCode()) {
    SaveFileError();
    AppWarning(36);
  }
  return viewOpen_;
}

template <typename Row>
void BrowseWindow<Row>::setOrder(int32_t n) {
  order_ = std::clamp<int32_t>(n, 1, int32_t(spec_.orders.size()));
  BrowseOrder& o = order();
  if (o.viewOrder.empty())
    page_.setOrder(*o.key);
  else
    page_.setViewOrder(*o.key, o.locateComponents);
  if (viewOpen_) {
    kiv::BindScope names;
    names.bindRecord(Files.rec);
    view_.setOrder(o.viewOrder);
    // The view reads through the order's key (its own order starts from that key too).
    view_.set(*o.key);
  }
  Kiv$clearerror();
  gatherSamples();
}

template <typename Row>
void BrowseWindow<Row>::gatherSamples() {
  samples_.clear();
  BrowseOrder& o = order();
  if (!o.sortValue || !viewOpen_) return;
  if (spec_.samplesFromView) {
    samples_.gatherFromView(
        view_,
        [&] {
          if (o.viewOrder.empty())
            view_.set(*o.key);
          else
            view_.setByOrder(0);
        },
        o.sortValue);
  } else {
    samples_.gatherByPointer(*spec_.table, o.sortValue);
  }
}

template <typename Row>
void BrowseWindow<Row>::open() {
  window_.open();
  initialSize_ = window_.position();
  for (const auto* group :
       {&spec_.followRight, &spec_.followBottom, &spec_.growWidth, &spec_.growHeight})
    for (int32_t feq : *group) initialPlaces_.emplace_back(feq, window_.position(feq));
  RestorePosition(spec_.section);
  layout();
  const BrowseControls& c = spec_.controls;
  if (c.select) {
    if (selectMode()) {
      window_.unhide(c.select);
      window_.set(c.select, browse_prop::SelectShown, 1);
      window_.enable(c.select);
    } else {
      window_.set(c.select, browse_prop::SelectUnused, 1);
      window_.disable(c.select);
    }
  }
  for (size_t i = 0; i < spec_.images.size(); ++i)
    window_.set(c.list, kiv::prop::ListImage, spec_.images[i], int32_t(i + 1));
  // The keys a list acts on, and every key that types into a locator.
  window_.set(c.list, kiv::prop::AlertKey, browse_key::Insert, 255);
  window_.set(c.list, kiv::prop::AlertKey, browse_key::Delete, 254);
  window_.set(c.list, kiv::prop::AlertKey, browse_key::CtrlEnter, 253);
  window_.set(c.list, kiv::prop::AlertKey, browse_key::DoubleClick, 252);
  window_.set(c.list, kiv::prop::AlertKey, browse_key::Backspace, 251);
  window_.set(c.list, kiv::prop::AlertKey, browse_key::Space, 250);
  int32_t index = 1;
  for (int32_t shift : {0, 256}) {
    for (int32_t vk = '0'; vk <= '9'; ++vk)
      window_.set(c.list, kiv::prop::AlertKey, vk + shift, index++);
    for (int32_t vk = 'A'; vk <= 'Z'; ++vk)
      window_.set(c.list, kiv::prop::AlertKey, vk + shift, index++);
    for (int32_t vk : {186, 187, 188, 189, 190, 191, 219, 220, 221, 222})
      window_.set(c.list, kiv::prop::AlertKey, vk + shift, index++);
  }
  window_.showQueue(c.list, page_.rows.desc());
  if (c.sheet && order().tab) window_.set(c.sheet, kiv::prop::Selected, order().tab);
  openView();
  setOrder(order_);
  if (spec_.startAtBuffer && selectMode() && viewOpen_) {
    page_.pageSize = std::max(1, window_.number(c.list, kiv::prop::VisibleRows));
    page_.locate();
    enableRowButtons();
    show();
  } else {
    refill(BrowseAnchor::None);
  }
}

template <typename Row>
void BrowseWindow<Row>::layout() {
  if (initialPlaces_.empty()) return;
  const kiv::Position now = window_.position();
  const int32_t dx = now.width - initialSize_.width, dy = now.height - initialSize_.height;
  auto has = [](const std::vector<int32_t>& v, int32_t feq) {
    return std::find(v.begin(), v.end(), feq) != v.end();
  };
  for (const auto& [feq, start] : initialPlaces_) {
    kiv::Position p = start;
    if (has(spec_.followRight, feq)) p.x = std::max(0, start.x + dx);
    if (has(spec_.followBottom, feq)) p.y = std::max(0, start.y + dy);
    if (has(spec_.growWidth, feq)) p.width = std::max(40, start.width + dx);
    if (has(spec_.growHeight, feq)) p.height = std::max(40, start.height + dy);
    window_.setPosition(feq, p);
  }
}

template <typename Row>
void BrowseWindow<Row>::refill(BrowseAnchor anchor, bool fromEnd) {
  page_.pageSize = std::max(1, window_.number(spec_.controls.list, kiv::prop::VisibleRows));
  if (viewOpen_) page_.refill(anchor, fromEnd);
  enableRowButtons();
  thumb_ = page_.full() ? (order().sortValue ? thumb_ : 50) : -1;
  show();
}

template <typename Row>
void BrowseWindow<Row>::enableRowButtons() {
  const int32_t nothing = page_.empty() ? 1 : 0;
  for (int32_t feq : {spec_.controls.change, spec_.controls.remove}) {
    if (!feq) continue;
    window_.set(feq, browse_prop::NothingToAct, nothing);
    if (nothing)
      window_.disable(feq);
    else
      window_.enable(feq);
  }
}

template <typename Row>
void BrowseWindow<Row>::show() {
  const int32_t list = spec_.controls.list;
  window_.showQueue(list, page_.rows.desc());
  if (page_.selected > 0) window_.set(list, kiv::prop::Selected, page_.selected);
  page_.loadSelected();
  if (page_.full() && order().sortValue && !samples_.empty())
    thumb_ = samples_.percent(order().sortValue());
  window_.set(list, kiv::prop::ScrollThumb, page_.full() ? std::max(0, thumb_) : -1);
  if (onShow_) onShow_(*this);
  window_.display();
}

template <typename Row>
void BrowseWindow<Row>::postNewSelection() {
  if (selectionPosted_) return;
  selectionPosted_ = true;
  window_.post(kiv::event::NewSelection, spec_.controls.list);
}

template <typename Row>
void BrowseWindow<Row>::refresh() {
  if (window_.number(0, browse_prop::RefreshedOnce) == 0) {
    // The row the user chose last (a click not yet handled among them) stays chosen.
    if (!page_.empty())
      page_.selected = std::clamp(window_.choice(spec_.controls.list), 1, page_.count());
    refill(BrowseAnchor::Selected);
  }
  if (order().locatorEntry) locatorUse_[order_ - 1] = locator().text;
  window_.display();
}

template <typename Row>
void BrowseWindow<Row>::placeThumb(int32_t scrollEvent) {
  if (order().sortValue) return;  // the samples place it when the row is loaded
  // Without samples the thumb tells only the ends of the table from the middle.
  const bool atStart =
      scrollEvent == kiv::event::ScrollTop ||
      ((scrollEvent == kiv::event::ScrollUp || scrollEvent == kiv::event::PageUp) &&
       page_.lastUnread > 0);
  const bool atEnd =
      scrollEvent == kiv::event::ScrollBottom ||
      ((scrollEvent == kiv::event::ScrollDown || scrollEvent == kiv::event::PageDown) &&
       page_.lastUnread > 0);
  thumb_ = atStart ? 0 : atEnd ? 100 : 50;
}

template <typename Row>
void BrowseWindow<Row>::scroll(int32_t event) {
  page_.pageSize = std::max(1, window_.number(spec_.controls.list, kiv::prop::VisibleRows));
  if (!page_.scroll(event)) return;
  placeThumb(event);
  window_.showQueue(spec_.controls.list, page_.rows.desc());
  window_.set(spec_.controls.list, kiv::prop::Selected, page_.selected);
  postNewSelection();
  locator().clear();
  if (order().locatorEntry) locatorUse_[order_ - 1] = "";
}

template <typename Row>
void BrowseWindow<Row>::newSelection(kiv::Event& event) {
  selectionPosted_ = false;
  if (event.keycode() == browse_key::RightButton) {
    if (!page_.empty())
      page_.selected = std::clamp(window_.choice(spec_.controls.list), 1, page_.count());
    popupMenu();
    return;
  }
  if (!page_.empty()) {
    page_.selected = std::clamp(window_.choice(spec_.controls.list), 1, page_.count());
  }
  show();
}

template <typename Row>
void BrowseWindow<Row>::popupMenu() {
  const BrowseControls& c = spec_.controls;
  std::string items;
  if (!page_.empty())
    items = std::string("&Insert|&Change|&Delete|-|") + (selectMode() ? "&Select" : "~&Select");
  else
    items = "&Insert|~&Change|~&Delete|-|~&Select";
  const int32_t targets[] = {c.insert, c.change, c.remove, c.select};
  const int32_t chosen = kiv::popup(items);
  if (chosen >= 1 && chosen <= 4 && targets[chosen - 1])
    window_.post(kiv::event::Accepted, targets[chosen - 1]);
}

template <typename Row>
void BrowseWindow<Row>::locate(const std::string& text) {
  if (!viewOpen_) return;
  KivTable* t = spec_.table->desc();
  Kiv$CLEAR(t->record, static_cast<const uint8_t*>(t->fieldLayout), 0);
  order().locate(text);
  page_.pageSize = std::max(1, window_.number(spec_.controls.list, kiv::prop::VisibleRows));
  page_.locate();
  enableRowButtons();
  if (order().locatorEntry) locatorUse_[order_ - 1] = text;
  show();
  postNewSelection();
}

template <typename Row>
void BrowseWindow<Row>::alertKey(int32_t keycode, int32_t keychar) {
  const BrowseControls& c = spec_.controls;
  const bool rows = !page_.empty();
  switch (keycode) {
    case browse_key::DoubleClick:
      if (rows) window_.post(kiv::event::Accepted, selectMode() ? c.select : c.change);
      return;
    case browse_key::Insert:
      if (c.insert) window_.post(kiv::event::Accepted, c.insert);
      return;
    case browse_key::Delete:
      if (rows && c.remove) window_.post(kiv::event::Accepted, c.remove);
      return;
    case browse_key::CtrlEnter:
      if (rows && c.change) window_.post(kiv::event::Accepted, c.change);
      return;
    default:
      break;
  }
  if (!rows && locator().text.empty()) return;
  if (locator().key(keycode, keychar)) locate(locator().text);
}

template <typename Row>
void BrowseWindow<Row>::locateRecord(int32_t pointer) {
  // The page forms around the key value in the record buffer; among records of equal keys the
  // one with the pointer is selected.
  page_.pageSize = std::max(1, window_.number(spec_.controls.list, kiv::prop::VisibleRows));
  page_.locate();
  if (pointer <= 0) return;
  const int32_t keep = page_.selected;
  for (int32_t i = 1; i <= page_.count(); ++i) {
    page_.selected = i;
    if (page_.loadSelected() && spec_.table->pointer() == pointer) return;
  }
  page_.selected = keep;
}

template <typename Row>
void BrowseWindow<Row>::showSample(const KeySamples::Sample& sample) {
  if (!viewOpen_) return;
  page_.pageSize = std::max(1, window_.number(spec_.controls.list, kiv::prop::VisibleRows));
  if (!sample.position.empty()) {
    view_.reset(sample.position);
    view_.next();
    if (kiv::errorCode() == 0) page_.refill(BrowseAnchor::Current);
  } else {
    // The sample's record, then the page from its key value on.
    spec_.table->get(sample.pointer);
    if (kiv::errorCode() == 0) page_.locate();
  }
  Kiv$clearerror();
  enableRowButtons();
  show();
  postNewSelection();
}

template <typename Row>
void BrowseWindow<Row>::callForm(int32_t req) {
  if (!spec_.form) return;
  const BrowseControls& c = spec_.controls;
  if (req != request::Insert && !page_.loadSelected()) return;
  KivTable* t = spec_.table->desc();
  // The view is closed while the form reads and writes the table.
  if (viewOpen_) view_.close();
  viewOpen_ = false;
  int32_t formResponse = response::Cancelled;
  int32_t current = req;
  int32_t pointer = 0;
  std::string image;
  auto reopen = [&] {
    // What the form left in the record buffer, kept over the reopening of the view.
    pointer = spec_.table->pointer();
    image.assign(static_cast<const char*>(t->record), t->recordLength);
    if (openView()) setOrder(order_);
    std::memcpy(t->record, image.data(), image.size());
  };
  for (;;) {
    formResponse = CallForm(spec_.form, current);
    const int32_t action = FormAction;
    FormAction = 0;
    if (action == 0) break;
    if (action == 2000) {
      // Saved: the next record is a new one.
      current = request::Insert;
      Kiv$CLEAR(t->record, static_cast<const uint8_t*>(t->fieldLayout), 0);
      continue;
    }
    // Saved and moving on: the page forms around the record, moves as the matching list event
    // would, and the form shows the record it moved to.
    int32_t event = 0;
    switch (action) {
      case 2008:
        event = kiv::event::ScrollDown;
        break;
      case 2009:
        event = kiv::event::ScrollUp;
        break;
      case 2006:
        event = kiv::event::PageDown;
        break;
      case 2007:
        event = kiv::event::PageUp;
        break;
      case 2005:
        event = kiv::event::ScrollTop;
        break;
      case 2004:
        event = kiv::event::ScrollBottom;
        break;
      default:
        break;
    }
    if (!event) break;
    reopen();
    if (!viewOpen_) break;
    locateRecord(pointer);
    page_.scroll(event);
    if (!page_.loadSelected()) break;
    view_.close();
    viewOpen_ = false;
    current = request::Change;
  }
  if (!viewOpen_) reopen();
  if (req == request::Delete) {
    if (formResponse == response::Completed && page_.selected >= 1 &&
        page_.selected <= page_.count()) {
      page_.rows.get(page_.selected);
      page_.rows.erase();
      page_.selected = std::min(page_.selected, page_.count());
    }
    refill(BrowseAnchor::Selected);
  } else if (formResponse == response::Completed && viewOpen_) {
    locateRecord(pointer);
    enableRowButtons();
    show();
  } else {
    refill(BrowseAnchor::Selected);
  }
  postNewSelection();
  window_.select(c.list);
  refresh();
  response = response::Cancelled;
}

template <typename Row>
void BrowseWindow<Row>::closing() {
  if (closed_) return;
  closed_ = true;
  if (window_.isCurrent()) SavePosition(spec_.section);
}

template <typename Row>
int32_t BrowseWindow<Row>::run(const EventHook& hook) {
  open();
  const BrowseControls& c = spec_.controls;
  for (kiv::Event& event : window_.events()) {
    const int32_t code = event.code();
    const int32_t field = event.field();
    if (event.closing()) {
      closing();
      continue;
    }
    if (hook && hook(*this, event)) continue;
    if (code == kiv::event::OpenWindow) {
      if (!opened_) {
        opened_ = true;
        refresh();
      }
      window_.select(c.list);
    } else if (code == kiv::event::GainFocus) {
      refresh();
    } else if (code == kiv::event::Sized) {
      layout();
      refresh();
    } else if (code == kiv::event::Rejected) {
      kiv::beep(150, 16);
      window_.display(field);
      window_.select(field);
    } else if (field == c.list && code == kiv::event::NewSelection) {
      newSelection(event);
    } else if (field == c.list && code >= kiv::event::ScrollUp &&
               code <= kiv::event::ScrollBottom) {
      scroll(code);
    } else if (field == c.list && code == kiv::event::ScrollDrag) {
      // The thumb dragged to a place: the page at the key sample there.
      const int32_t at = window_.number(c.list, kiv::prop::ScrollThumb);
      if (at <= 0) {
        scroll(kiv::event::ScrollTop);
      } else if (at >= 100 || samples_.empty()) {
        scroll(at >= 50 ? kiv::event::ScrollBottom : kiv::event::ScrollTop);
      } else {
        showSample(samples_.at(at));
      }
    } else if (field == c.list && code == kiv::event::AlertKey) {
      alertKey(event.keycode(), event.keychar());
    } else if (c.sheet && field == c.sheet &&
               (code == kiv::event::Accepted || code == kiv::event::NewSelection ||
                code == kiv::event::TabChanging || code == kiv::event::Selected)) {
      const int32_t tab = window_.choice(c.sheet);
      for (size_t i = 0; i < spec_.orders.size(); ++i) {
        if (spec_.orders[i].tab != tab || int32_t(i + 1) == order_) continue;
        setOrder(int32_t(i + 1));
        refill(BrowseAnchor::None);
        postNewSelection();
        break;
      }
    } else if (code == kiv::event::Accepted && field > 0 && field == order().locatorEntry) {
      window_.update(field);
      const std::string typed(locatorUse_[order_ - 1].clipped());
      if (!typed.empty()) {
        locator().text = typed.substr(0, BrowseLocator::kMaxLength);
        locate(locator().text);
        window_.select(c.list);
      }
    } else if (c.insert && event.accepted(c.insert)) {
      callForm(request::Insert);
    } else if (c.change && event.accepted(c.change)) {
      if (!page_.empty()) callForm(request::Change);
    } else if (c.remove && event.accepted(c.remove)) {
      if (!page_.empty()) callForm(request::Delete);
    } else if (c.select && event.accepted(c.select)) {
      if (!page_.empty()) {
        page_.selected = std::clamp(window_.choice(c.list), 1, page_.count());
        if (page_.loadSelected()) {
          response = response::Completed;
          window_.post(kiv::event::CloseWindow);
        }
      }
    } else if (c.close && event.accepted(c.close)) {
      response = response::Cancelled;
      window_.post(kiv::event::CloseWindow);
    }
  }
  closing();
  if (spec_.endEvent) Kiv$POST(spec_.endEvent, 0, 1);
  return response;
}

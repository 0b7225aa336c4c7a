#include "runtime/ui/automation.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

#include <chrono>
#include <thread>

#include "include/kvrun32/types.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/gui_internal.h"

namespace kiv::ui::automation {
namespace {

using gui::PlatformWindow;

template <typename F>
bool waitUntil(int timeoutMs, F ready) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (ready()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Runs `work` with the control's widget (or menu action) on the GUI thread.
template <typename F>
bool withControl(uint64_t window, int32_t feq, F work) {
  bool ok = false;
  gui::run([&] {
    PlatformWindow* w = gui::platformWindow(window);
    if (!w) return;
    QWidget* widget = nullptr;
    QAction* action = nullptr;
    if (auto it = w->controls.find(feq); it != w->controls.end()) widget = it->second.data();
    if (auto it = w->items.find(feq); it != w->items.end()) action = it->second;
    if (!widget && !action) return;
    ok = work(*w, widget, action);
  });
  return ok;
}

}  // namespace

uint64_t findWindow(int thread, std::string_view label, int timeoutMs) {
  uint64_t found = 0;
  waitUntil(timeoutMs, [&] {
    gui::run([&] {
      for (PlatformWindow* w : gui::platformWindows()) {
        if (w->shown && w->owner == thread - 1 && (label.empty() || w->label == label) &&
            w->id > found)
          found = w->id;
      }
    });
    return found != 0;
  });
  return found;
}

bool isOpen(uint64_t window) {
  bool open = false;
  gui::run([&] { open = gui::platformWindow(window) != nullptr; });
  return open;
}

bool waitClosed(uint64_t window, int timeoutMs) {
  return waitUntil(timeoutMs, [&] { return !isOpen(window); });
}

bool press(uint64_t window, int32_t feq) {
  return withControl(window, feq, [feq](PlatformWindow& w, QWidget* widget, QAction* action) {
    if (action) {
      if (!action->isEnabled()) return false;
      action->trigger();
      return true;
    }
    if (!widget->isEnabled()) return false;
    if (auto* b = qobject_cast<QAbstractButton*>(widget)) {
      b->click();
      return true;
    }
    // A panel: pressed and released.
    gui::postEvent(w, ev::Accepted, feq, 1);
    gui::postEvent(w, ev::MouseUp, feq, 1);
    return true;
  });
}

bool hover(uint64_t window, int32_t feq, bool in) {
  return withControl(window, feq, [feq, in](PlatformWindow& w, QWidget* widget, QAction*) {
    if (!widget || !widget->isEnabled()) return false;
    gui::postEvent(w, in ? ev::MouseIn : ev::MouseOut, feq);
    return true;
  });
}

std::string shownImageName(uint64_t window, int32_t feq) {
  std::string name;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (widget) name = widget->property("kivImage").toString().toStdString();
    return true;
  });
  return name;
}

int32_t shownBevel(uint64_t window, int32_t feq) {
  int32_t bevel = 0;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (widget) bevel = widget->property("kivBevel").toInt();
    return true;
  });
  return bevel;
}

bool type(uint64_t window, int32_t feq, std::string_view text) {
  QString t = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  return withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (!widget || !widget->isEnabled()) return false;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(widget)) {
      e->setText(t);
      e->setModified(true);
      emit e->editingFinished();
    } else if (auto* s = qobject_cast<QSpinBox*>(widget)) {
      s->setValue(t.toInt());
      emit s->editingFinished();
    } else if (auto* c = qobject_cast<QComboBox*>(widget)) {
      c->setEditText(t);
      emit c->activated(c->currentIndex());
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(widget)) {
      p->setPlainText(t);
    } else {
      return false;
    }
    return true;
  });
}

bool pickRow(uint64_t window, int32_t feq, int32_t row) {
  return withControl(window, feq, [row](PlatformWindow&, QWidget* widget, QAction*) {
    auto* v = qobject_cast<QTreeView*>(widget);
    if (!v || row < 1 || row > v->model()->rowCount()) return false;
    v->setCurrentIndex(v->model()->index(row - 1, 0));
    return true;
  });
}

bool pickTab(uint64_t window, int32_t feq, int32_t tab) {
  return withControl(window, feq, [tab](PlatformWindow&, QWidget* widget, QAction*) {
    auto* t = qobject_cast<QTabWidget*>(widget);
    if (!t || tab < 1 || tab > t->count()) return false;
    t->setCurrentIndex(tab - 1);
    return true;
  });
}

bool pickChoice(uint64_t window, int32_t feq, int32_t entry) {
  return withControl(window, feq, [entry](PlatformWindow&, QWidget* widget, QAction*) {
    if (auto* c = qobject_cast<QComboBox*>(widget)) {
      if (entry < 1 || entry > c->count()) return false;
      c->setCurrentIndex(entry - 1);
      emit c->activated(entry - 1);
      return true;
    }
    if (auto* g = qobject_cast<QGroupBox*>(widget)) {
      auto* group = g->findChild<QButtonGroup*>();
      QAbstractButton* b = group ? group->button(entry) : nullptr;
      if (!b) return false;
      b->click();
      return true;
    }
    return false;
  });
}

bool pressKey(uint64_t window, uint32_t keycode) {
  bool ok = false;
  gui::run([&] {
    PlatformWindow* w = gui::platformWindow(window);
    if (!w) return;
    for (uint32_t k : w->alertKeys) {
      if (k == keycode) {
        gui::postEvent(*w, ev::AlertKey, 0, keycode);
        ok = true;
        return;
      }
    }
  });
  return ok;
}

bool typeKey(uint64_t window, int32_t feq, uint32_t keycode) {
  int key = gui::qtKey(keycode & 0xFF);
  if (!key) return false;
  return withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (!widget) return false;
    widget->setFocus(Qt::OtherFocusReason);
    QKeyEvent press(QEvent::KeyPress, key, gui::qtModifiers(keycode));
    QKeyEvent release(QEvent::KeyRelease, key, gui::qtModifiers(keycode));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
    return true;
  });
}

bool click(uint64_t window, int32_t feq) {
  return withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (!widget || !widget->isVisible()) return false;
    QWidget* target = widget;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) target = area->viewport();
    if (target->testAttribute(Qt::WA_TransparentForMouseEvents)) target = widget->parentWidget();
    QPointF at = target->mapFromGlobal(widget->mapToGlobal(QPointF(widget->rect().center())));
    QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    return true;
  });
}

bool requestClose(uint64_t window) {
  bool ok = false;
  gui::run([&] {
    if (PlatformWindow* w = gui::platformWindow(window)) ok = w->top->close() || true;
  });
  return ok;
}

bool iconize(uint64_t window) {
  bool ok = false;
  gui::run([&] {
    if (PlatformWindow* w = gui::platformWindow(window)) {
      w->top->showMinimized();
      ok = true;
    }
  });
  return ok;
}

std::string shown(uint64_t window, int32_t feq) {
  std::string out;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction* action) {
    QString s;
    if (action)
      s = action->text();
    else if (auto* l = qobject_cast<QLabel*>(widget))
      s = l->text();
    else if (auto* e = qobject_cast<QLineEdit*>(widget))
      s = e->text();
    else if (auto* p = qobject_cast<QPlainTextEdit*>(widget))
      s = p->toPlainText();
    else if (auto* b = qobject_cast<QAbstractButton*>(widget))
      s = b->text();
    else if (auto* sp = qobject_cast<QSpinBox*>(widget))
      s = sp->text();
    else if (auto* c = qobject_cast<QComboBox*>(widget))
      s = c->currentText();
    else if (auto* g = qobject_cast<QGroupBox*>(widget))
      s = g->title();
    else if (auto* pr = qobject_cast<QProgressBar*>(widget))
      s = QString::number(pr->value());
    out = s.toStdString();
    return true;
  });
  return out;
}

int32_t shownChoice(uint64_t window, int32_t feq) {
  int32_t choice = 0;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (auto* c = qobject_cast<QCheckBox*>(widget))
      choice = c->isChecked() ? 1 : 0;
    else if (auto* v = qobject_cast<QTreeView*>(widget))
      choice = v->currentIndex().isValid() ? v->currentIndex().row() + 1 : 0;
    else if (auto* t = qobject_cast<QTabWidget*>(widget))
      choice = t->currentIndex() + 1;
    else if (auto* b = qobject_cast<QComboBox*>(widget))
      choice = b->currentIndex() + 1;
    else if (auto* g = qobject_cast<QGroupBox*>(widget)) {
      if (auto* group = g->findChild<QButtonGroup*>()) choice = std::max(0, group->checkedId());
    }
    return true;
  });
  return choice;
}

bool shownEnabled(uint64_t window, int32_t feq) {
  bool enabled = false;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction* action) {
    enabled = action ? action->isEnabled() : widget->isEnabled();
    return true;
  });
  return enabled;
}

bool shownVisible(uint64_t window, int32_t feq) {
  bool visible = false;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction* action) {
    visible = action ? action->isVisible() : !widget->isHidden();
    return true;
  });
  return visible;
}

bool shownImage(uint64_t window, int32_t feq) {
  bool image = false;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    image = widget->property("kivHasImage").toBool();
    return true;
  });
  return image;
}

int32_t rowCount(uint64_t window, int32_t feq) {
  int32_t rows = -1;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (auto* v = qobject_cast<QTreeView*>(widget))
      rows = v->model()->rowCount();
    else if (auto* c = qobject_cast<QComboBox*>(widget))
      rows = c->count();
    return true;
  });
  return rows;
}

std::string cell(uint64_t window, int32_t feq, int32_t row, int32_t column) {
  std::string out;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    if (auto* v = qobject_cast<QTreeView*>(widget))
      out = v->model()->index(row - 1, column - 1).data().toString().toStdString();
    return true;
  });
  return out;
}

std::string shownTip(uint64_t window, int32_t feq) {
  std::string out;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction* action) {
    out = (widget ? widget->toolTip() : action->statusTip()).toStdString();
    return true;
  });
  return out;
}

int32_t shownThumb(uint64_t window, int32_t feq) { return gui::readControl(window, feq).thumb; }

std::string statusText(uint64_t window, int32_t zone) {
  std::string out;
  gui::run([&] {
    PlatformWindow* w = gui::platformWindow(window);
    if (w && zone >= 1 && static_cast<size_t>(zone) <= w->zones.size())
      out = w->zones[zone - 1]->text().toStdString();
  });
  return out;
}

std::string caption(uint64_t window) {
  std::string out;
  gui::run([&] {
    if (PlatformWindow* w = gui::platformWindow(window)) out = w->top->windowTitle().toStdString();
  });
  return out;
}

bool shownOnScreen(uint64_t window) {
  bool visible = false;
  gui::run([&] {
    if (PlatformWindow* w = gui::platformWindow(window)) visible = w->top->isVisible();
  });
  return visible;
}

Geometry geometry(uint64_t window) {
  Geometry g;
  gui::run([&] {
    if (PlatformWindow* w = gui::platformWindow(window)) {
      QRect r = w->top->geometry();
      g = {r.x(), r.y(), r.width(), r.height()};
    }
  });
  return g;
}

std::optional<MessageBoxSeen> messageBox(int timeoutMs) {
  std::optional<MessageBoxSeen> seen;
  waitUntil(timeoutMs, [&] {
    gui::run([&] {
      if (auto* box = qobject_cast<QMessageBox*>(gui::currentMessageBox()))
        seen = MessageBoxSeen{box->windowTitle().toStdString(), box->text().toStdString()};
    });
    return seen.has_value();
  });
  return seen;
}

bool answerMessageBox(uint32_t button, int timeoutMs) {
  bool ok = false;
  waitUntil(timeoutMs, [&] {
    gui::run([&] {
      auto* box = qobject_cast<QMessageBox*>(gui::currentMessageBox());
      if (!box) return;
      QMessageBox::StandardButton which = button == KIV_BUTTON_OK       ? QMessageBox::Ok
                                          : button == KIV_BUTTON_YES    ? QMessageBox::Yes
                                          : button == KIV_BUTTON_NO     ? QMessageBox::No
                                          : button == KIV_BUTTON_ABORT  ? QMessageBox::Abort
                                          : button == KIV_BUTTON_RETRY  ? QMessageBox::Retry
                                          : button == KIV_BUTTON_IGNORE ? QMessageBox::Ignore
                                          : button == KIV_BUTTON_CANCEL ? QMessageBox::Cancel
                                                                        : QMessageBox::Help;
      if (QAbstractButton* b = box->button(which)) {
        b->click();
        ok = true;
      }
    });
    return ok;
  });
  return ok;
}

bool answerPopup(int32_t item, int timeoutMs) {
  bool ok = false;
  waitUntil(timeoutMs, [&] {
    gui::run([&] {
      auto* menu = qobject_cast<QMenu*>(gui::currentPopupMenu());
      if (!menu) return;
      if (item == 0) {
        menu->close();
        ok = true;
        return;
      }
      for (QAction* a : menu->findChildren<QAction*>()) {
        if (a->property("kivNumber").toInt() == item && a->isEnabled()) {
          // Leave the menu with this action chosen.
          QMenu* owner = menu;
          a->setProperty("kivChosen", true);
          owner->setProperty("kivChosenNumber", item);
          owner->close();
          ok = true;
          return;
        }
      }
    });
    return ok;
  });
  return ok;
}

std::string popupItems(int timeoutMs) {
  std::string out;
  bool found = false;
  waitUntil(timeoutMs, [&] {
    gui::run([&] {
      auto* menu = qobject_cast<QMenu*>(gui::currentPopupMenu());
      if (!menu) return;
      found = true;
      for (QAction* a : menu->actions()) {
        if (!out.empty()) out += '|';
        out += a->isSeparator() ? "-" : a->text().toStdString();
      }
    });
    return found;
  });
  return out;
}

namespace {

Geometry globalRect(const QWidget* widget, QRect r) {
  QPoint at = widget->mapToGlobal(r.topLeft());
  return {at.x(), at.y(), r.width(), r.height()};
}

QAbstractButton* boxButton(QMessageBox* box, uint32_t button) {
  for (const auto& [code, which] : {std::pair{KIV_BUTTON_OK, QMessageBox::Ok},
                                    {KIV_BUTTON_YES, QMessageBox::Yes},
                                    {KIV_BUTTON_NO, QMessageBox::No},
                                    {KIV_BUTTON_ABORT, QMessageBox::Abort},
                                    {KIV_BUTTON_RETRY, QMessageBox::Retry},
                                    {KIV_BUTTON_IGNORE, QMessageBox::Ignore},
                                    {KIV_BUTTON_CANCEL, QMessageBox::Cancel},
                                    {KIV_BUTTON_HELP, QMessageBox::Help}})
    if (uint32_t(code) == button) return box->button(which);
  return nullptr;
}

// Whether `menu` or one of its submenus holds `action`.
bool holds(QMenu* menu, QAction* action) {
  for (QAction* a : menu->actions())
    if (a == action || (a->menu() && holds(a->menu(), action))) return true;
  return false;
}

}  // namespace

std::optional<Geometry> onScreen(uint64_t window, int32_t feq) {
  std::optional<Geometry> g;
  withControl(window, feq, [&](PlatformWindow& w, QWidget* widget, QAction* action) {
    // A tab of a sheet: its tab in the sheet's bar, where a click chooses it.
    for (QWidget* p = widget ? widget->parentWidget() : nullptr; p; p = p->parentWidget()) {
      auto* sheet = qobject_cast<QTabWidget*>(p);
      if (!sheet) continue;
      const int index = sheet->indexOf(widget);
      if (index < 0) break;
      QTabBar* bar = sheet->tabBar();
      if (bar->isVisible()) g = globalRect(bar, bar->tabRect(index));
      return true;
    }
    if (widget) {
      if (widget->isVisible()) g = globalRect(widget, widget->rect());
      return true;
    }
    if (auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      // The item itself, or the title of the submenu that holds it.
      for (QAction* item : open->actions()) {
        if (item != action && !(item->menu() && holds(item->menu(), action))) continue;
        QRect r = open->actionGeometry(item);
        if (r.isValid()) {
          g = globalRect(open, r);
          return true;
        }
      }
    }
    auto* main = qobject_cast<QMainWindow*>(w.top.data());
    // A window that is not the frame keeps its menu bar above its body.
    QMenuBar* bar = main ? main->menuBar() : w.top->findChild<QMenuBar*>();
    if (!bar) return true;
    for (QAction* title : bar->actions()) {
      if (title == action || (title->menu() && holds(title->menu(), action))) {
        g = globalRect(bar, bar->actionGeometry(title));
        break;
      }
    }
    return true;
  });
  return g;
}

std::optional<Geometry> rowOnScreen(uint64_t window, int32_t feq, int32_t row) {
  std::optional<Geometry> g;
  withControl(window, feq, [&](PlatformWindow&, QWidget* widget, QAction*) {
    auto* view = qobject_cast<QTreeView*>(widget);
    if (!view || row < 1 || row > view->model()->rowCount()) return false;
    QModelIndex index = view->model()->index(row - 1, 0);
    view->scrollTo(index);
    QRect r = view->visualRect(index);
    r.setWidth(std::min(view->viewport()->width(), 200));
    g = globalRect(view->viewport(), r);
    return true;
  });
  return g;
}

std::optional<Geometry> messageBoxOnScreen(uint32_t button) {
  std::optional<Geometry> g;
  gui::run([&] {
    auto* box = qobject_cast<QMessageBox*>(gui::currentMessageBox());
    if (!box || !box->isVisible()) return;
    if (button == 0) {
      g = globalRect(box, box->rect());
    } else if (QAbstractButton* b = boxButton(box, button)) {
      g = globalRect(b, b->rect());
    }
  });
  return g;
}

std::optional<Geometry> menuOnScreen() {
  std::optional<Geometry> g;
  gui::run([&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
      g = globalRect(menu, menu->rect());
  });
  return g;
}

bool grab(uint64_t window, const std::string& path) {
  bool ok = false;
  gui::run([&] {
    PlatformWindow* w = gui::platformWindow(window);
    if (!w) return;
    QWidget* top = w->top;
    while (top->parentWidget()) top = top->parentWidget();
    ok = top->grab().save(QString::fromStdString(path), "PNG");
  });
  return ok;
}

}  // namespace kiv::ui::automation

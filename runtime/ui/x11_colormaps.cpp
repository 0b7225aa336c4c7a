// Top-level windows on an X display use the screen's default colormap.
//
// Qt's X11 backend gives every window it creates a colormap of its own, even on the screen's
// default TrueColor visual, where the colours are the same. X clients that read the screen back
// window by window (screenshot and screen-reading tools such as xwd) then treat each such window
// as a separate colour region, and a window that lies wholly inside another of the program's
// windows (every drop-down menu, message box and dialog over the frame) comes out as a black
// rectangle. Handing those windows the default colormap before they are mapped changes nothing in
// how they look and makes every such reader see them as drawn.
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

#include <cstdlib>

#include "runtime/ui/gui_internal.h"

namespace kiv::gui {
namespace {

class DefaultColormapFilter : public QObject {
 public:
  explicit DefaultColormapFilter(xcb_connection_t* connection) : connection_(connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    screen_ = xcb_setup_roots_iterator(setup).data;
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !widget->isWindow() || !screen_) return false;
    // The native window exists from here on; it is mapped only after the Show event.
    const xcb_window_t window = xcb_window_t(widget->winId());
    if (window == 0 || window == done_) return false;
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    if (!attributes) return false;
    // Only windows on the default visual: a translucent (32-bit) window needs its own colormap.
    if (attributes->visual == screen_->root_visual &&
        attributes->colormap != screen_->default_colormap) {
      const uint32_t colormap = screen_->default_colormap;
      xcb_change_window_attributes(connection_, window, XCB_CW_COLORMAP, &colormap);
      xcb_flush(connection_);
    }
    std::free(attributes);
    done_ = window;
    return false;
  }

 private:
  xcb_connection_t* connection_;
  xcb_screen_t* screen_ = nullptr;
  xcb_window_t done_ = 0;  // the window handled last: a window shown again needs nothing
};

}  // namespace

void useDefaultColormaps() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  qApp->installEventFilter(new DefaultColormapFilter(x11->connection()));
}

}  // namespace kiv::gui

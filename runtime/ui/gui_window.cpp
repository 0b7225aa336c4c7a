// Qt backend of the platform windows and controls.
#include <QAbstractTableModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <limits>
#include <optional>

#include "runtime/ui/drawn_images.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/standard_commands.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/gui_internal.h"
#include "runtime/ui/resources.h"
#include "runtime/ui/threads.h"

namespace kiv::gui {
namespace {

using ui::ControlDesc;
using ui::ControlType;

std::map<uint64_t, PlatformWindow*> gWindows;  // GUI thread only

const char* kWindowProperty = "kivWindow";
const char* kEquateProperty = "kivEquate";

// A prompt's text without its mnemonic marks ("&Name" shows "Name", "&&" shows "&").
QString promptText(const QString& text) {
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

QColor rgb(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QFont fontOf(const ui::FontDesc& f, const QFont& base) {
  QFont font = base;
  if (!f.name.empty()) font.setFamily(QString::fromStdString(f.name));
  if (f.size > 0) font.setPointSize(f.size);
  font.setBold(f.bold);
  font.setItalic(f.italic);
  font.setUnderline(f.underline);
  return font;
}

// The Windows virtual-key code of a Qt key, 0 when it has none.
uint32_t virtualKey(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 65 + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 48 + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 112 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
  }
  return 0;
}

uint32_t modifierBits(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 256u : 0u) | (m & Qt::ControlModifier ? 512u : 0u) |
         (m & Qt::AltModifier ? 1024u : 0u);
}

// Rows of a list control.
class RowsModel : public QAbstractTableModel {
 public:
  std::vector<ListColumnView> columns;
  std::vector<std::vector<std::string>> rows;
  std::vector<QIcon> icons;
  std::vector<int32_t> rowIcons;

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(columns.size()));
  }
  QVariant data(const QModelIndex& index, int role) const override {
    size_t r = static_cast<size_t>(index.row());
    size_t c = static_cast<size_t>(index.column());
    if (r >= rows.size()) return {};
    if (role == Qt::DisplayRole) {
      return c < rows[r].size() ? QString::fromUtf8(rows[r][c].data(), rows[r][c].size())
                                : QString();
    }
    if (role == Qt::DecorationRole && c == 0 && r < rowIcons.size()) {
      int32_t icon = rowIcons[r];
      if (icon > 0 && static_cast<size_t>(icon) <= icons.size()) return icons[icon - 1];
    }
    if (role == Qt::TextAlignmentRole && c < columns.size()) {
      char j = columns[c].justify;
      Qt::Alignment a = j == 'R' || j == 'D' ? Qt::AlignRight
                        : j == 'C'           ? Qt::AlignHCenter
                                             : Qt::AlignLeft;
      return QVariant::fromValue(a | Qt::AlignVCenter);
    }
    return {};
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o == Qt::Horizontal && role == Qt::DisplayRole &&
        section < static_cast<int>(columns.size()))
      return QString::fromStdString(columns[section].heading);
    return {};
  }
  void replace(std::vector<ListColumnView> c, std::vector<std::vector<std::string>> r) {
    beginResetModel();
    columns = std::move(c);
    rows = std::move(r);
    endResetModel();
  }
};

// A page list: a list that shows one page of a longer table, which the program reads a page at
// a time. Its rows never scroll by themselves: the arrow keys, the page keys, the wheel and the
// scroll bar become the scroll events of the list, and the program moves the rows and the
// selection and puts the thumb where the page stands in the whole table.
class PageListView : public QTreeView {
 public:
  PageListView(QWidget* parent, PlatformWindow& w, int32_t feq)
      : QTreeView(parent), w_(w), feq_(feq), bar_(new QScrollBar(Qt::Vertical, this)) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    bar_->setRange(0, 100);
    bar_->setPageStep(10);
    bar_->setFocusPolicy(Qt::NoFocus);
    bar_->hide();
    QObject::connect(bar_, &QScrollBar::actionTriggered, bar_, [this](int action) {
      switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
          post(ui::ev::ScrollUp);
          break;
        case QAbstractSlider::SliderSingleStepAdd:
          post(ui::ev::ScrollDown);
          break;
        case QAbstractSlider::SliderPageStepSub:
          post(ui::ev::PageUp);
          break;
        case QAbstractSlider::SliderPageStepAdd:
          post(ui::ev::PageDown);
          break;
        case QAbstractSlider::SliderToMinimum:
          post(ui::ev::ScrollTop);
          break;
        case QAbstractSlider::SliderToMaximum:
          post(ui::ev::ScrollBottom);
          break;
        default:
          return;
      }
      // The thumb stays where the program puts it.
      bar_->setSliderPosition(thumb_);
    });
    QObject::connect(bar_, &QScrollBar::sliderReleased, bar_, [this] {
      dragged_ = bar_->value();
      post(kScrollDrag);
    });
  }

  void setThumb(int32_t percent) {
    thumb_ = std::clamp(percent, 0, 100);
    dragged_ = -1;
    const bool show = percent >= 0;
    if (show != shown_) {
      shown_ = show;
      bar_->setVisible(show);
      updateGeometries();
    }
    const QSignalBlocker quiet(bar_);
    bar_->setValue(thumb_);
  }
  // Where the user left the thumb after dragging it, else where the program put it.
  int32_t thumb() const { return !shown_ ? -1 : dragged_ >= 0 ? dragged_ : thumb_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    switch (e->key()) {
      case Qt::Key_Up:
        post(ui::ev::ScrollUp);
        return;
      case Qt::Key_Down:
        post(ui::ev::ScrollDown);
        return;
      case Qt::Key_Home:
        post(ui::ev::ScrollTop);
        return;
      case Qt::Key_End:
        post(ui::ev::ScrollBottom);
        return;
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        return;  // the input filter has posted the page events already
      default:
        QTreeView::keyPressEvent(e);
    }
  }
  void keyboardSearch(const QString&) override {}  // typing is the program's (a locator)
  void wheelEvent(QWheelEvent* e) override {
    wheel_ += e->angleDelta().y();
    for (; wheel_ >= 120; wheel_ -= 120)
      for (int i = 0; i < 3; ++i) post(ui::ev::ScrollUp);
    for (; wheel_ <= -120; wheel_ += 120)
      for (int i = 0; i < 3; ++i) post(ui::ev::ScrollDown);
    e->accept();
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::RightButton) {
      QTreeView::mousePressEvent(e);
      return;
    }
    // A right click selects the row under the mouse and reports it with the right button's
    // keycode, so the program can show its pop-up menu.
    QModelIndex at = indexAt(e->position().toPoint());
    w_.updating = true;
    if (at.isValid()) setCurrentIndex(at);
    w_.updating = false;
    postEvent(w_, ui::ev::NewSelection, feq_, 2);
  }
  // The tree view keeps the top margin for its header; the bar takes a margin at the right,
  // beside the rows and the header.
  void updateGeometries() override {
    QTreeView::updateGeometries();
    const int top = viewportMargins().top();
    setViewportMargins(0, top, shown_ ? bar_->sizeHint().width() : 0, 0);
    const QRect inner = viewport()->geometry();
    if (!header()->isHidden())
      header()->setGeometry(inner.left(), inner.top() - top, inner.width(), top);
    placeBar();
  }

 private:
  static constexpr int32_t kScrollDrag = 20;

  void post(int32_t event) { postEvent(w_, event, feq_); }
  void placeBar() {
    const int width = bar_->sizeHint().width();
    const QRect inner = viewport()->geometry();
    const int top = viewportMargins().top();
    bar_->setGeometry(inner.right() + 1, inner.top() - top, width, inner.height() + top);
  }

  PlatformWindow& w_;
  int32_t feq_;
  QScrollBar* bar_;
  int32_t thumb_ = 0, dragged_ = -1;
  bool shown_ = false;  // the program shows the thumb
  int wheel_ = 0;
};

// A panel: a raised, flat or sunken plate that reports the mouse.
class PanelWidget : public QFrame {
 public:
  PanelWidget(QWidget* parent, PlatformWindow& w, int32_t feq) : QFrame(parent), w_(w), feq_(feq) {
    setAttribute(Qt::WA_Hover);
  }
  void setBevels(int32_t outer, int32_t inner) {
    setFrameShape(outer == 0 && inner == 0 ? QFrame::NoFrame : QFrame::Panel);
    setFrameShadow(outer < 0 || inner < 0 ? QFrame::Sunken : QFrame::Raised);
    setLineWidth(outer != 0 ? 1 : 0);
    setMidLineWidth(inner != 0 ? 1 : 0);
  }

 protected:
  void enterEvent(QEnterEvent*) override { postEvent(w_, ui::ev::MouseIn, feq_); }
  void leaveEvent(QEvent*) override { postEvent(w_, ui::ev::MouseOut, feq_); }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) postEvent(w_, ui::ev::Accepted, feq_, 1);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) postEvent(w_, ui::ev::MouseUp, feq_, 1);
  }

 private:
  PlatformWindow& w_;
  int32_t feq_;
};

// Boxes, lines, ellipses and the usage pie draw themselves.
class DrawnWidget : public QWidget {
 public:
  DrawnWidget(QWidget* parent, ControlType type) : QWidget(parent), type_(type) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  ControlView view;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRect r = rect().adjusted(0, 0, -1, -1);
    QPen pen(view.border >= 0 ? rgb(view.border) : palette().color(QPalette::WindowText));
    p.setPen(pen);
    switch (type_) {
      case ControlType::Box:
        if (view.fill >= 0) p.setBrush(rgb(view.fill));
        p.drawRect(r);
        break;
      case ControlType::Ellipse:
        if (view.fill >= 0) p.setBrush(rgb(view.fill));
        p.drawEllipse(r);
        break;
      case ControlType::Line:
        p.setPen(QPen(palette().color(QPalette::Mid), 1));
        if (r.height() <= 2)
          p.drawLine(r.left(), r.center().y(), r.right(), r.center().y());
        else if (r.width() <= 2)
          p.drawLine(r.center().x(), r.top(), r.center().x(), r.bottom());
        else
          p.drawLine(r.topLeft(), r.bottomRight());
        break;
      case ControlType::Pie: {
        // value: the used part in percent; the free part is drawn in the fill colour.
        double used = std::clamp(QString::fromStdString(view.value).toDouble(), 0.0, 100.0);
        int side = std::min(r.width(), r.height());
        QRect square(r.left() + (r.width() - side) / 2, r.top() + (r.height() - side) / 2, side,
                     side);
        p.setBrush(view.fill >= 0 ? rgb(view.fill) : QColor(0, 160, 0));
        p.drawEllipse(square);
        p.setBrush(view.bg >= 0 ? rgb(view.bg) : QColor(200, 40, 40));
        p.drawPie(square, 90 * 16, -static_cast<int>(used * 3.6 * 16));
        break;
      }
      default:
        break;
    }
  }

 private:
  ControlType type_;
};

// A control drawn for the eye only lets clicks through to the window; one that reports the
// mouse (alerted mouse keys, a scrolling picture) takes them.
void takesMouse(QWidget* widget) {
  widget->setAttribute(Qt::WA_TransparentForMouseEvents, false);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
    area->viewport()->setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

// An image control: a bitmap, or a drawing (a recorded page) drawn at the control's own
// resolution, so that it is sharp at any size. Without a zoom the picture sits in the middle of
// the control, shrunk to fit when it is larger (scaled to fit either way with `fit`); zoomed, it
// lies on a grey ground and scrolls where it is larger than the control.
class ImageView : public QAbstractScrollArea {
 public:
  explicit ImageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

  void showPicture(const ControlView& v, const QPixmap& pixmap) {
    pixmap_ = pixmap;
    drawn_ = pixmap.isNull() ? ui::drawnImage(v.text) : std::nullopt;
    fit_ = v.imageFit != 0;
    zoom_ = std::max(0, v.imageZoom);
    fixed_ = v.zoomFixed;
    Qt::ScrollBarPolicy bars = zoom_ > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(bars);
    setVerticalScrollBarPolicy(bars);
    setProperty("kivHasImage", hasPicture());
    placeScrollBars();
    viewport()->update();
  }
  bool hasPicture() const { return !pixmap_.isNull() || drawn_.has_value(); }
  // The picture's own size in pixels of this screen.
  QSize natural() const {
    if (!pixmap_.isNull()) return pixmap_.size();
    if (drawn_)
      return QSize(qRound(drawn_->inches.width() * logicalDpiX()),
                   qRound(drawn_->inches.height() * logicalDpiY()));
    return {};
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QAbstractScrollArea::resizeEvent(e);
    placeScrollBars();
  }
  void scrollContentsBy(int, int) override { viewport()->update(); }
  void paintEvent(QPaintEvent*) override {
    QPainter p(viewport());
    if (zoom_ > 0) p.fillRect(viewport()->rect(), QColor(128, 128, 128));
    QSize c = shownSize();
    if (c.isEmpty()) return;
    QSize a = viewport()->size();
    int x = c.width() < a.width() ? (a.width() - c.width()) / 2 : -horizontalScrollBar()->value();
    int y = c.height() < a.height() ? (a.height() - c.height()) / 2 : -verticalScrollBar()->value();
    QRect target(x, y, c.width(), c.height());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (!pixmap_.isNull())
      p.drawPixmap(target, pixmap_);
    else if (drawn_)
      drawn_->paint(p, QRectF(target));
  }

 private:
  QSize shownSize() const {
    QSize n = natural();
    if (n.isEmpty()) return {};
    QSize area = viewport()->size();
    if (zoom_ > 0) {
      if (fixed_) return QSize(n.width() * zoom_ / 100, n.height() * zoom_ / 100);
      int width = std::max(1, area.width());
      return QSize(width, qRound(double(n.height()) * width / n.width()));
    }
    if (fit_ || n.width() > area.width() || n.height() > area.height())
      return n.scaled(area, Qt::KeepAspectRatio);
    return n;
  }
  void placeScrollBars() {
    QSize c = shownSize(), a = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, c.width() - a.width()));
    horizontalScrollBar()->setPageStep(a.width());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, std::max(0, c.height() - a.height()));
    verticalScrollBar()->setPageStep(a.height());
    verticalScrollBar()->setSingleStep(20);
  }

  QPixmap pixmap_;
  std::optional<ui::DrawnImage> drawn_;
  bool fit_ = false, fixed_ = false;
  int zoom_ = 0;
};

// A spin box takes any number typed into it: the range stops its arrows, and the runtime checks
// a typed number against the range when the spin is accepted (EVENT:Rejected when outside).
class SpinWidget : public QSpinBox {
 public:
  explicit SpinWidget(QWidget* parent) : QSpinBox(parent) {
    QSpinBox::setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setKeyboardTracking(false);  // a number is taken when typed in full, not digit by digit
  }
  void setLimits(int low, int high) {
    low_ = low;
    high_ = high;
  }
  void stepBy(int steps) override {
    long long v = static_cast<long long>(value()) + steps;
    setValue(static_cast<int>(std::clamp<long long>(v, low_, high_)));
    selectAll();
  }

 protected:
  StepEnabled stepEnabled() const override {
    StepEnabled e = StepNone;
    if (value() > low_) e |= StepDownEnabled;
    if (value() < high_) e |= StepUpEnabled;
    return e;
  }

 private:
  int low_ = std::numeric_limits<int>::min(), high_ = std::numeric_limits<int>::max();
};

// Turns window-level platform events into events of the window.
class WindowFilter : public QObject {
 public:
  explicit WindowFilter(PlatformWindow& w) : QObject(w.top), w_(w) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    switch (e->type()) {
      case QEvent::Close:
        e->ignore();
        postEvent(w_, ui::ev::CloseWindow, 0);
        return true;
      case QEvent::WindowStateChange: {
        Qt::WindowStates s = w_.top->windowState();
        postEvent(w_,
                  s & Qt::WindowMinimized   ? ui::ev::Iconized
                  : s & Qt::WindowMaximized ? ui::ev::Maximized
                                            : ui::ev::Restored,
                  0);
        return false;
      }
      case QEvent::Resize:
        if (w_.top->isVisible()) postEvent(w_, ui::ev::Sized, 0);
        return false;
      case QEvent::Move:
        if (w_.top->isVisible()) postEvent(w_, ui::ev::Moved, 0);
        return false;
      default:
        return false;
    }
  }

 private:
  PlatformWindow& w_;
};

// Keys and clicks for alert keys, and focus changes for EVENT:Selected, application-wide.
class InputFilter : public QObject {
 protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    auto* widget = qobject_cast<QWidget*>(obj);
    if (!widget) return false;
    QEvent::Type t = e->type();
    if (t != QEvent::KeyPress && t != QEvent::MouseButtonPress &&
        t != QEvent::MouseButtonDblClick && t != QEvent::FocusIn)
      return false;
    PlatformWindow* w = platformWindowOf(widget);
    if (!w) return false;
    if (t == QEvent::FocusIn) {
      int32_t feq = equateOf(widget);
      if (feq > 0 && !w->updating) postEvent(*w, ui::ev::Selected, feq);
      auto message = w->messages.find(feq);
      if (message != w->messages.end() && !w->zones.empty())
        w->zones.front()->setText(message->second);
      return false;
    }
    uint32_t code = 0;
    uint8_t ch = 0;
    if (t == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(e);
      uint32_t vk = virtualKey(k->key());
      if (!vk) return false;
      code = vk | modifierBits(k->modifiers());
      if (!k->text().isEmpty()) ch = static_cast<uint8_t>(k->text().toLatin1().at(0));
    } else {
      auto* m = static_cast<QMouseEvent*>(e);
      int base = m->button() == Qt::LeftButton ? 1 : m->button() == Qt::RightButton ? 2 : 3;
      code = static_cast<uint32_t>(t == QEvent::MouseButtonDblClick ? base + 4 : base) |
             modifierBits(m->modifiers());
    }
    if (w->passingKey) return false;
    int32_t focused = equateOf(widget);
    listPaging(*w, widget, focused, code);
    if (focused) {
      auto it = w->controlAlertKeys.find(focused);
      if (it != w->controlAlertKeys.end() &&
          std::find(it->second.begin(), it->second.end(), code) != it->second.end()) {
        postEvent(*w, ui::ev::AlertKey, focused, code, ch);
        return true;
      }
    }
    if (std::find(w->alertKeys.begin(), w->alertKeys.end(), code) == w->alertKeys.end())
      return false;
    // A key the focused control would act on goes to the procedure as EVENT:PreAlert first.
    if (focused > 0 && t == QEvent::KeyPress && wouldAct(widget, code))
      postEvent(*w, ui::ev::PreAlert, focused, code, ch);
    postEvent(*w, ui::ev::AlertKey, 0, code, ch);
    return true;
  }

  // Page keys on a list: EVENT:PageUp/PageDown, with Ctrl EVENT:ScrollTop/ScrollBottom. The
  // list pages as well.
  static void listPaging(PlatformWindow& w, QWidget* widget, int32_t feq, uint32_t code) {
    if (feq <= 0 ||
        !(qobject_cast<QTreeView*>(widget) || qobject_cast<QTreeView*>(widget->parentWidget())))
      return;
    uint32_t vk = code & 0xFF;
    bool ctrl = (code & 512) != 0;
    if (vk == 33) postEvent(w, ctrl ? ui::ev::ScrollTop : ui::ev::PageUp, feq, code);
    if (vk == 34) postEvent(w, ctrl ? ui::ev::ScrollBottom : ui::ev::PageDown, feq, code);
  }

  // Whether the control that has the focus uses the key itself.
  static bool wouldAct(QWidget* widget, uint32_t code) {
    uint32_t vk = code & 0xFF;
    if (code & 0x600) return false;  // with Ctrl or Alt
    bool navigation = vk >= 33 && vk <= 40;
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
        qobject_cast<QSpinBox*>(widget) || qobject_cast<QComboBox*>(widget))
      return vk == 8 || vk == 46 || vk == 32 || navigation || (vk >= 48 && vk <= 90);
    if (qobject_cast<QAbstractButton*>(widget)) return vk == 13 || vk == 32;
    if (qobject_cast<QAbstractItemView*>(widget) ||
        qobject_cast<QAbstractItemView*>(widget->parentWidget()))
      return navigation || vk == 13;
    return false;
  }
};

void setBody(PlatformWindow& w, const ui::StructureDesc& d) {
  QWidget* body = new QWidget;
  body->setProperty(kWindowProperty, QVariant::fromValue<qulonglong>(w.id));
  body->setAutoFillBackground(true);
  if (d.bg >= 0) {
    QPalette pal = body->palette();
    pal.setColor(QPalette::Window, rgb(d.bg));
    body->setPalette(pal);
  }
  body->setFont(fontOf(d.font, QApplication::font()));
  w.body = body;
}

void postAccepted(PlatformWindow* w, int32_t feq) {
  if (!w->updating) postEvent(*w, ui::ev::Accepted, feq);
}

void buildMenu(PlatformWindow& w, QMenu* menu, const std::vector<ControlDesc>& items);

QAction* menuItem(PlatformWindow& w, QMenu* menu, const ControlDesc& d) {
  QAction* a = menu->addAction(QString::fromStdString(d.text));
  if (!d.hint.empty()) a->setStatusTip(QString::fromStdString(d.hint));
  a->setEnabled(!d.disabled);
  if (d.checked) {
    a->setCheckable(true);
    a->setChecked(true);
  }
  PlatformWindow* pw = &w;
  std::string action = d.stdAction;
  int32_t feq = d.feq;
  QObject::connect(a, &QAction::triggered, a, [pw, action, feq] {
    if (action == "exit") {
      postEvent(*pw, ui::ev::CloseWindow, 0);
    } else if (action == "tile" && pw->mdi) {
      pw->mdi->tileSubWindows();
    } else if (action == "cascade" && pw->mdi) {
      pw->mdi->cascadeSubWindows();
    } else if (action == "arrange" && pw->mdi) {
      pw->mdi->tileSubWindows();
    } else if (action == "cut" || action == "copy" || action == "paste") {
      if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        if (action == "cut") edit->cut();
        if (action == "copy") edit->copy();
        if (action == "paste") edit->paste();
      }
    } else if (uint32_t command = ui::standardCommand(action)) {
      // Carried out by the window's procedure, on the thread that owns the window.
      postWindowMessage(pw->id, ui::kStandardCommandMessage, command, 0);
    } else if (action.empty() && feq != 0) {
      postEvent(*pw, ui::ev::Accepted, feq);
    }
  });
  if (feq != 0) {
    w.items[feq] = a;
    w.types[feq] = ControlType::Item;
  }
  return a;
}

void buildMenu(PlatformWindow& w, QMenu* menu, const std::vector<ControlDesc>& items) {
  for (const ControlDesc& d : items) {
    if (d.type == ControlType::Separator) {
      menu->addSeparator();
    } else if (d.type == ControlType::Menu) {
      QMenu* sub = menu->addMenu(QString::fromStdString(d.text));
      buildMenu(w, sub, d.children);
      if (d.feq) {
        w.items[d.feq] = sub->menuAction();
        w.types[d.feq] = ControlType::Menu;
      }
    } else {
      menuItem(w, menu, d);
    }
  }
}

QMenuBar* buildMenubar(PlatformWindow& w, const ui::StructureDesc& d) {
  if (d.menubar.empty()) return nullptr;
  auto* bar = new QMenuBar;
  for (const ControlDesc& m : d.menubar) {
    if (m.type == ControlType::Menu) {
      QMenu* menu = bar->addMenu(QString::fromStdString(m.text));
      buildMenu(w, menu, m.children);
      if (m.feq) {
        w.items[m.feq] = menu->menuAction();
        w.types[m.feq] = ControlType::Menu;
      }
    } else if (m.type == ControlType::Item) {
      QAction* a = bar->addAction(QString::fromStdString(m.text));
      int32_t feq = m.feq;
      PlatformWindow* pw = &w;
      QObject::connect(a, &QAction::triggered, a,
                       [pw, feq] { postEvent(*pw, ui::ev::Accepted, feq); });
      w.items[feq] = a;
      w.types[feq] = ControlType::Item;
    }
  }
  return bar;
}

QWidget* makeControl(PlatformWindow& w, QWidget* parent, const ControlDesc& d);

void makeChildren(PlatformWindow& w, QWidget* parent, const ControlDesc& d) {
  for (const ControlDesc& c : d.children) makeControl(w, parent, c);
}

QWidget* makeControl(PlatformWindow& w, QWidget* parent, const ControlDesc& d) {
  PlatformWindow* pw = &w;
  int32_t feq = d.feq;
  QString text = QString::fromStdString(d.text);
  QWidget* widget = nullptr;
  switch (d.type) {
    case ControlType::Prompt: {
      auto* l = new QLabel(promptText(text), parent);
      l->setAttribute(Qt::WA_TransparentForMouseEvents);
      widget = l;
      break;
    }
    case ControlType::Entry: {
      auto* e = new QLineEdit(parent);
      e->setReadOnly(d.readOnly);
      QObject::connect(e, &QLineEdit::editingFinished, e, [pw, feq, e] {
        if (e->isModified()) {
          e->setModified(false);
          postAccepted(pw, feq);
        }
      });
      QObject::connect(e, &QLineEdit::returnPressed, e, [pw, feq] { postAccepted(pw, feq); });
      widget = e;
      break;
    }
    case ControlType::Text: {
      auto* t = new QPlainTextEdit(parent);
      t->setReadOnly(d.readOnly);
      widget = t;
      break;
    }
    case ControlType::Button: {
      auto* b = new QPushButton(text, parent);
      b->setDefault(d.isDefault);
      QObject::connect(b, &QPushButton::clicked, b, [pw, feq] { postAccepted(pw, feq); });
      widget = b;
      break;
    }
    case ControlType::Check: {
      auto* c = new QCheckBox(text, parent);
      QObject::connect(c, &QCheckBox::clicked, c, [pw, feq] { postAccepted(pw, feq); });
      widget = c;
      break;
    }
    case ControlType::Option:
    case ControlType::Group: {
      auto* g = new QGroupBox(text, parent);
      widget = g;
      g->setGeometry(d.at.x, d.at.y, d.at.w, d.at.h);
      g->setProperty(kEquateProperty, feq);
      w.controls[feq] = g;
      w.types[feq] = d.type;
      if (d.type == ControlType::Option) {
        auto* group = new QButtonGroup(g);
        int index = 0;
        for (const ControlDesc& r : d.children) {
          QWidget* radio = makeControl(w, parent, r);
          if (auto* rb = qobject_cast<QRadioButton*>(radio)) {
            group->addButton(rb, ++index);
            QObject::connect(rb, &QRadioButton::clicked, rb, [pw, feq] { postAccepted(pw, feq); });
          }
        }
      } else {
        makeChildren(w, parent, d);
      }
      return g;
    }
    case ControlType::Radio:
      widget = new QRadioButton(text, parent);
      break;
    case ControlType::List: {
      auto* v = d.vscroll ? new PageListView(parent, w, feq) : new QTreeView(parent);
      auto* model = new RowsModel;
      model->setParent(v);
      v->setModel(model);
      v->setRootIsDecorated(false);
      v->setUniformRowHeights(true);
      v->setAllColumnsShowFocus(true);
      v->setAlternatingRowColors(true);
      v->header()->setStretchLastSection(true);
      QObject::connect(v->selectionModel(), &QItemSelectionModel::currentRowChanged, v,
                       [pw, feq](const QModelIndex&, const QModelIndex&) {
                         if (!pw->updating) postEvent(*pw, ui::ev::NewSelection, feq);
                       });
      QObject::connect(v, &QTreeView::doubleClicked, v, [pw, feq] { postAccepted(pw, feq); });
      widget = v;
      break;
    }
    case ControlType::Combo:
    case ControlType::DropList: {
      auto* c = new QComboBox(parent);
      c->setEditable(d.type == ControlType::Combo);
      QObject::connect(c, &QComboBox::activated, c, [pw, feq](int) { postAccepted(pw, feq); });
      widget = c;
      break;
    }
    case ControlType::Spin: {
      auto* s = new SpinWidget(parent);
      if (d.hasRange) s->setLimits(d.rangeLow, d.rangeHigh);
      QObject::connect(s, &QSpinBox::valueChanged, s, [pw, feq](int) {
        if (!pw->updating) postEvent(*pw, ui::ev::NewSelection, feq);
      });
      QObject::connect(s, &QSpinBox::editingFinished, s, [pw, feq] { postAccepted(pw, feq); });
      widget = s;
      break;
    }
    case ControlType::Progress: {
      auto* p = new QProgressBar(parent);
      p->setRange(d.hasRange ? d.rangeLow : 0, d.hasRange ? d.rangeHigh : 100);
      p->setTextVisible(false);  // a bar only: programs show the value in a control of their own
      widget = p;
      break;
    }
    case ControlType::Panel:
      widget = new PanelWidget(parent, w, feq);
      break;
    case ControlType::Image:
      widget = new ImageView(parent);
      break;
    case ControlType::Box:
    case ControlType::Line:
    case ControlType::Ellipse:
    case ControlType::Pie:
      widget = new DrawnWidget(parent, d.type);
      break;
    case ControlType::Region: {
      widget = new QWidget(parent);
      break;
    }
    case ControlType::Sheet: {
      auto* tabs = new QTabWidget(parent);
      widget = tabs;
      tabs->setGeometry(d.at.x, d.at.y, d.at.w, d.at.h);
      if (d.wizard) {
        tabs->tabBar()->hide();
        tabs->setDocumentMode(true);
      }
      for (const ControlDesc& t : d.children) {
        auto* page = new QWidget;
        page->setProperty(kEquateProperty, t.feq);
        int index = tabs->addTab(page, QString::fromStdString(t.text));
        if (!t.tip.empty()) tabs->setTabToolTip(index, QString::fromStdString(t.tip));
        w.controls[t.feq] = page;
        w.types[t.feq] = ControlType::Tab;
        makeChildren(w, page, t);
      }
      QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [pw, feq](int) {
        if (!pw->updating) postEvent(*pw, ui::ev::NewSelection, feq);
      });
      break;
    }
    default:
      return nullptr;
  }
  widget->setGeometry(d.at.x, d.at.y, d.at.w, d.at.h);
  widget->setProperty(kEquateProperty, feq);
  if (!d.tip.empty()) widget->setToolTip(QString::fromStdString(d.tip));
  if (d.font.size || !d.font.name.empty() || d.font.bold)
    widget->setFont(fontOf(d.font, parent->font()));
  if (feq != 0) {
    w.controls[feq] = widget;
    w.types[feq] = d.type;
  }
  return widget;
}

QWidget* controlWidget(uint64_t id, int32_t feq, PlatformWindow** out = nullptr) {
  PlatformWindow* w = platformWindow(id);
  if (out) *out = w;
  if (!w) return nullptr;
  auto it = w->controls.find(feq);
  return it == w->controls.end() ? nullptr : it->second.data();
}

QPixmap pixmapOf(const std::vector<unsigned char>& bytes) {
  QPixmap p;
  if (!bytes.empty()) p.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
  return p;
}

// Where a window described as centred goes: an MDI child in the middle of the frame's client
// area; a plain window over the middle of the program's frame when it is shown, else of the
// screen; kept on the screen either way.
void centre(PlatformWindow& w) {
  QWidget* top = w.top;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(top)) {
    if (QMdiArea* area = sub->mdiArea()) {
      const QSize room = area->viewport()->size();
      sub->move(std::max(0, (room.width() - sub->width()) / 2),
                std::max(0, (room.height() - sub->height()) / 2));
    }
    return;
  }
  QRect over;
  for (const auto& [id, other] : gWindows)
    if (other->kind == ui::StructureKind::Application && other->top && other->top->isVisible() &&
        !other->top->isMinimized())
      over = other->top->frameGeometry();
  QScreen* screen = over.isValid() ? QGuiApplication::screenAt(over.center()) : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect desk = screen ? screen->availableGeometry() : QRect();
  if (!over.isValid()) over = desk;
  if (!over.isValid()) return;
  QRect placed(QPoint(), top->size());
  placed.moveCenter(over.center());
  if (desk.isValid()) {
    placed.moveLeft(
        std::max(desk.left(), std::min(placed.left(), desk.right() + 1 - placed.width())));
    placed.moveTop(
        std::max(desk.top(), std::min(placed.top(), desk.bottom() + 1 - placed.height())));
  }
  top->move(placed.topLeft());
}

}  // namespace

PlatformWindow* platformWindow(uint64_t id) {
  auto it = gWindows.find(id);
  return it == gWindows.end() ? nullptr : it->second;
}

PlatformWindow* platformWindowOf(QWidget* widget) {
  for (QWidget* p = widget; p; p = p->parentWidget()) {
    QVariant v = p->property(kWindowProperty);
    if (v.isValid()) return platformWindow(v.toULongLong());
  }
  return nullptr;
}

std::vector<PlatformWindow*> platformWindows() {
  std::vector<PlatformWindow*> out;
  for (auto& [id, w] : gWindows) out.push_back(w);
  return out;
}

int32_t equateOf(QWidget* widget) {
  for (QWidget* p = widget; p; p = p->parentWidget()) {
    if (p->property(kWindowProperty).isValid()) return 0;
    QVariant v = p->property(kEquateProperty);
    if (v.isValid()) return v.toInt();
  }
  return 0;
}

void postEvent(const PlatformWindow& w, int32_t event, int32_t feq, uint32_t keycode,
               uint8_t keychar) {
  ui::PlatformMessage m;
  m.kind = ui::PlatformMessage::Kind::Event;
  m.window = w.id;
  m.event = event;
  m.feq = feq;
  m.keycode = keycode;
  m.keychar = keychar;
  QPoint pos = w.body ? w.body->mapFromGlobal(QCursor::pos()) : QPoint();
  m.mouseX = pos.x();
  m.mouseY = pos.y();
  ui::slot(w.owner).inbox.post(m);
}

void installInputFilter() {
  static InputFilter* filter = nullptr;
  if (!filter) {
    filter = new InputFilter;
    qApp->installEventFilter(filter);
  }
}

bool createWindow(const WindowSpec& request) {
  if (!available() || !request.desc) return false;
  bool ok = false;
  run([&] {
    installInputFilter();
    const ui::StructureDesc& d = *request.desc;
    auto* w = new PlatformWindow;
    w->id = request.id;
    w->owner = request.ownerSlot;
    w->kind = request.kind;
    w->label = d.label;
    setBody(*w, d);
    QString caption = QString::fromStdString(d.text);
    int barsHeight = 0;  // toolbar and status bar of a window that is not the frame
    if (request.kind == ui::StructureKind::Application) {
      auto* main = new QMainWindow;
      w->top = main;
      w->mdi = new QMdiArea;
      w->mdi->setBackground(QColor(128, 128, 128));
      auto* central = w->body.data();
      auto* layout = new QVBoxLayout(central);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->addWidget(w->mdi);
      main->setCentralWidget(central);
      if (QMenuBar* bar = buildMenubar(*w, d)) main->setMenuBar(bar);
      if (d.toolbarHeight > 0) {
        auto* tb = new QToolBar;
        tb->setMovable(false);
        w->toolbar = new QWidget;
        w->toolbar->setProperty(kWindowProperty, QVariant::fromValue<qulonglong>(w->id));
        w->toolbar->setFixedHeight(d.toolbarHeight);
        w->toolbar->setMinimumWidth(400);
        for (const ControlDesc& c : d.toolbar) makeControl(*w, w->toolbar, c);
        tb->addWidget(w->toolbar);
        main->addToolBar(tb);
      }
      if (!d.statusZones.empty()) {
        auto* status = new QStatusBar;
        for (size_t i = 0; i < d.statusZones.size(); ++i) {
          auto* zone = new QLabel;
          zone->setFrameStyle(QFrame::Panel | QFrame::Sunken);
          zone->setMinimumWidth(d.statusZones[i]);
          status->addWidget(zone, i + 1 == d.statusZones.size() ? 0 : 1);
          w->zones.push_back(zone);
        }
        main->setStatusBar(status);
      }
    } else {
      auto* content = w->body.data();
      if (!d.menubar.empty() || d.toolbarHeight > 0 || !d.statusZones.empty()) {
        // A window with its own menu bar keeps the bar above the body, then its toolbar; its
        // status bar goes below the body.
        auto* holder = new QWidget;
        auto* layout = new QVBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        if (!d.menubar.empty()) layout->setMenuBar(buildMenubar(*w, d));
        if (d.toolbarHeight > 0) {
          auto* tb = new QToolBar;
          tb->setMovable(false);
          w->toolbar = new QWidget;
          w->toolbar->setProperty(kWindowProperty, QVariant::fromValue<qulonglong>(w->id));
          w->toolbar->setFixedHeight(d.toolbarHeight);
          int reach = 0;  // the toolbar is as wide as its controls reach
          for (const ControlDesc& c : d.toolbar) {
            makeControl(*w, w->toolbar, c);
            reach = std::max(reach, c.at.x + c.at.w + 4);
          }
          w->toolbar->setMinimumWidth(reach);
          tb->addWidget(w->toolbar);
          layout->addWidget(tb);
          barsHeight += tb->sizeHint().height();
        }
        layout->addWidget(content, 1);
        if (!d.statusZones.empty()) {
          auto* status = new QStatusBar;
          status->setSizeGripEnabled(d.resizable);
          for (size_t i = 0; i < d.statusZones.size(); ++i) {
            auto* zone = new QLabel;
            zone->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            zone->setMinimumWidth(d.statusZones[i]);
            status->addWidget(zone, i + 1 == d.statusZones.size() ? 0 : 1);
            w->zones.push_back(zone);
          }
          layout->addWidget(status);
          barsHeight += status->sizeHint().height();
        }
        content = holder;
      }
      if (request.kind == ui::StructureKind::Mdi) {
        PlatformWindow* frame = platformWindow(request.frameId);
        if (!frame || !frame->mdi) {
          delete content;
          delete w;
          return;
        }
        auto* sub = new QMdiSubWindow;
        // Without a system menu a window has its title bar only: no menu and no buttons.
        if (!d.system)
          sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        sub->setWidget(content);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        frame->mdi->addSubWindow(sub);
        w->top = sub;
      } else {
        w->top = content;
        content->setWindowFlag(Qt::Window);
        if (request.modal) content->setWindowModality(Qt::ApplicationModal);
      }
    }
    w->top->setProperty(kWindowProperty, QVariant::fromValue<qulonglong>(w->id));
    w->top->setWindowTitle(caption);
    if (!d.icon.empty()) {
      QPixmap icon = pixmapOf(ui::loadImage(d.icon));
      if (!icon.isNull()) {
        w->top->setWindowIcon(QIcon(icon));
        // The program's icon: every window of the program shows it.
        if (request.kind == ui::StructureKind::Application)
          QApplication::setWindowIcon(QIcon(icon));
      }
    }
    for (const ControlDesc& c : d.controls) makeControl(*w, w->body, c);
    int extraHeight = barsHeight;
    if (auto* main = qobject_cast<QMainWindow*>(w->top.data())) {
      main->adjustSize();
      extraHeight = (main->menuBar() ? main->menuBar()->sizeHint().height() : 0) + d.toolbarHeight +
                    (main->statusBar() ? main->statusBar()->sizeHint().height() : 0);
    }
    int width = d.at.w > 0 ? d.at.w : 400, height = d.at.h > 0 ? d.at.h : 300;
    w->top->resize(width, height + extraHeight);
    if (d.center)
      centre(*w);
    else if (d.at.x || d.at.y)
      w->top->move(d.at.x, d.at.y);
    w->top->installEventFilter(new WindowFilter(*w));
    w->timer = new QTimer(w->top);
    QObject::connect(w->timer, &QTimer::timeout, w->timer, [w] {
      ui::PlatformMessage m;
      m.kind = ui::PlatformMessage::Kind::Timer;
      m.window = w->id;
      ui::slot(w->owner).inbox.post(m);
    });
    gWindows[w->id] = w;
    ok = true;
  });
  return ok;
}

void showWindow(uint64_t id) {
  run([&] {
    if (PlatformWindow* w = platformWindow(id)) {
      w->shown = true;
      w->top->show();
      if (auto* sub = qobject_cast<QMdiSubWindow*>(w->top.data())) sub->widget()->show();
    }
  });
}

void destroyWindow(uint64_t id) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w) return;
    deleteTrayIcons(id);
    gWindows.erase(id);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->top.data())) {
      if (sub->mdiArea()) sub->mdiArea()->removeSubWindow(sub);
    }
    delete w->top.data();
    delete w;
  });
}

void setWindowText(uint64_t id, const std::string& text) {
  run([&] {
    if (PlatformWindow* w = platformWindow(id))
      w->top->setWindowTitle(QString::fromStdString(text));
  });
}

ui::Rect windowGeometry(uint64_t id) {
  ui::Rect r;
  run([&] {
    if (PlatformWindow* w = platformWindow(id)) {
      QRect g = w->top->isWindow() ? w->top->frameGeometry() : w->top->geometry();
      QSize s = w->top->size();
      r = {g.x(), g.y(), s.width(), s.height()};
    }
  });
  return r;
}

void setWindowGeometry(uint64_t id, const ui::Rect& r) {
  run([&] {
    if (PlatformWindow* w = platformWindow(id)) {
      w->top->move(r.x, r.y);
      if (r.w > 0 && r.h > 0) w->top->resize(r.w, r.h);
    }
  });
}

WindowState windowState(uint64_t id) {
  WindowState s = WindowState::Normal;
  run([&] {
    if (PlatformWindow* w = platformWindow(id)) {
      Qt::WindowStates st = w->top->windowState();
      s = st & Qt::WindowMinimized   ? WindowState::Iconized
          : st & Qt::WindowMaximized ? WindowState::Maximized
          : !w->top->isVisible()     ? WindowState::Hidden
                                     : WindowState::Normal;
    }
  });
  return s;
}

void setWindowState(uint64_t id, WindowState state) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w) return;
    switch (state) {
      case WindowState::Maximized:
        w->top->showMaximized();
        break;
      case WindowState::Iconized:
        w->top->showMinimized();
        break;
      case WindowState::Hidden:
        w->top->hide();
        break;
      case WindowState::Normal:
        w->top->showNormal();
        break;
    }
  });
}

void setWindowTimer(uint64_t id, int32_t hundredths) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w || !w->timer) return;
    if (hundredths > 0)
      w->timer->start(hundredths * 10);
    else
      w->timer->stop();
  });
}

void setStatusText(uint64_t id, int32_t zone, const std::string& text) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (w && zone >= 1 && static_cast<size_t>(zone) <= w->zones.size())
      w->zones[zone - 1]->setText(QString::fromStdString(text));
  });
}

void setControlAlertKeys(uint64_t id, int32_t feq, const std::vector<uint32_t>& keycodes) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w) return;
    w->controlAlertKeys[feq] = keycodes;
    bool mouse = false;
    for (uint32_t k : keycodes) mouse = mouse || ((k & 0xFF) >= 1 && (k & 0xFF) <= 7);
    if (QWidget* widget = mouse ? controlWidget(id, feq) : nullptr) takesMouse(widget);
  });
}

ui::Rect innerSize(uint64_t id, int32_t feq) {
  ui::Rect r;
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w) return;
    if (feq == 0) {
      if (w->body) r = {0, 0, w->body->width(), w->body->height()};
    } else if (auto* image = dynamic_cast<ImageView*>(controlWidget(id, feq))) {
      QSize n = image->natural();
      r = {0, 0, n.width(), n.height()};
    }
  });
  return r;
}

void setMinimumSize(uint64_t id, int32_t width, int32_t height) {
  run([&] {
    if (PlatformWindow* w = platformWindow(id))
      w->top->setMinimumSize(std::max(0, width), std::max(0, height));
  });
}

// The Qt key of a virtual-key code, 0 when it has none.
int qtKey(uint32_t vk) {
  if (vk >= 65 && vk <= 90) return Qt::Key_A + int(vk - 65);
  if (vk >= 48 && vk <= 57) return Qt::Key_0 + int(vk - 48);
  if (vk >= 112 && vk <= 123) return Qt::Key_F1 + int(vk - 112);
  switch (vk) {
    case 8:
      return Qt::Key_Backspace;
    case 9:
      return Qt::Key_Tab;
    case 13:
      return Qt::Key_Return;
    case 27:
      return Qt::Key_Escape;
    case 32:
      return Qt::Key_Space;
    case 33:
      return Qt::Key_PageUp;
    case 34:
      return Qt::Key_PageDown;
    case 35:
      return Qt::Key_End;
    case 36:
      return Qt::Key_Home;
    case 37:
      return Qt::Key_Left;
    case 38:
      return Qt::Key_Up;
    case 39:
      return Qt::Key_Right;
    case 40:
      return Qt::Key_Down;
    case 45:
      return Qt::Key_Insert;
    case 46:
      return Qt::Key_Delete;
  }
  return 0;
}

Qt::KeyboardModifiers qtModifiers(uint32_t code) {
  Qt::KeyboardModifiers m;
  if (code & 256) m |= Qt::ShiftModifier;
  if (code & 512) m |= Qt::ControlModifier;
  if (code & 1024) m |= Qt::AltModifier;
  return m;
}

void sendKey(uint64_t id, int32_t feq, uint32_t keycode) {
  run([&] {
    PlatformWindow* w = nullptr;
    QWidget* widget = controlWidget(id, feq, &w);
    int key = qtKey(keycode & 0xFF);
    if (!widget || !key) return;
    QString text =
        key >= Qt::Key_A && key <= Qt::Key_Z
            ? QString(QChar(keycode & 256 ? 'A' + (key - Qt::Key_A) : 'a' + (key - Qt::Key_A)))
        : key >= Qt::Key_0 && key <= Qt::Key_9 ? QString(QChar('0' + (key - Qt::Key_0)))
        : key == Qt::Key_Space                 ? QString(" ")
                                               : QString();
    QKeyEvent press(QEvent::KeyPress, key, qtModifiers(keycode), text);
    QKeyEvent release(QEvent::KeyRelease, key, qtModifiers(keycode), text);
    w->passingKey = true;
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
    w->passingKey = false;
  });
}

void setAlertKeys(uint64_t id, const std::vector<uint32_t>& keycodes) {
  run([&] {
    if (PlatformWindow* w = platformWindow(id)) w->alertKeys = keycodes;
  });
}

uintptr_t nativeHandle(uint64_t id, int32_t feq) {
  uintptr_t h = 0;
  run([&] {
    PlatformWindow* w = nullptr;
    QWidget* widget = feq == 0 ? nullptr : controlWidget(id, feq, &w);
    if (feq == 0 && (w = platformWindow(id))) widget = w->top;
    if (widget) h = static_cast<uintptr_t>(widget->winId());
  });
  return h;
}

void processPaint() {
  run([] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

void createControl(uint64_t id, const ui::ControlDesc& desc) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w) return;
    QWidget* parent = desc.feq < 0 && w->toolbar ? w->toolbar : w->body.data();
    if (QWidget* c = makeControl(*w, parent, desc)) c->show();
  });
}

void destroyControl(uint64_t id, int32_t feq) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w) return;
    auto it = w->controls.find(feq);
    if (it != w->controls.end()) {
      delete it->second.data();
      w->controls.erase(it);
    }
    w->types.erase(feq);
  });
}

void applyControlView(uint64_t id, int32_t feq, const ControlView& v) {
  PlatformWindow* w = platformWindow(id);
  if (!w) return;
  w->updating = true;
  QString text = QString::fromStdString(v.text);
  QString value = QString::fromStdString(v.value);
  if (auto it = w->items.find(feq); it != w->items.end()) {
    it->second->setText(text);
    it->second->setEnabled(!v.disabled);
    it->second->setVisible(!v.hidden);
    if (!v.tip.empty()) it->second->setStatusTip(QString::fromStdString(v.tip));
    w->updating = false;
    return;
  }
  QWidget* widget = controlWidget(id, feq);
  if (!widget) {
    w->updating = false;
    return;
  }
  // A sheet places its pages and shows the chosen one only; hiding a tab hides its tab, not
  // the page.
  const bool page = v.type == ControlType::Tab;
  if (!page && (v.at.w > 0 || v.at.h > 0)) widget->setGeometry(v.at.x, v.at.y, v.at.w, v.at.h);
  if (page) {
    QWidget* stack = widget->parentWidget();
    if (auto* tabs = qobject_cast<QTabWidget*>(stack ? stack->parentWidget() : nullptr))
      tabs->setTabVisible(tabs->indexOf(widget), !v.hidden);
  } else {
    widget->setVisible(!v.hidden);
  }
  widget->setEnabled(!v.disabled);
  if (!page) widget->setToolTip(QString::fromStdString(v.tip));
  if (v.message.empty())
    w->messages.erase(feq);
  else
    w->messages[feq] = QString::fromStdString(v.message);
  bool drawn = v.type == ControlType::Box || v.type == ControlType::Ellipse ||
               v.type == ControlType::Line || v.type == ControlType::Pie;
  if (!drawn && (v.fg >= 0 || v.bg >= 0)) {
    QPalette pal = widget->palette();
    if (v.fg >= 0)
      pal.setColor(QPalette::WindowText, rgb(v.fg)), pal.setColor(QPalette::Text, rgb(v.fg));
    if (v.bg >= 0)
      pal.setColor(QPalette::Base, rgb(v.bg)), pal.setColor(QPalette::Window, rgb(v.bg));
    widget->setPalette(pal);
    widget->setAutoFillBackground(v.bg >= 0);
  }
  if (v.font.size || !v.font.name.empty()) widget->setFont(fontOf(v.font, widget->font()));
  switch (v.type) {
    case ControlType::Prompt:
      static_cast<QLabel*>(widget)->setText(value.isEmpty() ? promptText(text) : value);
      break;
    case ControlType::Entry: {
      auto* e = static_cast<QLineEdit*>(widget);
      if (e->text() != value) e->setText(value);
      e->setModified(false);
      e->setReadOnly(v.readOnly);
      break;
    }
    case ControlType::Text: {
      auto* t = static_cast<QPlainTextEdit*>(widget);
      if (t->toPlainText() != value) t->setPlainText(value);
      break;
    }
    case ControlType::Button:
      static_cast<QPushButton*>(widget)->setText(text);
      if (!v.image.empty()) static_cast<QPushButton*>(widget)->setIcon(QIcon(pixmapOf(v.image)));
      break;
    case ControlType::Check:
      static_cast<QCheckBox*>(widget)->setText(text);
      static_cast<QCheckBox*>(widget)->setChecked(v.choice != 0);
      break;
    case ControlType::Option: {
      auto* g = static_cast<QGroupBox*>(widget);
      g->setTitle(text);
      if (auto* group = g->findChild<QButtonGroup*>()) {
        if (QAbstractButton* b = group->button(v.choice)) b->setChecked(true);
      }
      break;
    }
    case ControlType::Group:
      static_cast<QGroupBox*>(widget)->setTitle(text);
      break;
    case ControlType::Radio:
      static_cast<QRadioButton*>(widget)->setText(text);
      break;
    case ControlType::List: {
      auto* view = static_cast<QTreeView*>(widget);
      int row = v.choice - 1;
      if (row >= 0 && row < view->model()->rowCount())
        view->setCurrentIndex(view->model()->index(row, 0));
      if (auto* page = dynamic_cast<PageListView*>(view)) page->setThumb(v.thumb);
      break;
    }
    case ControlType::Combo:
    case ControlType::DropList: {
      auto* c = static_cast<QComboBox*>(widget);
      QStringList items;
      for (const std::string& s : v.choices) items << QString::fromStdString(s);
      QStringList now;
      for (int i = 0; i < c->count(); ++i) now << c->itemText(i);
      if (now != items) {
        c->clear();
        c->addItems(items);
      }
      if (v.choice > 0)
        c->setCurrentIndex(v.choice - 1);
      else if (c->isEditable())
        c->setEditText(value);
      break;
    }
    case ControlType::Spin: {
      auto* s = static_cast<SpinWidget*>(widget);
      if (v.rangeLow || v.rangeHigh) s->setLimits(v.rangeLow, v.rangeHigh);
      s->setValue(value.trimmed().toInt());
      break;
    }
    case ControlType::Progress: {
      auto* p = static_cast<QProgressBar*>(widget);
      if (v.rangeLow || v.rangeHigh) p->setRange(v.rangeLow, v.rangeHigh);
      p->setValue(value.trimmed().toInt());
      break;
    }
    case ControlType::Panel:
      static_cast<PanelWidget*>(widget)->setBevels(v.bevelOuter, v.bevelInner);
      widget->setProperty("kivBevel", v.bevelOuter);  // what the automation interface reads
      if (v.bg >= 0) widget->setAutoFillBackground(true);
      break;
    case ControlType::Image: {
      auto* image = static_cast<ImageView*>(widget);
      image->setProperty("kivImage", QString::fromStdString(v.text));
      image->showPicture(v, pixmapOf(v.image));
      // A zoomed picture scrolls, so it takes the mouse.
      if (v.imageZoom > 0) takesMouse(widget);
      break;
    }
    case ControlType::Box:
    case ControlType::Line:
    case ControlType::Ellipse:
    case ControlType::Pie:
      static_cast<DrawnWidget*>(widget)->view = v;
      widget->update();
      break;
    case ControlType::Sheet: {
      auto* tabs = static_cast<QTabWidget*>(widget);
      if (v.choice > 0 && v.choice <= tabs->count()) tabs->setCurrentIndex(v.choice - 1);
      break;
    }
    case ControlType::Tab: {
      if (auto* tabs = qobject_cast<QTabWidget*>(widget->parentWidget()->parentWidget())) {
        int i = tabs->indexOf(widget);
        if (i >= 0) tabs->setTabText(i, text);
      }
      break;
    }
    default:
      break;
  }
  w->updating = false;
}

void setListRows(uint64_t id, int32_t feq, std::vector<ListColumnView> columns,
                 std::vector<std::vector<std::string>> rows,
                 std::vector<std::vector<unsigned char>> images, std::vector<int32_t> rowIcons) {
  run([&] {
    PlatformWindow* w = nullptr;
    QWidget* widget = controlWidget(id, feq, &w);
    if (!widget) return;
    w->updating = true;
    if (auto* view = qobject_cast<QTreeView*>(widget)) {
      auto* model = static_cast<RowsModel*>(view->model());
      model->icons.clear();
      for (const auto& bytes : images) model->icons.push_back(QIcon(pixmapOf(bytes)));
      model->rowIcons = std::move(rowIcons);
      bool headings = false;
      for (const auto& c : columns) headings = headings || !c.heading.empty();
      std::vector<int32_t> widths;
      for (const auto& c : columns) widths.push_back(c.width);
      model->replace(std::move(columns), std::move(rows));
      view->setHeaderHidden(!headings);
      for (size_t i = 0; i + 1 < widths.size(); ++i)
        view->setColumnWidth(static_cast<int>(i), widths[i]);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      int keep = combo->currentIndex();
      combo->clear();
      for (const auto& r : rows)
        combo->addItem(r.empty() ? QString() : QString::fromStdString(r[0]));
      if (keep >= 0 && keep < combo->count()) combo->setCurrentIndex(keep);
    }
    w->updating = false;
  });
}

ControlInput readControl(uint64_t id, int32_t feq) {
  ControlInput in;
  run([&] {
    QWidget* widget = controlWidget(id, feq);
    if (!widget) return;
    in.valid = true;
    if (auto* e = qobject_cast<QLineEdit*>(widget))
      in.text = e->text().toStdString();
    else if (auto* t = qobject_cast<QPlainTextEdit*>(widget))
      in.text = t->toPlainText().toStdString();
    else if (auto* c = qobject_cast<QCheckBox*>(widget))
      in.choice = c->isChecked() ? 1 : 0;
    else if (auto* s = qobject_cast<QSpinBox*>(widget))
      in.text = std::to_string(s->value());
    else if (auto* p = qobject_cast<QProgressBar*>(widget))
      in.text = std::to_string(p->value());
    else if (auto* b = qobject_cast<QComboBox*>(widget)) {
      in.choice = b->currentIndex() + 1;
      in.text = b->currentText().toStdString();
    } else if (auto* v = qobject_cast<QTreeView*>(widget)) {
      in.choice = v->currentIndex().isValid() ? v->currentIndex().row() + 1 : 0;
      if (auto* page = dynamic_cast<PageListView*>(v)) in.thumb = page->thumb();
    } else if (auto* t = qobject_cast<QTabWidget*>(widget)) {
      in.choice = t->currentIndex() + 1;
    } else if (auto* g = qobject_cast<QGroupBox*>(widget)) {
      if (auto* group = g->findChild<QButtonGroup*>()) in.choice = std::max(0, group->checkedId());
    } else if (auto* l = qobject_cast<QLabel*>(widget)) {
      in.text = l->text().toStdString();
    }
  });
  return in;
}

void focusControl(uint64_t id, int32_t feq) {
  run([&] {
    PlatformWindow* w = nullptr;
    QWidget* widget = controlWidget(id, feq, &w);
    if (!widget) return;
    w->updating = true;
    widget->setFocus(Qt::OtherFocusReason);
    w->updating = false;
  });
}

int32_t visibleRows(uint64_t id, int32_t feq) {
  int32_t rows = 0;
  run([&] {
    if (auto* v = qobject_cast<QTreeView*>(controlWidget(id, feq))) {
      int h = v->sizeHintForRow(0);
      if (h <= 0) h = v->fontMetrics().height() + 4;
      rows = std::max(0, v->viewport()->height() / h);
    }
  });
  return rows;
}

void setCursor(uint32_t standardCursor) {
  run([standardCursor] {
    // One override at most: a new cursor replaces the one set before.
    static bool overridden = false;
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (standardCursor) {
      case 0x7F02:
        shape = Qt::IBeamCursor;
        break;
      case 0x7F03:
        shape = Qt::WaitCursor;
        break;
      case 0x7F04:
        shape = Qt::CrossCursor;
        break;
      case 0x7F8A:
        shape = Qt::BusyCursor;
        break;
    }
    const bool normal = standardCursor == 0 || standardCursor == 0x7F01;
    if (overridden) QApplication::restoreOverrideCursor();
    overridden = !normal;
    if (!normal) QApplication::setOverrideCursor(QCursor(shape));
  });
}

void beep() {
  run([] { QApplication::beep(); });
}

}  // namespace kiv::gui

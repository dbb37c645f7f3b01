// Picture1 answers the pointer and the keys: the events become pick codes
// for the graph engine's point search; the right button opens the "Graph
// Menu" panel at the pointer; a double click makes the picked point's time
// the end of the plotted span.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "chart/form4a.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "meter/window/twips.h"

namespace {
// Shift bits and buttons as the handlers count them: 1 Shift, 2 Ctrl, 4 Alt; 1 left, 2 right, 4 middle.
int16_t shiftBits(Qt::KeyboardModifiers m) {
  return static_cast<int16_t>((m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
                              (m & Qt::AltModifier ? 4 : 0));
}

int16_t buttonBits(Qt::MouseButtons b) {
  return static_cast<int16_t>((b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
                              (b & Qt::MiddleButton ? 4 : 0));
}

// The key codes of the keyboard as the handlers see them.
int16_t keyCodeOf(int key) {
  switch (key) {
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    default: return key > 0 && key < 0x7F ? static_cast<int16_t>(key) : int16_t(0);
  }
}

bool isNavigationKey(int16_t k) { return (k >= 33 && k <= 40) || k == 45 || k == 46 || k == 65; }

QString mouseLine(const char* handler, int16_t button, int16_t shift, float x, float y) {
  return QString::fromLatin1(handler) + QStringLiteral("  Button=%1  Shift=%2  x%3  y=%4")
                                            .arg(button).arg(shift).arg(double(x)).arg(double(y));
}
}  // namespace

void Form4a::buildGraphMenu() {
  m_frame6 = new QGroupBox(QStringLiteral("Graph Menu"), centralWidget());
  m_frame6->setObjectName(QStringLiteral("Frame6"));
  // The panel lies over the picture: its own background hides the curves beneath.
  m_frame6->setAutoFillBackground(true);
  auto* show = new QCheckBox(QStringLiteral("Show value box"), m_frame6);
  show->setObjectName(QStringLiteral("chkShowValue"));
  placeTw(show, 120, 300, 1800, 285);
  const struct {
    const char* name;
    const char* caption;
  } buttons[] = {{"Command22", "Copy"}, {"Command6", "Print"}, {"Command4", "Save"}, {"Command2", "Close"}};
  int top = 660;
  for (const auto& b : buttons) {
    auto* button = new QPushButton(QString::fromLatin1(b.caption), m_frame6);
    button->setObjectName(QString::fromLatin1(b.name));
    placeTw(button, 120, top, 1800, 330);
    top += 390;
  }
  m_frame6->resize(twipsToPx(2040), twipsToPx(top + 60));
  m_frame6->hide();
  connect(findChild<QPushButton*>(QStringLiteral("Command2")), &QPushButton::clicked, this, &Form4a::hideGraphMenu);
  // The check box and the menu item "Visible" of the Text Box menu are one setting.
  connect(show, &QCheckBox::clicked, this, [this, show] { menuItem("mnuTxtBox_Visible")->setChecked(show->isChecked()); });

  Picture1()->setMouseTracking(true);
  Picture1()->setFocusPolicy(Qt::StrongFocus);
  Picture1()->installEventFilter(this);
}

void Form4a::showPointAt(int16_t aflg, int16_t keyCode, int16_t shift, int16_t button, float x, float y) {
  if (m_core->chartMode < 1 || m_core->graphDef.series.isEmpty()) return;
  PickEvent e{.aflg = aflg, .keyCode = keyCode, .shift = shift, .button = button, .xMouse = x, .yMouse = y};
  showGraphPoint(e, m_selSeriesMask, -1, m_selSeriesIndex, 0, m_pick, m_core->picked());
  // A selection the view does not show has no marks, so no box either.
  if (!selectionShown(m_core->graphDef)) m_picture3->hide();
  Picture1()->update();
}

bool Form4a::picture1Event(QEvent* e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::MouseButtonDblClick: break;
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(e);
      const int16_t code = keyCodeOf(k->key()), shift = shiftBits(k->modifiers());
      logMsg(4, QStringLiteral("Picture1_KeyDown: KeyCode=%1   Shift=%2").arg(code).arg(shift));
      m_lastKeyCode = code;
      if (isNavigationKey(code)) showPointAt(kPickKey, code, shift, 0, 0, 0);
      if (!k->text().isEmpty() && k->text()[0].unicode() < 0x80 && k->text()[0].unicode() >= 0x20)
        logMsg(4, QStringLiteral("Picture1_KeyPress: KeyAscii=%1").arg(k->text()[0].unicode()));
      return true;
    }
    case QEvent::KeyRelease: {
      auto* k = static_cast<QKeyEvent*>(e);
      logMsg(4, QStringLiteral("Picture1_KeyUp: KeyCode=%1   Shift=%2")
                    .arg(keyCodeOf(k->key())).arg(shiftBits(k->modifiers())));
      return true;
    }
    default: return false;
  }
  auto* m = static_cast<QMouseEvent*>(e);
  const QPointF at = m->position() - QPointF(Picture1()->contentsRect().topLeft());
  const float x = static_cast<float>(at.x()), y = static_cast<float>(at.y());
  const int16_t shift = shiftBits(m->modifiers());
  switch (e->type()) {
    case QEvent::MouseButtonPress: {
      const int16_t button = buttonBits(m->button());
      logMsg(4, mouseLine("Picture1_MouseDown", button, shift, x, y));
      if (button == kButtonLeft) showPointAt(kPickPress, 0, shift, button, x, y);
      break;
    }
    case QEvent::MouseMove: {
      const int16_t button = buttonBits(m->buttons());
      logMsg(4, mouseLine("Picture1_MouseMove", button, shift, x, y));
      m_valueBoxFlag = !(button == kButtonLeft && (shift & kShiftAlt));
      if (m_formActive) {
        Picture1()->setFocus();
        const graphRecord& g = m_core->graphDef;
        if (shift == 0 && button == 0 && x == g.lastXMouse && y == g.lastYMouse)
          logMsg(4, QStringLiteral("Picture1_MouseMove - CANCELED"));
        else
          showPointAt(kPickMove, 0, shift, button, x, y);
      }
      hideGraphMenu();
      break;
    }
    case QEvent::MouseButtonRelease: {
      const int16_t button = buttonBits(m->button());
      logMsg(4, mouseLine("Picture1_MouseUp", button, shift, x, y));
      if (button == kButtonLeft) {
        showPointAt(kPickRelease, 0, shift, button, x, y);
        logMsg(1, QStringLiteral("Picture1_Click()"));
      } else if (button == 2) {
        openGraphMenu(Picture1()->mapTo(centralWidget(), m->position().toPoint()));
      }
      m_valueBoxFlag = true;
      break;
    }
    default:  // double click
      logMsg(1, QStringLiteral("Picture1_DblClick()"));
      moveEndTimeToPick();
      break;
  }
  return true;
}

void Form4a::moveEndTimeToPick() {
  const graphRecord& g = m_core->graphDef;
  if (m_core->chartMode != 2 || g.graphKind != 4) return;
  const int s = g.selSerie;
  const int32_t p = g.selPoint;
  if (s < 1 || s >= g.series.size()) return;
  const int axis = g.series[s].xAxis;
  if (axis < 1 || axis >= g.axes.size() || g.axes[axis].valueKind != 2) return;
  // A selection that no longer names a fetched point is not a time.
  if (s >= m_core->plotSeriesData.size() || p < 1 || p >= m_core->plotSeriesData[s].points.size()) return;
  m_text3->setText(formatDate(m_core->plotSeriesData[s].points[p].recTime, kDateTimeFormat));
}

// A new plot has drawn the picture without marks: the selection found again gets its
// cross and its value box, at the pointer as before; without one the box goes too.
void Form4a::showKeptSelection() {
  const graphRecord& g = m_core->graphDef;
  if (g.selSerie >= 1 && g.selSerie < g.series.size())
    showPointAt(kPickMarks, 0, 0, 0, g.lastXMouse, g.lastYMouse);
  else
    m_picture3->hide();
}

void Form4a::openGraphMenu(QPoint atPx) {
  findChild<QCheckBox*>(QStringLiteral("chkShowValue"))->setChecked(menuItem("mnuTxtBox_Visible")->isChecked());
  m_frame6->show();
  m_frame6->raise();
  const QWidget* client = centralWidget();
  const int top = std::max(0, std::min(atPx.y(), client->height() - m_frame6->height()));
  const int left = std::max(0, std::min(atPx.x(), client->width() - m_frame6->width()));
  m_frame6->move(left, top);
  m_picture3->hide();
  m_core->setGraphMenuShown(true);
}

void Form4a::hideGraphMenu() {
  m_frame6->hide();
  m_core->setGraphMenuShown(false);
}

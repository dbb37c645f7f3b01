#include "core/log/message_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/log/message_log.h"
#include "core/settings/setup_values.h"
#include "core/util/text_helpers.h"
#include "platform/colour.h"
#include "platform/message_box.h"
#include "platform/named_colours.h"
#include "platform/twips_units.h"

namespace {
const char* const kLevelCaptions[6] = {"0 None",    "1 Errors only", "2 Summary",
                                       "3 Actions", "4 Details",     "5 Extra"};

QFont courierFont(qreal points) {
  QFont f(QStringLiteral("Courier New"));
  f.setStyleHint(QFont::Monospace);
  f.setFixedPitch(true);
  f.setPointSizeF(points);
  return f;
}

}  // namespace

LogWindowBase::LogWindowBase(const QString& objectName, const QString& caption) {
  setObjectName(objectName);
  setWindowTitle(caption);
  auto* central = new QWidget(this);
  setCentralWidget(central);
  m_RichTextBox1 = new QPlainTextEdit(central);
  m_RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  m_RichTextBox1->setReadOnly(true);
  m_RichTextBox1->setUndoRedoEnabled(false);
  m_RichTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_RichTextBox1->setFont(courierFont(8.25));

  m_mnuWindow = menuBar()->addMenu(QStringLiteral("Window"));
  m_mnuWindow->setObjectName(QStringLiteral("mnuWindow"));
  QAction* clear = m_mnuWindow->addAction(QStringLiteral("Clear"), this, [this] { mnuClear_Click(); });
  clear->setObjectName(QStringLiteral("mnuClear"));
  m_mnuWindow->addSeparator()->setObjectName(QStringLiteral("mnuList1"));
  m_mnuTopmost =
      m_mnuWindow->addAction(QStringLiteral("Always on top"), this, [this] { mnuTopmost_Click(); });
  m_mnuTopmost->setObjectName(QStringLiteral("mnuTopmost"));
  m_mnuTopmost->setCheckable(true);
  QAction* close = m_mnuWindow->addAction(QStringLiteral("Close"), this, [this] { mnuClose_Click(); });
  close->setObjectName(QStringLiteral("mnuClose"));

  m_mnuDbgLevel = menuBar()->addMenu(QStringLiteral("Level"));
  m_mnuDbgLevel->setObjectName(QStringLiteral("mnuDbgLevel"));
  connect(m_mnuDbgLevel, &QMenu::aboutToShow, this, [this] { mnuDbgLevel_Click(); });
  for (int i = 0; i < 6; ++i) {
    QAction* a = m_mnuDbgLevel->addAction(QString::fromLatin1(kLevelCaptions[i]));
    a->setObjectName(QStringLiteral("mnuDbgLevelSet(%1)").arg(i));
    a->setCheckable(true);
    // The item's check mark is set by the handler, not by the click itself.
    connect(a, &QAction::triggered, this, [this, a, i] {
      a->setChecked(!a->isChecked());
      mnuDbgLevelSet_Click(i);
    });
    m_mnuDbgLevelSet[i] = a;
  }
  resize(600, 400);
}

void LogWindowBase::mnuClear_Click() { logMsg(0, QString()); }

void LogWindowBase::mnuClose_Click() { hide(); }

void LogWindowBase::mnuTopmost_Click() {
  const bool top = !m_mnuTopmost->isChecked();
  m_mnuTopmost->setChecked(top);
  // Changing the flag re-creates the native window, which hides it: it is shown again.
  setWindowFlag(Qt::WindowStaysOnTopHint, top);
  show();
}

void LogWindowBase::closeEvent(QCloseEvent* e) {
  // Closing only hides it, so no text is lost; the program ending unloads it.
  if (!m_unloading) {
    e->ignore();
    hide();
    return;
  }
  e->accept();
}

void LogWindowBase::unload() {
  m_unloading = true;
  close();
}

void LogWindowBase::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (isMinimized()) return;
  const QWidget* inner = centralWidget();
  const int left = m_RichTextBox1->x();
  const int innerHeightTwips = inner->height() * kTwipsPerPixel;
  const int width = inner->width() - left - 240 / kTwipsPerPixel;
  const int height = innerHeightTwips <= 1000 ? 800 / kTwipsPerPixel : inner->height() - 800 / kTwipsPerPixel;
  m_RichTextBox1->setGeometry(left, m_RichTextBox1->y(), std::max(width, 0), std::max(height, 0));
}

void LogWindowBase::checkOnly(int level) {
  for (int i = 0; i < 6; ++i) m_mnuDbgLevelSet[i]->setChecked(i == level);
}

// --- Form12 ---

Form12::Form12(MessageLog& log)
    : LogWindowBase(QStringLiteral("Form12"), QStringLiteral("Message Window")), m_log(log) {
  // Closing it hides it; it never ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);
  m_end = QTextCursor(RichTextBox1()->document());
  m_courierFormat.setForeground(colourToQColor(kSysColorWindowText));
  m_courierFormat.setFont(courierFont(8));
  showDropped(0);
  for (const MessageLog::Entry& e : log.entries()) showEntry(e);
  connect(&log, &MessageLog::appended, this, &Form12::showEntry);
  connect(&log, &MessageLog::cleared, this, &Form12::showCleared);
  connect(&log, &MessageLog::linesDropped, this, &Form12::showDropped);
}

void Form12::mnuDbgLevel_Click() {
  logMsg(5, QStringLiteral("Message Window: Level Clicked"));
  if (msgLevel >= 0 && msgLevel <= 5) checkOnly(msgLevel);
}

void Form12::mnuDbgLevelSet_Click(int index) {
  if (msgLevel < 0 || msgLevel > 5) {
    msgBox(QStringLiteral("unknown current msgLevel=") + QString::number(msgLevel));
    return;
  }
  if (index < 0 || index > 5) {
    msgBox(QStringLiteral("unknown new msgLevel=") + QString::number(index));
    return;
  }
  mnuDbgLevelSet(msgLevel)->setChecked(false);
  MessageLog::setLevel(static_cast<int16_t>(index));
  mnuDbgLevelSet(index)->setChecked(true);
}

void Form12::showCleared() {
  RichTextBox1()->clear();
  m_end = QTextCursor(RichTextBox1()->document());
  m_noticeShown = false;
}

void Form12::showDropped(qint64 lines) {
  QTextDocument* doc = RichTextBox1()->document();
  const int first = m_noticeShown ? 1 : 0;
  if (lines > 0) {
    QTextCursor c(doc->findBlockByNumber(first));
    const QTextBlock last = doc->findBlockByNumber(first + int(lines));
    c.setPosition(last.isValid() ? last.position() : doc->characterCount() - 1, QTextCursor::KeepAnchor);
    c.removeSelectedText();
  }
  const QString notice = m_log.droppedNotice();
  if (notice.isEmpty()) return;
  QTextCharFormat f;
  f.setForeground(colourToQColor(logColourNormal));
  f.setFont(RichTextBox1()->font());
  QTextCursor c(doc);
  if (m_noticeShown) {
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(notice, f);
  } else {
    c.insertText(notice + u'\n', f);
    m_noticeShown = true;
  }
}

void Form12::insertAtEnd(const QString& text, const QTextCharFormat& format) {
  // The box shows CR LF as one line break.
  QString t = text;
  t.replace(kCrLf, QStringLiteral("\n"));
  t.replace(u'\r', u'\n');
  m_end.movePosition(QTextCursor::End);
  m_end.insertText(t, format);
  if (isVisible()) scrollToEnd();
}

void Form12::scrollToEnd() {
  // Keep the newest line in view: once per turn of the event loop, not per message.
  if (m_scrollPending) return;
  m_scrollPending = true;
  QTimer::singleShot(0, this, [this] {
    m_scrollPending = false;
    QScrollBar* bar = RichTextBox1()->verticalScrollBar();
    bar->setValue(bar->maximum());
  });
}

void Form12::showEvent(QShowEvent* e) {
  LogWindowBase::showEvent(e);
  scrollToEnd();
}

const QTextCharFormat& Form12::formatFor(const MessageLog::Entry& entry) {
  if (entry.courier) return m_courierFormat;
  // Messages come in two or three colours; reuse their formats.
  if (entry.colour != m_formatColour || !m_formatValid) {
    m_format = QTextCharFormat();
    m_format.setForeground(colourToQColor(entry.colour));
    m_format.setFont(RichTextBox1()->font());
    m_formatColour = entry.colour;
    m_formatValid = true;
  }
  return m_format;
}

void Form12::showEntry(const MessageLog::Entry& entry) { insertAtEnd(entry.text, formatFor(entry)); }

// --- Form10 ---

Form10::Form10(SetupValues& values)
    : LogWindowBase(QStringLiteral("Form10"), QStringLiteral("Debug Window")), m_values(values) {}

void Form10::mnuDbgLevel_Click() {
  logMsg(5, QStringLiteral("Debug Window: Level Clicked"));
  checkOnly(m_values.settings().debugLevel);
}

void Form10::mnuDbgLevelSet_Click(int index) {
  logMsg(-1, QStringLiteral("mnuDbgLevelSet_Click: index=") + QString::number(index));
  if (index < 0 || index > 5) {
    msgBox(QStringLiteral("unknown new debugLevel=") + QString::number(index));
    return;
  }
  const int16_t current = m_values.settings().debugLevel;
  if (current < 0 || current > 5) {
    msgBox(QStringLiteral("unknown current debugLevel=") + QString::number(current));
    return;
  }
  mnuDbgLevelSet(current)->setChecked(false);
  m_values.setDebugLevel(static_cast<int16_t>(index));
  mnuDbgLevelSet(index)->setChecked(true);
}

void showMessageWindow(Form12& window) {
  window.show();
  window.raise();
}

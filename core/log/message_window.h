#pragma once
// The message window Form12 ("Message Window") and its unused twin Form10
// ("Debug Window"): one text box, a Window menu and a Level menu.

#include <QMainWindow>
#include <QTextCharFormat>
#include <QTextCursor>
#include <array>

#include "core/log/message_log.h"

class QAction;
class SetupValues;
class QMenu;
class QPlainTextEdit;

class LogWindowBase : public QMainWindow {
  Q_OBJECT
 public:
  QPlainTextEdit* RichTextBox1() const { return m_RichTextBox1; }
  QAction* mnuDbgLevelSet(int i) const { return m_mnuDbgLevelSet.at(i); }
  QAction* mnuTopmost() const { return m_mnuTopmost; }

  void mnuClear_Click();
  void mnuClose_Click();
  void mnuTopmost_Click();
  virtual void mnuDbgLevel_Click() = 0;
  virtual void mnuDbgLevelSet_Click(int index) = 0;
  // Really closes it (the program ending); any other close only hides it.
  void unload();

 protected:
  LogWindowBase(const QString& objectName, const QString& caption);
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  // Checks item `level` alone; false when the level is outside 0..5.
  void checkOnly(int level);

 private:
  QPlainTextEdit* m_RichTextBox1;
  QMenu* m_mnuWindow;
  QMenu* m_mnuDbgLevel;
  QAction* m_mnuTopmost;
  std::array<QAction*, 6> m_mnuDbgLevelSet{};
  bool m_unloading = false;
};

// Shows the message log: what it holds when made, then what it announces.
class Form12 : public LogWindowBase {
  Q_OBJECT
 public:
  explicit Form12(MessageLog& log);
  void mnuDbgLevel_Click() override;
  void mnuDbgLevelSet_Click(int index) override;

 private:
  void showEvent(QShowEvent* e) override;
  void showEntry(const MessageLog::Entry& entry);
  void showCleared();
  void showDropped(qint64 lines);
  void insertAtEnd(const QString& text, const QTextCharFormat& format);
  void scrollToEnd();
  const QTextCharFormat& formatFor(const MessageLog::Entry& entry);
  MessageLog& m_log;
  QTextCursor m_end;
  QTextCharFormat m_format;
  QTextCharFormat m_courierFormat;
  int32_t m_formatColour = 0;
  bool m_formatValid = false;
  bool m_scrollPending = false;
  bool m_noticeShown = false;  // the first line says how many lines were dropped
};

// Its Level menu shows and sets the settings' debugLevel.
class Form10 : public LogWindowBase {
  Q_OBJECT
 public:
  explicit Form10(SetupValues& values);
  void mnuDbgLevel_Click() override;
  void mnuDbgLevelSet_Click(int index) override;

 private:
  SetupValues& m_values;
};

// Shows the message window (the main window's View menu).
void showMessageWindow(Form12& window);

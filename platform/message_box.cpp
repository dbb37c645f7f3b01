#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/test_log_file.h"

namespace {
QString g_defaultTitle;
}  // namespace

void setMsgBoxTitle(const QString& title) { g_defaultTitle = title; }

MsgResult msgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) {
  auto defaultAnswer = [&] {
    switch (buttons) {
      case MsgButtons::Ok:
      case MsgButtons::OkCancel: return MsgResult::Ok;
      case MsgButtons::YesNo:
      case MsgButtons::YesNoCancel: return MsgResult::Yes;
      case MsgButtons::RetryCancel: return MsgResult::Retry;
    }
    return MsgResult::Ok;
  };
  if (isHeadless()) {
    appendTestLogLine(QStringLiteral("MSGBOX: ") + text);
    return defaultAnswer();
  }
  QMessageBox box;
  // Untitled boxes carry the program's title, as every other window does.
  box.setWindowTitle(title.isEmpty()
                         ? (g_defaultTitle.isEmpty() ? QApplication::applicationName() : g_defaultTitle)
                         : title);
  box.setText(text);
  switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
  }
  switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    case MsgButtons::RetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    default: return MsgResult::Cancel;
  }
}

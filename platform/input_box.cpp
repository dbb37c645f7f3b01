#include "platform/input_box.h"

#include <QInputDialog>

#include "platform/message_box.h"
#include "platform/test_log_file.h"

QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) {
  if (isHeadless()) {
    appendTestLogLine(QStringLiteral("INPUTBOX: ") + prompt);
    return QString();
  }
  bool ok = false;
  const QString answer = QInputDialog::getText(nullptr, title, prompt, QLineEdit::Normal, defaultText, &ok);
  return ok ? answer : QString();
}

#include "platform/user_notice.h"

#include "platform/test_log_file.h"

bool isHeadless() { return qEnvironmentVariableIntValue("ZAV_HEADLESS") == 1; }

UserNotices& userNotices() {
  static UserNotices notices;
  return notices;
}

void userNotice(const QString& text, MsgIcon icon, const QString& title) {
  if (isHeadless()) {
    appendTestLogLine(QStringLiteral("MSGBOX: ") + text);
    return;
  }
  emit userNotices().noticeRaised(text, icon, title);
}

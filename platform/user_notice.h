#pragma once
// A message for the user from code without windows. Headless (ZAV_HEADLESS=1)
// it is logged as "MSGBOX: <text>" at once; otherwise it is announced, and
// app/ shows it in a message box (platform/message_box.h, the window side).

#include <QObject>
#include <QString>

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

bool isHeadless();

class UserNotices : public QObject {
  Q_OBJECT
 signals:
  void noticeRaised(const QString& text, MsgIcon icon, const QString& title);
};
UserNotices& userNotices();

void userNotice(const QString& text, MsgIcon icon = MsgIcon::None, const QString& title = QString());

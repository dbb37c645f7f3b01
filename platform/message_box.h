#pragma once
// Every message box of the windows goes through here (code without windows
// raises a userNotice instead), so that a headless run
// (ZAV_HEADLESS=1) logs "MSGBOX: <text>" and answers with the default button.

#include <QString>

#include "platform/user_notice.h"

MsgResult msgBox(const QString& text, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None,
                 const QString& title = QString());
// The title of boxes given none: the program's title (appName), set once at start.
void setMsgBoxTitle(const QString& title);

#pragma once
// Every message box of the program goes through here, so that a headless run
// (ZAV_HEADLESS=1) logs "MSGBOX: <text>" and answers with the default button.

#include <QString>

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

MsgResult msgBox(const QString& text, MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None,
                 const QString& title = QString());
bool isHeadless();
// The title of boxes given none: the program's title (appName), set once at start.
void setMsgBoxTitle(const QString& title);

#pragma once
// The windows' side of the meter link and session: the main window shows the link status,
// the line boxes, the temperature and the indicators; the setup window the COM port, the
// port list, the event counters, the pulse details and the pulse analysis; a progress
// window follows the COM search and its Cancel button stops it. Connected before the
// windows load; the main window is asked of its owner when a signal comes, so a window not
// made yet misses nothing of use. The connections end with `owner`, the object that owns
// the windows (or with the link or session, should they go first).

#include <functional>

class Form1;
class QObject;
class MeterLink;
class MeterSession;
class SetupValues;

// mainWindow: the main window, or nullptr while there is none.
void connectLinkView(MeterSession& session, MeterLink& link, SetupValues& values,
                     std::function<Form1*()> mainWindow, QObject* owner);

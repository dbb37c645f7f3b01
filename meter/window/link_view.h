#pragma once
// The windows' side of the meter link and session: the main window shows the link status,
// the line boxes, the temperature and the indicators; the setup window the COM port, the
// port list, the event counters, the pulse details and the pulse analysis; a progress
// window follows the COM search and its Cancel button stops it. Connected once, before the
// windows load; the main window is looked up when a signal comes, so a window not made
// yet misses nothing of use. The connections end with the link.

class MeterLink;
class MeterSession;

void connectLinkView(MeterSession& session, MeterLink& link);

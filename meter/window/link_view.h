#pragma once
// The windows' side of the meter link: the main window shows the link status, the line
// boxes, the temperature and the indicators; the setup window the COM port, the port
// list, the event counters and the pulse analysis; a progress window follows the COM
// search and its Cancel button stops it. Connected once, before the windows load; each
// window is looked up when a signal comes, so a window not made yet misses nothing of use.

void connectLinkView();

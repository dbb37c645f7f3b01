#pragma once
// Starting and stopping the web server, as the setup window's web tab and its
// tray menu ask for it. Results are announced through webEvents().

#include <QString>
#include <cstdint>

#include "web/web_state.h"

class QObject;

// The port it listens on (webServerPort) and the web root used when the setting is
// empty (defaultWebRoot) are globals of core/globals.h: the setup window reads them.

// Validates the web-root folder, then starts the server (the port was accepted).
void checkWebRootFolder();
void startWebServer();
// Safe when the server is not listening.
void stopWebServer();
// Local address and port of the listening socket; empty and 0 when not listening.
QString webListenerAddress();
int webListenerPort();

void initServerSockets();
void closeAllSockets();
void resetServerSettings();
// The status row of one socket, or of every loaded socket for -1.
void listSocketStates(int index);

// Unloads a window or a control: a window is closed as a user would close it
// (it may refuse: false, nothing changes), then the object goes when the
// event loop next runs.
bool unloadObject(QObject* object);

// The port rule of the enable box: empty (port 80) or 80..65535.
enum class PortCheck { Refused, Accepted, DefaultPort };
PortCheck checkWebPort(const QString& text);

// The tray menu: "&Start Server" starts (checked like the enable box), any
// other caption stops.
void trayStartClicked(const QString& caption);
void trayAboutClicked();
constexpr const char* kTrayStartCaption = "&Start Server";
constexpr const char* kTrayStopCaption = "S&top Server";

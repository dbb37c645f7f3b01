#pragma once
// What the setup window uses of the web server. Until the server itself is
// built, starting it reports that it cannot start and nothing pretends it runs.

#include <QString>
#include <cstdint>

// Port the server listens on; 0 while it is not listening.
extern int32_t webServerPort;
// Web-root folder used when the setup window's web-root box is empty.
extern QString defaultWebRoot;

// Validates the web-root folder, then starts the server (Check9 accepted the port).
void checkWebRootFolder();
void startWebServer();
// Safe when the server is not listening.
void stopWebServer();
// Local address and port of the listening socket; empty and 0 when not listening.
QString webListenerAddress();
int webListenerPort();

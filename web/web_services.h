#pragma once
// What the setup window uses of the web server. Until the server itself is
// built, starting it reports that it cannot start and nothing pretends it runs.

#include <QString>
#include <cstdint>

// The server's port (webServerPort) and default web root (defaultWebRoot) are
// globals of core/globals.h: the setup window reads them.

// Validates the web-root folder, then starts the server (Check9 accepted the port).
void checkWebRootFolder();
void startWebServer();
// Safe when the server is not listening.
void stopWebServer();
// Local address and port of the listening socket; empty and 0 when not listening.
QString webListenerAddress();
int webListenerPort();
// The host part of the server's address, from its listening socket.
QString ipLink();

// Stand-in for the web server until it is built: it never listens and says so.
#include "web/web_services.h"

#include "core/log/logmsg.h"
#include "core/setup/setup_window.h"

int32_t webServerPort = 0;
QString defaultWebRoot;

void checkWebRootFolder() { startWebServer(); }

void startWebServer() {
  webServerPort = 0;
  logMsg(-1,
         QStringLiteral("startWebServer: ERROR: the web server is not part of this build; it cannot start"));
  if (SetupWindow* w = frmSetup()) w->showWebServerUnavailable();
}

void stopWebServer() {
  webServerPort = 0;
  if (SetupWindow* w = frmSetup()) w->showWebServerStopped();
}

QString webListenerAddress() { return QString(); }
int webListenerPort() { return 0; }

// Stand-in for the web server until it is built: it never listens and says so.
#include "web/web_services.h"

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_file_dialog.h"

void checkWebRootFolder() { startWebServer(); }

void startWebServer() {
  webServerPort = 0;
  logMsg(-1,
         QStringLiteral("startWebServer: ERROR: the web server is not part of this build; it cannot start"));
  setupValues().showWebServerUnavailable();
}

void stopWebServer() {
  webServerPort = 0;
  setupValues().showWebServerStopped();
}

QString webListenerAddress() { return QString(); }
int webListenerPort() { return 0; }

QString ipLink() { return ipLinkText(webListenerAddress(), webListenerPort()); }

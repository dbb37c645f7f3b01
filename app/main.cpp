#include <QApplication>
#include <QTimer>

#include "app/test_actions.h"
#include "app/web_wiring.h"
#include "app/wiring.h"
#include "core/app_windows.h"
#include "core/startup.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "meter/window/brand.h"
#include "meter/window/form1.h"
#include "platform/comm_port.h"
#include "platform/message_box.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  setCommandLineArgs(args);
  // The meter's owners: the session records what the link brings from the port.
  MeterSession session;
  CommPort port;
  MeterLink link(session, port);
  connectSubsystems(session, link);
  // Boxes carry the program's title from the first one on (Main finds appName the same way).
  const QString title = applicationTitle(QCoreApplication::applicationFilePath());
  setMsgBoxTitle(title);
  const StartValues start = Main();
  loadSetupWindowHidden(start, brandIcon(title));
  showMainWindow(session, link);
  scheduleTestActions();
  connectWebTabControls();
  // Test seam: once start-up is done and the event loop runs, close the main
  // window as a user would: its exit question is asked (and logged when headless).
  if (qEnvironmentVariableIntValue("ZAV_QUIT_AFTER_START") == 1) {
    QTimer::singleShot(0, &app, [] {
      if (Form1* f = form1()) {
        f->close();
      } else {
        QCoreApplication::quit();
      }
    });
  }
  return app.exec();
}

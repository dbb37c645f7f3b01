#include <QApplication>
#include <QTimer>

#include "app/test_actions.h"
#include "app/wiring.h"
#include "core/settings/setup_values.h"
#include "core/startup.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "meter/window/brand.h"
#include "meter/window/form1.h"
#include "platform/comm_port.h"
#include "platform/descriptor_limit.h"
#include "platform/message_box.h"

int main(int argc, char** argv) {
  // A crowd of web clients may wait at once: the web server sizes its line
  // from what the process may open, keeping a reserve for the rest.
  raiseDescriptorLimit();
  QApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  setCommandLineArgs(args);
  // The owners, each made once here and handed down: the settings values, the session
  // that records what the link brings from the port, and the subsystems above them.
  SetupValues values;
  MeterSession session;
  CommPort port;
  MeterLink link(session, port);
  Subsystems subsystems(session, link, values);
  // Boxes carry the program's title from the first one on (Main finds appName the same way).
  const QString title = applicationTitle(QCoreApplication::applicationFilePath());
  setMsgBoxTitle(title);
  const StartValues start = Main();
  subsystems.loadSetupWindow(start, brandIcon(title));
  subsystems.showMainWindow();
  scheduleTestActions();
  subsystems.connectWebTabControls();
  // Test seam: once start-up is done and the event loop runs, close the main
  // window as a user would: its exit question is asked (and logged when headless).
  if (qEnvironmentVariableIntValue("ZAV_QUIT_AFTER_START") == 1) {
    QTimer::singleShot(0, &app, [&subsystems] {
      if (Form1* f = subsystems.mainWindow()) {
        f->close();
      } else {
        QCoreApplication::quit();
      }
    });
  }
  return app.exec();
}

#include <QApplication>
#include <QTimer>

#include "app/meter_wiring.h"
#include "app/web_wiring.h"
#include "core/startup.h"
#include "meter/window/link_view.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  setCommandLineArgs(args);
  connectMeterToPlotAndChart();
  connectLinkView();
  connectWebServerToSetupWindow();
  Main();
  connectWebTabControls();
  // Test seam: end once start-up is done and the event loop runs.
  if (qEnvironmentVariableIntValue("ZAV_QUIT_AFTER_START") == 1)
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
  return app.exec();
}

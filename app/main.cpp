#include <QApplication>
#include <QTimer>

#include "app/web_wiring.h"
#include "chart/chart_windows.h"
#include "core/startup.h"
#include "meter/window/link_view.h"
#include "plot/plot_requests.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  setCommandLineArgs(args);
  connectLinkView();
  connectWebServerToSetupWindow();
  // Before the windows load: the main window's plot requests reach the chart.
  connectPlotRequests();
  connectChartWindows();
  Main();
  connectWebTabControls();
  // Test seam: end once start-up is done and the event loop runs.
  if (qEnvironmentVariableIntValue("ZAV_QUIT_AFTER_START") == 1)
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
  return app.exec();
}

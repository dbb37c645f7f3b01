#include "app/meter_wiring.h"

#include "chart/chart_services.h"
#include "core/globals.h"
#include "meter/meter_events.h"
#include "plot/plot_services.h"

void connectMeterToPlotAndChart() {
  static bool connected = false;
  if (connected) return;
  connected = true;
  MeterEvents& e = meterEvents();
  QObject::connect(&e, &MeterEvents::readingRecorded, [](const Reading&, bool inDataFile) {
    if (inDataFile && plotFileSlot == 0) replotIfAuto();
  });
  QObject::connect(&e, &MeterEvents::plotRequested, [](bool reload) { plotFile(reload); });
  QObject::connect(&e, &MeterEvents::chartWindowRequested, [] { showChartWindow(); });
  QObject::connect(&e, &MeterEvents::plotFormReleaseRequested, [] { releasePlotForm(); });
  QObject::connect(&e, &MeterEvents::chartLoadTestRequested, [](double times) {
    for (double i = 0; i < times; ++i) loadAndUnloadChartWindow();
  });
}

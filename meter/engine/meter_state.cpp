#include "meter/engine/meter_state.h"

#include "meter/engine/count_processor.h"
#include "meter/engine/meter_display.h"

LazyText strZavEnergy, strZavPower, strZavTemp;
int32_t lngZavEnergy = 0, lngZavPower = 0, lngZavTemp = 0;

namespace {
RegisterRecord g_record;
QString g_recordText;
bool g_recordTextStale = false;
}  // namespace

const QString& zavRecordText() {
  if (g_recordTextStale) {
    g_recordText = registerRecordText(g_record);
    g_recordTextStale = false;
  }
  return g_recordText;
}

void showWebLiveValues(const ReadingResult& r) {
  strZavEnergy.setValue(r.energyWh, registerText);
  strZavPower.setValue(r.powerW, [](double w) { return fmtValM(w); });
  strZavTemp.setValue(r.temperature, [](double t) { return temperatureText(float(t)); });
  lngZavEnergy = roundClamped(r.energyWh / 1000.0);
  lngZavPower = roundClamped(r.powerW);
  lngZavTemp = roundClamped(r.temperature);
}

void showWebRecord(const RegisterRecord& record) {
  g_record = record;
  g_recordTextStale = true;
}

#include "meter/engine/reading_texts.h"

#include "meter/engine/count_processor.h"
#include "meter/engine/meter_display.h"

const QString& ReadingTexts::zavRecordText() const {
  if (m_recordStale) {
    m_recordText = registerRecordText(m_record);
    m_recordStale = false;
  }
  return m_recordText;
}

void ReadingTexts::takeReading(const ReadingResult& r) {
  strZavEnergy.setValue(r.energyWh, registerText);
  strZavPower.setValue(r.powerW, [](double w) { return fmtValM(w); });
  strZavTemp.setValue(r.temperature, [](double t) { return temperatureText(float(t)); });
  lngZavEnergy = roundClamped(r.energyWh / 1000.0);
  lngZavPower = roundClamped(r.powerW);
  lngZavTemp = roundClamped(r.temperature);
}

void ReadingTexts::takeRecord(const RegisterRecord& record) {
  m_record = record;
  m_recordStale = true;
}

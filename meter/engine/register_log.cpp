#include "meter/engine/register_log.h"

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "meter/engine/count_processor.h"
#include "meter/engine/meter_display.h"
#include "meter/engine/meter_state.h"
#include "meter/record/register_continuation.h"
#include "meter/record/text_log.h"

namespace {

// The latest reading as writeLogLine got it; its text is built when read.
struct RecordFields {
  Date time = 0;
  double energy = 0, power = 0;
  int16_t temp = 0, volt = 0, status = 0;
  int32_t resetCount = 0;
};
RecordFields g_record;
QString g_recordText;
bool g_recordTextStale = false;

QString recordField(int32_t v) { return formatNumber(v, QStringLiteral("000000;-00000")); }

}  // namespace

const QString& zavRecordText() {
  if (g_recordTextStale) {
    const RecordFields& r = g_record;
    g_recordText = textLogLine(r.time, r.energy, r.power) + u' ' + recordField(r.temp) + u' ' +
                   recordField(r.volt) + u' ' + recordField(r.status) + u' ' +
                   recordField(r.resetCount % 65536);
    g_recordTextStale = false;
  }
  return g_recordText;
}

void writeLogLine(Date time, double energy, double power) {
  g_record = {time, energy, power, thisTemp, thisVoltCount, frameStatus, thisResetCount};
  g_recordTextStale = true;
  writeTextLogLine(time, energy, power);
}

void loadLastLogLine() {
  const std::optional<RegisterLog> log = readRegisterLog();
  if (!log) return;
  energyWh = log->last.energyWh;
  // After a kill the data file may hold readings newer than the line's.
  const RecordedEnergy later = energyRecordedAfter(zavDatFileName[0], *log);
  if (later.readings > 0) {
    energyWh = registerAfter(energyWh + later.wh, 0, 0);
    logMsg(1, QStringLiteral("loadLastLogLine: register continued from the data file: ") +
                  QString::number(later.readings) + QStringLiteral(" newer readings up to ") +
                  formatDate(later.newest, QStringLiteral("yyyy-mm-dd hh:nn:ss")) + QStringLiteral(", ") +
                  formatNumber(later.wh, QStringLiteral("0.0")) + QStringLiteral(" Wh"));
  }
  showEnergy(0);
  setFrame1Caption(QStringLiteral("Energy meter - Last log = ") + log->last.when);
  notifyMeterPanel();
}

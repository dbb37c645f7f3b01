#include "plot/plot_requests.h"

#include <QFile>

#include "core/log/logmsg.h"
#include "core/util/file_helpers.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "meter/meter_events.h"
#include "platform/tick_clock.h"
#include "plot/plot_events.h"
#include "plot/plot_records.h"

namespace {
Date lastCmdFileWrite = 0;
}  // namespace

AutoPlot::AutoPlot(PlotSource source, QObject* parent) : QObject(parent), m_source(std::move(source)) {
  m_timer.setSingleShot(true);
  connect(&m_timer, &QTimer::timeout, this, &AutoPlot::run);
}

bool AutoPlot::wanted() const { return m_source.autoPlotOn() && m_source.index().sectionCount >= 1; }

// One re-plot at once when the last was long enough ago, otherwise one when
// the pause is over, whatever came in between.
void AutoPlot::replotIfAuto() {
  if (!wanted() || m_timer.isActive()) return;
  const qint64 since = m_last.isValid() ? m_last.elapsed() : kAutoPlotPauseMs;
  if (since >= kAutoPlotPauseMs) {
    run();
    return;
  }
  m_timer.start(static_cast<int>(kAutoPlotPauseMs - since));
}

void AutoPlot::run() {
  m_last.start();
  // The setting or the slot may have changed while the re-plot waited.
  if (wanted()) plotFile(false);
}

void plotFile(bool force) { plotUserGraph(force); }

void plotUserGraph(bool force) {
  const int32_t start = timeGetTime();
  emit plotEvents().userGraphRequested(force);
  logMsg(2, QStringLiteral("plotUserGraph: elapsedTime=") + elapsedSince(start));
}

bool dropUnusableCompareRange(plotParamRecord& param) {
  if (param.compareFrom == 0 && param.compareTo == 0) return false;
  Date first = 0, end = 0;
  dateSerial(100, 1, 1, first);
  dateSerial(9999, 12, 31, end);
  end += 1;
  auto usable = [&](Date d) { return d >= first && d < end; };
  if (usable(param.compareFrom) && usable(param.compareTo)) return false;
  param.compareFrom = 0;
  param.compareTo = 0;
  param.compareOffset = 0;
  param.compareText.clear();
  return true;
}

void readCmdFile(const Settings& settings) {
  const QString& zavLogFileName = settings.zavLogFileName;
  if (zavLogFileName.isEmpty() || !settings.writeToZAVtextFile ||
      !zavLogFileName.endsWith(u".txt", Qt::CaseInsensitive))
    return;
  const QString name = zavLogFileName.left(zavLogFileName.size() - 4) + QStringLiteral(".CMD");
  if (!QFile::exists(name)) return;
  const Result<FileTimes> times = fileTimes(name, true);
  if (!times) return;
  QString report = QStringLiteral("Created:       ") + generalDate(times->created) + kCrLf +
                   QStringLiteral("Last Accessed: ") + generalDate(times->accessed) + kCrLf +
                   QStringLiteral("Last Written:  ") + generalDate(times->written) + kCrLf;
  if (times->written > lastCmdFileWrite) {
    lastCmdFileWrite = times->written;
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) {
      report += QStringLiteral("error opening cmd file");
    } else {
      int n = 0;
      while (!f.atEnd()) {
        QByteArray line = f.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        report += QStringLiteral("cmdLineNr %1 = ").arg(++n) + QString::fromUtf8(line) + kCrLf;
      }
    }
  }
  logMsg(1, report);
}

void connectPlotRequests(QObject* context) {
  QObject::connect(&meterEvents(), &MeterEvents::plotRequested, context, [] { plotFile(true); });
}

// The settings file through the settings values (every value written, its field
// rule run) against reading the same lines alone (decode, split, strip comments,
// cut tokens); the same again with a setup window that shows every value. Also
// "Save settings" and the factory defaults.
// Run: build/bench_ini [rounds]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/log/message_log.h"
#include "core/settings/ini_reader.h"
#include "core/settings/ini_writer.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "core/startup.h"
#include "core/util/text_helpers.h"

namespace {
template <typename Run>
double perRoundUs(int rounds, Run run) {
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < rounds; ++i) run();
  return t.nsecsElapsed() / 1000.0 / rounds;
}

// The reader's line handling without applying anything.
int linesOnly(const QByteArray& bytes) {
  int keys = 0;
  const QString text = decodeIniBytes(bytes);
  for (const QString& raw : text.split(kCrLf)) {
    const QString cleaned = stripComment(raw);
    const qsizetype eq = cleaned.indexOf(u'=');
    if (eq <= 0) continue;
    QString rest = cleaned.mid(eq + 1).trimmed();
    if (!nextToken(rest).isNull()) ++keys;
  }
  return keys;
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  QTemporaryDir dir;
  setCommandLineArgs({dir.path() + u'/'});  // the program's folder
  StartValues start;
  getCmdArgs(start);
  SetupValues values;
  values.takeStartValues(start);
  values.loadAtStart(false);
  MessageLog::setLevel(1);  // errors only, as a quiet start-up would run
  const QString path = dir.filePath("bench.INI");

  const double saveUs = perRoundUs(rounds, [&] { saveIniFile(path, values); });
  const QByteArray bytes = [&] {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  volatile int sink = 0;
  const double baseUs = perRoundUs(rounds, [&] { sink = sink + linesOnly(bytes); });
  const double loadUs = perRoundUs(rounds, [&] { loadINIfileNr(decodeIniBytes(bytes), values); });
  const double reapplyUs = perRoundUs(rounds, [&] { values.applySetupSettings(true); });
  SetupWindow window(values);  // from here on every change also shows in a control
  const double windowLoadUs = perRoundUs(rounds, [&] { loadINIfileNr(decodeIniBytes(bytes), values); });
  std::printf("BENCH ini_load us_per_file=%.1f baseline_lines_only_us=%.1f ratio=%.1f\n", loadUs, baseUs,
              loadUs / baseUs);
  std::printf("BENCH ini_save us_per_file=%.1f baseline_lines_only_us=%.1f ratio=%.1f\n", saveUs, baseUs,
              saveUs / baseUs);
  std::printf("BENCH factory_defaults us_per_apply=%.1f baseline_ini_load_us=%.1f ratio=%.2f\n", reapplyUs,
              loadUs, reapplyUs / loadUs);
  std::printf("BENCH ini_load_shown us_per_file=%.1f baseline_no_window_us=%.1f ratio=%.2f\n", windowLoadUs,
              loadUs, windowLoadUs / loadUs);
  return 0;
}

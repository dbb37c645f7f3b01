// The settings file through the setup window (every value written into its
// control, whose handler parses it) against reading the same lines alone
// (decode, split, strip comments, cut tokens). Also "Save settings".
// Run: build/bench_ini [rounds]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/globals.h"
#include "core/settings/ini_reader.h"
#include "core/settings/ini_writer.h"
#include "core/setup/setup_window.h"
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
  for (const QString& raw : text.split(QStringLiteral("\r\n"))) {
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
  defDirName = dir.path() + u'/';
  auto* w = new SetupWindow;
  w->formLoad(false);
  msgLevel = 1;  // errors only, as a quiet start-up would run
  const QString path = dir.filePath("bench.INI");

  const double saveUs = perRoundUs(rounds, [&] { saveIniFile(path, *w); });
  const QByteArray bytes = [&] {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  volatile int sink = 0;
  const double baseUs = perRoundUs(rounds, [&] { sink = sink + linesOnly(bytes); });
  const double loadUs = perRoundUs(rounds, [&] { loadINIfileNr(decodeIniBytes(bytes), *w); });
  const double reapplyUs = perRoundUs(rounds, [&] { w->applySetupSettings(true); });
  std::printf("BENCH ini_load us_per_file=%.1f baseline_lines_only_us=%.1f ratio=%.1f\n", loadUs, baseUs,
              loadUs / baseUs);
  std::printf("BENCH ini_save us_per_file=%.1f baseline_lines_only_us=%.1f ratio=%.1f\n", saveUs, baseUs,
              saveUs / baseUs);
  std::printf("BENCH factory_defaults us_per_apply=%.1f baseline_ini_load_us=%.1f ratio=%.2f\n", reapplyUs,
              loadUs, reapplyUs / loadUs);
  return 0;
}

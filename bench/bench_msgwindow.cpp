// Appending to the message window: logMsg into Form12 (hidden and shown)
// against a plain string append of the same lines, and a naive rich-text
// append for comparison. Run: build/bench_msgwindow [lines]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <cstdio>

#include "core/log/logmsg.h"
#include "core/log/message_log.h"
#include "core/log/message_window.h"
#include "core/util/text_helpers.h"

namespace {
QString line(int i) {
  return QStringLiteral("newMeterCount: count=%1 ticks=%2 power= 1,234.5 W").arg(i).arg(i * 37);
}

template <typename F>
double ms(F&& f) {
  QElapsedTimer t;
  t.start();
  f();
  return t.nsecsElapsed() / 1e6;
}

// Resident memory in kB (Linux), to see whether a flood of lines grows it.
long residentKb() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = f.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

void report(const char* name, int n, double msCase, double msBase) {
  std::printf("BENCH %s lines=%d ms=%.1f us_per_line=%.2f ratio=%.1f\n", name, n, msCase, msCase * 1000 / n,
              msCase / msBase);
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int n = argc > 1 ? std::atoi(argv[1]) : 50000;
  MessageLog::setLevel(5);
  MessageLog::setMaxChars(1 << 30);  // measure appends, not the level rule

  QString plain;
  const double base = ms([&] {
    for (int i = 0; i < n; ++i) plain += line(i) + kCrLf;
  });
  report("string_append_baseline", n, base, base);

  Form12 window(messageLog());  // made hidden, as after the first message the window has been shown once
  const double hidden = ms([&] {
    for (int i = 0; i < n; ++i) logMsg(i % 10 == 0 ? -1 : 4, line(i));
  });
  report("logMsg_hidden_window", n, hidden, base);

  logMsg(0, QString());
  showMessageWindow(window);
  app.processEvents();
  const double shown = ms([&] {
    for (int i = 0; i < n; ++i) {
      logMsg(i % 10 == 0 ? -1 : 4, line(i));
      if (i % 100 == 0) app.processEvents();  // paints in between, as a live program does
    }
    app.processEvents();
  });
  report("logMsg_shown_window", n, shown, base);
  window.hide();

  const double dropped = ms([&] {
    for (int i = 0; i < n * 20; ++i)
      if (logShows(6)) logMsg(6, line(i));
  });
  report("logShows_dropped_x20", n * 20, dropped, base);

  // The rich-text way (HTML append into a QTextEdit), kept small: it grows quadratically.
  const int nRich = std::min(n, 5000);
  QTextEdit rich;
  const double richMs = ms([&] {
    for (int i = 0; i < nRich; ++i) rich.append(QStringLiteral("<font color=red>") + line(i) + "</font>");
  });
  const double baseSmall = base * nRich / n;
  report("qtextedit_html_append_small", nRich, richMs, baseSmall);

  // A flood of error lines with the designed size limit: errors always get through,
  // so only the window's own bound keeps its text (and memory) in check.
  logMsg(0, QString());
  MessageLog::setMaxChars(100000);
  MessageLog::setLevel(4);
  showMessageWindow(window);
  app.processEvents();
  const int nFlood = n * 4;
  const long rssBefore = residentKb();
  const double flood = ms([&] {
    for (int i = 0; i < nFlood; ++i) {
      logMsg(-1, line(i));
      if (i % 100 == 0) app.processEvents();
    }
    app.processEvents();
  });
  report("logMsg_flood_errors_shown", nFlood, flood, base * nFlood / n);
  std::printf("BENCH flood_held chars=%lld rss_growth_kb=%ld\n", static_cast<long long>(logTextLength()),
              residentKb() - rssBefore);
  return 0;
}

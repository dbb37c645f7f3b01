// Placeholder writer until the message window lands: applies the level rules
// and mirrors shown messages to ZAV_LOG_FILE.
#include "core/logmsg.h"

#include <QFile>

#include "core/globals.h"

namespace {
void mirror(const QString& line) {
  static const QByteArray path = qgetenv("ZAV_LOG_FILE");
  if (path.isEmpty()) return;
  QFile f(QString::fromLocal8Bit(path));
  if (f.open(QIODevice::Append)) f.write(line.toUtf8() + '\n');
}
}  // namespace

bool logShows(int level) { return level != 0 && std::abs(level) <= msgLevel; }

void logMsg(int level, const QString& text) {
  if (level == 0 || !logShows(level)) return;
  mirror(level < 0 ? QStringLiteral("ERROR ") + text : text);
}

void logMsgCourier(const QString& text) { mirror(text); }

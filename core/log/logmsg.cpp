#include "core/log/logmsg.h"

#include <QThread>
#include <atomic>
#include <cstdlib>

#include "core/globals.h"
#include "core/log/message_log.h"
#include "core/util/text_helpers.h"
#include "platform/named_colours.h"
#include "platform/test_log_file.h"

int16_t msgLevel = 4;

namespace {
// ZAV_LOG_FILE holds one line per message; errors carry the window's red as "ERROR ".
void mirror(const QString& text, bool error) {
  if (!testLogFileEnabled()) return;
  QString line = text;
  line.replace(kCrLf, QStringLiteral("\n"));
  appendTestLogLine(error ? QStringLiteral("ERROR ") + line : line);
}

// Lines written on another thread are handed to the log's thread and written there.
bool offLogThread() { return QThread::currentThread() != messageLog().thread(); }
template <class Write>
void handToLogThread(Write&& write) {
  QMetaObject::invokeMethod(&messageLog(), std::forward<Write>(write), Qt::QueuedConnection);
}
}  // namespace

// The level as a drawing on a worker thread sees it; the log's thread decides again.
bool logShows(int level) { return level != 0 && std::abs(level) <= MessageLog::level(); }

void logMsg(int level, const QString& text) { logMsgToWindow(level, text); }

void logMsgToWindow(int level, const QString& text) {
  if (offLogThread()) {
    // A line the log would drop costs no trip.
    if (level == 0 || logShows(level)) handToLogThread([level, text] { logMsgToWindow(level, text); });
    return;
  }
  MessageLog& log = messageLog();
  switch (log.accept(level)) {
    case MessageLog::Step::Clear: log.clear(); return;
    case MessageLog::Step::Drop: return;
    case MessageLog::Step::Append: break;
  }
  log.append(text + kCrLf, level >= 0 ? logColourNormal : logColourError);
  mirror(text, level < 0);
}

void logMsgCourier(const QString& text) {
  if (offLogThread()) return handToLogThread([text] { logMsgCourier(text); });
  messageLog().append(text, kSysColorWindowText, true);
  if (!testLogFileEnabled()) return;
  QString block = text;
  if (block.endsWith(kCrLf)) block.chop(2);
  mirror(block, false);
}

qint64 logTextLength() { return messageLog().chars(); }

#include "core/log/logmsg.h"

#include "core/globals.h"
#include "core/log/message_log.h"
#include "platform/test_log_file.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// ZAV_LOG_FILE holds one line per message; errors carry the window's red as "ERROR ".
void mirror(const QString& text, bool error) {
  if (!testLogFileEnabled()) return;
  QString line = text;
  line.replace(kCrLf, QStringLiteral("\n"));
  appendTestLogLine(error ? QStringLiteral("ERROR ") + line : line);
}
}  // namespace

void logMsg(int level, const QString& text) { logMsgToWindow(level, text); }

void logMsgToWindow(int level, const QString& text) {
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
  messageLog().append(text, kSysColorWindowText, true);
  if (!testLogFileEnabled()) return;
  QString block = text;
  if (block.endsWith(kCrLf)) block.chop(2);
  mirror(block, false);
}

qint64 logTextLength() { return messageLog().chars(); }

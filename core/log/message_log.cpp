#include "core/log/message_log.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/text_helpers.h"

namespace {
// CR LF, a lone CR and a lone LF each end one line in the window.
qsizetype countLineBreaks(const QString& text) {
  return text.count(u'\n') + text.count(u'\r') - text.count(kCrLf);
}
}  // namespace

MessageLog::Step MessageLog::accept(int level) {
  if (level == 0) return Step::Clear;
  if (std::abs(level) > msgLevel) return Step::Drop;
  // Growth past logMaxChars first shows less, but never less than the errors
  // (level 1): only the user silences them. The text's own bound drops old lines.
  // Other threads read the level while they write (logShows).
  if (m_chars > logMaxChars && msgLevel > kLowestAutomaticLevel)
    std::atomic_ref<int16_t>(msgLevel).store(int16_t(msgLevel - 1), std::memory_order_relaxed);
  return Step::Append;
}

int16_t MessageLog::level() { return std::atomic_ref<int16_t>(msgLevel).load(std::memory_order_relaxed); }

void MessageLog::setLevel(int16_t level) {
  std::atomic_ref<int16_t>(msgLevel).store(level, std::memory_order_relaxed);
}

void MessageLog::setMaxChars(int32_t chars) { logMaxChars = chars; }

qint64 MessageLog::heldLimit() {
  return std::min<qint64>(2 * qint64(std::max<int32_t>(logMaxChars, 0)), kMaxHeldChars);
}

void MessageLog::append(const QString& text, int32_t colour, bool courier) {
  m_entries.push_back(
      Entry{.text = text, .colour = colour, .courier = courier, .lineBreaks = countLineBreaks(text)});
  m_chars += text.size();
  emit appended(m_entries.back());
  if (m_chars > heldLimit()) dropOldest();
}

void MessageLog::dropOldest() {
  // Down to half the limit in one go, so trimming is rare; whole lines only,
  // and the newest message always stays.
  const qint64 target = heldLimit() / 2;
  qint64 remaining = m_chars, lines = 0;
  qint64 cutChars = m_chars, cutLines = 0;
  std::size_t cut = 0;
  for (std::size_t i = 0; i + 1 < m_entries.size(); ++i) {
    remaining -= m_entries[i].text.size();
    lines += m_entries[i].lineBreaks;
    if (!m_entries[i].endsLine()) continue;
    cut = i + 1;
    cutChars = remaining;
    cutLines = lines;
    if (remaining <= target) break;
  }
  if (cut == 0) return;
  m_entries.erase(m_entries.begin(), m_entries.begin() + std::ptrdiff_t(cut));
  m_chars = cutChars;
  m_droppedLines += cutLines;
  emit linesDropped(cutLines);
}

void MessageLog::clear() {
  m_entries.clear();
  m_chars = 0;
  m_droppedLines = 0;
  emit cleared();
}

QString MessageLog::droppedNotice() const {
  if (m_droppedLines == 0) return QString();
  return QStringLiteral("logMsg: %1 older line%2 dropped, the newest are kept")
      .arg(m_droppedLines)
      .arg(m_droppedLines == 1 ? QString() : QStringLiteral("s"));
}

MessageLog& messageLog() {
  // Made and given to the UI thread in one guarded step: a thread that writes
  // meanwhile waits for both, so the log is the UI thread's whichever thread
  // writes first. Left on a worker thread, with no event loop to run them, the
  // lines handed to it would be lost.
  struct OnUiThread : MessageLog {
    OnUiThread() {
      if (const QCoreApplication* app = QCoreApplication::instance()) moveToThread(app->thread());
    }
  };
  static OnUiThread log;
  return log;
}

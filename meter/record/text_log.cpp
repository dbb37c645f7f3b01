#include "meter/record/text_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "meter/record/data_file.h"

namespace {

constexpr int kMinutes[10] = {-1, 1, 5, 15, 30, 60, 180, 360, 720, 1440};
// The last line is ours only when it is shorter than this.
constexpr qint64 kTailBytes = 4096;
// How far back the text log is read for the start of the last recording
// period: some 200,000 lines, years of lines at 15 minutes.
constexpr qint64 kPeriodScanBytes = 8 * 1024 * 1024;
constexpr double kRegisterMax = 1999999999.0;

Date lastLogTime = 0;
bool spanLineWritten = false;
// Where this run last appended a line, so an overwrite replaces exactly it.
QString lastLineFile;
qint64 lastLineStart = -1;
qint64 lastLineEnd = -1;

int minuteOfDay(Date d) {
  const DateParts p = dateParts(d);
  return p.hour * 60 + p.minute;
}

bool sameDay(Date a, Date b) {
  const DateParts p = dateParts(a), q = dateParts(b);
  return p.year == q.year && p.month == q.month && p.day == q.day;
}

int64_t wholeSeconds(Date d) { return int64_t(std::llround(d * 86400.0)); }

bool writeAll(int fd, const QByteArray& bytes, qint64 at) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t w = ::pwrite(fd, bytes.constData() + done, bytes.size() - done, at + done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += w;
  }
  return true;
}

// Appends the line, or writes it over the line this run appended last.
// The text log stays open, with an exclusive lock, while the program records:
// a second copy of the program writes nothing into it.
int g_logFd = -1;
QString g_logFdName;
bool g_lockRefusalLogged = false;
const QString kInUse = QStringLiteral("in use by another program");

bool sameFile(int fd, const QString& name) {
  struct stat held, named;
  return ::fstat(fd, &held) == 0 && ::stat(QFile::encodeName(name).constData(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void releaseTextLog() {
  if (g_logFd >= 0) ::close(g_logFd);
  g_logFd = -1;
  g_logFdName.clear();
}

// The open, locked text log, or -1 with the reason.
int heldTextLog(QString& why) {
  if (g_logFd >= 0 && g_logFdName == zavLogFileName && sameFile(g_logFd, zavLogFileName)) return g_logFd;
  releaseTextLog();
  const int fd = ::open(QFile::encodeName(zavLogFileName).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = QString::fromLocal8Bit(std::strerror(errno));
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    why = errno == EWOULDBLOCK ? kInUse : QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return -1;
  }
  g_logFd = fd;
  g_logFdName = zavLogFileName;
  g_lockRefusalLogged = false;
  return fd;
}

void putLine(const QString& line, bool overwrite) {
  const QByteArray bytes = line.toUtf8() + "\r\n";
  QString why;
  const int fd = heldTextLog(why);
  if (fd < 0 && why == kInUse) {
    // Another copy records: this one leaves the file alone and says so once.
    if (!g_lockRefusalLogged) {
      logMsg(-1, QStringLiteral("writeLogLine: ERROR ") + zavLogFileName +
                     QStringLiteral(" is in use by another program: nothing written"));
    }
    g_lockRefusalLogged = true;
    lastLogTime = 0;
    return;
  }
  bool ok = fd >= 0;
  if (ok) {
    struct stat st;
    const qint64 length = ::fstat(fd, &st) == 0 ? qint64(st.st_size) : 0;
    // Overwrite only a line that is still the file's last one; otherwise append.
    const bool ours =
        overwrite && lastLineStart >= 0 && lastLineFile == zavLogFileName && lastLineEnd == length;
    const qint64 at = ours ? lastLineStart : length;
    ok = writeAll(fd, bytes, at);
    if (ok && ours) ok = ::ftruncate(fd, at + bytes.size()) == 0;
    if (ok) {
      lastLineFile = zavLogFileName;
      lastLineStart = at;
      lastLineEnd = at + bytes.size();
    }
  }
  const QString err = fd < 0 ? why : ok ? QString() : QString::fromLocal8Bit(std::strerror(errno));
  // Off-line (the off-line marker, a synchronisation) the file is free again for another copy.
  if (!meterOnline && zavOutFile <= 0) releaseTextLog();
  if (!ok) {
    lastLogTime = 0;
    lastLineStart = -1;
    logMsg(-1, QStringLiteral("writeLogLine: ERROR writing ") + zavLogFileName + QStringLiteral(": ") + err);
  }
}

}  // namespace

bool lockTextLog(QString& why) {
  if (zavLogFileName.isEmpty() || !writeToZAVtextFile) return true;
  QString problem;
  // A text log that cannot be opened at all reports that when it is written.
  if (heldTextLog(problem) >= 0 || problem != kInUse) return true;
  why = problem;
  return false;
}

int textLogIntervalMinutes(int16_t selector) {
  return selector >= 0 && selector <= 9 ? kMinutes[selector] : -1;
}

QString textLogLine(Date time, double energy, double power) {
  return formatDate(time, QStringLiteral("yyyy-mm-dd hh:nn:ss")) + u' ' +
         formatRight(energy, QStringLiteral("0000000000")) + u' ' +
         (power >= 0 ? formatRight(power, QStringLiteral("00000000"))
                     : formatRight(power, QStringLiteral("0000000")));
}

void resetTextLogState() {
  lastLogTime = 0;
  spanLineWritten = false;
  lastLineFile.clear();
  lastLineStart = lastLineEnd = -1;
}

void writeTextLogLine(Date time, double energy, double power) {
  if (zavLogFileName.isEmpty() || !writeToZAVtextFile) {
    spanLineWritten = false;
    return;
  }
  const int T = textLogIntervalMinutes(textFileWriteInterval);
  bool append = false;
  bool overwrite = false;
  bool span = true;
  if (power < 0) {
    append = true;
    span = false;
  } else if (textFileWriteInterval == 9 && !sameDay(time, lastLogTime)) {
    append = true;
  } else if (T > 0 && minuteOfDay(time) / T != minuteOfDay(lastLogTime) / T) {
    append = true;
  } else if (minTextFileSaveInterval <= 0) {
    append = true;
  } else if (wholeSeconds(time) >= wholeSeconds(lastLogTime + minTextFileSaveInterval)) {
    append = true;
  } else if (spanLineWritten) {
    overwrite = overWriteLast;
    if (!overwrite) return;
  } else {
    append = true;
  }
  if (append) {
    lastLogTime = time;
    spanLineWritten = span;
  }
  putLine(textLogLine(time, energy, power), overwrite);
}

namespace {

// Lines of a file from its end upwards, read in chunks, at most `limit` bytes.
class LinesUpward {
 public:
  LinesUpward(QFile& f, qint64 limit) : m_f(f), m_pos(f.size()), m_limit(limit) {
    if (more() && m_buf.endsWith('\n')) m_buf.chop(1);
  }
  // The next line up, without its line break; false above the first line or the limit.
  bool next(QByteArray& line) {
    for (;;) {
      const qsizetype nl = m_buf.lastIndexOf('\n');
      if (nl >= 0 || (m_pos == 0 && !m_done)) {
        line = m_buf.mid(nl + 1);
        m_buf.truncate(std::max<qsizetype>(nl, 0));
        m_done = nl < 0;
        if (line.endsWith('\r')) line.chop(1);
        return true;
      }
      if (!more()) return false;
    }
  }

 private:
  bool more() {
    if (m_pos == 0 || m_read >= m_limit) return false;
    const qint64 from = std::max<qint64>(0, m_pos - kChunk);
    if (!m_f.seek(from)) return false;
    const QByteArray chunk = m_f.read(m_pos - from);
    if (chunk.size() != m_pos - from) return false;
    m_buf.prepend(chunk);
    m_read += chunk.size();
    m_pos = from;
    return true;
  }
  static constexpr qint64 kChunk = 64 * 1024;
  QFile& m_f;
  qint64 m_pos;
  const qint64 m_limit;
  qint64 m_read = 0;
  QByteArray m_buf;
  bool m_done = false;
};

std::optional<LogLine> parseLogLine(const QByteArray& text) {
  const QStringList parts = QString::fromUtf8(text).split(u' ');
  if (parts.size() != 4) return {};
  const QString when = parts[0] + u' ' + parts[1];
  const QDateTime dt = QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  if (!dt.isValid()) return {};
  const double wh = val(parts[2]);
  if (wh < 0 || wh > kRegisterMax) return {};
  return LogLine{when, dateFromDateTime(dt), wh, val(parts[3])};
}

}  // namespace

std::optional<RegisterLog> readRegisterLog() {
  if (!writeToZAVtextFile || zavLogFileName.isEmpty() || !QFileInfo(zavLogFileName).isFile()) return {};
  QFile f(zavLogFileName);
  if (!f.open(QIODevice::ReadOnly)) return {};
  LinesUpward lines(f, kPeriodScanBytes);
  QByteArray text;
  if (!lines.next(text) || text.size() > kTailBytes) return {};  // a longer line is not ours
  const std::optional<LogLine> last = parseLogLine(text);
  if (!last) return {};
  RegisterLog out{*last, {}, {}};
  if (last->power == kOfflineMarker) return out;
  // Up to the marker that began the last line's period; lines not of ours are passed over.
  LogLine line = *last;
  for (;;) {
    if (line.power == kOnlineMarker) {
      out.online = line;
      break;
    }
    if (line.power == kSyncMarker && !out.sync) out.sync = line;
    std::optional<LogLine> above;
    while (!above && lines.next(text)) above = parseLogLine(text);
    if (!above || above->power == kOfflineMarker) break;  // at an end before: this period has no marker
    line = *above;
  }
  return out;
}

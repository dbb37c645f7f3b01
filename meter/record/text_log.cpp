#include "meter/record/text_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cmath>

#include "core/settings/settings.h"
#include "core/util/date_value.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "meter/record/locked_file.h"
#include "meter/record/zav_format.h"

namespace {

constexpr int kMinutes[10] = {-1, 1, 5, 15, 30, 60, 180, 360, 720, 1440};
// The last line is ours only when it is shorter than this.
constexpr qint64 kTailBytes = 4096;
// How far back the text log is read for the start of the last recording
// period: some 200,000 lines, years of lines at 15 minutes.
constexpr qint64 kPeriodScanBytes = 8 * 1024 * 1024;
constexpr double kRegisterMax = 1999999999.0;

int minuteOfDay(Date d) {
  const DateParts p = dateParts(d);
  return p.hour * 60 + p.minute;
}

bool sameDay(Date a, Date b) {
  const DateParts p = dateParts(a), q = dateParts(b);
  return p.year == q.year && p.month == q.month && p.day == q.day;
}

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

bool sameFile(int fd, const QString& name) {
  struct stat held, named;
  return ::fstat(fd, &held) == 0 && ::stat(QFile::encodeName(name).constData(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

TextLog::~TextLog() { release(); }

void TextLog::setSettings(const Settings& s) {
  m_fileName = s.zavLogFileName;
  m_enabled = s.writeToZAVtextFile;
  m_interval = s.textFileWriteInterval;
  m_minSaveInterval = s.minTextFileSaveInterval;
  m_overwriteLast = s.overWriteLast;
}

void TextLog::release() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_fdName.clear();
}

// The open, locked text log, or the reason. The text log stays open, with an
// exclusive lock, while the program records: a second copy of the program
// writes nothing into it.
Result<int> TextLog::heldFile() {
  if (m_fd >= 0 && m_fdName == m_fileName && sameFile(m_fd, m_fileName)) return m_fd;
  release();
  const Result<int> fd = zavio::openLocked(m_fileName, O_WRONLY);
  if (!fd) return fd;
  m_fd = *fd;
  m_fdName = m_fileName;
  return fd;
}

// Appends the line, or writes it over the line this run appended last.
Result<> TextLog::putLine(const QString& line, bool overwrite, bool keepHeld) {
  const QByteArray bytes = line.toUtf8() + "\r\n";
  const Result<int> held = heldFile();
  m_refused = !held && held.error() == zavio::kInUse;
  if (m_refused) {
    // Another copy records: this one leaves the file alone.
    m_lastLogTime = 0;
    return Failure(m_fileName + QStringLiteral(" is in use by another program: nothing written"));
  }
  bool ok = held.ok();
  QString err = held.error();
  if (ok) {
    const int fd = *held;
    struct stat st;
    const qint64 length = ::fstat(fd, &st) == 0 ? qint64(st.st_size) : 0;
    // Overwrite only a line that is still the file's last one; otherwise append.
    const bool ours =
        overwrite && m_lastLineStart >= 0 && m_lastLineFile == m_fileName && m_lastLineEnd == length;
    const qint64 at = ours ? m_lastLineStart : length;
    ok = writeAll(fd, bytes, at);
    if (ok && ours) ok = ::ftruncate(fd, at + bytes.size()) == 0;
    if (ok) {
      m_lastLineFile = m_fileName;
      m_lastLineStart = at;
      m_lastLineEnd = at + bytes.size();
    } else {
      err = zavio::errnoText();
    }
  }
  // Off-line (the off-line marker, a synchronisation) the file is free again for another copy.
  if (!keepHeld) release();
  if (ok) return {};
  m_lastLogTime = 0;
  m_lastLineStart = -1;
  return Failure(QStringLiteral("writing ") + m_fileName + QStringLiteral(": ") + err);
}

Result<> TextLog::lock() {
  if (!enabled()) return {};
  const Result<int> held = heldFile();
  // A text log that cannot be opened at all reports that when it is written.
  if (held || held.error() != zavio::kInUse) return {};
  return held.failure();
}

int textLogIntervalMinutes(int16_t selector) {
  return selector >= 0 && selector <= 9 ? kMinutes[selector] : -1;
}

QString textLogLine(Date time, double energy, double power) {
  return formatDate(time, kDateTimeFormat) + u' ' + formatRight(energy, QStringLiteral("0000000000")) + u' ' +
         (power >= 0 ? formatRight(power, QStringLiteral("00000000"))
                     : formatRight(power, QStringLiteral("0000000")));
}

void TextLog::reset() {
  m_lastLogTime = 0;
  m_spanLineWritten = false;
  m_lastLineFile.clear();
  m_lastLineStart = m_lastLineEnd = -1;
}

Result<> TextLog::write(Date time, double energy, double power, bool keepHeld) {
  if (!enabled()) {
    m_spanLineWritten = false;
    return {};
  }
  const int T = textLogIntervalMinutes(m_interval);
  bool append = false;
  bool overwrite = false;
  bool span = true;
  if (power < 0) {
    append = true;
    span = false;
  } else if (m_interval == 9 && !sameDay(time, m_lastLogTime)) {
    append = true;
  } else if (T > 0 && minuteOfDay(time) / T != minuteOfDay(m_lastLogTime) / T) {
    append = true;
  } else if (m_minSaveInterval <= 0) {
    append = true;
  } else if (dateSeconds(time) >= dateSeconds(m_lastLogTime + m_minSaveInterval)) {
    append = true;
  } else if (m_spanLineWritten) {
    overwrite = m_overwriteLast;
    if (!overwrite) return {};
  } else {
    append = true;
  }
  if (append) {
    m_lastLogTime = time;
    m_spanLineWritten = span;
  }
  return putLine(textLogLine(time, energy, power), overwrite, keepHeld);
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
  const QDateTime dt = QDateTime::fromString(when, kQtDateTimeFormat);
  if (!dt.isValid()) return {};
  const double wh = val(parts[2]);
  if (wh < 0 || wh > kRegisterMax) return {};
  return LogLine{.when = when, .time = dateFromDateTime(dt), .energyWh = wh, .power = val(parts[3])};
}

}  // namespace

std::optional<RegisterLog> TextLog::readRegister() const {
  if (!enabled() || !QFileInfo(m_fileName).isFile()) return {};
  QFile f(m_fileName);
  if (!f.open(QIODevice::ReadOnly)) return {};
  LinesUpward lines(f, kPeriodScanBytes);
  QByteArray text;
  if (!lines.next(text) || text.size() > kTailBytes) return {};  // a longer line is not ours
  const std::optional<LogLine> last = parseLogLine(text);
  if (!last) return {};
  RegisterLog out{.last = *last, .from = *last, .online = {}, .sync = {}};
  if (last->power == kOfflineMarker) return out;
  // Up to the marker that began the last line's period; lines not of ours are passed over.
  LogLine line = *last;
  bool placed = false;
  for (;;) {
    if (!placed && (line.power < 0 || plausibleTime(line.time))) {
      out.from = line;
      placed = true;
    }
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

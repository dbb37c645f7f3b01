#include "meter/record/data_file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/util/format_pattern.h"
#include "meter/record/locked_file.h"

namespace zavio {

namespace {
QString num(int64_t v) { return QString::number(v); }
}  // namespace

// Reads exactly n bytes at a 1-based position; false on a short read.
bool readAt(int fd, int64_t pos1, char* buf, int n) {
  int got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd, buf + got, n - got, pos1 - 1 + got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += int(r);
  }
  return true;
}

bool writeAt(int fd, int64_t pos1, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t w = ::pwrite(fd, bytes.constData() + done, bytes.size() - done, pos1 - 1 + done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += w;
  }
  return true;
}

namespace {
int g_syncError = 0;  // the test seam's
}  // namespace

void failDataSyncsForTest(int error) { g_syncError = error; }

bool syncData(int fd) {
  if (g_syncError != 0) {
    errno = g_syncError;
    return false;
  }
  int r;
  do {
    r = ::fdatasync(fd);
  } while (r < 0 && errno == EINTR);
  return r == 0;
}

int64_t fileLength(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 ? int64_t(st.st_size) : -1;
}

bool reachesFileEnd(const fileSection& h, int64_t from, int64_t len) {
  return h.records == 0 || from + kSectionBytes + int64_t(h.records) * kRecordBytes > len + 1;
}

namespace {

// A header can start a section when one of its first records is dated as a
// reading: damage to the first alone does not hide the rest.
constexpr int kFirstRecordsChecked = 4;
// ... or when its first record is dated by the same clock as the header, up to
// this many days later: a clock that was wrong when recording began (an
// earlier program recorded such readings).
constexpr double kFirstRecordWithinDays = 31;
// A header with its first records, up to the last one's date: what the checks of a section's start read.
constexpr int kProbeBytes = kSectionBytes + (kFirstRecordsChecked - 1) * kRecordBytes + 8;

enum class HeaderCheck { Ok, Version, Count, Implausible, NoRecord, FirstRecord };

// Whether the header at pos (p holds kProbeBytes bytes when the file has them)
// can start a section: a version of ours, a count that is not negative, values
// a recording can have, at least one whole record, and, unless it is `due`
// (right behind a closed section's count, where the program wrote it), one of
// its first records (as far as its count and the file go) dated as a reading,
// or the first dated by the clock that dated the header: so bytes inside damage
// are not taken for a header. A count past the end of the file does not
// hinder: the records that are there are read.
HeaderCheck checkHeader(const char* p, int64_t pos, int64_t len, bool due) {
  const fileSection h = unpackSection(p);
  const int64_t room = len - pos + 1 - kSectionBytes;  // bytes behind the header
  if (!fileVersionOk(h.version)) return HeaderCheck::Version;
  if (h.records < 0 || (h.records > 0 && room < kRecordBytes)) return HeaderCheck::Count;
  if (!plausibleSection(h)) return HeaderCheck::Implausible;
  if (room < kRecordBytes) return HeaderCheck::NoRecord;
  if (due) return HeaderCheck::Ok;
  const int64_t first = std::min<int64_t>({kFirstRecordsChecked, room / kRecordBytes,
                                           h.records > 0 ? h.records : kFirstRecordsChecked});
  for (int64_t k = 0; k < first; ++k) {
    if (recordIsReading(p + kSectionBytes + k * kRecordBytes)) return HeaderCheck::Ok;
  }
  const double after = unpackDate(p + kSectionBytes) - h.startTime;
  return after >= 0 && after <= kFirstRecordWithinDays ? HeaderCheck::Ok : HeaderCheck::FirstRecord;
}

QString checkText(HeaderCheck c, const fileSection& h, int64_t pos, int64_t len) {
  const int64_t room = len - pos + 1 - kSectionBytes;
  switch (c) {
    case HeaderCheck::Ok: return {};
    case HeaderCheck::Version: return QStringLiteral("Error unsupported section version:") + num(h.version);
    case HeaderCheck::Count:
      return QStringLiteral("Error records=") + num(h.records) +
             QStringLiteral(" do not fit in remainingBytes=") + num(room);
    case HeaderCheck::Implausible: return QStringLiteral("Error implausible section header");
    case HeaderCheck::NoRecord:
      return room > 0 ? QStringLiteral("Error remainingBytes=") + num(room)
                      : QStringLiteral("Error remainingRecords=") + num(room / kRecordBytes);
    case HeaderCheck::FirstRecord: return QStringLiteral("Error implausible time of the first record");
  }
  return {};
}

// The high bit of each byte of w that equals c.
uint64_t bytesEqual(uint64_t w, uint8_t c) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const uint64_t t = w ^ (0x0101010101010101ULL * c);
  return ~(((t & kLow7) + kLow7) | t) & ~kLow7;
}

// A header's reset count is a byte: its three high bytes are 0 (a quick test
// before the whole header is unpacked).
bool resetCountFits(const char* p) { return !(p[29] | p[30] | p[31]); }

// The first position in [from, to) where a header passes checkHeader, or 0.
// Every byte is a candidate: damage need not be a whole number of records.
int64_t nextSectionAt(int fd, int64_t from, int64_t to, int64_t len) {
  // The last start with room for a header and one record.
  to = std::min(to, len - kSectionBytes - kRecordBytes + 2);
  // Reads grow from a few KiB, so the search behind small damage reads little.
  constexpr int64_t kFirstChunk = 4096;
  constexpr int64_t kMaxChunk = 1 << 20;
  QByteArray buf;
  for (int64_t start = from, chunk = kFirstChunk; start < to;
       start += chunk, chunk = std::min(2 * chunk, kMaxChunk)) {
    const int64_t starts = std::min(chunk, to - start);
    const int64_t n = std::min<int64_t>(starts + kProbeBytes - 1, len - start + 1);
    buf.resize(n);
    if (!readAt(fd, start, buf.data(), int(n))) return 0;
    const char* b = buf.constData();
    // The version's two high bytes (0x0F, 0x00 for 1002001 .. 1003999) rule
    // out nearly every position; eight are tried at once.
    const char* high = b + kSectionVersionOffset + 2;
    for (int64_t i = 0; i < starts; i += 8) {
      uint64_t hits = bytesEqual(qFromLittleEndian<quint64>(high + i), 0x0F) &
                      bytesEqual(qFromLittleEndian<quint64>(high + i + 1), 0x00);
      for (; hits; hits &= hits - 1) {
        const int64_t at = i + std::countr_zero(hits) / 8;
        if (at < starts && resetCountFits(b + at) &&
            checkHeader(b + at, start + at, len, false) == HeaderCheck::Ok) {
          return start + at;
        }
      }
    }
  }
  return 0;
}

QString dateText(Date d) {
  return std::isfinite(d) && std::fabs(d) < 3e6 ? generalDate(d) : QString::number(d, 'g', 6);
}

// Why the record at pos, dated `date`, is no reading.
QString noReadingText(int64_t pos, Date date) {
  return QStringLiteral("Error no reading at position=") + num(pos) + QStringLiteral(": dated ") + dateText(date);
}

// Where the n bytes at p reach a new section's first record, its date: one
// the recorder writes, or one a lost write zeroed from some byte on (its high
// byte is then 0).
bool firstRecordDateFits(const char* p, int n) {
  const char* date = p + kSectionBytes;
  return n < kSectionBytes + 8 || recordIsReading(date) || date[7] == 0;
}

// Whether the n bytes at p begin as a new section's header of ours would: a
// header with 0 records as far as its fields go (bytes a lost write left may
// read as zeros). Fewer than the date's 8 show nothing to check; what follows
// the header is the caller's to judge.
bool headerPrefix(const char* p, int n) {
  if (n < 8) return true;
  char h[kSectionBytes] = {};
  std::memcpy(h, p, std::min(n, kSectionBytes));
  if (!plausibleTime(unpackDate(h))) return false;
  if (n < kSectionLeadBytes) return true;
  const fileSection s = unpackSection(h);
  return plausibleSection(s) && s.records == 0;
}

// Whether the n bytes at p are what a new section's first write left when
// little more than its date reached the disk: the date's bytes, as many of the
// version's as this program writes, then zeros.
bool firstWriteRemnant(const char* p, int n) {
  uchar version[4];
  qToLittleEndian<int32_t>(kWrittenFileVersion, version);
  int i = kSectionVersionOffset;
  while (i < std::min(n, kSectionLeadBytes) && uchar(p[i]) == version[i - kSectionVersionOffset]) ++i;
  return std::all_of(p + std::min(i, n), p + n, [](char c) { return c == 0; });
}

// Whether the n bytes at p (18 to 55: as many as a record, short of a header
// and its first record) are the start of a new section's header as this
// program writes it behind `last`: the version it writes, the sensor version
// and meter id of the settings or of that header (as far as they reach: the
// meter id's low bytes at 18), and fields as headerPrefix wants them. A record
// would need its count equal to the version, its timer to the sensor version
// and its temperature to the meter id's low bytes.
bool ownHeaderPrefix(const char* p, int n, const OwnHeader& own, const fileSection& last) {
  if (n < kRecordBytes || n >= kSectionBytes + kRecordBytes) return false;
  char h[kSectionBytes] = {};
  std::memcpy(h, p, std::min(n, kSectionBytes));
  const fileSection s = unpackSection(h);
  const auto meterFits = [&](int32_t id) { return n >= 20 ? id == s.meterID : uint16_t(id) == uint16_t(s.meterID); };
  return s.version == kWrittenFileVersion &&
         (s.sensorVer == last.sensorVer || own.sensorVers.contains(s.sensorVer)) &&
         (meterFits(last.meterID) || std::any_of(own.meterIDs.begin(), own.meterIDs.end(), meterFits)) &&
         plausibleSection(s) && s.records == 0 && firstRecordDateFits(p, n);
}

// Whether the n bytes at p, up to the end of the file, begin as a new section's
// header that a lost write left behind `last`. As many bytes as a record but
// short of a header are one only as the start of a header of ours: they could
// be a record.
bool tornHeader(const char* p, int n, const OwnHeader& own, const fileSection& last) {
  return n >= 8 && (((n < kRecordBytes || n >= kSectionBytes) && headerPrefix(p, n)) ||
                    ownHeaderPrefix(p, n, own, last));
}

// Whether the bytes at p (at least kSectionLeadBytes) could be the section
// header of a version not ours (a later program's, or ours with a damaged
// version), which no torn write of ours leaves.
bool otherVersionHeader(const char* p) {
  const int32_t v = sectionVersionOf(p);
  return plausibleTime(unpackDate(p)) && v >= 1000000 && v < 100000000 && !fileVersionOk(v);
}

// What lies from `from` to the end of the file: behind its last byte that is
// not zero before `until`, where the last record dated as a reading ends
// among the bytes before `until` at any offset (0: none), and whether any
// could be another version's section header.
struct TailBytes {
  int64_t zerosFrom = 0;
  int64_t datedEnd = 0;
  bool otherHeader = false;
};
TailBytes tailBytes(int fd, int64_t from, int64_t until, int64_t len) {
  constexpr int64_t kChunk = 1 << 20;
  constexpr TailBytes kUnread{.zerosFrom = 0, .datedEnd = 0, .otherHeader = true};
  TailBytes out{.zerosFrom = from};
  QByteArray buf;
  for (int64_t pos = from; pos <= len; pos += kChunk) {
    const int64_t n = std::min<int64_t>(kChunk + kRecordBytes - 1, len - pos + 1);
    buf.resize(n);
    if (!readAt(fd, pos, buf.data(), int(n))) return kUnread;
    const char* b = buf.constData();
    const int64_t mine = std::min(n, kChunk);
    for (int64_t i = std::clamp<int64_t>(until - pos, 0, mine); i > 0; --i) {
      if (b[i - 1] != 0) {
        out.zerosFrom = pos + i;
        break;
      }
    }
    // A date of 1990-2200 has 0x40 as its high byte: eight starts are tried at once.
    buf.append(QByteArray(8, '\0'));
    b = buf.constData();
    for (int64_t i = 0; i < mine && i + kSectionLeadBytes <= n; i += 8) {
      for (uint64_t hits = bytesEqual(qFromLittleEndian<quint64>(b + i + 7), 0x40); hits; hits &= hits - 1) {
        const int64_t at = i + std::countr_zero(hits) / 8;
        if (at >= mine || at + kSectionLeadBytes > n) break;
        if (otherVersionHeader(b + at)) return kUnread;
        if (at + kRecordBytes <= n && pos + at + kRecordBytes <= until && recordIsReading(b + at))
          out.datedEnd = pos + at + kRecordBytes;
      }
    }
  }
  return out;
}

// The steps of walkDataFile; each takes the position where a header is due and
// gives the position behind what it appended.
struct Walk {
  int fd;
  int64_t len;
  const OwnHeader& own;
  bool endCut;  // the file ends where a cut left it: nothing there is a torn piece
  QVector<FileStretch> out;
  int64_t due = 1;  // where the last closed section's count says the next header lies

  int64_t step(int64_t pos) {
    char p[kProbeBytes];
    const int64_t left = len - pos + 1;
    FileStretch at;
    at.from = pos;
    if (left >= kSectionBytes && readAt(fd, pos, p, int(std::min<int64_t>(left, kProbeBytes)))) {
      at.header = unpackSection(p);
      at.headerRead = true;
      const HeaderCheck c = checkHeader(p, pos, len, pos == due);
      if (c == HeaderCheck::Ok) return section(at);
      at.why = checkText(c, at.header, pos, len);
    } else {
      at.why = QStringLiteral("Error short read of section header at position=") + num(pos);
    }
    return damage(at);
  }

  // Bytes that start no section, up to the next header that does, or to the
  // end, where they may end with a torn header (`piece`: the one the grid of
  // a header at `at` ends with).
  int64_t damage(FileStretch at, int64_t piece = 0) {
    const int64_t next = nextSectionAt(fd, at.from + 1, len + 1, len);
    const int64_t torn = next > 0 ? 0 : tornHeaderAt(at.from, false, lastHeader(), piece);
    at.to = next > 0 ? next : torn > 0 ? torn : len + 1;
    if (torn == at.from) return tornPiece(at);
    out.append(at);
    if (torn > 0) return tornPiece(stretchAt(torn));
    return at.to;
  }

  int64_t tornPiece(FileStretch at) {
    at.to = len + 1;
    at.tornHeader = true;
    if (at.why.isEmpty())
      at.why = QStringLiteral("Error a section header a lost write left without a reading at the end of the file: ") +
               num(len + 1 - at.from) + QStringLiteral(" bytes");
    out.append(at);
    return len + 1;
  }

  static FileStretch stretchAt(int64_t from) {
    FileStretch at;
    at.from = from;
    return at;
  }
  fileSection lastHeader() const {
    const auto s = std::find_if(out.rbegin(), out.rend(), [](const FileStretch& w) { return w.isSection; });
    return s != out.rend() ? s->header : fileSection{};
  }
  bool anySection() const {
    return std::any_of(out.begin(), out.end(), [](const FileStretch& w) { return w.isSection; });
  }

  // Where the stretch the file ends with begins a section header of ours that
  // a lost write left without a reading (0: none): none of its bytes is a
  // reading, and the open cuts it whole. The one rule for the end of the file:
  // - On the record grid of a section that reaches the end (`grid`, from its
  //   first record: open, or its count runs past the end), its last 18 to 55
  //   bytes when they are the start of a header as this program writes it:
  //   they could be its last reading, so nothing less tells.
  // - In damage (from its start): where a header is due (the file's start, or
  //   right behind a closed count), the header there when no reading follows
  //   it, however long; else, behind a section, the last 55 bytes at any offset.
  // Never among the records a closed count claims, and never where a cut left
  // the end. As long as a record but short of a header, it could be one: it
  // is ours only as this program writes it, but at the file's start.
  int64_t tornHeaderAt(int64_t from, bool grid, const fileSection& last, int64_t piece = 0) const {
    if (endCut) return 0;
    if (!grid && from == due && lostWriteAt(from, last, piece)) return from;
    if (!grid && !anySection()) return 0;  // a file that is not ours stays as it is
    constexpr int kMost = kSectionBytes + kRecordBytes - 1;
    const int stride = grid ? kRecordBytes : 1;
    const int least = grid ? kRecordBytes : kSectionLeadBytes;
    const int64_t before = len + 1 - kMost - from;  // bytes before the last kMost
    const int64_t q = from + (before > 0 ? (before + stride - 1) / stride * stride : 0);
    const int n = int(len + 1 - q);
    char p[kMost];
    if (n < least || !readAt(fd, q, p, n)) return 0;
    for (int i = 0; n - i >= least; i += stride) {
      if (grid ? ownHeaderPrefix(p + i, n - i, own, last) : tornHeader(p + i, n - i, own, last)) return q + i;
    }
    return 0;
  }

  // Whether the bytes from `from` (where a header is due) to the end are what
  // a lost write of a new section left: our header or its start, then no
  // reading at any offset (zeros, refused records, a partial record) before
  // the torn piece its grid ends with. Where the zeros fill that first write,
  // also its date bytes (or nothing) followed by zeros: in a file no longer
  // than it, or behind a closed count, where no record of ours can lie.
  bool lostWriteAt(int64_t from, const fileSection& last, int64_t piece) const {
    constexpr int kFirstWrite = kSectionBytes + kRecordBytes;
    const int64_t n = len + 1 - from;
    char p[kFirstWrite];
    const int got = int(std::min<int64_t>(n, kFirstWrite));
    if (got <= 0 || !readAt(fd, from, p, got)) return false;
    const bool start = from == 1;
    const bool remnant = (start ? n <= kFirstWrite : n >= kFirstWrite) && firstWriteRemnant(p, got);
    const bool ours = remnant || (start ? headerPrefix(p, got) : tornHeader(p, got, own, last));
    if (!ours) return false;
    const TailBytes behind = tailBytes(fd, from + kSectionBytes, piece > 0 ? piece : len + 1, len);
    return behind.datedEnd == 0 && !behind.otherHeader;
  }

  // A header that passes the checks: its records run to what its count says
  // (the end of the file when open or when the count runs past it), and end
  // earlier where a header that passes the checks begins, even inside this
  // header, or where the file ends with a torn header on their grid
  // (tornHeaderAt). The section takes them up to its last reading; what
  // follows it there is damage.
  int64_t section(FileStretch at) {
    const int64_t body = at.from + kSectionBytes;
    const bool open = at.header.records == 0;
    const int64_t claimed = open ? len + 1 : body + int64_t(at.header.records) * kRecordBytes;
    const int64_t claimedEnd = std::min(claimed, len + 1);
    const int64_t inner = nextSectionAt(fd, at.from + 1, claimedEnd, len);
    const int64_t torn = inner == 0 && reachesFileEnd(at.header, at.from, len) ? tornHeaderAt(body, true, at.header) : 0;
    const int64_t end = inner > 0 ? inner : torn > 0 ? torn : claimedEnd;
    const int64_t whole = end > body ? (end - body) / kRecordBytes : 0;
    QString trailing;
    at.records = readings(body, whole, at, trailing);
    if (at.records == 0) {
      if (inner == 0) {
        at.why = trailing.isEmpty() ? QStringLiteral("Error no record behind the section header") : trailing;
        return damage(at, torn);
      }
      at.to = end;
      at.why = QStringLiteral("Error no record before the section header at position=") + num(end);
      out.append(at);
      return end;
    }
    at.isSection = true;
    at.to = body + at.records * kRecordBytes;
    if (!open && end < claimed) {
      at.why = QStringLiteral("records=") + num(at.header.records) + QStringLiteral(" at position=") +
               num(at.from) + QStringLiteral(" not believed: ") +
               (inner > 0 ? QStringLiteral("the section header at position=") + num(end) +
                                QStringLiteral(" follows record ") + num(whole)
                          : QStringLiteral("the file ends behind record ") + num(whole));
    }
    if (!open && inner == 0) due = claimed;
    out.append(at);
    if (at.to < end) {
      // Records behind the last reading that are none, or bytes short of a record.
      FileStretch rest;
      rest.from = at.to;
      rest.to = end;
      rest.why = !trailing.isEmpty() ? trailing
                 : inner == 0        ? QStringLiteral("Error remainingBytes=") + num(end - rest.from)
                 : open              ? QStringLiteral("stray bytes behind an open section")
                                     : QStringLiteral("stray bytes behind a section");
      out.append(rest);
    }
    if (torn > 0) return tornPiece(stretchAt(torn));
    return end;
  }

  // How many of the n records at pos, a section's, run up to its last reading;
  // the runs of readings among them go into at.runs (as many records as 32-bit
  // numbers reach: the index's limit), with the last one's time, and the first
  // record that is no reading among them is named in at.refusedWhy; `trailing`
  // names the first record behind the last reading that is none (or a short read).
  int64_t readings(int64_t pos, int64_t n, FileStretch& at, QString& trailing) {
    constexpr int64_t kChunkRecords = 4096;  // read into the cache and checked there
    n = std::min<int64_t>(n, INT32_MAX);
    QByteArray buf;
    int64_t through = 0;  // records up to the last reading
    int32_t count = 0;    // readings, the last run's end
    // The first record since the last reading that is none, named only where a text needs it.
    int64_t noneAt = 0;
    Date noneDated = 0;
    const auto done = [&] {
      if (!at.runs.isEmpty()) at.runs.setLastEnd(count);
      return through;
    };
    for (int64_t i = 0; i < n;) {
      const int64_t k = std::min(kChunkRecords, n - i);
      buf.resize(k * kRecordBytes);
      if (!readAt(fd, pos + i * kRecordBytes, buf.data(), int(buf.size()))) {
        trailing = QStringLiteral("Error short read of records at position=") + num(pos + i * kRecordBytes);
        return done();
      }
      const char* last = nullptr;
      for (const char* p = buf.constData(); p < buf.constData() + buf.size(); p += kRecordBytes, ++i) {
        if (!recordIsReading(p)) {
          if (noneAt == 0) {
            noneAt = pos + i * kRecordBytes;
            noneDated = unpackDate(p);
          }
          continue;
        }
        if (noneAt > 0) {
          if (at.refusedWhy.isEmpty()) at.refusedWhy = noReadingText(noneAt, noneDated);
          noneAt = 0;
        }
        if (at.runs.isEmpty() || through != i) {  // a run begins
          if (!at.runs.isEmpty()) at.runs.setLastEnd(count);
          at.runs.append(ReadingRun{.first = uint32_t(i), .end = count});
        }
        count += 1;
        through = i + 1;
        last = p;
      }
      if (last) at.lastTime = unpackDate(last);
    }
    if (noneAt > 0) trailing = noReadingText(noneAt, noneDated);
    return done();
  }
};

QString tornHeaderText(int64_t n) {
  if (n < kSectionBytes) return QStringLiteral("a partial section header of ") + num(n) + QStringLiteral(" bytes");
  if (n == kSectionBytes) return QStringLiteral("a section header with 0 records and nothing behind it");
  if (n < kSectionBytes + kRecordBytes)
    return QStringLiteral("a section header with 0 records and a partial record of ") + num(n - kSectionBytes) +
           QStringLiteral(" bytes");
  return QStringLiteral("a section header with 0 records and ") + num(n - kSectionBytes) +
         QStringLiteral(" bytes behind it that hold no reading");
}

// What lies behind the last reading at the very end of the file, where a kill
// or a file system that lost the last writes leaves it, and may go: a partial
// record, the torn header the walk found (tornHeaderAt), records that are no
// reading (zeros, stray bytes, dates outside 1990-2200). Cutting it lets
// recording go on behind the last reading. Kept: every whole record dated as a
// reading at any offset before the torn header and what lies before it,
// anything that could be another version's section header, and everything in
// a file without a section but what a lost first write leaves.
TailCut tornTail(int fd, int64_t len, const QVector<FileStretch>& walk) {
  if (walk.isEmpty() || walk.last().isSection) return {};
  const int64_t header = walk.last().tornHeader ? walk.last().from : 0;
  const auto last =
      std::find_if(walk.rbegin(), walk.rend(), [](const FileStretch& s) { return s.isSection; });
  if (last == walk.rend()) {
    // The first write of a file lost: the walk found it whole from the start.
    if (header != 1) return {};
    return {.from = 1, .what = tornHeaderText(len)};
  }
  const FileStretch& s = *last;
  const int64_t until = header > 0 ? header : len + 1;
  const TailBytes bytes = tailBytes(fd, s.to, until, len);
  if (bytes.otherHeader) return {};
  const int64_t from = std::max(s.to, bytes.datedEnd);
  if (from > len) return {};
  QStringList what;
  if (from < until) {
    const auto at =
        std::find_if(walk.begin(), walk.end(), [&](const FileStretch& w) { return w.from == from; });
    const QString why = at != walk.end() && !at->isSection ? at->why : QString();
    if (until - from < kRecordBytes && from == s.to && reachesFileEnd(s.header, s.from, len)) {
      what << QStringLiteral("a partial record of ") + num(until - from) + QStringLiteral(" bytes");
    } else if (bytes.zerosFrom <= from) {
      what << QStringLiteral("zero bytes behind the last reading");
    } else {
      what << QStringLiteral("bytes behind the last reading that are no reading") +
                  (why.isEmpty() ? QString() : QStringLiteral(" (") + why + ')');
    }
  }
  if (header > 0) what << tornHeaderText(len + 1 - header);
  return {.from = from, .what = what.join(QStringLiteral(" and "))};
}

}  // namespace

QVector<FileStretch> walkDataFile(int fd, int64_t len, const OwnHeader& own, bool endCut) {
  Walk walk{.fd = fd, .len = len, .own = own, .endCut = endCut, .out = {}};
  for (int64_t pos = 1; pos <= len;) pos = walk.step(pos);
  return walk.out;
}

Result<TailCut> cutTornTail(int fd, const OwnHeader& own) {
  const int64_t len = fileLength(fd);
  QVector<FileStretch> walk = walkDataFile(fd, len, own);
  TailCut tail = tornTail(fd, len, walk);
  if (tail.from <= 0) {
    tail.walk = std::move(walk);
    return tail;
  }
  tail.bytes = len - tail.from + 1;
  if (::ftruncate(fd, tail.from - 1) != 0) {
    return Failure(QStringLiteral("cannot cut torn tail at position=") + num(tail.from) + QStringLiteral(": ") +
                   errnoText());
  }
  // The stretch before the cut may have run to the old end: walk the file as
  // it is now (the first walk's runs gone before the second's are read). A
  // torn piece was the last the kill left: the readings before it are none.
  walk = {};
  tail.walk = walkDataFile(fd, tail.from - 1, own, true);
  return tail;
}

}  // namespace zavio

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

int64_t fileLength(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 ? int64_t(st.st_size) : -1;
}

void resizeIndex(dataFileIndex& ix, int n) {
  ix.sectionHeaders.resize(n + 1);
  ix.sectionFilePos.resize(n + 1);
  ix.sectionLastTime.resize(n + 1);
  ix.sectionEndRecord.resize(n + 1);
}

namespace {

// A header with the time of its first record: what the checks of a section's start read.
constexpr int kProbeBytes = kSectionBytes + 8;

enum class HeaderCheck { Ok, Version, Count, Implausible, NoRecord, FirstRecord };

// Whether the header at pos (p holds kProbeBytes bytes when the file has them)
// can start a section: a version of ours, a count that is not negative, values
// a recording can have, at least one whole record with a date a recording can
// carry. A count past the end of the file does not hinder: the records that
// are there are read.
HeaderCheck checkHeader(const char* p, int64_t pos, int64_t len) {
  const fileSection h = unpackSection(p);
  const int64_t room = len - pos + 1 - kSectionBytes;  // bytes behind the header
  if (!fileVersionOk(h.version)) return HeaderCheck::Version;
  if (h.records < 0 || (h.records > 0 && room < kRecordBytes)) return HeaderCheck::Count;
  if (!plausibleSection(h)) return HeaderCheck::Implausible;
  if (room < kRecordBytes) return HeaderCheck::NoRecord;
  if (!plausibleTime(unpackDate(p + kSectionBytes))) return HeaderCheck::FirstRecord;
  return HeaderCheck::Ok;
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
            checkHeader(b + at, start + at, len) == HeaderCheck::Ok) {
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

// Why record r at pos, behind prev, is no reading of its section.
QString noReadingText(int64_t pos, const ReadingCheck& check, const meterRecord& prev, const meterRecord& r) {
  const QString at = QStringLiteral("Error no reading at position=") + num(pos) + QStringLiteral(": ");
  if (!plausibleTime(r.recTime)) return at + QStringLiteral("dated ") + dateText(r.recTime);
  return at + QStringLiteral("its count advances by ") + num(uint32_t(r.count) - uint32_t(prev.count)) +
         QStringLiteral(", a meter by at most ") + num(int64_t(check.mostCounts(prev, r)));
}

// The steps of walkDataFile; each takes the position where a header is due and
// gives the position behind what it appended.
struct Walk {
  int fd;
  int64_t len;
  QVector<FileStretch> out;

  int64_t step(int64_t pos) {
    char p[kProbeBytes];
    const int64_t left = len - pos + 1;
    FileStretch at;
    at.from = pos;
    if (left >= kSectionBytes && readAt(fd, pos, p, int(std::min<int64_t>(left, kProbeBytes)))) {
      at.header = unpackSection(p);
      at.headerRead = true;
      const HeaderCheck c = checkHeader(p, pos, len);
      if (c == HeaderCheck::Ok) return section(at);
      at.why = checkText(c, at.header, pos, len);
    } else {
      at.why = QStringLiteral("Error short read of section header at position=") + num(pos);
    }
    return damage(at);
  }

  // Bytes that start no section, up to the next header that does (or the end).
  int64_t damage(FileStretch at) {
    const int64_t next = nextSectionAt(fd, at.from + 1, len + 1, len);
    at.to = next > 0 ? next : len + 1;
    out.append(at);
    return at.to;
  }

  // A header that passes the checks: its records run to what its count says
  // (the end of the file when open or when the count runs past it), up to the
  // first that is no reading of the section, and end earlier where a header
  // that passes the checks begins, even inside this header.
  int64_t section(FileStretch at) {
    const int64_t body = at.from + kSectionBytes;
    const bool open = at.header.records == 0;
    const int64_t claimed = open ? len + 1 : body + int64_t(at.header.records) * kRecordBytes;
    const int64_t claimedEnd = std::min(claimed, len + 1);
    QString noReading;
    const int64_t readings = readingsFrom(body, (claimedEnd - body) / kRecordBytes, at.header, noReading);
    const int64_t readEnd = body + readings * kRecordBytes;
    // A header may begin inside the first record that is no reading.
    const int64_t inner =
        nextSectionAt(fd, at.from + 1, readEnd + (noReading.isEmpty() ? 1 : kRecordBytes), len);
    const int64_t end = inner > 0 ? inner : readings > 0 && !noReading.isEmpty() ? readEnd : claimedEnd;
    at.records = end > body ? std::min(readings, (end - body) / kRecordBytes) : 0;
    if (at.records == 0) {
      if (inner == 0) {
        at.why = noReading;
        return damage(at);
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
                                QStringLiteral(" follows record ") + num(at.records)
                : end == readEnd && !noReading.isEmpty()
                    ? QStringLiteral("the record at position=") + num(end) + QStringLiteral(" is no reading")
                    : QStringLiteral("the file ends behind record ") + num(at.records));
    }
    out.append(at);
    if (inner == 0 && !noReading.isEmpty()) {
      // What follows the last reading is damage: the search resumes behind it.
      FileStretch rest;
      rest.from = at.to;
      rest.why = noReading;
      return damage(rest);
    }
    if (at.to < end) {
      FileStretch rest;
      rest.from = at.to;
      rest.to = end;
      rest.why = inner == 0 ? QStringLiteral("Error remainingBytes=") + num(end - body)
                 : open     ? QStringLiteral("stray bytes behind an open section")
                            : QStringLiteral("stray bytes behind a section");
      out.append(rest);
    }
    return end;
  }

  // How many of the n records at pos, the first of a section with header h,
  // are its readings (ReadingCheck); why says what the first that is none shows.
  int64_t readingsFrom(int64_t pos, int64_t n, const fileSection& h, QString& why) {
    const ReadingCheck check(h);
    constexpr int64_t kChunkRecords = 4096;  // read into the cache and checked there
    QByteArray buf;
    meterRecord prev{};
    for (int64_t i = 0; i < n;) {
      const int64_t k = std::min(kChunkRecords, n - i);
      buf.resize(k * kRecordBytes);
      if (!readAt(fd, pos + i * kRecordBytes, buf.data(), int(buf.size()))) {
        why = QStringLiteral("Error short read of records at position=") + num(pos + i * kRecordBytes);
        return i;
      }
      for (const char* p = buf.constData(); p < buf.constData() + buf.size(); p += kRecordBytes, ++i) {
        const meterRecord r = unpackRecord(p);
        // The first record's date was checked with the header; it follows no reading.
        if (i > 0 && !check.follows(prev, r)) {
          why = noReadingText(pos + i * kRecordBytes, check, prev, r);
          return i;
        }
        prev = r;
      }
    }
    return n;
  }
};

// Whether n bytes (fewer than a header) are, as far as they go, a header's:
// fewer than the date's 8 show nothing to check.
bool headerStart(const char* p, int n) {
  if (n < 8) return true;
  char h[kSectionBytes] = {};
  std::memcpy(h, p, std::min(n, kSectionBytes));
  if (n < kSectionLeadBytes) return plausibleTime(unpackDate(h));
  return plausibleSection(unpackSection(h));
}

// Whether the bytes at p (at least kSectionLeadBytes) begin like a section
// header of ours: a date and a version.
bool headerLead(const char* p) { return plausibleTime(unpackDate(p)) && fileVersionOk(sectionVersionOf(p)); }

// Where the bytes behind section s at the end of the file stop holding what
// could be its readings: behind the last record on its grid that could follow
// its last reading (records a count leaves out, readings behind a damaged
// one), looking no further than bytes that begin like a section header.
int64_t behindLastReading(int fd, int64_t len, const FileStretch& s) {
  char lastBytes[kRecordBytes];
  if (!readAt(fd, s.to - kRecordBytes, lastBytes, kRecordBytes)) return len + 1;
  const meterRecord last = unpackRecord(lastBytes);
  const ReadingCheck check(s.header);
  constexpr int64_t kChunk = 4096 * kRecordBytes;
  QByteArray buf;
  int64_t behind = s.to;
  for (int64_t pos = s.to; len + 1 - pos >= kRecordBytes;) {
    const int64_t n = std::min<int64_t>(kChunk + kSectionBytes, len + 1 - pos);
    buf.resize(n);
    if (!readAt(fd, pos, buf.data(), int(n))) return len + 1;
    for (int64_t i = 0; i < kChunk && n - i >= kRecordBytes; i += kRecordBytes, pos += kRecordBytes) {
      const char* p = buf.constData() + i;
      if (headerLead(p)) return behind;
      if (check.follows(last, unpackRecord(p))) behind = pos + kRecordBytes;
    }
  }
  return behind;
}

// What the bytes from `from` to the end hold: whether those from `zerosFrom`
// on are all zero, and whether any could be a section header of a version not
// ours (a later program's, or ours with a damaged version), which no torn
// write of ours leaves.
struct TailBytes {
  bool zeros = true;
  bool otherHeader = false;
};
TailBytes tailBytes(int fd, int64_t from, int64_t zerosFrom, int64_t len) {
  constexpr int64_t kChunk = 1 << 20;
  TailBytes out;
  QByteArray buf;
  for (int64_t pos = from; pos <= len; pos += kChunk) {
    const int64_t n = std::min<int64_t>(kChunk + kSectionLeadBytes - 1, len - pos + 1);
    buf.resize(n);
    if (!readAt(fd, pos, buf.data(), int(n))) return {.zeros = false, .otherHeader = true};
    const char* b = buf.constData();
    const int64_t skip = std::clamp<int64_t>(zerosFrom - pos, 0, n);
    out.zeros = out.zeros &&
                std::all_of(b + skip, b + std::max(skip, std::min(n, kChunk)), [](char c) { return c == 0; });
    for (int64_t i = 0; i + kSectionLeadBytes <= n && i < kChunk; ++i) {
      const int32_t v = sectionVersionOf(b + i);
      if (plausibleTime(unpackDate(b + i)) && v >= 1000000 && v < 100000000 && !fileVersionOk(v)) {
        out.otherHeader = true;
        return out;
      }
    }
  }
  return out;
}

// Names what lies from `from` to the end behind the last section s (none when
// the file has no section): what a torn write leaves, or what else follows the
// last reading. Empty when a file without a section holds no torn write.
QString tailText(int fd, int64_t from, int64_t len, const FileStretch* s, const QVector<FileStretch>& walk,
                 bool zeros) {
  const int64_t left = len - from + 1;
  char p[kSectionBytes + kRecordBytes] = {};
  if (!readAt(fd, from, p, int(std::min<int64_t>(left, sizeof p)))) return {};
  if (s && s->header.records == 0 && s->to == from && left < kRecordBytes)
    return QStringLiteral("a partial record of ") + num(left) + QStringLiteral(" bytes");
  const fileSection h = unpackSection(p);
  if (left >= kSectionBytes && left < kSectionBytes + kRecordBytes && h.records == 0 && plausibleSection(h)) {
    return left == kSectionBytes
               ? QStringLiteral("a section header with 0 records and nothing behind it")
               : QStringLiteral("a section header with 0 records and a partial record of ") +
                     num(left - kSectionBytes) + QStringLiteral(" bytes");
  }
  if (left < kSectionBytes && headerStart(p, int(left)))
    return QStringLiteral("a partial section header of ") + num(left) + QStringLiteral(" bytes");
  if (!s) return {};
  if (zeros) return QStringLiteral("zero bytes behind the last reading");
  const auto at =
      std::find_if(walk.begin(), walk.end(), [&](const FileStretch& w) { return w.from == from; });
  const QString why = at != walk.end() && !at->isSection ? at->why : QString();
  return QStringLiteral("bytes behind the last reading that are no reading") +
         (why.isEmpty() ? QString() : QStringLiteral(" (") + why + ')');
}

// What lies behind the last reading at the very end of the file, where a kill
// or a file system that lost the last writes leaves it: a partial record or
// header, a header without a whole record behind it, zeros, stray bytes, or
// records a too large count claims that are no readings. Cutting it lets
// recording go on behind the last reading. Kept: what could still be readings
// of the last section, what could be the section header of another version,
// and everything in a file without a section but what a torn write leaves.
TailCut tornTail(int fd, int64_t len, const QVector<FileStretch>& walk) {
  if (walk.isEmpty() || walk.last().isSection) return {};
  const auto last =
      std::find_if(walk.rbegin(), walk.rend(), [](const FileStretch& s) { return s.isSection; });
  const FileStretch* s = last != walk.rend() ? &*last : nullptr;
  const int64_t from = s ? behindLastReading(fd, len, *s) : walk.last().from;
  if (from > len) return {};
  // Another version's header behind the last section keeps everything behind it.
  const TailBytes bytes = tailBytes(fd, s ? s->to : from, from, len);
  if (bytes.otherHeader) return {};
  QString what = tailText(fd, from, len, s, walk, bytes.zeros);
  if (what.isEmpty()) return {};
  return {.from = from, .what = std::move(what)};
}

}  // namespace

QVector<FileStretch> walkDataFile(int fd, int64_t len) {
  Walk walk{.fd = fd, .len = len, .out = {}};
  for (int64_t pos = 1; pos <= len;) pos = walk.step(pos);
  return walk.out;
}

Result<TailCut> cutTornTail(int fd) {
  const int64_t len = fileLength(fd);
  QVector<FileStretch> walk = walkDataFile(fd, len);
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
  // The stretch before the cut may have run to the old end: walk the file as it is now.
  tail.walk = walkDataFile(fd, tail.from - 1);
  return tail;
}

}  // namespace zavio

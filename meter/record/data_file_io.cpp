#include "meter/record/data_file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

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
// can start a section: a version of ours, a count that fits the file, values a
// recording can have, at least one whole record with a date a recording can
// carry. Where a section's records end, a header whose count alone is wrong
// counts too (anyCount): its bytes are no records either.
HeaderCheck checkHeader(const char* p, int64_t pos, int64_t len, bool anyCount = false) {
  const fileSection h = unpackSection(p);
  const int64_t room = len - pos + 1 - kSectionBytes;  // bytes behind the header
  if (!fileVersionOk(h.version)) return HeaderCheck::Version;
  if (h.records < 0 || (!anyCount && int64_t(h.records) * kRecordBytes > room)) return HeaderCheck::Count;
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
int64_t nextSectionAt(int fd, int64_t from, int64_t to, int64_t len, bool anyCount = false) {
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
            checkHeader(b + at, start + at, len, anyCount) == HeaderCheck::Ok) {
          return start + at;
        }
      }
    }
  }
  return 0;
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
  // (the end of the file when open) unless a header that passes them too, but
  // for its own count, begins earlier, even inside this header.
  int64_t section(FileStretch at) {
    const int64_t body = at.from + kSectionBytes;
    const bool open = at.header.records == 0;
    const int64_t claimedEnd = open ? len + 1 : body + int64_t(at.header.records) * kRecordBytes;
    const int64_t inner = nextSectionAt(fd, at.from + 1, claimedEnd, len, true);
    const int64_t end = inner > 0 ? inner : claimedEnd;
    at.records = end > body ? (end - body) / kRecordBytes : 0;
    if (at.records == 0) {
      at.to = end;
      at.why = QStringLiteral("Error no record before the section header at position=") + num(end);
      out.append(at);
      return end;
    }
    at.isSection = true;
    at.to = body + at.records * kRecordBytes;
    if (!open && end < claimedEnd) {
      at.why = QStringLiteral("records=") + num(at.header.records) + QStringLiteral(" at position=") +
               num(at.from) + QStringLiteral(" not believed: the section header at position=") + num(end) +
               QStringLiteral(" follows record ") + num(at.records);
    }
    out.append(at);
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

// What a kill while recording can leave at the very end of the file: a partial
// record behind the open section, a header of 0 records without a whole record
// behind it, or a partial header behind the last good data. Cutting them lets
// the file be read to its end and recording go on behind it. Anything else at
// the end (stray bytes, records a count leaves out) is damage and stays, as
// does everything before the end.
TailCut tornTail(int fd, int64_t len, const QVector<FileStretch>& walk) {
  if (walk.isEmpty() || walk.last().isSection) return {};
  const FileStretch& tail = walk.last();
  const int64_t left = len - tail.from + 1;
  const FileStretch* before = walk.size() > 1 ? &walk[walk.size() - 2] : nullptr;
  if (before && before->isSection && before->header.records == 0 && before->to == tail.from &&
      left < kRecordBytes) {
    return {.from = tail.from,
            .what = QStringLiteral("a partial record of ") + num(left) + QStringLiteral(" bytes")};
  }
  if (tail.headerRead && tail.header.records == 0 && plausibleSection(tail.header) &&
      left < kSectionBytes + kRecordBytes) {
    return {.from = tail.from,
            .what = left == kSectionBytes
                        ? QStringLiteral("a section header with 0 records and nothing behind it")
                        : QStringLiteral("a section header with 0 records and a partial record of ") +
                              num(left - kSectionBytes) + QStringLiteral(" bytes")};
  }
  char p[kSectionBytes];
  if (left < kSectionBytes && readAt(fd, tail.from, p, int(left)) && headerStart(p, int(left))) {
    return {.from = tail.from,
            .what = QStringLiteral("a partial section header of ") + num(left) + QStringLiteral(" bytes")};
  }
  return {};
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

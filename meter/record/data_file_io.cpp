#include "meter/record/data_file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zavio {

namespace {
QString num(int64_t v) { return QString::number(v); }
}  // namespace

QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

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
// A section that a header at pos could start: the header is plausible, the
// section fits the file, and behind it is the end, a torn header or another
// plausible header. An open section (0 records) needs one whole record.
bool sectionChains(int fd, int64_t pos, const fileSection& h, int64_t len) {
  if (!plausibleSection(h)) return false;
  const int64_t room = len - pos + 1 - kSectionBytes;
  if (h.records == 0) return room >= kRecordBytes;
  const int64_t next = pos + kSectionBytes + int64_t(h.records) * kRecordBytes;
  if (next - 1 > len) return false;
  if (len - next + 1 < kSectionBytes) return true;
  char buf[kSectionBytes];
  return readAt(fd, next, buf, kSectionBytes) && plausibleSection(unpackSection(buf));
}

}  // namespace

int64_t nextSectionAt(int fd, int64_t from, int64_t len) {
  constexpr int64_t kChunk = 1 << 20;
  QByteArray buf;
  for (int64_t start = from; start + kSectionBytes - 1 <= len; start += kChunk) {
    const int64_t n = std::min<int64_t>(kChunk + kSectionBytes - 1, len - start + 1);
    buf.resize(n);
    if (!readAt(fd, start, buf.data(), int(n))) return 0;
    for (int64_t i = 0; i < kChunk && i + kSectionBytes <= n; ++i) {
      if (!fileVersionOk(sectionVersionOf(buf.constData() + i))) continue;
      if (sectionChains(fd, start + i, unpackSection(buf.constData() + i), len)) return start + i;
    }
  }
  return 0;
}

namespace {

// What a header of 0 records at pos leaves to cut when it is the open section
// running to the end of the file.
TailCut openSectionCut(int64_t pos, int64_t len) {
  const int64_t body = len - pos + 1 - kSectionBytes;
  const int64_t partial = body % kRecordBytes;
  if (body - partial == 0) {
    return {pos, partial ? QStringLiteral("a section header with 0 records and a partial record of ") +
                               num(partial) + QStringLiteral(" bytes")
                         : QStringLiteral("a section header with 0 records and nothing behind it")};
  }
  if (partial)
    return {len - partial + 1,
            QStringLiteral("a partial record of ") + num(partial) + QStringLiteral(" bytes")};
  return {};
}

// A kill while recording can leave, at the very end of the file, a partial
// header, a partial record, or a header of 0 records with nothing behind it.
// Cutting them lets the file be read to its end and recording go on behind it.
// Only a file whose sections all chain up to that tail is touched. A header of
// 0 records with whole sections of the same settings behind it (an older
// program appended behind an empty header) is no open section: its tail is
// never cut as if it were one. Behind damage in the middle the walk goes on
// at the next section header; only the tail at the very end is ever cut.
bool findTornTail(int fd, int64_t len, TailCut& cut) {
  char buf[kSectionBytes];
  int64_t pos = 1;
  // The latest header of 0 records while the bytes behind it are tried as
  // further sections; when they do not chain up, it is the open section.
  bool tryingBehindOpen = false;
  TailCut openCut;
  fileSection openHeader;
  int64_t behindOpen = 0;
  const auto fail = [&] {
    if (tryingBehindOpen) cut = openCut;
    return tryingBehindOpen;
  };
  // A break in the chain at pos: when a section header follows somewhere
  // behind it, the walk goes on there, and a header of 0 records before it
  // was no open last section.
  const auto resync = [&] {
    const int64_t next = nextSectionAt(fd, pos + 1, len);
    if (next <= pos) return false;
    pos = next;
    tryingBehindOpen = false;
    behindOpen = 0;
    return true;
  };
  while (pos <= len) {
    const int64_t left = len - pos + 1;
    if (left < kSectionBytes) {
      // A partial header behind whole sections is ours; at the start of the
      // file only when its version bytes are there and ours. Behind a header
      // of 0 records it is more likely the torn end of that open section.
      if (tryingBehindOpen) return fail();
      // A file too short to show a version holds nothing readable: the torn
      // first write of a new file, which would otherwise block recording.
      if (pos == 1 && left < kSectionLeadBytes) {
        cut = {pos, QStringLiteral("a partial section header of ") + num(left) + QStringLiteral(" bytes")};
        return true;
      }
      if (pos == 1) {
        if (!readAt(fd, pos, buf, kSectionLeadBytes)) return false;
        if (!fileVersionOk(sectionVersionOf(buf))) return false;
      }
      cut = {pos, QStringLiteral("a partial section header of ") + num(left) + QStringLiteral(" bytes")};
      return true;
    }
    if (!readAt(fd, pos, buf, kSectionBytes)) return fail();
    const fileSection h = unpackSection(buf);
    // Records of an open section can look like a header; one written behind
    // an empty header carries the same settings.
    const bool broken = !plausibleSection(h) ||
                        pos - 1 + kSectionBytes + int64_t(h.records) * kRecordBytes > len ||
                        (pos == behindOpen &&
                         (h.sensorVer != openHeader.sensorVer || h.ticksPerSec != openHeader.ticksPerSec ||
                          h.WsPerCount != openHeader.WsPerCount));
    if (broken) {
      if (resync()) continue;
      return fail();
    }
    if (h.records > 0) {
      pos += kSectionBytes + int64_t(h.records) * kRecordBytes;
      continue;
    }
    if (left - kSectionBytes < kSectionBytes) {
      cut = openSectionCut(pos, len);
      return true;
    }
    tryingBehindOpen = true;
    openCut = openSectionCut(pos, len);
    openHeader = h;
    pos += kSectionBytes;
    behindOpen = pos;
  }
  return pos == len + 1 || fail();
}

}  // namespace

Result<TailCut> cutTornTail(int fd) {
  const int64_t len = fileLength(fd);
  TailCut tail;
  if (!findTornTail(fd, len, tail) || tail.from <= 0) return TailCut{};
  tail.bytes = len - tail.from + 1;
  if (::ftruncate(fd, tail.from - 1) != 0) {
    return Failure(QStringLiteral("cannot cut torn tail at position=") + num(tail.from) + QStringLiteral(": ") +
                   errnoText());
  }
  return tail;
}

}  // namespace zavio

#include "meter/record/data_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QtEndian>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "meter/record/text_log.h"

dataFileIndex dataFileSlots[2];
int16_t zavOutFile = 0;
int64_t zavOutHeadPtr = 0;
int64_t zavOutRecPtr = 0;
zavOutRecord zavOutDat;

namespace {

int g_outFd = -1;
// File numbers as the reports show them: the lowest number not in use.
uint32_t g_fileNumbersInUse = 0;

int16_t takeFreeFileNumber() {
  for (int16_t n = 1; n < 32; ++n) {
    if (!(g_fileNumbersInUse & (1u << n))) {
      g_fileNumbersInUse |= 1u << n;
      return n;
    }
  }
  return 31;
}
void releaseFileNumber(int16_t n) {
  if (n > 0 && n < 32) g_fileNumbersInUse &= ~(1u << n);
}
int64_t g_outLength = 0;  // length of the open file, kept so appends need no stat

QString num(int64_t v) { return QString::number(v); }
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

int32_t settingToInt32(double v) {
  int32_t out = 0;
  if (roundToInt32(v, out)) return out;
  return v > 0 ? INT32_MAX : INT32_MIN;
}

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

// 1-based position of the first section header at or after `from` that can
// start a section (see sectionChains), or 0: where reading goes on behind damage.
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

QString skippedText(int64_t from, int64_t next, const QString& why) {
  return QStringLiteral("loadZavDatNEW: ERROR skipped ") + num(next - from) + QStringLiteral(" bytes at position=") +
         num(from) + QStringLiteral(" (") + why + QStringLiteral("); reading on at the section header at position=") +
         num(next);
}

struct TailCut {
  int64_t from = 0;  // 1-based position of the first byte to cut; 0: nothing
  QString what;
};

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

void cutTornTail(int fd) {
  const int64_t len = fileLength(fd);
  TailCut tail;
  if (findTornTail(fd, len, tail) && tail.from > 0) {
    const int64_t cutFrom = tail.from;
    const int64_t cut = len - cutFrom + 1;
    if (::ftruncate(fd, cutFrom - 1) == 0) {
      logMsg(-1, QStringLiteral("openOutZavDat: ERROR torn tail cut: ") + tail.what +
                     QStringLiteral(" at position=") + num(cutFrom) + QStringLiteral("  bytes cut=") +
                     num(cut) + QStringLiteral("  fileLength=") + num(cutFrom - 1));
    } else {
      logMsg(-1, QStringLiteral("openOutZavDat: ERROR cannot cut torn tail at position=") + num(cutFrom) +
                     QStringLiteral(": ") + errnoText());
    }
  }
}

void closeOutFd() {
  if (g_outFd >= 0) ::close(g_outFd);
  g_outFd = -1;
  releaseFileNumber(zavOutFile);
}

bool writeFailed(int64_t pos, qsizetype bytes) {
  const QString err = errnoText();
  // Leave no partial record behind for the next open.
  if (g_outFd >= 0) {
    const int cut = ::ftruncate(g_outFd, g_outLength);
    Q_UNUSED(cut);
  }
  logMsg(-1, QStringLiteral("newMeterCount: ERROR writing data file ") + zavDatFileName[0] +
                 QStringLiteral(" at position=") + num(pos) + QStringLiteral(" bytes=") + num(bytes) +
                 QStringLiteral(": ") + err + QStringLiteral(" - data file closed"));
  closeOutZavDat();
  return false;
}

}  // namespace

int64_t recordFilePos(const dataFileIndex& ix, int32_t r) {
  if (r < 1 || r > ix.recordCount) return 0;
  for (int k = 1; k <= ix.sectionCount && k < ix.sectionEndRecord.size(); ++k) {
    if (r <= ix.sectionEndRecord[k]) {
      const int64_t before = ix.sectionEndRecord[k - 1];
      return ix.sectionFilePos[k] + kSectionBytes + (r - before - 1) * int64_t(kRecordBytes);
    }
  }
  return 0;
}

namespace {
// The first fault of the last load, in its log's words; a refused data file's caption gives it.
QString g_loadProblem;
}  // namespace

bool loadZavDatNEW(int16_t slot) {
  g_loadProblem.clear();
  if (slot < 0 || slot > 1) return false;
  dataFileIndex& ix = dataFileSlots[slot];
  resizeIndex(ix, 0);
  ix.recordCount = 0;
  ix.sectionCount = 0;
  const QString& name = zavDatFileName[slot];
  QString t = QStringLiteral("loadZavDatNEW(") + num(slot) + QStringLiteral(")\nfileName=") + name + '\n';
  if (slot != 0 && !QFileInfo(name).isFile()) return false;

  const int fd =
      name.isEmpty() ? -1 : ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    logMsg(-1, t + QStringLiteral("ERROR cannot open file: ") + errnoText() +
                   QStringLiteral("\n*** File Error ***"));
    return false;
  }
  const int16_t fileNr = takeFreeFileNumber();
  const int64_t len = fileLength(fd);
  t += QStringLiteral("zavInFileNr=") + num(fileNr) + QStringLiteral("\nfileLength=") + num(len) + '\n';
  bool ok = true;
  QStringList skipped;  // what damage in the middle made the loader pass over
  auto noteFault = [&t](const QString& line) {
    t += line + '\n';
    if (g_loadProblem.isEmpty()) g_loadProblem = line;
  };
  if (len == 0) {
    t += QStringLiteral("starting new Zav file");
  } else {
    char buf[kSectionBytes];
    ok = len >= kSectionLeadBytes && readAt(fd, 1, buf, kSectionLeadBytes);
    if (!ok) {
      noteFault(QStringLiteral("Error short read: fileLength=") + num(len));
    } else {
      const Date created = unpackDate(buf);
      const int32_t version = sectionVersionOf(buf);
      if (!fileVersionOk(version)) {
        g_loadProblem = QStringLiteral("unsupported file version:") + num(version);
        t += g_loadProblem + QStringLiteral("\n  created:") + generalDate(created) + '\n';
        ok = false;
      } else {
        t += QStringLiteral("adding to existing file version:") + num(version) +
             QStringLiteral("  created:") + generalDate(created) + '\n';
      }
    }
    if (ok) {
      int64_t pos = 1;
      int k = 0;
      int64_t total = 0;
      while (pos < len) {
        if (!readAt(fd, pos, buf, kSectionBytes)) {
          noteFault(QStringLiteral("Error short read of section header at position=") + num(pos));
          pos = 0;
          break;
        }
        fileSection h = unpackSection(buf);
        ++k;
        t += QStringLiteral("  ----------------------------------\n     fileSection:") + num(k) +
             QStringLiteral("\n       startTime:") + generalDate(h.startTime) +
             QStringLiteral("\n         version:") + num(h.version) + QStringLiteral("\n       sensorVer:") +
             num(h.sensorVer) + QStringLiteral("\n         meterID:") + num(h.meterID) +
             QStringLiteral("\n      resetCount:") + num(h.resetCount) +
             QStringLiteral("\n       voltCount:") + num(h.voltCount) +
             QStringLiteral("\n      WsPerCount:") + num(h.WsPerCount) +
             QStringLiteral("\n     ticksPerSec:") + num(h.ticksPerSec) +
             QStringLiteral("\n         records:") + num(h.records) + '\n';
        if (ix.sectionHeaders.size() == 1) ix.firstRecordTime = h.startTime;
        ix.lastRecordTime = h.startTime;
        const int64_t room = len - pos - (kSectionBytes - 1);  // bytes behind this header
        QString fault;
        int64_t next = 0;      // the next section header behind a fault
        int64_t resumeAt = 0;  // where reading goes on behind an open section with stray bytes
        // Every header is checked before its record count is believed: one of 0
        // records read from damage would otherwise swallow the sections behind it.
        if (!fileVersionOk(h.version)) {
          fault = QStringLiteral("Error unsupported section version:") + num(h.version);
        } else if (h.records < 0 || int64_t(h.records) * kRecordBytes > room) {
          fault = QStringLiteral("Error records=") + num(h.records) + QStringLiteral(" do not fit in remainingBytes=") +
                  num(room);
        } else if (!plausibleSection(h)) {
          fault = QStringLiteral("Error implausible section header");
        } else if (h.records == 0) {
          if (room % kRecordBytes != 0) {
            fault = QStringLiteral("Error remainingBytes=") + num(room);
          } else if (room / kRecordBytes < 1) {
            fault = QStringLiteral("Error remainingRecords=") + num(room / kRecordBytes);
          }
          if (fault.isEmpty()) {
            h.records = int32_t(std::min<int64_t>(room / kRecordBytes, INT32_MAX));
            t += QStringLiteral("adjusting records=") + num(h.records) + '\n';
          } else {
            // An open section with later sections behind it: its records reach up to them.
            next = nextSectionAt(fd, pos + kSectionBytes, len);
            const int64_t records = next > 0 ? (next - pos - kSectionBytes) / kRecordBytes : 0;
            if (records >= 1) {
              t += fault + '\n';
              fault.clear();
              h.records = int32_t(std::min<int64_t>(records, INT32_MAX));
              t += QStringLiteral("adjusting records=") + num(h.records) + '\n';
              const int64_t end = pos + kSectionBytes + records * kRecordBytes;
              if (end < next) skipped << skippedText(end, next, QStringLiteral("stray bytes behind an open section"));
              resumeAt = next;
            }
          }
        }
        if (!fault.isEmpty()) {
          noteFault(fault);
          if (next <= pos) next = nextSectionAt(fd, pos + 1, len);
          if (next <= pos) {
            pos = 0;
            break;
          }
          // Damage in the middle: reading goes on at the next section header.
          skipped << skippedText(pos, next, fault);
          t += QStringLiteral("reading on at the section header at position=") + num(next) + '\n';
          --k;
          pos = next;
          continue;
        }
        const int64_t lastPos = pos + kSectionBytes + int64_t(h.records - 1) * kRecordBytes;
        if (!readAt(fd, lastPos, buf, kRecordBytes)) {
          noteFault(QStringLiteral("Error short read of record at position=") + num(lastPos));
          pos = 0;
          break;
        }
        ix.lastRecordTime = unpackRecord(buf).recTime;
        t += QStringLiteral("  lastRecordTime:") + generalDate(ix.lastRecordTime) + '\n';
        const int n = ix.sectionHeaders.size();
        resizeIndex(ix, n);
        ix.sectionFilePos[n] = pos;
        ix.sectionHeaders[n] = h;
        total += h.records;
        ix.sectionLastTime[n] = ix.lastRecordTime;
        ix.sectionEndRecord[n] = int32_t(std::min<int64_t>(total, INT32_MAX));
        pos = resumeAt > 0 ? resumeAt : pos + kSectionBytes + int64_t(h.records) * kRecordBytes;
      }
      t += QStringLiteral("  ----------------------------------\n   totalRecords read=") + num(total) + '\n';
      ix.recordCount = int32_t(std::min<int64_t>(total, INT32_MAX));
      ix.sectionCount = int32_t(ix.sectionHeaders.size() - 1);
      if (pos != len + 1) {
        t += QStringLiteral("fileLength / record count error");
        if (g_loadProblem.isEmpty()) g_loadProblem = QStringLiteral("fileLength / record count error");
        ok = false;
      } else if (!skipped.isEmpty()) {
        t += QStringLiteral("file read past damage: totalFileSection=") + num(ix.sectionCount) +
             QStringLiteral("  totalFileRecords=") + num(total);
        ok = false;
      } else {
        t += QStringLiteral("file is OK: totalFileSection=") + num(k) +
             QStringLiteral("  totalFileRecords=") + num(total);
      }
    }
  }
  ::close(fd);
  releaseFileNumber(fileNr);
  for (const QString& line : std::as_const(skipped)) logMsg(-1, line);
  if (ok) {
    logMsg(2, t);
  } else {
    logMsg(-1, t + QStringLiteral("\n*** File Error ***"));
  }
  return ok;
}

namespace {

QString g_openProblem;

// Opens the file for recording and takes its exclusive lock; -1 (and the
// reason in g_openProblem) when it cannot be opened or another program holds it.
int openLocked(const QString& name) {
  const int fd = name.isEmpty() ? -1 : ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    g_openProblem = name.isEmpty() ? QStringLiteral("no file name") : errnoText();
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    g_openProblem = errno == EWOULDBLOCK ? QStringLiteral("in use by another program") : errnoText();
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

QString dataFileOpenProblem() {
  if (g_openProblem.isEmpty()) return QString();
  return zavDatFileName[0] + QStringLiteral(": ") + g_openProblem;
}

void openOutZavDat() {
  const QString& name = zavDatFileName[0];
  if (zavOutFile > 0) closeOutZavDat();
  g_openProblem.clear();
  // The lock comes first: a file another copy records into is neither repaired nor read for recording.
  const int fd = openLocked(name);
  QString why;
  if (fd >= 0 && !lockTextLog(why)) {
    g_openProblem = QStringLiteral("the text log ") + zavLogFileName + QStringLiteral(" is ") + why;
    ::close(fd);
  }
  if (!g_openProblem.isEmpty()) {
    logMsg(-1, QStringLiteral("openOutZavDat:\nfileName=") + name + QStringLiteral("\nERROR cannot open file: ") +
                   g_openProblem + QStringLiteral(" - nothing is recorded"));
    zavOutFile = 0;
    return;
  }
  cutTornTail(fd);
  loadZavDatNEW(0);
  const dataFileIndex& ix = dataFileSlots[0];
  QString t = QStringLiteral("openOutZavDat:\nfileName=") + name + '\n';
  const QFileInfo fi(name);
  bool take = true;
  if (!fi.isFile()) {
    t += QStringLiteral("starting new Zav file\n");
  } else if (fi.size() == 0) {
    t += QStringLiteral("fileLength=") + num(fi.size()) + QStringLiteral("\nadding to empty Zav file\n");
  } else if (ix.sectionCount < 1) {
    t += QStringLiteral("file size error0\n");
    // The caption gives what the loader found wrong, not the count it left.
    if (!g_loadProblem.isEmpty()) g_openProblem = g_loadProblem;
    take = false;
  } else if (!fileVersionOk(ix.sectionHeaders[ix.sectionCount].version)) {
    t += QStringLiteral("unsupported file version:") + num(ix.sectionHeaders[ix.sectionCount].version) + '\n';
    take = false;
  } else {
    t += QStringLiteral("adding to existing file version:") +
         num(ix.sectionHeaders[ix.sectionCount].version) + QStringLiteral("  last section created:") +
         generalDate(ix.sectionHeaders[ix.sectionCount].startTime) + '\n';
  }
  zavOutFile = 0;
  if (!take) {
    if (g_openProblem.isEmpty()) g_openProblem = t.section('\n', 2, 2);
    ::close(fd);
    logMsg(-1, t);
    return;
  }
  g_outFd = fd;
  zavOutFile = takeFreeFileNumber();
  g_outLength = fileLength(g_outFd);
  t += QStringLiteral("zavOutFileNr=") + num(zavOutFile) + '\n';
  if (ix.sectionCount > 0) {
    const int n = ix.sectionCount;
    zavOutHeadPtr = ix.sectionFilePos[n];
    char buf[kSectionBytes];
    if (readAt(g_outFd, zavOutHeadPtr, buf, kSectionBytes)) zavOutDat.header = unpackSection(buf);
    if (zavOutDat.header.records == 0) {
      t += QStringLiteral("adjusting last section records count=") + num(ix.sectionHeaders[n].records) + '\n';
      if (!writeAt(g_outFd, zavOutHeadPtr, packSection(ix.sectionHeaders[n]))) {
        t += QStringLiteral("ERROR writing header: ") + errnoText() + '\n';
      }
    }
  }
  fileSection& h = zavOutDat.header;
  h.startTime = dateNow();
  h.version = ZAV_VERSION_MAJOR * 1000000 + ZAV_VERSION_MINOR * 1000 + ZAV_VERSION_REVISION;
  h.sensorVer = ZAVdetectorVer;
  h.meterID = ZAVmeterID;
  h.ticksPerSec = settingToInt32(ticksPerSec);
  h.WsPerCount = settingToInt32(WsPerCount);
  h.resetCount = 0;
  h.voltCount = 0;
  h.records = 0;
  logMsg(1, t);
}

void closeOutZavDat() {
  if (zavOutFile <= 0) {
    logMsg(-1, QStringLiteral("zavOutFile Nr: ") + num(zavOutFile) + QStringLiteral(" is not open"));
    zavOutFile = 0;
    closeOutFd();
    return;
  }
  const int16_t nr = zavOutFile;
  if (zavOutDat.header.records > 0) {
    if (!writeAt(g_outFd, zavOutHeadPtr, packSection(zavOutDat.header))) {
      logMsg(-1, QStringLiteral("closeOutZavDat: ERROR writing header at position=") + num(zavOutHeadPtr) +
                     QStringLiteral(": ") + errnoText());
    }
    logMsg(2, QStringLiteral("saving header new records=") + num(zavOutDat.header.records) +
                  QStringLiteral(" and closing zavOutFile Nr: ") + num(nr));
  } else {
    logMsg(2, QStringLiteral("no new records, closing zavOutFile Nr: ") + num(nr));
  }
  closeOutFd();
  zavOutFile = 0;
}

bool endOutSection(Date readingTime) {
  if (zavOutFile <= 0) return false;
  dataFileIndex& ix = dataFileSlots[0];
  fileSection& h = zavOutDat.header;
  const int n = ix.sectionCount;
  if (n > 0 && n < ix.sectionHeaders.size()) ix.sectionHeaders[n] = h;
  const QByteArray bytes = packSection(h);
  if (!writeAt(g_outFd, zavOutHeadPtr, bytes)) return writeFailed(zavOutHeadPtr, bytes.size());
  h.startTime = readingTime;
  h.records = 0;
  return true;
}

bool appendOutRecord(Date readingTime) {
  if (zavOutFile <= 0) return false;
  dataFileIndex& ix = dataFileSlots[0];
  fileSection& h = zavOutDat.header;
  const bool newSection = h.records == 0;
  zavOutDat.record.recTime = readingTime;
  QByteArray out;
  const int64_t at = g_outLength + 1;
  if (newSection) out = packSection(h);
  out += packRecord(zavOutDat.record);
  // Header and first record in one write: a kill never leaves an empty section.
  if (!writeAt(g_outFd, at, out)) return writeFailed(at, out.size());
  g_outLength += out.size();

  int n = ix.sectionCount;
  if (newSection) {
    n += 1;
    ix.sectionCount = n;
    resizeIndex(ix, n);
    zavOutHeadPtr = at;
    ix.sectionFilePos[n] = zavOutHeadPtr;
    ix.sectionHeaders[n] = h;
  }
  h.records += 1;
  ix.sectionHeaders[n].records = h.records;
  if (ix.recordCount == 0) ix.firstRecordTime = readingTime;
  ix.recordCount += 1;
  ix.lastRecordTime = readingTime;
  ix.sectionLastTime[n] = readingTime;
  ix.sectionEndRecord[n] = ix.recordCount;
  zavOutRecPtr = g_outLength + 1 - kRecordBytes;
  return true;
}

DataFileWalk::DataFileWalk(const QString& name)
    : m_fd(::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC)) {
  if (m_fd < 0) return;
  const int64_t len = fileLength(m_fd);
  char buf[kSectionBytes];
  int64_t pos = 1;
  while (pos + kSectionBytes - 1 <= len && readAt(m_fd, pos, buf, kSectionBytes)) {
    const fileSection h = unpackSection(buf);
    const int64_t room = len - pos + 1 - kSectionBytes;
    int64_t records = h.records;
    int64_t next = pos + kSectionBytes + records * kRecordBytes;
    if (!plausibleSection(h) || records * kRecordBytes > room) {
      next = nextSectionAt(m_fd, pos + 1, len);
      if (next <= pos) break;
      pos = next;
      continue;
    }
    if (records == 0) {  // an open section: its records run to the next section or the end
      const int64_t later = room % kRecordBytes == 0 ? 0 : nextSectionAt(m_fd, pos + kSectionBytes, len);
      records = ((later > 0 ? later - 1 : len) - pos + 1 - kSectionBytes) / kRecordBytes;
      next = later > 0 ? later : len + 1;
    }
    m_sections.append({pos, h, records});
    pos = next;
  }
}

DataFileWalk::~DataFileWalk() {
  if (m_fd >= 0) ::close(m_fd);
}

bool DataFileWalk::readRecords(const SectionSpan& s, int64_t first, int64_t n, QByteArray& buf) const {
  buf.resize(n * kRecordBytes);
  return m_fd >= 0 && first >= 0 && first + n <= s.records &&
         readAt(m_fd, s.pos + kSectionBytes + first * kRecordBytes, buf.data(), int(buf.size()));
}

QString formatMs(int32_t value) {
  return num(value / 1000000) + '.' + num((value / 1000) % 1000) + '.' + num(value % 1000);
}

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

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "meter/record/data_file_io.h"

namespace {

using zavio::errnoText;
using zavio::fileLength;
using zavio::nextSectionAt;
using zavio::readAt;
using zavio::resizeIndex;

QString num(int64_t v) { return QString::number(v); }

QString skippedText(int64_t from, int64_t next, const QString& why) {
  return QStringLiteral("loadZavDatNEW: ERROR skipped ") + num(next - from) + QStringLiteral(" bytes at position=") +
         num(from) + QStringLiteral(" (") + why + QStringLiteral("); reading on at the section header at position=") +
         num(next);
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

// Walks the section headers of an open data file of `len` bytes into `scan`;
// false when the file is not whole. Touches nothing else, so any thread may run it.
bool scanSections(int fd, int64_t len, DataFileIndexRead& scan) {
  dataFileIndex& ix = scan.index;
  QString& t = scan.report;
  auto noteFault = [&scan](const QString& line) {
    scan.report += line + '\n';
    if (scan.problem.isEmpty()) scan.problem = line;
  };
  if (len == 0) {
    t += QStringLiteral("starting new Zav file");
    return true;
  }
  char buf[kSectionBytes];
  if (len < kSectionLeadBytes || !readAt(fd, 1, buf, kSectionLeadBytes)) {
    noteFault(QStringLiteral("Error short read: fileLength=") + num(len));
    return false;
  }
  const Date created = unpackDate(buf);
  const int32_t version = sectionVersionOf(buf);
  if (!fileVersionOk(version)) {
    scan.problem = QStringLiteral("unsupported file version:") + num(version);
    t += scan.problem + QStringLiteral("\n  created:") + generalDate(created) + '\n';
    return false;
  }
  t += QStringLiteral("adding to existing file version:") + num(version) + QStringLiteral("  created:") +
       generalDate(created) + '\n';
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
         QStringLiteral("\n       startTime:") + generalDate(h.startTime) + QStringLiteral("\n         version:") +
         num(h.version) + QStringLiteral("\n       sensorVer:") + num(h.sensorVer) +
         QStringLiteral("\n         meterID:") + num(h.meterID) + QStringLiteral("\n      resetCount:") +
         num(h.resetCount) + QStringLiteral("\n       voltCount:") + num(h.voltCount) +
         QStringLiteral("\n      WsPerCount:") + num(h.WsPerCount) + QStringLiteral("\n     ticksPerSec:") +
         num(h.ticksPerSec) + QStringLiteral("\n         records:") + num(h.records) + '\n';
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
          if (end < next) scan.skipped << skippedText(end, next, QStringLiteral("stray bytes behind an open section"));
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
      scan.skipped << skippedText(pos, next, fault);
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
    if (scan.problem.isEmpty()) scan.problem = QStringLiteral("fileLength / record count error");
    return false;
  }
  if (!scan.skipped.isEmpty()) {
    t += QStringLiteral("file read past damage: totalFileSection=") + num(ix.sectionCount) +
         QStringLiteral("  totalFileRecords=") + num(total);
    return false;
  }
  t += QStringLiteral("file is OK: totalFileSection=") + num(k) + QStringLiteral("  totalFileRecords=") + num(total);
  return true;
}
}  // namespace

Result<DataFileIndexRead> readDataFileIndex(const QString& fileName) {
  const int fd = fileName.isEmpty() ? -1 : ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Failure(fileName.isEmpty() ? QStringLiteral("no file name") : errnoText());
  DataFileIndexRead scan;
  scan.whole = scanSections(fd, fileLength(fd), scan);
  ::close(fd);
  return scan;
}

int16_t FileNumbers::take() {
  for (int16_t n = 1; n < 32; ++n) {
    if (!(m_inUse & (1u << n))) {
      m_inUse |= 1u << n;
      return n;
    }
  }
  return 31;
}

void FileNumbers::release(int16_t n) {
  if (n > 0 && n < 32) m_inUse &= ~(1u << n);
}

bool DataFileSlots::load(int16_t slot, const QString& name) {
  m_loadProblem.clear();
  if (slot < 0 || slot > 1) return false;
  dataFileIndex& ix = m_index[slot];
  resizeIndex(ix, 0);
  ix.recordCount = 0;
  ix.sectionCount = 0;
  QString t = QStringLiteral("loadZavDatNEW(") + num(slot) + QStringLiteral(")\nfileName=") + name + '\n';
  if (slot != 0 && !QFileInfo(name).isFile()) return false;

  const int fd =
      name.isEmpty() ? -1 : ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    logMsg(-1, t + QStringLiteral("ERROR cannot open file: ") + errnoText() +
                   QStringLiteral("\n*** File Error ***"));
    return false;
  }
  const int16_t fileNr = m_numbers.take();
  const int64_t len = fileLength(fd);
  t += QStringLiteral("zavInFileNr=") + num(fileNr) + QStringLiteral("\nfileLength=") + num(len) + '\n';
  DataFileIndexRead scan;
  const bool ok = scanSections(fd, len, scan);
  ::close(fd);
  m_numbers.release(fileNr);
  ix = scan.index;
  m_loadProblem = scan.problem;
  for (const QString& line : std::as_const(scan.skipped)) logMsg(-1, line);
  if (ok) {
    logMsg(2, t + scan.report);
  } else {
    logMsg(-1, t + scan.report + QStringLiteral("\n*** File Error ***"));
  }
  return ok;
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

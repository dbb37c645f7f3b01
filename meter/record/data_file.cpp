#include "meter/record/data_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <algorithm>

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "meter/record/data_file_io.h"
#include "meter/record/locked_file.h"

namespace {

using zavio::errnoText;
using zavio::fileLength;
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
      return firstRecordPos(ix, k) + (r - before - 1) * int64_t(kRecordBytes);
    }
  }
  return 0;
}

namespace {

using zavio::FileStretch;
using zavio::RecordRun;

void noteFault(DataFileIndexRead& scan, const QString& line) {
  scan.report += line + '\n';
  if (scan.problem.isEmpty()) scan.problem = line;
}

QString headerReport(int k, const fileSection& h) {
  return QStringLiteral("  ----------------------------------\n     fileSection:") + num(k) +
         QStringLiteral("\n       startTime:") + generalDate(h.startTime) +
         QStringLiteral("\n         version:") + num(h.version) + QStringLiteral("\n       sensorVer:") +
         num(h.sensorVer) + QStringLiteral("\n         meterID:") + num(h.meterID) +
         QStringLiteral("\n      resetCount:") + num(h.resetCount) + QStringLiteral("\n       voltCount:") +
         num(h.voltCount) + QStringLiteral("\n      WsPerCount:") + num(h.WsPerCount) +
         QStringLiteral("\n     ticksPerSec:") + num(h.ticksPerSec) + QStringLiteral("\n         records:") +
         num(h.records) + '\n';
}

// The report's first line: the version and creation of the first section, or,
// when no section starts anywhere in the file and its first bytes are no
// header of ours, the refusal. False when refused.
bool reportLead(DataFileIndexRead& scan, const char* lead, const QVector<FileStretch>& walk) {
  const auto first = std::find_if(walk.begin(), walk.end(), [](const FileStretch& s) { return s.isSection; });
  Date created = unpackDate(lead);
  int32_t version = sectionVersionOf(lead);
  if (first != walk.end()) {
    created = first->header.startTime;
    version = first->header.version;
  } else if (!fileVersionOk(version)) {
    scan.problem = QStringLiteral("unsupported file version:") + num(version);
    scan.report += scan.problem + QStringLiteral("\n  created:") + generalDate(created) + '\n';
    return false;
  }
  scan.report += QStringLiteral("adding to existing file version:") + num(version) +
                 QStringLiteral("  created:") + generalDate(created) + '\n';
  return true;
}

// Enters a section of the walk into the index, a part for each run of its
// readings, and into the report; false when a part's last record can no
// longer be read.
bool indexSection(int fd, const FileStretch& s, DataFileIndexRead& scan, int64_t& total) {
  dataFileIndex& ix = scan.index;
  scan.report += headerReport(ix.sectionHeaders.size(), s.header);
  if (!s.why.isEmpty()) scan.skipped << QStringLiteral("loadZavDatNEW: ERROR ") + s.why;
  if (!s.refused.isEmpty()) {
    int64_t refused = 0;
    for (const RecordRun& r : s.refused) refused += r.count;
    const QString line = QStringLiteral("passed over ") + num(refused) +
                         QStringLiteral(" records that are no reading in ") + num(s.refused.size()) +
                         QStringLiteral(" places of the section at position=") + num(s.from) +
                         QStringLiteral(", the first: ") + s.refusedWhy;
    scan.skipped << QStringLiteral("loadZavDatNEW: ERROR ") + line;
    scan.report += line + '\n';
  }
  if (s.header.records != s.records) scan.report += QStringLiteral("adjusting records=") + num(s.records) + '\n';
  const int64_t body = s.from + kSectionBytes;
  for (const RecordRun& run : s.readings()) {
    const int n = ix.sectionHeaders.size();
    fileSection h = s.header;
    h.records = int32_t(std::min<int64_t>(run.count, INT32_MAX));
    const int64_t lastPos = body + (run.first + run.count - 1) * kRecordBytes;
    char buf[kRecordBytes];
    if (!readAt(fd, lastPos, buf, kRecordBytes)) {
      noteFault(scan, QStringLiteral("Error short read of record at position=") + num(lastPos));
      return false;
    }
    ix.lastRecordTime = unpackRecord(buf).recTime;
    if (n == 1) ix.firstRecordTime = h.startTime;
    // Opened while the PC clock was wrong: the file's time begins with its first reading.
    if (n == 1 && !plausibleTime(h.startTime) && readAt(fd, body + run.first * kRecordBytes, buf, kRecordBytes))
      ix.firstRecordTime = unpackRecord(buf).recTime;
    resizeIndex(ix, n);
    ix.sectionFilePos[n] = s.from;
    ix.sectionRecordPos[n] = body + run.first * kRecordBytes;
    ix.sectionHeaders[n] = h;
    total += h.records;
    ix.sectionLastTime[n] = ix.lastRecordTime;
    ix.sectionEndRecord[n] = int32_t(std::min<int64_t>(total, INT32_MAX));
  }
  scan.report += QStringLiteral("  lastRecordTime:") + generalDate(ix.lastRecordTime) + '\n';
  return true;
}

// Reports damage the walk passed over: each stretch followed by a section
// gets a line of its own naming it.
void reportDamage(const FileStretch& s, int64_t next, DataFileIndexRead& scan) {
  if (s.headerRead) scan.report += headerReport(scan.index.sectionHeaders.size(), s.header);
  noteFault(scan, s.why);
  if (next <= 0) return;
  scan.skipped << skippedText(s.from, next, s.why);
  scan.report += QStringLiteral("reading on at the section header at position=") + num(next) + '\n';
}

// The index and report of a data file of `len` bytes; false when the file is
// not whole. Touches nothing else, so any thread may run it.
bool scanSections(int fd, int64_t len, DataFileIndexRead& scan,
                  const QVector<FileStretch>* walked = nullptr) {
  if (len == 0) {
    scan.report += QStringLiteral("starting new Zav file");
    return true;
  }
  char lead[kSectionLeadBytes];
  if (len < kSectionLeadBytes || !readAt(fd, 1, lead, kSectionLeadBytes)) {
    noteFault(scan, QStringLiteral("Error short read: fileLength=") + num(len));
    return false;
  }
  // A walk handed in serves only when it covers these very bytes.
  const bool fits = walked && !walked->isEmpty() && walked->last().to == len + 1;
  const QVector<FileStretch> walk = fits ? *walked : zavio::walkDataFile(fd, len);
  if (!reportLead(scan, lead, walk)) return false;
  int64_t total = 0;
  int sections = 0;
  bool damaged = false;
  bool toTheEnd = true;
  for (qsizetype i = 0; i < walk.size() && toTheEnd; ++i) {
    const FileStretch& s = walk[i];
    const int64_t next = i + 1 < walk.size() ? walk[i + 1].from : 0;
    if (s.isSection) {
      toTheEnd = indexSection(fd, s, scan, total);
      sections += 1;
      damaged = damaged || !s.why.isEmpty() || !s.refused.isEmpty();
    } else {
      reportDamage(s, next, scan);
      damaged = true;
      toTheEnd = next > 0;
    }
  }
  dataFileIndex& ix = scan.index;
  QString& t = scan.report;
  t += QStringLiteral("  ----------------------------------\n   totalRecords read=") + num(total) + '\n';
  ix.recordCount = int32_t(std::min<int64_t>(total, INT32_MAX));
  ix.sectionCount = int32_t(ix.sectionHeaders.size() - 1);
  if (!toTheEnd) {
    t += QStringLiteral("fileLength / record count error");
    if (scan.problem.isEmpty()) scan.problem = QStringLiteral("fileLength / record count error");
    return false;
  }
  const QString counts = QStringLiteral("totalFileSection=") + num(sections) +
                         QStringLiteral("  totalFileRecords=") + num(total);
  t += (damaged ? QStringLiteral("file read past damage: ") : QStringLiteral("file is OK: ")) + counts;
  return !damaged;
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

bool DataFileSlots::load(int16_t slot, const QString& name, const QVector<FileStretch>* walked) {
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
  const bool ok = scanSections(fd, len, scan, walked);
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

DataFileWalk::DataFileWalk(const QString& name, const zavio::OwnHeader& own)
    : m_fd(::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC)) {
  if (m_fd < 0) return;
  for (const zavio::FileStretch& s : zavio::walkDataFile(m_fd, fileLength(m_fd), own)) {
    if (!s.isSection) continue;
    bool continues = false;
    for (const RecordRun& run : s.readings()) {
      m_sections.append({.pos = s.from,
                         .header = s.header,
                         .first = s.from + kSectionBytes + run.first * kRecordBytes,
                         .records = run.count,
                         .continues = continues,
                         .sectionRecords = s.records});
      continues = true;
    }
  }
}

DataFileWalk::~DataFileWalk() {
  if (m_fd >= 0) ::close(m_fd);
}

bool DataFileWalk::readRecords(const SectionSpan& s, int64_t first, int64_t n, QByteArray& buf) const {
  buf.resize(n * kRecordBytes);
  return m_fd >= 0 && first >= 0 && first + n <= s.records &&
         readAt(m_fd, s.first + first * kRecordBytes, buf.data(), int(buf.size()));
}

QString formatMs(int32_t value) {
  return num(value / 1000000) + '.' + num((value / 1000) % 1000) + '.' + num(value % 1000);
}

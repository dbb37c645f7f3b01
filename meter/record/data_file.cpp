#include "meter/record/data_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "meter/record/data_file_io.h"
#include "meter/record/locked_file.h"

namespace {

using zavio::errnoText;
using zavio::fileLength;
using zavio::readAt;

QString num(int64_t v) { return QString::number(v); }

QString skippedText(int64_t from, int64_t next, const QString& why) {
  return QStringLiteral("loadZavDatNEW: ERROR skipped ") + num(next - from) + QStringLiteral(" bytes at position=") +
         num(from) + QStringLiteral(" (") + why + QStringLiteral("); reading on at the section header at position=") +
         num(next);
}

}  // namespace

qsizetype DataSection::runOf(int32_t k) const {
  return runs.firstEndingAbove(k);
}

fileSection dataFileIndex::sectionHeaders(int32_t k) const {
  if (!holds(k)) return {};
  fileSection h = sections[k - 1].header;
  h.records = sections[k - 1].readings();
  return h;
}

void appendSection(dataFileIndex& ix, DataSection s) {
  s.before = ix.recordCount;
  ix.recordCount = int32_t(std::min<int64_t>(s.endRecord(), INT32_MAX));
  ix.sections.append(std::move(s));
  ix.sectionCount = int32_t(ix.sections.size());
}

bool findReading(const dataFileIndex& ix, int32_t r, ReadingPlace& at) {
  const QVector<DataSection>& sections = ix.sections;
  if (r < 1 || r > ix.recordCount) return false;
  const auto holds = [r](const DataSection& s) { return r > s.before && r <= s.endRecord(); };
  if (at.section >= sections.size() || !holds(sections[at.section])) {
    const auto s = std::lower_bound(sections.begin(), sections.end(), r,
                                    [](const DataSection& s, int32_t r) { return s.endRecord() < r; });
    if (s == sections.end() || !holds(*s)) return false;
    at = {.section = s - sections.begin(), .run = 0};
  }
  const DataSection& s = sections[at.section];
  const int32_t k = r - s.before - 1;
  const auto inRun = [&](qsizetype j) {
    return j < s.runs.size() && k < s.runs[j].end && k >= (j > 0 ? s.runs[j - 1].end : 0);
  };
  if (!inRun(at.run)) at.run = inRun(at.run + 1) ? at.run + 1 : s.runOf(k);
  return at.run < s.runs.size();
}

int64_t recordFilePos(const dataFileIndex& ix, int32_t r) {
  ReadingPlace at;
  if (!findReading(ix, r, at)) return 0;
  const DataSection& s = ix.sections[at.section];
  return s.recordPos(s.recordOf(r - s.before - 1, at.run));
}

namespace {

using zavio::FileStretch;

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

// Enters a section of the walk into the index, its runs of readings taken,
// and into the report.
void indexSection(int fd, FileStretch& s, DataFileIndexRead& scan, int64_t& total) {
  dataFileIndex& ix = scan.index;
  scan.report += headerReport(ix.sections.size() + 1, s.header);
  if (!s.why.isEmpty()) scan.skipped << QStringLiteral("loadZavDatNEW: ERROR ") + s.why;
  if (s.refusedRecords() > 0) {
    const QString line = QStringLiteral("passed over ") + num(s.refusedRecords()) +
                         QStringLiteral(" records that are no reading in ") + num(s.refusedRuns()) +
                         QStringLiteral(" places of the section at position=") + num(s.from) +
                         QStringLiteral(", the first: ") + s.refusedWhy;
    scan.skipped << QStringLiteral("loadZavDatNEW: ERROR ") + line;
    scan.report += line + '\n';
  }
  if (s.header.records != s.records) scan.report += QStringLiteral("adjusting records=") + num(s.records) + '\n';
  total += s.readings();
  if (ix.sections.isEmpty()) {
    ix.firstRecordTime = s.header.startTime;
    // Opened while the PC clock was wrong: the file's time begins with its first reading.
    char buf[kRecordBytes];
    if (!plausibleTime(s.header.startTime) && readAt(fd, s.recordPos(s.runs[0].first), buf, kRecordBytes))
      ix.firstRecordTime = unpackRecord(buf).recTime;
  }
  ix.lastRecordTime = s.lastTime;
  appendSection(ix, std::move(s));
  scan.report += QStringLiteral("  lastRecordTime:") + generalDate(ix.lastRecordTime) + '\n';
}

// Reports damage the walk passed over: each stretch followed by a section
// gets a line of its own naming it.
void reportDamage(const FileStretch& s, int64_t next, DataFileIndexRead& scan) {
  if (s.headerRead) scan.report += headerReport(scan.index.sections.size() + 1, s.header);
  noteFault(scan, s.why);
  if (next <= 0) return;
  scan.skipped << skippedText(s.from, next, s.why);
  scan.report += QStringLiteral("reading on at the section header at position=") + num(next) + '\n';
}

// The index and report of a data file of `len` bytes; false when the file is
// not whole. Touches nothing else, so any thread may run it.
bool scanSections(int fd, int64_t len, DataFileIndexRead& scan, QVector<FileStretch>* walked = nullptr) {
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
  QVector<FileStretch> own;
  if (!fits) own = zavio::walkDataFile(fd, len);
  QVector<FileStretch>& walk = fits ? *walked : own;
  if (!reportLead(scan, lead, walk)) return false;
  int64_t total = 0;
  int sections = 0;
  bool damaged = false;
  bool toTheEnd = true;
  for (qsizetype i = 0; i < walk.size() && toTheEnd; ++i) {
    FileStretch& s = walk[i];
    const int64_t next = i + 1 < walk.size() ? walk[i + 1].from : 0;
    if (s.isSection) {
      damaged = damaged || !s.why.isEmpty() || s.refusedRecords() > 0;
      indexSection(fd, s, scan, total);
      sections += 1;
    } else {
      reportDamage(s, next, scan);
      damaged = true;
      toTheEnd = next > 0;
    }
  }
  QString& t = scan.report;
  t += QStringLiteral("  ----------------------------------\n   totalRecords read=") + num(total) + '\n';
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

bool DataFileSlots::load(int16_t slot, const QString& name, QVector<FileStretch>* walked) {
  m_loadProblem.clear();
  if (slot < 0 || slot > 1) return false;
  dataFileIndex& ix = m_index[slot];
  ix.sections.clear();
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
  ix = std::move(scan.index);
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
  dataFileIndex read;
  for (zavio::FileStretch& s : zavio::walkDataFile(m_fd, fileLength(m_fd), own)) {
    if (s.isSection) appendSection(read, std::move(s));
  }
  m_sections = std::move(read.sections);
}

DataFileWalk::~DataFileWalk() {
  if (m_fd >= 0) ::close(m_fd);
}

int32_t DataFileWalk::readReadings(const DataSection& s, int64_t from, int64_t to, QByteArray& buf,
                                   int32_t& first) const {
  to = std::min(to, s.records);
  if (m_fd < 0 || from < 0 || from >= to) return -1;
  buf.resize((to - from) * kRecordBytes);
  if (!readAt(m_fd, s.recordPos(from), buf.data(), int(buf.size()))) return -1;
  // The run holding `from` or the first behind it; its readings and those of
  // the runs behind it within the records read go to the front.
  qsizetype j = s.runs.firstBeginningAfter(from);
  if (j > 0 && from < s.recordOf(s.runs[j - 1].end, j - 1)) j -= 1;
  char* out = buf.data();
  int32_t n = 0;
  first = -1;
  for (; j < s.runs.size() && s.runs[j].first < to; ++j) {
    const int32_t before = j > 0 ? s.runs[j - 1].end : 0;
    const int64_t a = std::max<int64_t>(s.runs[j].first, from);
    const int64_t b = std::min<int64_t>(s.recordOf(s.runs[j].end, j), to);
    if (first < 0) first = before + int32_t(a - s.runs[j].first);
    if (a - from > n) std::memmove(out + int64_t(n) * kRecordBytes, out + (a - from) * kRecordBytes, (b - a) * kRecordBytes);
    n += int32_t(b - a);
  }
  return n;
}

QString formatMs(int32_t value) {
  return num(value / 1000000) + '.' + num((value / 1000) % 1000) + '.' + num(value % 1000);
}

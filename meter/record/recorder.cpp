#include "meter/record/recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <algorithm>

#include "core/log/logmsg.h"
#include "core/settings/settings.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "meter/record/data_file.h"
#include "meter/record/data_file_io.h"
#include "meter/record/locked_file.h"
#include "meter/record/text_log.h"

using namespace zavio;

namespace {

QString num(int64_t v) { return QString::number(v); }

int32_t settingToInt32(double v) {
  int32_t out = 0;
  if (roundToInt32(v, out)) return out;
  return v > 0 ? INT32_MAX : INT32_MIN;
}

// Opens the data file for recording and takes its exclusive lock.
Result<int> openDataFile(const QString& name) {
  if (name.isEmpty()) return Failure(QStringLiteral("no file name"));
  return openLocked(name, O_RDWR);
}

}  // namespace

OwnHeader ownHeaderOf(const Settings& settings) {
  return {.sensorVers = {settings.ZAVdetectorVer}, .meterIDs = {settings.ZAVmeterID}};
}

Recorder::Recorder(DataFileSlots& indexes, TextLog& textLog) : m_slots(indexes), m_textLog(textLog) {}

Recorder::~Recorder() {
  if (isOpen()) closeOutZavDat(*this);
}

void Recorder::closeFile() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_slots.fileNumbers().release(m_fileNumber);
  m_fileNumber = 0;
}

Result<> Recorder::open(const Settings& settings) {
  const QString& name = settings.zavDatFileName[0];
  if (isOpen()) closeOutZavDat(*this);
  m_fileName = name;
  m_problem.clear();
  m_clockWrong = false;
  const Result<int> fd = takeFiles(name);
  if (!fd) return fd.failure();
  QVector<FileStretch> walk = cutTail(*fd, ownHeaderOf(settings));
  m_slots.load(0, name, &walk);
  QString t;
  if (const Result<> taken = takeLoadedFile(name, t); !taken) {
    ::close(*fd);
    return taken;
  }
  m_fd = *fd;
  m_fileNumber = m_slots.fileNumbers().take();
  m_length = fileLength(m_fd);
  t += QStringLiteral("zavOutFileNr=") + num(m_fileNumber) + '\n';
  closeLastSection(walk, t);
  prepareSection(settings);
  logMsg(1, QStringLiteral("openOutZavDat:\nfileName=") + name + '\n' + t);
  return {};
}

// The lock comes first: a file another copy records into is neither repaired nor read for recording.
Result<int> Recorder::takeFiles(const QString& name) {
  const Result<int> locked = openDataFile(name);
  QString refusal = locked.error();
  if (locked) {
    if (const Result<> text = m_textLog.lock(); !text) {
      refusal = QStringLiteral("the text log ") + m_textLog.fileName() + QStringLiteral(" is ") + text.error();
      ::close(*locked);
    }
  }
  if (refusal.isEmpty()) return *locked;
  m_problem = name + QStringLiteral(": ") + refusal;
  return Failure(QStringLiteral("ERROR cannot open file: ") + refusal + QStringLiteral(" - nothing is recorded"));
}

// What a kill or a lost write left at the very end goes; the file's stretches as it then stands.
QVector<FileStretch> Recorder::cutTail(int fd, const OwnHeader& own) {
  const Result<TailCut> cut = cutTornTail(fd, own);
  if (!cut) {
    logMsg(-1, QStringLiteral("openOutZavDat: ERROR ") + cut.error());
    return walkDataFile(fd, fileLength(fd), own);
  }
  if (cut->from > 0) {
    logMsg(-1, QStringLiteral("openOutZavDat: ERROR torn tail cut: ") + cut->what + QStringLiteral(" at position=") +
                   num(cut->from) + QStringLiteral("  bytes cut=") + num(cut->bytes) +
                   QStringLiteral("  fileLength=") + num(cut->from - 1));
  }
  return cut->walk;
}

// Whether the loaded file can be recorded into: new, empty, or with a last section of a version of ours.
Result<> Recorder::takeLoadedFile(const QString& name, QString& t) {
  const dataFileIndex& ix = m_slots[0];
  const QFileInfo fi(name);
  bool take = true;
  if (!fi.isFile()) {
    t += QStringLiteral("starting new Zav file\n");
  } else if (fi.size() == 0) {
    t += QStringLiteral("fileLength=") + num(fi.size()) + QStringLiteral("\nadding to empty Zav file\n");
  } else if (ix.sectionCount < 1) {
    t += QStringLiteral("file size error0\n");
    // The caption gives what the loader found wrong, not the count it left.
    if (!m_slots.loadProblem().isEmpty()) m_problem = name + QStringLiteral(": ") + m_slots.loadProblem();
    take = false;
  } else if (!fileVersionOk(ix.sections.last().header.version)) {
    t += QStringLiteral("unsupported file version:") + num(ix.sections.last().header.version) + '\n';
    take = false;
  } else {
    t += QStringLiteral("adding to existing file version:") + num(ix.sections.last().header.version) +
         QStringLiteral("  last section created:") + generalDate(ix.sections.last().header.startTime) + '\n';
  }
  if (take) return {};
  if (m_problem.isEmpty()) m_problem = name + QStringLiteral(": ") + t.section('\n', 0, 0);
  return Failure(t);
}

// The last section left open by a kill, or whose count runs past the end of
// the file (damage), gets the count of its records up to its last reading, and
// that count reaches the disk before a new section's header can follow it.
void Recorder::closeLastSection(const QVector<FileStretch>& walk, QString& t) {
  const auto last = std::find_if(walk.rbegin(), walk.rend(), [](const FileStretch& w) { return w.isSection; });
  if (last == walk.rend()) return;
  m_headPos = last->from;
  m_header = last->header;
  if (!reachesFileEnd(m_header, m_headPos, m_length)) return;
  const bool pastTheEnd = m_header.records > 0;
  const int32_t records = int32_t(std::min<int64_t>(last->records, INT32_MAX));
  t += QStringLiteral("adjusting last section records count=") + num(records) +
       (pastTheEnd ? QStringLiteral(" (records=") + num(m_header.records) +
                         QStringLiteral(" ran past the end of the file)")
                   : QString()) +
       '\n';
  fileSection h = m_header;
  h.records = records;
  if (!writeAt(m_fd, m_headPos, packSection(h))) {
    t += QStringLiteral("ERROR writing header: ") + errnoText() + '\n';
  } else {
    syncCount(QStringLiteral("openOutZavDat"));
  }
}

// The header of the next section, with the settings' meter constants.
void Recorder::prepareSection(const Settings& settings) {
  fileSection& h = m_header;
  h.startTime = dateNow();
  h.version = kWrittenFileVersion;
  h.sensorVer = settings.ZAVdetectorVer;
  h.meterID = settings.ZAVmeterID;
  h.ticksPerSec = settingToInt32(settings.ticksPerSec);
  h.WsPerCount = settingToInt32(settings.WsPerCount);
  h.resetCount = 0;
  h.voltCount = 0;
  h.records = 0;
  m_nextTicksPerSec = h.ticksPerSec;
  m_nextWsPerCount = h.WsPerCount;
}

Result<> Recorder::close() {
  if (!isOpen()) {
    const int16_t nr = m_fileNumber;
    closeFile();
    return Failure(QStringLiteral("zavOutFile Nr: ") + num(nr) + QStringLiteral(" is not open"));
  }
  const int16_t nr = m_fileNumber;
  Result<> done;
  if (m_header.records > 0) {
    // Synced: a later run's first reading appends a header behind it.
    if (!writeAt(m_fd, m_headPos, packSection(m_header))) {
      done = Failure(QStringLiteral("closeOutZavDat: ERROR writing header at position=") + num(m_headPos) +
                     QStringLiteral(": ") + errnoText());
    } else {
      syncCount(QStringLiteral("closeOutZavDat"));
    }
    logMsg(2, QStringLiteral("saving header new records=") + num(m_header.records) +
                  QStringLiteral(" and closing zavOutFile Nr: ") + num(nr));
  } else {
    logMsg(2, QStringLiteral("no new records, closing zavOutFile Nr: ") + num(nr));
  }
  closeFile();
  return done;
}

Result<> Recorder::writeFailed(int64_t pos, qsizetype bytes) {
  const QString err = errnoText();
  // Leave no partial record behind for the next open.
  if (m_fd >= 0) {
    const int cut = ::ftruncate(m_fd, m_length);
    Q_UNUSED(cut);
  }
  QString text = QStringLiteral("writing data file ") + m_fileName + QStringLiteral(" at position=") + num(pos) +
                 QStringLiteral(" bytes=") + num(bytes) + QStringLiteral(": ") + err +
                 QStringLiteral(" - data file closed");
  if (const Result<> closed = close(); !closed) text += '\n' + closed.error();
  return Failure(text);
}

// A count that may not have reached the disk is said, and recording goes on:
// closing the file for it would lose the readings to come, not keep this one.
void Recorder::syncCount(const QString& where) {
  if (syncData(m_fd)) return;
  logMsg(-1, where + QStringLiteral(": ERROR the section count at position=") + num(m_headPos) +
                 QStringLiteral(" may not have reached the disk: ") + errnoText());
}

Result<> Recorder::endSection(Date time) {
  dataFileIndex& ix = m_slots[0];
  if (!ix.sections.isEmpty()) ix.sections.last().header = m_header;
  const QByteArray bytes = packSection(m_header);
  // The count reaches the disk before the next header follows it: a power cut
  // cannot keep the new header behind a section that still reads as open.
  if (!writeAt(m_fd, m_headPos, bytes)) return writeFailed(m_headPos, bytes.size());
  syncCount(QStringLiteral("newMeterCount"));
  m_header.startTime = time;
  m_header.records = 0;
  return {};
}

bool Recorder::clockAllows(Date time) {
  if (!plausibleTime(time)) {
    if (!m_clockWrong) {
      logMsg(-1, QStringLiteral("newMeterCount: ERROR the PC clock says ") + generalDate(time) +
                     QStringLiteral(": no reading is recorded until it is set to a date of 1990-2200"));
    }
    m_clockWrong = true;
    return false;
  }
  if (m_clockWrong) {
    logMsg(1, QStringLiteral("newMeterCount: the PC clock says ") + generalDate(time) +
                  QStringLiteral(": recording goes on"));
  }
  m_clockWrong = false;
  return true;
}

void Recorder::setMeterConstants(const Settings& settings) {
  if (!isOpen()) return;
  m_nextTicksPerSec = settingToInt32(settings.ticksPerSec);
  m_nextWsPerCount = settingToInt32(settings.WsPerCount);
  if (m_header.records > 0 &&
      (m_nextTicksPerSec != m_header.ticksPerSec || m_nextWsPerCount != m_header.WsPerCount)) {
    logMsg(2, QStringLiteral("setMeterConstants: ticksPerSec=") + num(m_nextTicksPerSec) +
                  QStringLiteral("  WsPerCount=") + num(m_nextWsPerCount) +
                  QStringLiteral(": the next reading starts a new section"));
  }
}

Result<bool> Recorder::append(const Reading& r, Date time) {
  if (!isOpen()) return Failure(QStringLiteral("no data file open"));
  if (!clockAllows(time)) return false;
  fileSection& h = m_header;
  const bool newConstants = m_nextTicksPerSec != h.ticksPerSec || m_nextWsPerCount != h.WsPerCount;
  if (h.records > 0 && (r.resetCount != h.resetCount || newConstants)) {
    if (Result<> ended = endSection(time); !ended) return ended.failure();
  }
  if (h.records == 0) {
    h.resetCount = r.resetCount;
    h.voltCount = r.voltage;
    h.ticksPerSec = m_nextTicksPerSec;
    h.WsPerCount = m_nextWsPerCount;
  }
  m_record = meterRecord{.recTime = time, .count = r.count, .ticks = r.ticks, .temp = r.temperature};
  const bool newSection = h.records == 0;
  QByteArray out;
  const int64_t at = m_length + 1;
  if (newSection) out = packSection(h);
  out += packRecord(m_record);
  // Header and first record in one write: a kill never leaves an empty section.
  if (!writeAt(m_fd, at, out)) return writeFailed(at, out.size()).failure();
  m_length += out.size();

  dataFileIndex& ix = m_slots[0];
  if (newSection) m_headPos = at;
  if (newSection || ix.sections.isEmpty()) appendSection(ix, DataSection{.from = m_headPos, .header = h});
  h.records += 1;
  DataSection& s = ix.sections.last();
  s.header.records = h.records;
  s.records = h.records;
  if (s.runs.isEmpty()) {
    s.runs.append({.first = 0, .end = 1});
  } else {
    s.runs.setLastEnd(s.runs.last().end + 1);
  }
  s.lastTime = time;
  if (ix.recordCount == 0) ix.firstRecordTime = time;
  ix.recordCount += 1;
  ix.lastRecordTime = time;
  m_recordPos = m_length + 1 - kRecordBytes;
  return true;
}

bool openOutZavDat(Recorder& recorder, const Settings& settings) {
  const Result<> opened = recorder.open(settings);
  if (!opened) {
    logMsg(-1, QStringLiteral("openOutZavDat:\nfileName=") + settings.zavDatFileName[0] + '\n' + opened.error());
  }
  return opened.ok();
}

void closeOutZavDat(Recorder& recorder) {
  if (const Result<> closed = recorder.close(); !closed) logMsg(-1, closed.error());
}

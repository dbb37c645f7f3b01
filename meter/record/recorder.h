#pragma once
// Recording into the data file: the open file with its exclusive lock, the
// header of the open section and the record being written. A reading goes in
// as a value; every step that can fail gives back why.

#include <QString>
#include <cstdint>

#include "core/util/date_value.h"
#include "meter/record/data_file_io.h"
#include "meter/record/reading.h"
#include "meter/record/zav_format.h"
#include "platform/result.h"

class DataFileSlots;
class TextLog;
struct Settings;

class Recorder {
 public:
  // Slot 0 of `indexes` is the index of the file recorded into; the text log is
  // locked together with the data file.
  Recorder(DataFileSlots& indexes, TextLog& textLog);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Opens the settings' data file (zavDatFileName[0]) for appending with an
  // exclusive lock on it and on the text log, cuts a torn tail, loads its index
  // and prepares a new section with the settings' meter constants. Refused when
  // the file cannot be taken or another program holds either lock (neither file
  // is changed): the failure is the rest of the open's report after its file
  // name, and problem() says which file and why.
  Result<> open(const Settings& settings);
  // Why the last open failed: "<path>: <reason>"; empty when it did not.
  const QString& problem() const { return m_problem; }
  // Writes the open section's header with its record count and closes the
  // file; the failure is the line to log.
  Result<> close();
  bool isOpen() const { return m_fileNumber > 0; }
  int16_t fileNumber() const { return m_fileNumber; }
  const QString& fileName() const { return m_fileName; }

  // The reading as the open section's next record, at `time`; true when
  // written. Every change of the reset count starts a section (also a change
  // to 0); a new section takes the reading's reset count and voltage, and goes
  // out with its first record in one write. Each record reaches the file before
  // this returns. On a failed write the file is closed and the failure says
  // where and why. False, and nothing written, while `time` (the PC clock)
  // lies outside 1990-2200, as no reading may be dated: the message window
  // says so when the clock goes wrong and when recording goes on.
  Result<bool> append(const Reading& reading, Date time);

  // The meter constants of new settings while recording: the open section
  // keeps those its readings were counted with; the next reading starts a
  // section with these when they differ.
  void setMeterConstants(const Settings& settings);

  const fileSection& header() const { return m_header; }
  const meterRecord& record() const { return m_record; }
  int64_t headPos() const { return m_headPos; }      // 1-based position of the open section's header
  int64_t recordPos() const { return m_recordPos; }  // 1-based position of the last record written

 private:
  // The steps of open.
  Result<int> takeFiles(const QString& name);
  QVector<zavio::FileStretch> cutTail(int fd, const zavio::OwnHeader& own);
  Result<> takeLoadedFile(const QString& name, QString& t);
  void closeLastSection(const QVector<zavio::FileStretch>& walk, QString& t);
  void prepareSection(const Settings& settings);

  void syncCount(const QString& where);
  Result<> endSection(Date time);
  Result<> writeFailed(int64_t pos, qsizetype bytes);
  void closeFile();
  bool clockAllows(Date time);

  DataFileSlots& m_slots;
  TextLog& m_textLog;
  int m_fd = -1;
  int16_t m_fileNumber = 0;
  int64_t m_length = 0;  // length of the open file, kept so appends need no stat
  int64_t m_headPos = 0;
  int64_t m_recordPos = 0;
  fileSection m_header;
  meterRecord m_record;
  QString m_fileName;
  QString m_problem;
  bool m_clockWrong = false;  // said so; no reading recorded since
  // Ticks per second and Ws per count of the next section.
  int32_t m_nextTicksPerSec = 0;
  int32_t m_nextWsPerCount = 0;
};

// The header a recorder with these settings writes, as a torn piece of it is known by.
zavio::OwnHeader ownHeaderOf(const Settings& settings);

// The designed routines over the recorder: they log what the recorder reports.
// openOutZavDat: true when the file is open for recording.
bool openOutZavDat(Recorder& recorder, const Settings& settings);
void closeOutZavDat(Recorder& recorder);

#pragma once
// Recording into the data file (format in zav_format.h) and the index of a
// file's sections.

#include <QString>
#include <QVector>
#include <cstdint>

#include "core/util/date_value.h"
#include "meter/record/zav_format.h"

// Index of one file's sections; element 0 of the arrays is never used.
struct dataFileIndex {
  QVector<fileSection> sectionHeaders{fileSection{}};
  QVector<int64_t> sectionFilePos{0};  // 1-based position of each header
  QVector<Date> sectionLastTime{0};
  QVector<int32_t> sectionEndRecord{0};  // running total of records up to the section
  int32_t sectionCount = 0;
  int32_t recordCount = 0;
  Date firstRecordTime = 0;
  Date lastRecordTime = 0;
};
// Slot 0: the file recorded into (zavDatFileName[0]); slot 1: second plot file.
extern dataFileIndex dataFileSlots[2];

// 1-based byte position of record r (1-based over the whole file) of a slot's
// index, or 0 when r is outside it.
int64_t recordFilePos(const dataFileIndex& index, int32_t r);

// Rebuilds dataFileSlots[slot] from zavDatFileName[slot]. True when the whole
// file was read; on a fault the index keeps the sections read before it.
bool loadZavDatNEW(int16_t slot);

// Output state: file number > 0 while the data file is open for recording.
struct zavOutRecord {
  fileSection header;
  meterRecord record;
};
extern int16_t zavOutFile;
extern int64_t zavOutHeadPtr;  // 1-based position of the open section's header
extern int64_t zavOutRecPtr;   // 1-based position of the last record written
extern zavOutRecord zavOutDat;

// Opens zavDatFileName[0] for appending with an exclusive lock on it and on
// the text log (cuts a torn tail first); zavOutFile stays 0 when the file is
// refused or another program holds either lock, and neither file is changed.
void openOutZavDat();
// Why the last openOutZavDat failed: "<path>: <reason>"; empty when it did not.
QString dataFileOpenProblem();
// Writes the open section's header with its record count and closes the file.
void closeOutZavDat();

// Appends zavOutDat.record for a reading; starts a new section first when the
// header has no records (header and record then go out in one write). The
// caller sets the header's resetCount/voltCount before a new section. Each
// call reaches the file before it returns. False when the write failed: the
// error is logged at -1 and the file is closed.
bool appendOutRecord(Date readingTime);
// Closes the open section: rewrites its header with the record count and
// prepares the next one (startTime = readingTime, records = 0).
bool endOutSection(Date readingTime);

// A section as a file holds it: where its header lies, the header as on disk
// (records 0: left open by a kill) and the whole records it holds.
struct SectionSpan {
  int64_t pos = 0;  // 1-based position of the header
  fileSection header;
  int64_t records = 0;
};

// A data file read section by section and never changed: an open section runs
// to the next section header or the end (a torn record at the end is not
// counted), and damage in the middle is passed over to the next section header.
class DataFileWalk {
 public:
  explicit DataFileWalk(const QString& fileName);
  ~DataFileWalk();
  DataFileWalk(const DataFileWalk&) = delete;
  DataFileWalk& operator=(const DataFileWalk&) = delete;
  const QVector<SectionSpan>& sections() const { return m_sections; }
  // The bytes of n records of section s from its record `first` (0-based) on;
  // false when they are not all there.
  bool readRecords(const SectionSpan& s, int64_t first, int64_t n, QByteArray& buf) const;

 private:
  int m_fd = -1;
  QVector<SectionSpan> m_sections;
};

// "1.234.567" style text of a 32-bit count.
QString formatMs(int32_t value);

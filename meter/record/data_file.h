#pragma once
// Recording into the data file (format in zav_format.h) and the index of a
// file's sections.

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

#include "core/util/date_value.h"
#include "meter/record/zav_format.h"
#include "platform/result.h"

namespace zavio {
struct FileStretch;
struct OwnHeader;
}

// Index of one file's sections; element 0 of the arrays is never used. A
// section with records in its midst that are no reading is indexed in parts,
// one per run of readings: the parts keep their section's header (records:
// the part's readings) and header position, and each has the position of its
// first record.
struct dataFileIndex {
  QVector<fileSection> sectionHeaders{fileSection{}};
  QVector<int64_t> sectionFilePos{0};    // 1-based position of each header
  QVector<int64_t> sectionRecordPos{0};  // 1-based position of each part's first record
  QVector<Date> sectionLastTime{0};
  QVector<int32_t> sectionEndRecord{0};  // running total of records up to the section
  int32_t sectionCount = 0;
  int32_t recordCount = 0;
  Date firstRecordTime = 0;
  Date lastRecordTime = 0;
};
// 1-based byte position of record r (1-based over the whole file) of a slot's
// index, or 0 when r is outside it.
int64_t recordFilePos(const dataFileIndex& index, int32_t r);
// 1-based position of the first record of part s (right behind its header
// where the index holds no position of its own).
inline int64_t firstRecordPos(const dataFileIndex& ix, int s) {
  return s < ix.sectionRecordPos.size() && ix.sectionRecordPos[s] > 0 ? ix.sectionRecordPos[s]
                                                                      : ix.sectionFilePos[s] + kSectionBytes;
}
// Whether part s goes on the section of part s - 1 behind records that are no reading.
inline bool continuesSection(const dataFileIndex& ix, int s) {
  return s > 1 && s < ix.sectionFilePos.size() && ix.sectionFilePos[s] == ix.sectionFilePos[s - 1];
}

// A data file's section index read on its own: the sections read (every one
// the walk finds, up to a fault at the end), whether the whole file was read,
// the loader's report and the lines naming each damaged range skipped and each
// count not believed, and the first fault in the report's words.
struct DataFileIndexRead {
  dataFileIndex index;
  bool whole = false;
  QString report;
  QStringList skipped;
  QString problem;
};
// Reads a data file's index without creating, locking, changing or logging
// anything, so any thread may call it; fails only when the file cannot be opened.
Result<DataFileIndexRead> readDataFileIndex(const QString& fileName);

// File numbers as the reports show them: the lowest number not in use.
class FileNumbers {
 public:
  int16_t take();
  void release(int16_t n);

 private:
  uint32_t m_inUse = 0;
};

// The section indexes of the two data files: slot 0 the file recorded into
// (the recorder keeps it up to date as it appends), slot 1 the archive file
// the user views. Element 0 of each index's arrays is never used.
class DataFileSlots {
 public:
  const dataFileIndex& operator[](int slot) const { return m_index[slot == 1 ? 1 : 0]; }
  dataFileIndex& operator[](int slot) { return m_index[slot == 1 ? 1 : 0]; }
  // Rebuilds the slot's index from the file and logs the loader's report (the
  // archive slot only when the file exists). True when the whole file was read;
  // on a fault the index keeps the sections read before it. `walked` spares a
  // second walk when the caller has just walked the file under its lock.
  bool load(int16_t slot, const QString& fileName, const QVector<zavio::FileStretch>* walked = nullptr);
  // The first fault of the last load, in its report's words.
  const QString& loadProblem() const { return m_loadProblem; }
  FileNumbers& fileNumbers() { return m_numbers; }

 private:
  dataFileIndex m_index[2];
  QString m_loadProblem;
  FileNumbers m_numbers;
};

// A run of readings of a section as a file holds it: where its header lies,
// the header as on disk (records 0: left open by a kill), the position of the
// run's first record and its readings. A section with records in its midst
// that are no reading has a run for each stretch of readings.
struct SectionSpan {
  int64_t pos = 0;  // 1-based position of the header
  fileSection header;
  int64_t first = 0;  // 1-based position of the run's first record
  int64_t records = 0;
  bool continues = false;  // goes on the section of the run before it
  int64_t sectionRecords = 0;  // the section's records up to its last reading, those that are none included
};

// A data file read run by run of readings, as the loader reads it, and never
// changed: an open section runs to the next section header or the end (a torn
// record at the end is not counted), and damage is passed over to the next
// section header.
class DataFileWalk {
 public:
  // own: the header the recorder writes (a torn piece of one at the end is no reading).
  DataFileWalk(const QString& fileName, const zavio::OwnHeader& own);
  ~DataFileWalk();
  DataFileWalk(const DataFileWalk&) = delete;
  DataFileWalk& operator=(const DataFileWalk&) = delete;
  const QVector<SectionSpan>& sections() const { return m_sections; }
  // The bytes of n records of run s from its record `first` (0-based) on;
  // false when they are not all there.
  bool readRecords(const SectionSpan& s, int64_t first, int64_t n, QByteArray& buf) const;

 private:
  int m_fd = -1;
  QVector<SectionSpan> m_sections;
};

// "1.234.567" style text of a 32-bit count.
QString formatMs(int32_t value);

#pragma once
// Recording into the data file (format in zav_format.h) and the index of a
// file's sections.

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

#include "core/util/date_value.h"
#include "meter/record/reading_runs.h"
#include "meter/record/zav_format.h"
#include "platform/result.h"

namespace zavio {
struct FileStretch;
struct OwnHeader;
}

// A section of a data file with its runs of readings, as the walk finds it,
// the index holds it and the plot reads it: the records in its midst that are
// no reading lie between its runs (a section without such records has one
// run). Readings are numbered over the file, from 1; 32-bit numbers are the
// index's limit.
struct DataSection {
  int64_t from = 0;          // 1-based position of its header
  fileSection header;        // as on disk (records 0: left open by a kill)
  int64_t records = 0;       // its records up to its last reading, those that are none included
  int32_t before = 0;        // the file's readings before its first
  Date lastTime = 0;         // its last reading's time
  ReadingRuns runs{};  // in file order

  int32_t readings() const { return runs.isEmpty() ? 0 : runs.last().end; }
  // The number over the file of its last reading.
  int64_t endRecord() const { return int64_t(before) + readings(); }
  // The run holding its reading k (0-based), by binary search; runs.size() past the last.
  qsizetype runOf(int32_t k) const;
  // The place among its records of reading k (0-based) of run j.
  int64_t recordOf(int32_t k, qsizetype j) const {
    return runs[j].first + int64_t(k - (j > 0 ? runs[j - 1].end : 0));
  }
  // 1-based position of its record at `place` (0-based).
  int64_t recordPos(int64_t place) const { return from + kSectionBytes + place * kRecordBytes; }
  // How many runs of records that are no reading lie among its records, and their records.
  qsizetype refusedRuns() const { return runs.isEmpty() ? 0 : runs.size() - 1 + (runs[0].first > 0 ? 1 : 0); }
  int64_t refusedRecords() const { return records - readings(); }
};

// Where a reading of an index lies: its section and the run within it.
struct ReadingPlace {
  qsizetype section = 0;
  qsizetype run = 0;
};

// Index of one file's sections, each once with its runs of readings.
struct dataFileIndex {
  QVector<DataSection> sections;  // in file order
  int32_t sectionCount = 0;       // sections.size()
  int32_t recordCount = 0;        // readings
  Date firstRecordTime = 0;
  Date lastRecordTime = 0;

  // The index's four arrays by section number k (1 .. sectionCount; nothing
  // outside): a copy of its header with the readings found as its records, its
  // header's 1-based position, its last reading's time, and the running total
  // of readings up to and with it (0 for k = 0).
  fileSection sectionHeaders(int32_t k) const;
  int64_t sectionFilePos(int32_t k) const { return holds(k) ? sections[k - 1].from : 0; }
  Date sectionLastTime(int32_t k) const { return holds(k) ? sections[k - 1].lastTime : 0; }
  int32_t sectionEndRecord(int32_t k) const { return holds(k) ? int32_t(sections[k - 1].endRecord()) : 0; }

 private:
  bool holds(int32_t k) const { return k >= 1 && k <= sections.size(); }
};
// Appends a section behind the index's last, numbering its readings on from
// there; takes its runs.
void appendSection(dataFileIndex& ix, DataSection s);
// Finds reading r (1-based over the file) from `at` on: the next run by a
// step, any other by binary search. False when r is outside the index.
bool findReading(const dataFileIndex& ix, int32_t r, ReadingPlace& at);
// 1-based byte position of record r (1-based over the whole file) of a slot's
// index, or 0 when r is outside it.
int64_t recordFilePos(const dataFileIndex& index, int32_t r);

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
// the user views.
class DataFileSlots {
 public:
  const dataFileIndex& operator[](int slot) const { return m_index[slot == 1 ? 1 : 0]; }
  dataFileIndex& operator[](int slot) { return m_index[slot == 1 ? 1 : 0]; }
  // Rebuilds the slot's index from the file and logs the loader's report (the
  // archive slot only when the file exists). True when the whole file was read;
  // on a fault the index keeps the sections read before it. `walked` spares a
  // second walk when the caller has just walked the file under its lock; the
  // runs of its sections move into the index.
  bool load(int16_t slot, const QString& fileName, QVector<zavio::FileStretch>* walked = nullptr);
  // The first fault of the last load, in its report's words.
  const QString& loadProblem() const { return m_loadProblem; }
  FileNumbers& fileNumbers() { return m_numbers; }

 private:
  dataFileIndex m_index[2];
  QString m_loadProblem;
  FileNumbers m_numbers;
};

// A data file read section by section, as the loader reads it, and never
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
  const QVector<DataSection>& sections() const { return m_sections; }
  // The readings of section s among its records [from, to), read at once and
  // put one behind the other at the front of buf; their number (-1 when the
  // records are not all there), `first` the number among its readings
  // (0-based) of the first.
  int32_t readReadings(const DataSection& s, int64_t from, int64_t to, QByteArray& buf, int32_t& first) const;

 private:
  int m_fd = -1;
  QVector<DataSection> m_sections;
};

// "1.234.567" style text of a 32-bit count.
QString formatMs(int32_t value);

#pragma once
// Positioned reads and writes of a data file, the one walk over its sections
// and the repair of its torn tail, shared by the index reader, the recorder and
// the register's continuation. Positions are 1-based.

#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>

#include "meter/record/data_file.h"
#include "meter/record/zav_format.h"
#include "platform/result.h"

namespace zavio {

// Reads exactly n bytes at a 1-based position; false on a short read.
bool readAt(int fd, int64_t pos1, char* buf, int n);
bool writeAt(int fd, int64_t pos1, const QByteArray& bytes);
// What was written reaches the disk (the data, and the length where it grew).
bool syncData(int fd);
// Tests: every sync fails with this errno (0: none fails), as on a file system that has none.
void failDataSyncsForTest(int error);
int64_t fileLength(int fd);

// What a new section's header this program writes is known by, should a lost
// write leave only its first bytes at the end of the file: the version it
// writes, and the sensor version and meter id of the settings (these) or of
// the last section's header.
struct OwnHeader {
  QVector<int32_t> sensorVers{};
  QVector<int32_t> meterIDs{};
};

// Whether the records of the section whose header `h` lies at `from` run to
// the end of a file of `len` bytes: left open by a kill (count 0), or its count
// runs past the end. Such a section's count protects nothing at the end.
bool reachesFileEnd(const fileSection& h, int64_t from, int64_t len);

// One stretch of a data file as the walk found it: a section (its header,
// its records up to the last reading and its runs of readings, which the
// index takes as they are) or damage passed over (from, to, and the header
// read at `from` when 38 bytes were there: headerRead).
struct FileStretch : DataSection {
  int64_t to = 0;  // first byte behind it
  bool isSection = false;
  bool headerRead = false;
  QString why;               // damage: why no section starts at `from`; a section: what was not believed
  QString refusedWhy;        // a section with records that are no reading: where and why
  bool tornHeader = false;   // damage: a header of ours a lost write left without a reading at the end of the file
};
// The stretches of a data file of `len` bytes, in file order, together
// covering it. A header that passes every check starts a section wherever it
// lies: no count before it makes it records, and behind damage the search for
// it starts at the first byte behind the last good data. A section's records
// run to where its count says (the end of the file when open, 0 records on
// disk, or when the count runs past it), or end earlier where such a header
// begins. Each whole record among them is a reading when dated as the program
// dates one (recordIsReading); one that is none is passed over alone, and the
// section ends at its last reading: the bytes behind it are damage. A header
// right behind a closed section's count is where the program wrote it: it
// needs no reading among its first records, so damage to them costs only
// them. The stretch the file ends with may be a section header of ours
// (`own`, or the last section's) that a lost write left without a reading: the
// last stretch, marked tornHeader, where the one rule of the file's end finds
// it (the walk's tornHeaderAt), never among records a closed count claims.
// `endCut`: the file ends where a cut of its torn tail left it, so no torn
// piece lies there.
QVector<FileStretch> walkDataFile(int fd, int64_t len, const OwnHeader& own = {}, bool endCut = false);

// What a kill left at the very end of the file and was cut: from (1-based) is 0
// when nothing was cut.
struct TailCut {
  int64_t from = 0;
  QString what;
  int64_t bytes = 0;
  QVector<FileStretch> walk{};  // the file's stretches as it stands after the cut
};
// Cuts what lies behind the last reading at the very end of an open data file
// where a kill or a lost write leaves it: a partial record, the torn header the
// walk found, and records that are no reading (zeros, dates outside
// 1990-2200); in a file without a section, all of it where the walk found it a
// lost first write. Never a whole record dated as a reading before the torn
// header, wherever it lies, nor what could be another version's section
// header. Fails with the reason when the cut itself failed.
Result<TailCut> cutTornTail(int fd, const OwnHeader& own);

}  // namespace zavio

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
int64_t fileLength(int fd);
// Gives the index's arrays room for n sections (element 0 unused).
void resizeIndex(dataFileIndex& ix, int n);

// One stretch of a data file as the walk found it: a section (its header and
// the whole records believed) or damage passed over.
struct FileStretch {
  int64_t from = 0;  // first byte
  int64_t to = 0;    // first byte behind it
  bool isSection = false;
  // As on disk (records 0: an open section); for damage the header read at
  // `from` when 38 bytes were there (headerRead).
  fileSection header;
  bool headerRead = false;
  int64_t records = 0;  // a section's whole records
  QString why;          // damage: why no section starts at `from`
};
// The stretches of a data file of `len` bytes, in file order, together
// covering it. A header that passes every check starts a section wherever it
// lies: no count before it makes it records, and behind damage the search for
// it starts at the first byte behind the last good data. A section's records
// end where its count says (the end of the file when open, 0 records on disk,
// or when the count runs past it), or earlier where such a header begins; and
// they are its readings (ReadingCheck): the first record that is none ends the
// section, and the bytes from it on are damage.
QVector<FileStretch> walkDataFile(int fd, int64_t len);

// What a kill left at the very end of the file and was cut: from (1-based) is 0
// when nothing was cut.
struct TailCut {
  int64_t from = 0;
  QString what;
  int64_t bytes = 0;
  QVector<FileStretch> walk{};  // the file's stretches as it stands after the cut
};
// Cuts what lies behind the last reading at the very end of an open data file
// (a partial record or header, a last header without a whole record behind
// it, zeros, stray bytes: what a kill or a lost write leaves) but for what
// could still be readings or another version's section; fails with the reason
// when the cut itself failed.
Result<TailCut> cutTornTail(int fd);

}  // namespace zavio

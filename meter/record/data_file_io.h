#pragma once
// Positioned reads and writes of a data file and the repair of its torn tail,
// shared by the index reader and the recorder. Positions are 1-based.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "meter/record/data_file.h"
#include "meter/record/zav_format.h"
#include "platform/result.h"

namespace zavio {

QString errnoText();
// Reads exactly n bytes at a 1-based position; false on a short read.
bool readAt(int fd, int64_t pos1, char* buf, int n);
bool writeAt(int fd, int64_t pos1, const QByteArray& bytes);
int64_t fileLength(int fd);
// Gives the index's arrays room for n sections (element 0 unused).
void resizeIndex(dataFileIndex& ix, int n);
// 1-based position of the first section header at or after `from` that can
// start a section, or 0: where reading goes on behind damage.
int64_t nextSectionAt(int fd, int64_t from, int64_t len);

// What a kill left at the very end of the file and was cut: from (1-based) is 0
// when nothing was cut.
struct TailCut {
  int64_t from = 0;
  QString what;
  int64_t bytes = 0;
};
// Cuts a torn tail at the very end of an open data file (see findTornTail);
// fails with the reason when the cut itself failed.
Result<TailCut> cutTornTail(int fd);

}  // namespace zavio

#include "chart/marks_array.h"

#include <QFile>
#include <QtEndian>

#include "core/log/logmsg.h"
#include "core/util/tick_helpers.h"

namespace {
void appendInt32(QByteArray& bytes, int32_t v) {
  char le[4];
  qToLittleEndian<int32_t>(v, le);
  bytes.append(le, 4);
}
}  // namespace

void initRCchart(int16_t& chartMode, int16_t& resetCount) {
  logMsg(2, QStringLiteral("initRCchart: ") + timeStampMs());
  chartMode = 0;
  resetCount = 0;
}

void resetRCchart(int16_t& resetCount, QVector<markRecord>& marks) {
  logMsg(2, QStringLiteral("resetRCchart: ") + timeStampMs());
  if (resetCount < INT16_MAX) ++resetCount;
  marks = QVector<markRecord>(1);
}

QByteArray markRecordBytes(const markRecord& mark) {
  QByteArray bytes(mark.data.data(), kMarkDataBytes);
  appendInt32(bytes, static_cast<int32_t>(mark.values.size()));
  for (int32_t v : mark.values) appendInt32(bytes, v);
  return bytes;
}

bool appendMarksToFile(const QString& target, const QVector<markRecord>& marks) {
  const int32_t n = static_cast<int32_t>(marks.size()) - 1;
  if (target.isEmpty()) {
    logMsg(-1, QStringLiteral("appendMarksToFile: ERROR no marks file is named; nothing saved"));
    return false;
  }
  if (n < 1) return false;
  QByteArray block;
  appendInt32(block, n);
  for (const markRecord& m : marks) block += markRecordBytes(m);
  QFile file(target);
  if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size()) || file.write(block) != block.size() ||
      !file.flush()) {
    logMsg(-1, QStringLiteral("appendMarksToFile: ERROR cannot write ") + target + QStringLiteral(": ") +
                   file.errorString());
    return false;
  }
  return true;
}

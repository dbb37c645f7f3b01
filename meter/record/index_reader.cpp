#include "meter/record/index_reader.h"

#include <QFile>
#include <QtEndian>
#include <cstdlib>
#include <cstring>

#include "core/log/logmsg.h"

int32_t logRecordCount = 0;
int16_t logSlots[2] = {0, 0};
QString logFileNames[2];

QString indexFileName(const QString& dataFileName) {
  return dataFileName.chopped(std::min<qsizetype>(3, dataFileName.size())) + QStringLiteral("LIX");
}

Date getLogRecordTime(int32_t n) {
  if (n < 1 || n > logRecordCount) return 0;
  logRecordHeader header;
  loadLogHeader(logSlots[0], n, header);
  return header.recTime;
}

void loadLogHeader(int16_t fileSlot, int32_t n, logRecordHeader& header) {
  if (fileSlot != logSlots[0] && fileSlot != logSlots[1]) {
    logMsg(-1, QStringLiteral("loadLogHeader: ERROR bsFnr= ") + QString::number(fileSlot));
    return;
  }
  const QString& name = logFileNames[fileSlot == logSlots[0] ? 0 : 1];
  QFile data(name);
  QFile index(indexFileName(name));
  if (!data.open(QIODevice::ReadOnly) || !index.open(QIODevice::ReadOnly)) return;
  readHeaderViaIndex(data, index, n, header);
}

void readHeaderViaIndex(QFile& dataFile, QFile& indexFile, int32_t n, logRecordHeader& header) {
  if (n < 1) return;
  char entry[4];
  if (!indexFile.seek(qint64(n - 1) * 4) || indexFile.read(entry, 4) != 4) return;
  const qint64 pos = std::llabs(qint64(qFromLittleEndian<qint32>(entry)));
  char stamp[8];
  if (pos < 1 || !dataFile.seek(pos - 1) || dataFile.read(stamp, 8) != 8) return;
  const quint64 bits = qFromLittleEndian<quint64>(stamp);
  std::memcpy(&header.recTime, &bits, sizeof header.recTime);
}

#include "meter/record/index_reader.h"

#include <QFile>
#include <QtEndian>
#include <cstdlib>

#include "core/log/logmsg.h"
#include "meter/record/zav_format.h"

QString indexFileName(const QString& dataFileName) {
  return dataFileName.chopped(std::min<qsizetype>(3, dataFileName.size())) + QStringLiteral("LIX");
}

Date LogFiles::getLogRecordTime(int32_t n) const {
  if (n < 1 || n > logRecordCount) return 0;
  logRecordHeader header;
  loadLogHeader(logSlots[0], n, header);
  return header.recTime;
}

Result<logRecordHeader> LogFiles::readLogHeader(int16_t fileSlot, int32_t n) const {
  if (fileSlot != logSlots[0] && fileSlot != logSlots[1]) {
    return Failure(QStringLiteral("bsFnr= ") + QString::number(fileSlot));
  }
  const QString& name = logFileNames[fileSlot == logSlots[0] ? 0 : 1];
  QFile data(name);
  QFile index(indexFileName(name));
  if (!data.open(QIODevice::ReadOnly)) return Failure(name + QStringLiteral(": ") + data.errorString());
  if (!index.open(QIODevice::ReadOnly)) return Failure(index.fileName() + QStringLiteral(": ") + index.errorString());
  return readHeaderViaIndex(data, index, n);
}

void LogFiles::loadLogHeader(int16_t fileSlot, int32_t n, logRecordHeader& header) const {
  const Result<logRecordHeader> read = readLogHeader(fileSlot, n);
  if (!read) {
    logMsg(-1, QStringLiteral("loadLogHeader: ERROR ") + read.error());
    return;
  }
  header = *read;
}

Result<logRecordHeader> readHeaderViaIndex(QFile& dataFile, QFile& indexFile, int32_t n) {
  if (n < 1) return Failure(QStringLiteral("no record ") + QString::number(n));
  char entry[4];
  if (!indexFile.seek(qint64(n - 1) * 4) || indexFile.read(entry, 4) != 4) {
    return Failure(QStringLiteral("no index entry for record ") + QString::number(n));
  }
  const qint64 pos = std::llabs(qint64(qFromLittleEndian<qint32>(entry)));
  char stamp[8];
  if (pos < 1 || !dataFile.seek(pos - 1) || dataFile.read(stamp, 8) != 8) {
    return Failure(QStringLiteral("no record header at position=") + QString::number(pos));
  }
  logRecordHeader header;
  header.recTime = unpackDate(stamp);
  return header;
}

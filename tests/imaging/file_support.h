#pragma once
// Helpers of the picture library's file tests: a file's bytes, and a disk that fills up.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

#include "imaging/picture_file.h"

// The file's bytes, or "(missing)".
inline QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

inline bool putFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// While it lives, the picture library's writes fail as on a full disk after `bytes` more bytes.
struct DiskFullAfter {
  explicit DiskFullAfter(int64_t bytes) { failImagingWritesAfterForTest(bytes); }
  ~DiskFullAfter() { failImagingWritesAfterForTest(-1); }
};

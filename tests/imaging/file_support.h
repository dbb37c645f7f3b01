#pragma once
// Helpers of the picture library's file tests: a file's bytes, a disk that fills
// up, and file accesses checked as an ordinary user's.

#include <sys/fsuid.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
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

// While it lives, this thread's file accesses are checked as an ordinary user's,
// also where the tests run as root, whom no file mode stops: root's thread takes
// the file system identity of "nobody", which drops root's file capabilities,
// after handing that user the files and folders in `own`.
class AsPlainUser {
 public:
  explicit AsPlainUser(const QStringList& own) {
    if (::geteuid() != 0) return;
    m_ok = false;
    for (const QString& path : own)
      if (::chown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0) return;
    ::setfsgid(kNobody);
    ::setfsuid(kNobody);
    m_switched = true;
    m_ok = ::setfsuid(uid_t(-1)) == int(kNobody);  // an invalid id answers the current one
  }
  ~AsPlainUser() {
    if (!m_switched) return;
    ::setfsuid(0);
    ::setfsgid(0);
  }
  AsPlainUser(const AsPlainUser&) = delete;
  AsPlainUser& operator=(const AsPlainUser&) = delete;
  // False where root may not change its identity: file modes cannot be tested here.
  bool ok() const { return m_ok; }

 private:
  static constexpr uid_t kNobody = 65534;
  bool m_ok = true;
  bool m_switched = false;
};

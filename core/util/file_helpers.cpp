#include "core/util/file_helpers.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/util/format_pattern.h"
#include "platform/user_notice.h"

namespace {
bool hasWildcards(const QString& name) { return name.contains(u'*') || name.contains(u'?'); }

// errno of stat() on the path, 0 when it exists.
int statErrno(const QByteArray& path, struct stat& st) {
  return ::stat(path.constData(), &st) == 0 ? 0 : errno;
}

void unexpectedError(int err) {
  userNotice(QStringLiteral("Unexpected error #") + strSigned(err) + QStringLiteral(" occurred: ") +
                 QString::fromLocal8Bit(std::strerror(err)),
             MsgIcon::Critical);
}

void pathMissing(const QString& path) {
  userNotice(QStringLiteral("This drive or path does not exist: ") + path, MsgIcon::Warning);
}

// The directory part of a path must exist for "not found" to be a plain answer.
bool directoryUsable(const QString& path) {
  const QString dir = QFileInfo(path).path();
  struct stat st;
  const int err = statErrno(QFile::encodeName(dir), st);
  if (err == 0 && S_ISDIR(st.st_mode)) return true;
  if (err == 0 || err == ENOENT || err == ENOTDIR) {
    pathMissing(path);
  } else {
    unexpectedError(err);
  }
  return false;
}

Date dateFromFileTime(int64_t units) {
  const int64_t secs = units >= 0 ? units / 10000000 : -((-units + 9999999) / 10000000);
  const int64_t days = secs >= 0 ? secs / kSecondsPerDay : -((-secs + kSecondsPerDay - 1) / kSecondsPerDay);
  const int64_t rem = secs - days * kSecondsPerDay;
  const QDate date = QDate(1601, 1, 1).addDays(days);
  return dateFromDateTime(QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(rem * 1000))));
}

Date wallDate(const QDateTime& t) {
  return dateFromDateTime(QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second())));
}
}  // namespace

bool fileExists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (hasWildcards(info.fileName())) {
    if (!directoryUsable(path)) return false;
    const QDir dir(info.path());
    return !dir.entryList({info.fileName()}, QDir::Files | QDir::Hidden).isEmpty();
  }
  struct stat st;
  const int err = statErrno(QFile::encodeName(path), st);
  if (err == 0) return S_ISREG(st.st_mode);
  if (err == ENOENT) {
    directoryUsable(path);
    return false;
  }
  if (err == ENOTDIR) {
    pathMissing(path);
    return false;
  }
  unexpectedError(err);
  return false;
}

Date fileTimeToDate(int32_t low, int32_t high) {
  const uint64_t units =
      (static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | static_cast<uint32_t>(low);
  return dateFromFileTime(static_cast<int64_t>(std::min<uint64_t>(units, INT64_MAX)));
}

Result<FileTimes> fileTimes(const QString& path, bool toLocal) {
  const QFileInfo info(path);
  if (!info.isFile()) return Failure(u'\'' + path + QStringLiteral("' is no file"));
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return Failure(f.errorString());
  f.close();
  QDateTime c = info.fileTime(QFileDevice::FileBirthTime);
  if (!c.isValid()) c = info.fileTime(QFileDevice::FileMetadataChangeTime);
  const QDateTime a = info.fileTime(QFileDevice::FileAccessTime);
  const QDateTime w = info.fileTime(QFileDevice::FileModificationTime);
  if (!c.isValid() || !a.isValid() || !w.isValid())
    return Failure(QStringLiteral("no file times for '") + path + u'\'');
  auto conv = [toLocal](const QDateTime& t) { return wallDate(toLocal ? t.toLocalTime() : t.toUTC()); };
  return FileTimes{.created = conv(c), .accessed = conv(a), .written = conv(w)};
}

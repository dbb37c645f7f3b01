#include "imaging/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>

#include "imaging/system_errors.h"

namespace {
std::atomic<int64_t> g_writesLeft{-1};  // bytes the test seam still lets through; negative: no seam

QByteArray pathBytes(const QString& name) { return QFile::encodeName(name); }

// The target's name with a random ending; the name is cut short where the two
// would pass the longest name its folder takes or the longest path the system
// takes, so every picture the system can name can be replaced.
QString temporaryName(const QString& target) {
  const qsizetype slash = target.lastIndexOf(u'/') + 1;
  const QByteArray folder = pathBytes(target.left(slash));
  const char* asked = slash > 0 ? folder.constData() : ".";
  const long nameLimit = ::pathconf(asked, _PC_NAME_MAX);
  const long pathLimit = ::pathconf(asked, _PC_PATH_MAX);  // counts the closing NUL
  const qsizetype room = std::min<qsizetype>(nameLimit > 0 ? nameLimit : NAME_MAX,
                                             (pathLimit > 0 ? pathLimit : PATH_MAX) - 1 - folder.size());
  QString name = target.mid(slash);
  // Cut by whole characters: a character beyond the 16-bit range is two units.
  const auto fitted = [&](const QString& ending) {
    while (!name.isEmpty() && pathBytes(name + ending).size() > room)
      name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return target.left(slash) + name + ending;
  };
  for (int tries = 1;; ++tries) {
    QString ending =
        QStringLiteral(".~%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    // A folder deep enough leaves less room than the ending: fewer random digits, still marked "~".
    if (ending.size() > room) ending = u'~' + ending.right(std::max<qsizetype>(room, 1) - 1);
    // Few digits may meet a file of that name: another draw, as the exclusive open would refuse it.
    const QString candidate = fitted(ending);
    struct stat st {};
    if (tries == 16 || ::lstat(pathBytes(candidate).constData(), &st) != 0) return candidate;
  }
}
}  // namespace

ssize_t imagingWrite(int fd, const void* data, size_t n) {
  int64_t left = g_writesLeft.load();
  if (left < 0) return ::write(fd, data, n);
  // The seam: what is left goes through, then the disk is full.
  const auto take = int64_t(std::min<uint64_t>(n, uint64_t(left)));
  if (take == 0) {
    errno = ENOSPC;
    return -1;
  }
  const ssize_t written = ::write(fd, data, size_t(take));
  if (written > 0) g_writesLeft -= written;
  return written;
}

int imagingReserve(int fd, off_t offset, off_t length) {
  if (length <= 0) return 0;
  if (const int64_t left = g_writesLeft.load(); left >= 0) {
    if (length > left) return ENOSPC;
    g_writesLeft -= length;
  }
  const int err = ::posix_fallocate(fd, offset, length);
  if (err != EOPNOTSUPP && err != EINVAL && err != ENOSYS) return err;
  // A file system that cannot reserve: writing the zeros takes the room as surely.
  static const char kZeros[64 * 1024] = {};
  for (off_t done = 0; done < length;) {
    const ssize_t n =
        ::pwrite(fd, kZeros, size_t(std::min<off_t>(sizeof kZeros, length - done)), offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    done += n;
  }
  return 0;
}

void failImagingWritesAfterForTest(int64_t bytes) { g_writesLeft = bytes; }

PictureFilePlan planPictureFile(const QString& fileName) {
  PictureFilePlan plan{.target = fileName, .writeName = fileName};
  const QFileInfo info(fileName);
  if (info.isSymLink()) {
    // The link stays; the file it leads to is replaced.
    const QString canonical = info.canonicalFilePath();
    plan.target = canonical.isEmpty() ? info.symLinkTarget() : canonical;
  }
  struct stat st {};
  const bool exists = ::stat(pathBytes(plan.target).constData(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    plan.writeName = plan.target;
    return plan;
  }
  // Asked as the write itself would be (effective user, ACLs, a read-only mount).
  if (exists && ::faccessat(AT_FDCWD, pathBytes(plan.target).constData(), W_OK, AT_EACCESS) != 0)
    plan.refused = errno;
  plan.writeName = temporaryName(plan.target);
  return plan;
}

int commitPictureFile(const PictureFilePlan& plan) {
  if (!plan.replaces()) return 0;
  const QByteArray temporary = pathBytes(plan.writeName);
  struct stat st {};
  // A picture that others could read stays readable (not all owners may change the mode: no matter).
  if (::stat(pathBytes(plan.target).constData(), &st) == 0)
    static_cast<void>(::chmod(temporary.constData(), st.st_mode & 07777));
  return ::rename(temporary.constData(), pathBytes(plan.target).constData()) == 0 ? 0 : errno;
}

void abandonPictureFile(const PictureFilePlan& plan) {
  if (plan.replaces()) ::unlink(pathBytes(plan.writeName).constData());
}

Result<> writePictureFile(const QString& fileName, const QByteArray& bytes) {
  if (fileName.isEmpty()) return Failure(QStringLiteral("no file named to save the picture in"));
  const PictureFilePlan plan = planPictureFile(fileName);
  if (plan.refused != 0) return Failure(systemErrorReason(plan.refused));
  const int flags = O_WRONLY | O_CLOEXEC | (plan.replaces() ? O_CREAT | O_EXCL : O_TRUNC);
  const int fd = ::open(pathBytes(plan.writeName).constData(), flags, 0666);
  if (fd < 0) return Failure(systemErrorReason(errno));
  int err = 0;
  for (qsizetype done = 0; done < bytes.size() && err == 0;) {
    const ssize_t n = imagingWrite(fd, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0) done += n;
    else if (n == 0) err = EIO;
    else if (errno != EINTR) err = errno;
  }
  // The bytes are on the disk before the name moves, so a crash cannot leave a cut picture.
  if (err == 0 && plan.replaces() && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0) err = commitPictureFile(plan);
  if (err == 0) return {};
  abandonPictureFile(plan);
  return Failure(systemErrorReason(err));
}

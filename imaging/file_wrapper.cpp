#include "imaging/file_wrapper.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "imaging/system_errors.h"

namespace {
// Devices and pipes have no end to set.
bool isRegularFile(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

int openFlags(uint32_t access, uint32_t disposition) {
  int flags = O_CLOEXEC;
  const bool rd = access & cFile::kGenericRead, wr = access & cFile::kGenericWrite;
  flags |= rd && wr ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case cFile::kCreateNew: return flags | O_CREAT | O_EXCL;
    case cFile::kCreateAlways: return flags | O_CREAT | O_TRUNC;
    case cFile::kOpenExisting: return flags;
    case cFile::kOpenAlways: return flags | O_CREAT;
    case cFile::kTruncateExisting: return flags | O_TRUNC;
    default: return -1;
  }
}

// A system error code as the program always reported it: "ERROR <code> <text>".
Failure systemFailure(int32_t code) {
  const QString text = systemErrorText(code).trimmed();
  return Failure(
      QStringLiteral("ERROR %1 %2").arg(code).arg(text.isEmpty() ? QStringLiteral("Unknown Error") : text));
}

Failure errnoFailure(int err, const QString& path = QString()) {
  return systemFailure(systemErrorFromErrno(err, path));
}
}  // namespace

Result<> cFile::OpenFile(const QString& fileName, uint32_t access, uint32_t shareMode, uint32_t disposition) {
  if (fileName.isEmpty()) return Failure(QStringLiteral("no file named"));
  // A handle left open would stay locked and unreachable: a new open replaces it.
  CloseFile();
  const int oflags = openFlags(access, disposition);
  if (oflags < 0) return systemFailure(syserr::kInvalidParameter);
  const QByteArray path = fileName.toLocal8Bit();
  // A file that an exclusive opener holds may not be created over: take the lock before truncating.
  int fd = ::open(path.constData(), oflags & ~O_TRUNC, 0666);
  if (fd < 0) return errnoFailure(errno, fileName);
  const bool exclusive = (shareMode & (kShareRead | kShareWrite)) == 0;
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0 ||
      ((oflags & O_TRUNC) && isRegularFile(fd) && ::ftruncate(fd, 0) != 0)) {
    const int err = errno;
    ::close(fd);
    return errnoFailure(err, fileName);
  }
  if (fd == 0) {  // 0 means "no file"
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    const int err = errno;
    ::close(fd);
    if (moved < 0) return errnoFailure(err, fileName);
    fd = moved;
  }
  m_handle = fd;
  return {};
}

Result<> cFile::WriteToFile(const QByteArray& bytes) {
  if (m_handle == 0) return systemFailure(syserr::kInvalidHandle);
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(m_handle, bytes.constData() + written, size_t(bytes.size() - written));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errnoFailure(errno);
    }
    written += n;
  }
  return {};
}

Result<> cFile::SetFileEnd() {
  if (m_handle == 0) return systemFailure(syserr::kInvalidHandle);
  if (!isRegularFile(m_handle)) return {};
  const off_t pos = ::lseek(m_handle, 0, SEEK_CUR);
  if (pos < 0 || ::ftruncate(m_handle, pos) != 0) return errnoFailure(errno);
  return {};
}

void cFile::CloseFile() {
  if (m_handle != 0) ::close(m_handle);
  m_handle = 0;
}

#include "imaging/system_errors.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "core/util/text_helpers.h"

namespace {
struct ErrorText {
  int32_t code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {syserr::kFileNotFound, "The system cannot find the file specified."},
    {syserr::kPathNotFound, "The system cannot find the path specified."},
    {syserr::kTooManyOpenFiles, "The system cannot open the file."},
    {syserr::kAccessDenied, "Access is denied."},
    {syserr::kInvalidHandle, "The handle is invalid."},
    {syserr::kNotEnoughMemory, "Not enough memory resources are available to process this command."},
    {syserr::kWriteProtect, "The media is write protected."},
    {syserr::kSharingViolation, "The process cannot access the file because it is being used by another process."},
    {syserr::kFileExists, "The file exists."},
    {syserr::kInvalidParameter, "The parameter is incorrect."},
    {syserr::kDiskFull, "There is not enough space on the disk."},
    {syserr::kNegativeSeek, "An attempt was made to move the file pointer before the beginning of the file."},
    {syserr::kAlreadyExists, "Cannot create a file when that file already exists."},
    {syserr::kFilenameTooLong, "The filename or extension is too long."},
    {syserr::kFileTooLarge, "The file size exceeds the limit allowed and cannot be saved."},
    {syserr::kIoDevice, "The request could not be performed because of an I/O device error."},
};
}  // namespace

int32_t systemErrorFromErrno(int err, const QString& path) {
  switch (err) {
    case ENOENT:
      // A missing folder has a number of its own, so the log tells it from a missing file.
      if (!path.isEmpty() && !QFileInfo(path).absoluteDir().exists()) return syserr::kPathNotFound;
      return syserr::kFileNotFound;
    case ENOTDIR: return syserr::kPathNotFound;
    case EMFILE:
    case ENFILE: return syserr::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR: return syserr::kAccessDenied;
    case EBADF: return syserr::kInvalidHandle;
    case ENOMEM: return syserr::kNotEnoughMemory;
    case EROFS: return syserr::kWriteProtect;
    case EWOULDBLOCK: return syserr::kSharingViolation;
    case EEXIST: return syserr::kFileExists;
    case EINVAL: return syserr::kInvalidParameter;
    case ENOSPC:
    case EDQUOT: return syserr::kDiskFull;
    case ENAMETOOLONG: return syserr::kFilenameTooLong;
    case EFBIG: return syserr::kFileTooLarge;
    case EIO: return syserr::kIoDevice;
    default: return syserr::kErrnoCodeBase + err;
  }
}

QString systemErrorText(int32_t code) {
  for (const ErrorText& e : kErrorTexts)
    if (e.code == code) return QString::fromLatin1(e.text) + kCrLf;
  const int err = code - syserr::kErrnoCodeBase;
  if (err > 0 && err < 4096 && strerrordesc_np(err)) return systemErrorReason(err) + kCrLf;
  return QString();
}

QString systemErrorReason(int err) {
  // The English text, whatever the locale, and safe on any thread.
  const char* text = strerrordesc_np(err);
  return text ? QString::fromLocal8Bit(text) : QStringLiteral("system error %1").arg(err);
}

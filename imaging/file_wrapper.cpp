#include "imaging/file_wrapper.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "imaging/picture_file.h"
#include "imaging/system_errors.h"

namespace {
// Every mapping carries the same name, so only one can exist at a time in the
// process, whichever thread maps.
std::atomic<bool> g_namedMappingInUse{false};

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
}  // namespace

cFile::cFile(QObject* parent) : QObject(parent) {}

cFile::~cFile() {
  releaseMapping();
  CloseFile();
}

void cFile::reportCode(int32_t code) { emit FileError(code, getApiErrorText(code)); }

void cFile::reportErrno(int err, const QString& path) { reportCode(systemErrorFromErrno(err, path)); }

QString cFile::getApiErrorText(int32_t code) {
  const QString text = systemErrorText(code);
  return text.isEmpty() ? QStringLiteral("Unknown Error") : text;
}

uint32_t cFile::FileSize() const {
  struct stat st {};
  if (m_handle == 0 || fstat(m_handle, &st) != 0) return 0;
  return uint32_t(st.st_size);
}

int32_t cFile::Flush() { return ::fsync(m_handle == 0 ? -1 : m_handle) == 0 ? 1 : 0; }

int32_t cFile::OpenFile(const QString& fileName, uint32_t access, uint32_t shareMode, uint32_t disposition,
                        uint32_t flags) {
  Q_UNUSED(flags);  // sequential-scan and the like are hints only
  if (fileName.isEmpty()) return 0;
  // A handle left open would stay locked and unreachable: a new open replaces it.
  CloseFile();
  const int oflags = openFlags(access, disposition);
  if (oflags < 0) {
    reportCode(syserr::kInvalidParameter);
    return 0;
  }
  const QByteArray path = fileName.toLocal8Bit();
  // A file that an exclusive opener holds may not be created over: take the lock before truncating.
  int fd = ::open(path.constData(), oflags & ~O_TRUNC, 0666);
  if (fd < 0) {
    reportErrno(errno, fileName);
    return 0;
  }
  const bool exclusive = (shareMode & (kShareRead | kShareWrite)) == 0;
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0 ||
      ((oflags & O_TRUNC) && isRegularFile(fd) && ::ftruncate(fd, 0) != 0)) {
    const int err = errno;
    ::close(fd);
    reportErrno(err, fileName);
    return 0;
  }
  if (fd == 0) {  // 0 means "no file" to every caller
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    const int err = errno;
    ::close(fd);
    if (moved < 0) {
      reportErrno(err, fileName);
      return 0;
    }
    fd = moved;
  }
  m_handle = fd;
  return m_handle;
}

uint8_t* cFile::OpenFileMapped(const QString& fileName, uint32_t size, uint32_t access, uint32_t shareMode,
                               uint32_t disposition, uint32_t flags, bool zeroFill) {
  if (fileName.isEmpty()) return nullptr;
  if (OpenFile(fileName, access, shareMode, disposition, flags) == 0) return nullptr;
  if (ChangeFilePointer(int32_t(size), kFileBegin)) SetFileEnd();
  struct stat st {};
  if (size == 0 || fstat(m_handle, &st) != 0 || uint64_t(st.st_size) < size) {
    UnMapFile();  // no mapping can be made: everything closes without an event
    return nullptr;
  }
  if (g_namedMappingInUse.exchange(true)) {
    reportCode(syserr::kAlreadyExists);
    UnMapFile();
    return nullptr;
  }
  m_mapping = true;  // the name is this object's from here on
  void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, m_handle, 0);
  if (view == MAP_FAILED) {
    UnMapFile();
    return nullptr;
  }
  m_view = static_cast<uint8_t*>(view);
  m_viewSize = size;
  if (zeroFill) std::memset(m_view, 0, size);
  return m_view;
}

void cFile::releaseMapping() {
  if (m_view) ::munmap(m_view, m_viewSize);
  m_view = nullptr;
  m_viewSize = 0;
  if (m_mapping) g_namedMappingInUse = false;
  m_mapping = false;
}

bool cFile::UnMapFile() {
  releaseMapping();
  if (m_handle == 0) return false;
  CloseFile();
  return true;
}

bool cFile::WriteToFile(const QByteArray& bytes, int32_t count, int32_t& written) {
  written = 0;
  if (m_handle == 0) return false;
  if (count < 0 || count > bytes.size()) {  // never read past the caller's array
    reportCode(syserr::kInvalidParameter);
    return false;
  }
  return writeBytes(reinterpret_cast<const uint8_t*>(bytes.constData()), count, written);
}

bool cFile::writeBytes(const uint8_t* data, int32_t count, int32_t& written) {
  written = 0;
  if (m_handle == 0) return false;
  while (written < count) {
    const ssize_t n = imagingWrite(m_handle, data + written, size_t(count - written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      reportErrno(n < 0 ? errno : EIO);
      return false;
    }
    written += int32_t(n);
  }
  return true;
}

bool cFile::WriteByteToFile(uint8_t value, int32_t& written) { return writeBytes(&value, 1, written); }

bool cFile::WriteIntegerToFile(int16_t value, int32_t& written) {
  const uint8_t bytes[2] = {uint8_t(value & 0xFF), uint8_t((value >> 8) & 0xFF)};
  return writeBytes(bytes, 2, written);
}

bool cFile::SetFileEnd() {
  if (m_handle == 0) return false;
  struct stat st {};
  if (fstat(m_handle, &st) != 0 || !S_ISREG(st.st_mode)) return true;  // a device has no end to set
  const off_t pos = ::lseek(m_handle, 0, SEEK_CUR);
  int err = pos < 0 ? errno : 0;
  // A longer file gets its room now, as the end is set: a view mapped over a
  // hole would die of SIGBUS when the disk is full. What was taken goes back.
  if (err == 0 && pos > st.st_size && (err = imagingReserve(m_handle, st.st_size, pos - st.st_size)) != 0)
    static_cast<void>(::ftruncate(m_handle, st.st_size));
  if (err == 0 && ::ftruncate(m_handle, pos) != 0) err = errno;
  if (err != 0) reportErrno(err);
  return err == 0;
}

bool cFile::ReadFromFile(QByteArray& bytes, int32_t& read) {
  read = 0;
  if (m_handle == 0) return false;
  while (read < bytes.size()) {
    const ssize_t n = ::read(m_handle, bytes.data() + read, size_t(bytes.size() - read));
    if (n < 0) {
      if (errno == EINTR) continue;
      reportErrno(errno);
      return false;
    }
    if (n == 0) break;
    read += int32_t(n);
  }
  return true;
}

bool cFile::ChangeFilePointer(int32_t distance, int moveMethod) {
  if (m_handle == 0) return false;
  const int whence = moveMethod == kFileCurrent ? SEEK_CUR : moveMethod == kFileEnd ? SEEK_END : SEEK_SET;
  const off_t pos = ::lseek(m_handle, off_t(distance), whence);
  if (pos < 0) {
    // A move before the start has a number of its own.
    reportCode(errno == EINVAL ? syserr::kNegativeSeek : systemErrorFromErrno(errno));
    return true;  // the failed position is never 0
  }
  return pos != 0;
}

void cFile::CloseFile() {
  if (m_handle != 0) ::close(m_handle);
  m_handle = 0;
}

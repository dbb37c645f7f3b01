#include "meter/record/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace zavio {

QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

Result<int> openLocked(const QString& name, int flags) {
  const int fd = ::open(QFile::encodeName(name).constData(), flags | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return Failure(errnoText());
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const QString why = errno == EWOULDBLOCK ? kInUse : errnoText();
    ::close(fd);
    return Failure(why);
  }
  return fd;
}

}  // namespace zavio

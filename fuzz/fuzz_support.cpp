#include "fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>

#include "core/log/logmsg.h"
#include "core/startup.h"

namespace {
// One fixed folder per user for anything the code under test puts beside its files.
QString workDir() {
  static const QString dir = QDir::tempPath() + QStringLiteral("/zav-fuzz-") + QString::number(getuid());
  return dir;
}
}  // namespace

QString fuzzWorkDir() { return workDir() + u'/'; }

void fuzzQuietProcess() {
  static const bool done = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ZAV_HEADLESS", "1");
    const QByteArray runtime = QDir::tempPath().toUtf8() + "/zav-fuzz-runtime-" + QByteArray::number(getuid());
    QDir().mkpath(QString::fromUtf8(runtime));
    QFile::setPermissions(QString::fromUtf8(runtime), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime);
    QDir().mkpath(workDir());
    // Every diagnostic text is built (so its code runs); without a window it goes nowhere.
    msgLevel = 9;
    return true;
  }();
  (void)done;
}

const StartValues& fuzzWidgetsApp() {
  fuzzQuietProcess();
  static const StartValues start = [] {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "zav-fuzz";
      static char* argv[] = {name, nullptr};
      new QApplication(argc, argv);
    }
    // The program's start with the work folder as its folder; the diagnostics stay on.
    setCommandLineArgs({fuzzWorkDir()});
    const StartValues found = Main();
    msgLevel = 9;
    return found;
  }();
  return start;
}

QString fuzzScratchFile(const uint8_t* data, size_t size, const char* name) {
  // In memory and gone with the process, also when libFuzzer ends it abruptly.
  static const int fd = memfd_create(name, 0);
  if (fd < 0 || ftruncate(fd, 0) != 0) abort();
  for (size_t done = 0; done < size;) {
    const ssize_t n = pwrite(fd, data + done, size - done, off_t(done));
    if (n <= 0) abort();
    done += size_t(n);
  }
  return QStringLiteral("/proc/self/fd/") + QString::number(fd);
}

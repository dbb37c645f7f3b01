#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "core/globals.h"

namespace {
// Memory-backed when possible: every input goes through a file.
QString scratchDir() {
  static const std::unique_ptr<QTemporaryDir> dir = [] {
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return std::make_unique<QTemporaryDir>(base + QStringLiteral("/zav-fuzz-XXXXXX"));
  }();
  return dir->path();
}
}  // namespace

void fuzzQuietProcess() {
  static const bool done = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ZAV_HEADLESS", "1");
    const QByteArray runtime = QDir::tempPath().toUtf8() + "/zav-fuzz-runtime-" + QByteArray::number(getuid());
    QDir().mkpath(QString::fromUtf8(runtime));
    QFile::setPermissions(QString::fromUtf8(runtime), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime);
    defDirName = scratchDir() + u'/';
    // Every diagnostic text is built (so its code runs); without a window it goes nowhere.
    msgLevel = 9;
    return true;
  }();
  (void)done;
}

void fuzzWidgetsApp() {
  fuzzQuietProcess();
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "zav-fuzz";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

QString fuzzScratchFile(const uint8_t* data, size_t size, const char* name) {
  const QString path = scratchDir() + u'/' + QString::fromLatin1(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
  if (size > 0 && f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) abort();
  return path;
}

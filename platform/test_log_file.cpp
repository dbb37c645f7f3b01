#include "platform/test_log_file.h"

#include <QFile>
#include <memory>

namespace {
std::unique_ptr<QFile> g_file;
bool g_opened = false;

QFile* logFile() {
  if (!g_opened) {
    g_opened = true;
    const QString path = qEnvironmentVariable("ZAV_LOG_FILE");
    if (!path.isEmpty()) {
      g_file = std::make_unique<QFile>(path);
      if (!g_file->open(QIODevice::WriteOnly | QIODevice::Append)) g_file.reset();
    }
  }
  return g_file.get();
}
}  // namespace

void reopenTestLogFile() {
  g_file.reset();
  g_opened = false;
}

bool testLogFileEnabled() { return logFile() != nullptr; }

void appendTestLogLine(const QString& line) {
  QFile* f = logFile();
  if (!f) return;
  // Flushed per line: the program may end at any moment (exit, signal).
  f->write(line.toUtf8() + '\n');
  f->flush();
}

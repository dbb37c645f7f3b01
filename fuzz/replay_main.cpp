// Runs a fuzz target over saved inputs without libFuzzer: each argument is a
// file or a folder whose files are all run, in name order. A crash ends the
// run (with the sanitizers' report when built with them); the input is named first.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
bool runFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(path));
    return false;
  }
  const QByteArray bytes = f.readAll();
  std::fprintf(stderr, "replay: %s (%lld bytes)\n", qPrintable(path), static_cast<long long>(bytes.size()));
  // A copy of exactly the input's size, so reading past its end is caught.
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(copy.data(), copy.size());
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  bool ok = argc > 1;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (QFileInfo(arg).isDir()) {
      const QDir dir(arg);
      for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        ok = runFile(dir.filePath(name)) && ok;
        ++inputs;
      }
    } else {
      ok = runFile(arg) && ok;
      ++inputs;
    }
  }
  std::fprintf(stderr, "replay: %d inputs\n", inputs);
  return ok && inputs > 0 ? 0 : 1;
}

#include <QApplication>

#include "core/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  setCommandLineArgs(args);
  Main();
  return app.exec();
}

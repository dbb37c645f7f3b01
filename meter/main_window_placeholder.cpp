// Stand-in until the main window exists.
#include <QMainWindow>

#include "core/app_windows.h"

void showMainWindow() {
  auto* w = new QMainWindow;
  w->setObjectName(QStringLiteral("Form1"));
  w->setWindowTitle(QStringLiteral("Zav"));
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->resize(640, 480);
  w->show();
}

// Saves pictures of the setup window (every tab, with the debug fields shown) and of
// the progress window into a folder, to look at what a user sees:
//
//   QT_QPA_PLATFORM=offscreen build/zav_screens /tmp/shots
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTabWidget>
#include <cstdio>

#include "core/settings/setup_values.h"
#include "core/setup/progress_window.h"
#include "core/setup/setup_window.h"
#include "core/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: zav_screens FOLDER\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  // Start as the program would, with the temporary folder as its folder.
  setCommandLineArgs({QDir::tempPath() + u'/'});
  const StartValues start = Main();

  auto* w = new SetupWindow;
  w->formLoad(start, false);
  setupValues().applySetupSettings(true);
  setupValues().setDebugMode(2);
  w->Check1(2)->setCheckState(Qt::Checked);
  w->setDebugMode();
  w->show();
  auto* tabs = w->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
  for (int i = 0; tabs && i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    w->adjustSize();
    w->grab().save(dir + QStringLiteral("/tab%1.png").arg(i));
  }
  w->hide();

  frmProgBar p;
  p.Reset(QStringLiteral("Searching COM-ports"));
  int32_t idx;
  p.initBar(-1, 1, 16, QStringLiteral("$Testing ComPort 7"), idx);
  p.initBar(-1, 0, 5000, QStringLiteral("Records"), idx);
  p.updateAll({40, 7, 1234});
  p.grab().save(dir + QStringLiteral("/progress.png"));
  std::printf("pictures saved in %s\n", argv[1]);
  return 0;
}

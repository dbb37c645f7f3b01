#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

#include "core/globals.h"
#include "tests/core/settings/settings_test_support.h"

TEST(SetupWindowScreens, GrabEveryTab) {
  const QByteArray dir = qgetenv("ZAV_SCREENSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "set ZAV_SCREENSHOT_DIR to write the tab pictures";
  SetupWindow& w = freshSetup();
  debugMode = 2;
  w.Check1(2)->setCheckState(Qt::Checked);
  w.setDebugMode();
  w.show();
  auto* tabs = w.findChild<QTabWidget*>("SSTab1");
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    w.adjustSize();
    w.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/tab%1.png").arg(i));
  }
  w.hide();
  w.Check1(2)->setCheckState(Qt::Unchecked);
  debugMode = 0;
  w.setDebugMode();
}

#include "app/test_actions.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "support/log_capture.h"
#include "support/pty_pair.h"

namespace {
template <class T>
T* named(QWidget* parent, const char* name) {
  auto* w = new T(parent);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
}  // namespace

TEST(TestActions, setTextsClickButtonsAndWatchLabels) {
  LogCapture log;
  QWidget hidden;  // a hidden window's control of the same name is left alone
  auto* hiddenTwin = named<QLineEdit>(&hidden, "Text14(0)");
  QWidget window;
  auto* host = named<QLineEdit>(&window, "Text14(0)");
  auto* box = named<QCheckBox>(&window, "Check4(3)");
  auto* open = named<QPushButton>(&window, "Command8(0)");
  auto* label = named<QLabel>(&window, "Label14");
  label->setText("none");
  int clicks = 0, toggles = 0;
  QObject::connect(open, &QPushButton::clicked, [&] { ++clicks; });
  QObject::connect(box, &QCheckBox::stateChanged, [&] { ++toggles; });
  window.show();

  runTestActions("Text14(0)=127.0.0.1:a=b;Check4(3);Command8(0);Label14?;Nope;Label14=x;;Check4(3)?");
  EXPECT_EQ(host->text(), "127.0.0.1:a=b");
  EXPECT_TRUE(hiddenTwin->text().isEmpty());
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(toggles, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(log.contains("testActions: Label14=none\n"));
  // Not a control, not a line edit: reported, and the steps after them still ran.
  EXPECT_TRUE(log.contains("testActions: ERROR no control 'Nope'"));
  EXPECT_TRUE(log.contains("testActions: ERROR no control 'Label14'"));
  EXPECT_TRUE(log.contains("testActions: Check4(3)=\n"));

  label->setText("+21.5 °C");
  EXPECT_TRUE(runEventsUntil([&] { return log.contains("testActions: Label14=+21.5 °C"); }, 2000));
  log.clear();
  runEventsFor(250);
  EXPECT_FALSE(log.contains("Label14"));  // only changes are logged
}

TEST(TestActions, windowQualifiedNamesPickThatWindowsControl) {
  LogCapture log;
  QWidget main, setup;  // both shown, each with a Text1(0)
  main.setObjectName("Form1");
  setup.setObjectName("frmSetup");
  auto* mainField = named<QLineEdit>(&main, "Text1(0)");
  auto* setupField = named<QLineEdit>(&setup, "Text1(0)");
  main.show();
  setup.show();
  for (int round = 0; round < 2; ++round) {
    runTestActions("frmSetup.Text1(0)=3;Form1.Text1(0)=1.5;Form1.Text1(0)?;Nobody.Text1(0)=9");
    EXPECT_EQ(setupField->text(), "3");
    EXPECT_EQ(mainField->text(), "1.5");
  }
  EXPECT_TRUE(log.contains("testActions: Form1.Text1(0)=1.5\n"));
  EXPECT_TRUE(log.contains("testActions: ERROR no control 'Nobody.Text1(0)'"));
}

TEST(TestActions, aLaterStepRunsFromTheEventLoopWhileAnEarlierOneWaits) {
  LogCapture log;
  QWidget window;
  auto* start = named<QPushButton>(&window, "start");
  auto* cancel = named<QPushButton>(&window, "cancel");
  bool cancelled = false, sawCancelInside = false;
  QObject::connect(cancel, &QPushButton::clicked, [&] { cancelled = true; });
  // "start" waits in an event loop, as the COM search does, until it is cancelled.
  QObject::connect(start, &QPushButton::clicked, [&] {
    runEventsUntil([&] { return cancelled; }, 3000);
    sawCancelInside = cancelled;
  });
  window.show();
  runTestActions("@50 cancel;start");
  EXPECT_TRUE(sawCancelInside);
}

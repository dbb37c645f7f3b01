#include <gtest/gtest.h>

#include "platform/colour.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/open_document.h"
#include "support/headless_env.h"

TEST(HeadlessSeams, MessageBoxesAnswerTheirDefaultAndAreLogged) {
  HeadlessLog log;
  EXPECT_EQ(msgBox("info"), MsgResult::Ok);
  EXPECT_EQ(msgBox("sure?", MsgButtons::OkCancel), MsgResult::Ok);
  EXPECT_EQ(msgBox("save?", MsgButtons::YesNoCancel), MsgResult::Yes);
  EXPECT_EQ(msgBox("again?", MsgButtons::RetryCancel), MsgResult::Retry);
  openDocument("http://localhost:8080/");
  EXPECT_EQ(log.lines(), QStringList({"MSGBOX: info", "MSGBOX: sure?", "MSGBOX: save?", "MSGBOX: again?",
                                      "OPEN: http://localhost:8080/"}));
}

TEST(HeadlessSeams, FileDialogsAreCancelledUnlessATestFileIsNamed) {
  HeadlessLog log;
  QString chosen = "unchanged";
  FileDialogRequest req;
  req.filter = "Zav data (*.zav)|*.zav";
  EXPECT_FALSE(fileDialog(req, chosen));
  EXPECT_EQ(chosen, "unchanged");
  qputenv("ZAV_TEST_FILE", "/tmp/x.zav");
  EXPECT_TRUE(fileDialog(req, chosen));
  qunsetenv("ZAV_TEST_FILE");
  EXPECT_EQ(chosen, "/tmp/x.zav");
}

TEST(Colours, RedInTheLowByteAndSystemColours) {
  EXPECT_EQ(colourToQColor(0x0000FF), QColor(255, 0, 0));
  EXPECT_EQ(colourToQColor(0xFF0000), QColor(0, 0, 255));
  EXPECT_EQ(colourToQColor(int32_t(0x80000008u)), QColor(0, 0, 0));        // window text
  EXPECT_EQ(colourToQColor(int32_t(0x80000005u)), QColor(255, 255, 255));  // window background
  EXPECT_EQ(colourToQColor(int32_t(0x8000000Fu)), QColor(240, 240, 240));  // button face
  EXPECT_FALSE(colourToQColor(-1).isValid());
  EXPECT_EQ(qColorToColour(QColor(1, 2, 3)), 0x030201);
}

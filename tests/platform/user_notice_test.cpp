// Messages for the user from code without windows: logged when headless,
// otherwise announced for the window side to show.
#include "platform/user_notice.h"

#include <gtest/gtest.h>

#include <QList>

#include "support/headless_env.h"

namespace {
struct Notice {
  QString text;
  MsgIcon icon;
  QString title;
};

// Collects what userNotices() announces while it lives.
class Announced {
 public:
  Announced()
      : m_connection(QObject::connect(&userNotices(), &UserNotices::noticeRaised,
                                      [this](const QString& text, MsgIcon icon, const QString& title) {
                                        m_notices.append({.text = text, .icon = icon, .title = title});
                                      })) {}
  ~Announced() { QObject::disconnect(m_connection); }
  const QList<Notice>& notices() const { return m_notices; }

 private:
  QList<Notice> m_notices;
  QMetaObject::Connection m_connection;
};
}  // namespace

TEST(UserNotice, HeadlessItIsLoggedAndNotAnnounced) {
  HeadlessLog log;
  Announced announced;
  userNotice("Cannot search ports while on-line!");
  userNotice("Error: Cannot open Comport", MsgIcon::Information, "COM-setting error");
  EXPECT_EQ(log.lines(), QStringList({"MSGBOX: Cannot search ports while on-line!",
                                      "MSGBOX: Error: Cannot open Comport"}));
  EXPECT_TRUE(announced.notices().isEmpty());
}

TEST(UserNotice, WithWindowsItIsAnnouncedWithItsIconAndTitle) {
  HeadlessLog log;
  qputenv("ZAV_HEADLESS", "0");
  Announced announced;
  userNotice("System palette not found!", MsgIcon::Warning, "Palette error");
  ASSERT_EQ(announced.notices().size(), 1);
  EXPECT_EQ(announced.notices()[0].text, "System palette not found!");
  EXPECT_EQ(announced.notices()[0].icon, MsgIcon::Warning);
  EXPECT_EQ(announced.notices()[0].title, "Palette error");
  EXPECT_TRUE(log.lines().isEmpty());
}

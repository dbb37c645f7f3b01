// What the server's short cuts must not change: file bytes go out as stored,
// the log honours the switch at each event, the web root is resolved anew at
// each start, and the counter boxes see every change.
#include <unistd.h>

#include <QFile>
#include <QVector>
#include <utility>

#include "web/web_client.h"
#include "web/web_fixture.h"
#include "web/web_paths.h"

namespace {
QByteArray allByteValues() {
  QByteArray bytes;
  for (int b = 0; b < 256; ++b) bytes.append(char(b));
  return bytes;
}
}  // namespace

TEST_F(WebServerTest, everyByteValueOfAFileGoesOutAsStored) {
  const QByteArray bytes = allByteValues();
  write(QStringLiteral("root/raw.txt"), bytes);
  write(QStringLiteral("root/raw.html"), bytes + bytes);
  // A template page keeps its 8-bit text around the field it fills.
  write(QStringLiteral("root/page.asp"), "caf\xE9 <%=graphRangeIndex%> \xFF");
  start();
  const struct {
    const char* target;
    QByteArray body;
  } rows[] = {
      {"/raw.txt", bytes},
      {"/raw.html", bytes + bytes},
      {"/page.asp?r=7", "caf\xE9 7 \xFF"},
  };
  for (const auto& row : rows) {
    const ClientResult r = get(port(), row.target);
    EXPECT_TRUE(headerOf(r.bytes).contains("\r\nContent-Length: " + QByteArray::number(row.body.size()) + "\r\n"))
        << row.target;
    EXPECT_EQ(bodyOf(r.bytes), row.body) << row.target;
  }
}

TEST_F(WebServerTest, theLogSwitchCountsAtEachRequest) {
  write(QStringLiteral("root/a.txt"), "A");
  const QString file = path(QStringLiteral("web.log"));
  setLogging(0, file);
  start();
  get(port(), "/a.txt");  // logging off: no entry
  setLogging(1, file);
  get(port(), "/a.txt");
  pumpFor(std::chrono::milliseconds(100));
  setLogging(0, file);
  get(port(), "/a.txt");
  pumpFor(std::chrono::milliseconds(100));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString log = QString::fromLatin1(f.readAll());
  // Only the second request's events: its connection request counts 2 seen, 1 served.
  EXPECT_EQ(log.count(QStringLiteral("Event=0:ConnectionRequest")), 1);
  EXPECT_TRUE(log.contains(QStringLiteral("Event=0:ConnectionRequest\r\n  [2 1 0 1]")));
  EXPECT_EQ(log.count(QStringLiteral("Event=1:DataArrival")), 1);
  EXPECT_TRUE(log.contains(QStringLiteral("  [2 2 1 1]  127.0.0.1:")));
  EXPECT_EQ(log.count(QStringLiteral("Event=3:SendComplete")), 1);
}

TEST_F(WebServerTest, aRootReachedThroughALinkIsResolvedAgainAtEachStart) {
  QDir(m_dir.path()).mkpath(QStringLiteral("first"));
  QDir(m_dir.path()).mkpath(QStringLiteral("second"));
  write(QStringLiteral("first/a.txt"), "first");
  write(QStringLiteral("second/a.txt"), "second");
  const QString link = path(QStringLiteral("site"));
  ASSERT_EQ(::symlink(path(QStringLiteral("first")).toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0);
  m_settings.webRootText = link;
  apply();
  start();
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "first");
  server().stopWebServer();
  ASSERT_TRUE(QFile::remove(link));
  ASSERT_EQ(::symlink(path(QStringLiteral("second")).toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0);
  start();
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "second");
}

TEST_F(WebServerTest, rootsAskedInTurnAreEachJudgedByTheirOwnFolder) {
  QDir(m_dir.path()).mkpath(QStringLiteral("out"));
  const QString in = root() + QStringLiteral("/index.asp");
  const QString secret = path(QStringLiteral("outside/secret.txt"));
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(insideWebRoot(root(), in));
    EXPECT_FALSE(insideWebRoot(root(), secret));
    EXPECT_TRUE(insideWebRoot(path(QStringLiteral("outside")), secret));
    EXPECT_FALSE(insideWebRoot(path(QStringLiteral("outside")), in));
    // A folder whose name only begins like the root's is not inside it.
    EXPECT_FALSE(insideWebRoot(path(QStringLiteral("out")), secret));
    EXPECT_FALSE(insideWebRoot(path(QStringLiteral("no-such-root")), secret));
  }
}

TEST_F(WebServerTest, counterBoxesSeeEveryChangeAndThePeakOnlyWhenItRises) {
  write(QStringLiteral("root/a.txt"), "A");
  QVector<std::pair<int, int>> shown;
  WebConnectionEvents* ev = &server().events().connections;
  const auto c = QObject::connect(ev, &WebConnectionEvents::counterChanged, ev,
                                  [&](int box, int value, bool) { shown.append({box, value}); });
  start();
  shown.clear();
  get(port(), "/a.txt");
  pumpFor(std::chrono::milliseconds(50));
  get(port(), "/a.txt");
  pumpFor(std::chrono::milliseconds(50));
  QObject::disconnect(c);
  const QVector<std::pair<int, int>> expected = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {2, 0},
                                                 {0, 2}, {1, 2}, {2, 1}, {2, 0}};
  EXPECT_EQ(shown, expected);
}

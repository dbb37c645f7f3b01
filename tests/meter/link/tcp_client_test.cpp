#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

#include "tests/meter/link/link_steps.h"
#include "core/settings/detector_types.h"
#include "meter/window/tcp_client_panel.h"
#include "support/pty_pair.h"
#include "tools/zav_frames.h"

namespace {
// A panel set to a local server.
struct LocalServer {
  explicit LocalServer(TcpClient& client) : panel(client) {
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    panel.hostField()->setText("127.0.0.1");
    panel.portField()->setText(QString::number(server.serverPort()));
  }
  bool buttonsClosed() const {
    return panel.Command8(0)->isEnabled() && !panel.Command8(1)->isEnabled() &&
           !panel.Command8(2)->isEnabled();
  }
  QTcpSocket* acceptOne() {
    runEventsUntil([&] { return server.hasPendingConnections(); }, 3000);
    return server.nextPendingConnection();
  }
  QTcpServer server;
  TcpClientPanel panel;
};

class TcpPanel : public LinkTest, public LocalServer {
 protected:
  TcpPanel() : LocalServer(link.tcpClient()) {}
};
}  // namespace

TEST_F(TcpPanel, opensReceivesFramesAndSends) {
  EXPECT_EQ(panel.portField()->text(), QString::number(server.serverPort()));
  EXPECT_TRUE(buttonsClosed());
  panel.sendField()->setText("early");
  panel.Command8_Click(2);  // nothing to send on before it opens
  EXPECT_TRUE(panel.actionLogText().isEmpty());
  panel.Command8_Click(0);
  // The buttons switch at once, before the connection is made.
  EXPECT_FALSE(panel.Command8(0)->isEnabled());
  EXPECT_TRUE(panel.Command8(1)->isEnabled());
  EXPECT_TRUE(panel.Command8(2)->isEnabled());
  EXPECT_EQ(panel.actionLogText(), "open\r\n");
  QTcpSocket* peer = acceptOne();
  ASSERT_NE(peer, nullptr);
  ASSERT_TRUE(runEventsUntil([&] { return panel.Winsock1().isConnected(); }, 3000));

  zavsim::Reading r;
  const QByteArray frame = zavsim::newFrame(r);
  peer->write(frame);
  ASSERT_TRUE(runEventsUntil([&] { return !panel.noticeText().isEmpty(); }, 3000));
  EXPECT_TRUE(panel.noticeText().endsWith("\r\nreceive: 37\r\n")) << panel.noticeText().toStdString();

  panel.sendField()->setText("hello");
  panel.Command8_Click(2);
  ASSERT_TRUE(runEventsUntil([&] { return peer->bytesAvailable() >= 5; }, 3000));
  EXPECT_EQ(peer->readAll(), "hello");

  panel.Command8_Click(1);
  EXPECT_TRUE(buttonsClosed());
  EXPECT_EQ(panel.actionLogText(), "open\r\nclose\r\n");
}

TEST_F(TcpPanel, peerClosingRestoresTheButtons) {
  panel.Command8_Click(0);
  QTcpSocket* peer = acceptOne();
  ASSERT_NE(peer, nullptr);
  runEventsUntil([&] { return panel.Winsock1().isConnected(); }, 3000);
  peer->close();
  ASSERT_TRUE(runEventsUntil([&] { return buttonsClosed(); }, 3000));
  EXPECT_FALSE(loggedPart("Winsock1_Error"));
}

TEST_F(TcpPanel, connectionErrorIsReportedAndTheButtonsReturnToClosed) {
  const quint16 port = server.serverPort();
  server.close();  // nothing listens there now
  panel.portField()->setText(QString::number(port));
  panel.Command8_Click(0);
  ASSERT_TRUE(runEventsUntil([&] { return buttonsClosed(); }, 5000));
  EXPECT_TRUE(panel.actionLogText().startsWith("open\r\nerror: ")) << panel.actionLogText().toStdString();
  EXPECT_TRUE(loggedPart("ERROR Winsock1_Error: "));
  EXPECT_FALSE(panel.Winsock1().isConnected());
}

TEST_F(TcpPanel, portBeyondSixteenBitsIsRefusedWithTheFieldsError) {
  const Result<quint16> p = parseRemotePort(" 65535 ");
  EXPECT_TRUE(p.ok());
  EXPECT_EQ(p.valueOr(0), 65535);
  for (const char* bad : {"70000", "65536", "0", "", "16 81", "-1", "1e3", "12a"}) {
    panel.portField()->setText(QString::fromLatin1(bad));
    panel.Command8_Click(0);
    EXPECT_TRUE(buttonsClosed()) << bad;
    EXPECT_EQ(panel.portField()->palette().color(QPalette::Text), QColor(255, 0, 0)) << bad;
  }
  EXPECT_TRUE(logged("ERROR Command8_Click: ERROR remote port=70000"));
  EXPECT_TRUE(panel.actionLogText().isEmpty());
  runEventsFor(50);
  EXPECT_FALSE(server.hasPendingConnections());
}

TEST(TcpLink, framesReachTheParserOnlyWhileOnLine) {
  HeadlessLog log;
  MeterSession session;
  FakeCommLink serial;
  MeterLink link(session, serial);
  LocalServer local(link.tcpClient());
  TcpClientPanel& panel = local.panel;
  Settings settings;
  settings.ticksPerSec = 0;  // the parser hands readings on; the count processor leaves them alone
  settings.ZAVdetectorVer = kNewFrameDetectorVer;
  session.setSettings(settings);
  panel.Command8_Click(0);
  QTcpSocket* peer = local.acceptOne();
  ASSERT_NE(peer, nullptr);
  zavsim::Reading r;
  r.count = 77;
  r.ticks = 1234;
  session.setOnline(false);
  peer->write(zavsim::newFrame(r));
  ASSERT_TRUE(runEventsUntil([&] { return !panel.noticeText().isEmpty(); }, 3000));
  EXPECT_EQ(session.latestReading().count, 0);  // shown in the notice, dropped by the parser
  session.setOnline(true);
  r.count = 78;
  const QByteArray frame = zavsim::newFrame(r);
  peer->write(frame.left(20));  // in two TCP segments
  peer->flush();
  runEventsFor(30);
  peer->write(frame.mid(20));
  EXPECT_TRUE(runEventsUntil([&] { return session.latestReading().count == 78; }, 3000));
  EXPECT_EQ(session.latestReading().ticks, 1234);
}

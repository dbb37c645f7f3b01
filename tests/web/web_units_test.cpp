// The server's pure pieces: request reading, dates, paths, port rule, log entries.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <thread>

#include "web/answer_rate.h"
#include "web/http_response.h"
#include "web/lingering_close.h"
#include "web/request_reader.h"
#include "web/web_log.h"
#include "web/web_paths.h"
#include "web/web_client.h"
#include "web/web_server.h"

TEST(RequestReader, aRequestCutAnywhereWaitsForTheRest) {
  const QByteArray request = "GET /x/y.asp?r=3?z HTTP/1.1\r\nHost: zav\r\n\r\nbody";
  const qsizetype headEnd = request.indexOf("\r\n\r\n") + 4;
  for (qsizetype cut = 1; cut < request.size(); ++cut) {
    const HttpRequest r = readRequest(QByteArrayView(request.constData(), cut));
    EXPECT_EQ(r.status, cut < headEnd ? RequestStatus::NeedMore : RequestStatus::Ok) << cut;
  }
  const HttpRequest r = readRequest(request);
  EXPECT_EQ(r.page, QStringLiteral("x/y.asp"));
  EXPECT_EQ(r.query, QStringLiteral("r=3?z"));
  EXPECT_EQ(r.headerBlock, QStringLiteral("GET /x/y.asp?r=3?z HTTP/1.1\r\nHost: zav"));
  EXPECT_EQ(r.body, QStringLiteral("body"));
  EXPECT_EQ(r.consumed, headEnd);
}

TEST(RequestReader, limitsAndMalformedLines) {
  const struct {
    QByteArray bytes;
    RequestStatus status;
  } rows[] = {
      {"GET / HTTP/1.0\r\n\r\n", RequestStatus::Ok},
      {"POST /index.asp HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", RequestStatus::Ok},
      {"GET /a b HTTP/1.1\r\n\r\n", RequestStatus::BadLine},
      {"\r\n\r\n", RequestStatus::BadLine},
      {"GET /" + QByteArray(985, 'a') + " HTTP/1.1\r\n\r\n", RequestStatus::Ok},  // 999 characters
      {"GET /" + QByteArray(986, 'a') + " HTTP/1.1\r\n\r\n", RequestStatus::LineTooLong},
      {"GET / HTTP/1.1\r\nX: " + QByteArray(16 * 1024, 'b'), RequestStatus::TooLarge},
      {"GET / HTTP/1.1\r\nX: " + QByteArray(16 * 1024, 'b') + "\r\n\r\n", RequestStatus::TooLarge},
      {"GET / HTTP/1.1\r\nX: " + QByteArray(16 * 1024 - 24, 'b') + "\r\n\r\n", RequestStatus::Ok},
      // An open request line is judged as soon as it cannot end in time.
      {"GET /" + QByteArray(992, 'a') + " H\r", RequestStatus::NeedMore},     // 1,000 bytes: its end may follow
      {"GET /" + QByteArray(993, 'a') + " H\r", RequestStatus::LineTooLong},  // 1,001 bytes, no line end
      {"GET /" + QByteArray(985, 'a') + " HTTP/1.1\r\nX", RequestStatus::NeedMore},
      {QByteArray(20 * 1024, '\0'), RequestStatus::LineTooLong},
  };
  for (const auto& row : rows) EXPECT_EQ(readRequest(row.bytes).status, row.status) << row.bytes.left(30).constData();
  EXPECT_EQ(readRequest("GET / HTTP/1.0\r\n\r\n").page, QString());
  EXPECT_EQ(readRequest("HEAD /a HTTP/1.0\r\n\r\n").method, QStringLiteral("HEAD"));
}

TEST(RequestReader, anAbsoluteTargetIsReadAsItsPathAndQuery) {
  const struct {
    const char* target;
    const char* page;
    const char* query;
  } rows[] = {
      {"http://127.0.0.1:8080/x/y.asp?r=5", "x/y.asp", "r=5"},
      {"HTTPS://meter", "", ""},
      {"http://meter?r=5", "", "r=5"},
      {"http://meter/?u=http://x/y", "", "u=http://x/y"},
      {"/a?u=http://x/y", "a", "u=http://x/y"},  // a path stays a path
      {"x.y://h/a", "a", ""},                    // a scheme may hold dots
      {"1a://h/a", "a://h/a", ""},               // but starts with a letter
  };
  for (const auto& row : rows) {
    const HttpRequest r = readRequest(QByteArray("GET ") + row.target + " HTTP/1.1\r\n\r\n");
    EXPECT_EQ(r.status, RequestStatus::Ok) << row.target;
    EXPECT_EQ(r.page, QString::fromLatin1(row.page)) << row.target;
    EXPECT_EQ(r.query, QString::fromLatin1(row.query)) << row.target;
  }
}

TEST(StyleValues, onlyColoursLengthsAndPathsPass) {
  enum Rule { Colour, Length, Lengths, Path };
  const struct {
    Rule rule;
    const char* text;
    bool ok;
  } rows[] = {
      {Colour, "", true},          {Colour, "Transparent", true},  {Colour, "#aBcD", true},
      {Colour, "C0C0C0", true},    {Colour, "RGBA(0, 0, 0, 50%)", true}, {Colour, "hsl(120 50% 50% / .5)", true},
      {Colour, "#abcde", false},   {Colour, "red;}body{x:y}", false},   {Colour, "rgb(0,0,0);x:y", false},
      {Colour, "url(x)", false},   {Colour, "rgb(0,0,0)x", false},      {Colour, "12632256", false},
      {Length, "0", true},         {Length, "1.5", true},   {Length, ".5", true},   {Length, "1.", false},
      {Length, "-1", false},       {Length, "3px", false},  {Length, "0;x:url(y)", false},
      {Lengths, "300, 200", true}, {Lengths, "300,", false}, {Lengths, "300;x", false},
      {Path, "", true},            {Path, "/meter/8080", true}, {Path, "/a-b_c.d~e%20f", true},
      {Path, "//evil.example", false}, {Path, "javascript:alert(1)//", false}, {Path, "meter", false},
      {Path, "/a b", false},       {Path, "/a\"b", false},    {Path, "/a\\b", false},
  };
  for (const auto& row : rows) {
    const QString text = QString::fromLatin1(row.text);
    const bool ok = row.rule == Colour    ? isCssColour(text)
                    : row.rule == Length  ? isCssLength(text)
                    : row.rule == Lengths ? isCssLengthList(text)
                                          : isLocalPath(text);
    EXPECT_EQ(ok, row.ok) << int(row.rule) << " " << row.text;
  }
}

namespace {
// A window as unloadObject sees it: a close() slot that may refuse.
class FakeForm : public QObject {
  Q_OBJECT
 public:
  explicit FakeForm(bool refuse) : m_refuse(refuse) {}
  int closes = 0;
 public slots:
  bool close() { return ++closes, !m_refuse; }

 private:
  bool m_refuse;
};
}  // namespace

// What reaches a reader at 384 KiB/s comes in steps as its window opens,
// while what the system takes from the program comes in bursts seconds
// apart; judged from what arrived, the fast reader is never under the
// limit, the slow and the stopped ones always are, and the start is left out.
TEST(AnswerRate, isJudgedFromWhatArrivedOverTheWindow) {
  constexpr qint64 kWindow = 4000;
  const auto judged = [](qint64 bytesPerSecond, qint64 step, qint64 burst) {
    AnswerRate rate;
    rate.start(0, 0);
    qint64 delivered = burst;  // the buffers' share, at once
    qint64 lowest = -1;
    for (qint64 now = 10; now <= 20000; now += 10) {
      if (now % step == 0) delivered += bytesPerSecond * step / 1000;
      if (now % 500 == 0) rate.sample(now, delivered);
      const qint64 r = rate.rate(now, delivered, kWindow);
      if (now < kWindow + AnswerRate::kSettleMs)
        EXPECT_EQ(r, -1) << now;
      else if (lowest < 0 || r < lowest)
        lowest = r;
    }
    return lowest;
  };
  EXPECT_GE(judged(384 * 1024, 170, 4 << 20), 300 * 1024);
  EXPECT_LT(judged(64 * 1024, 1000, 1 << 20), 128 * 1024);
  EXPECT_EQ(judged(0, 1000, 6 << 20), 0);
}

TEST(UnloadObject, aWindowMayRefuseAndAControlGoes) {
  FakeForm refusing(true);
  QPointer<QObject> closing(new FakeForm(false)), control(new QObject);
  EXPECT_FALSE(unloadObject(&refusing));
  EXPECT_TRUE(unloadObject(closing));
  EXPECT_TRUE(unloadObject(control));
  EXPECT_FALSE(unloadObject(nullptr));
  EXPECT_EQ(refusing.closes, 1);
  EXPECT_EQ(static_cast<FakeForm*>(closing.data())->closes, 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closing.isNull());
  EXPECT_TRUE(control.isNull());
}

TEST(HttpDate, isTheLocalTimeOneHourLater) {
  EXPECT_EQ(formatHttpDate(QDateTime(QDate(2026, 12, 6), QTime(23, 30, 5))), QStringLiteral("Mon, 07 Dec 2026 00:30:05"));
  EXPECT_EQ(formatHttpDate(QDateTime(QDate(2027, 1, 1), QTime(8, 0, 0))), QStringLiteral("Fri, 01 Jan 2027 09:00:00"));
  EXPECT_EQ(formatLogTime(QDateTime(QDate(2027, 1, 1), QTime(8, 0, 9))), QStringLiteral("2027-01-01 08:00:09"));
}

TEST(WebPaths, typedRootsAndLogFiles) {
  const QString program = QCoreApplication::applicationDirPath();
  const QString defaultWebRoot = QStringLiteral("/opt/zav/public_html/");
  EXPECT_EQ(webRootPath(QString(), defaultWebRoot), defaultWebRoot);
  EXPECT_EQ(webRootPath(QStringLiteral("www"), defaultWebRoot), program + QStringLiteral("/www"));
  EXPECT_EQ(webRootPath(QStringLiteral("www/"), defaultWebRoot), program + QStringLiteral("/www/"));
  EXPECT_EQ(webRootPath(QStringLiteral("/srv/site"), defaultWebRoot), QStringLiteral("/srv/site"));
  EXPECT_EQ(webRootPath(QStringLiteral("a/b"), defaultWebRoot), QStringLiteral("a/b"));
  EXPECT_EQ(webLogPath(QString()), program + QStringLiteral("/webserver.log"));
  EXPECT_EQ(webLogPath(QStringLiteral("web.log")), program + QStringLiteral("/web.log"));
  EXPECT_EQ(webLogPath(QStringLiteral("logs/web.log")), QStringLiteral("logs/web.log"));
  EXPECT_EQ(addBackslash(QString()), QString());
  EXPECT_EQ(addBackslash(QStringLiteral("a/")), QStringLiteral("a/"));
  EXPECT_EQ(addBackslash(QStringLiteral("a")), QStringLiteral("a/"));
}

TEST(WebPaths, pagesAreDecodedOnceAndRefusedWhenTheyCouldClimb) {
  const struct {
    const char* page;
    const char* decoded;  // nullptr: refused
  } rows[] = {{"a%20b.html", "a b.html"}, {"%252e%252e/x", "%2e%2e/x"}, {"a+b", "a+b"},
              {"caf%C3%A9.txt", "caf\xC3\xA9.txt"}, {"../x", nullptr},         {"%2e%2e/x", nullptr},
              {"a%5cb", nullptr},        {"a\\b", nullptr},            {"a%00b", nullptr},
              {"a%0db", nullptr},        {"a%7fb", nullptr},           {"x..y", nullptr}};
  for (const auto& row : rows) {
    const Result<QString> d = decodeWebPage(QString::fromLatin1(row.page));
    EXPECT_EQ(d.ok(), row.decoded != nullptr) << row.page;
    if (row.decoded) {
      EXPECT_EQ(*d, QString::fromUtf8(row.decoded)) << row.page;
    }
  }
}

TEST(WebPort, theEnableBoxRule) {
  const struct {
    const char* text;
    PortCheck result;
  } rows[] = {{"", PortCheck::DefaultPort}, {"79", PortCheck::Refused},   {"80", PortCheck::Accepted},
              {"8080", PortCheck::Accepted}, {"65535", PortCheck::Accepted}, {"65536", PortCheck::Refused},
              {"8080abc", PortCheck::Accepted}, {"abc", PortCheck::Refused}, {"1e10", PortCheck::Refused}};
  for (const auto& row : rows) {
    // The field as core reads it into the settings.
    Settings s;
    s.webPortText = QString::fromLatin1(row.text);
    const WebPortSetting port = webPortFromText(s.webPortText);
    s.webPort = port.port;
    s.webPortAccepted = port.accepted;
    EXPECT_EQ(checkWebPort(s), row.result) << row.text;
  }
}

TEST(WebLog, entriesOfUnknownEventsAndErrorReports) {
  const QDateTime t(QDate(2027, 1, 1), QTime(0, 0, 1, 500));
  const QString e = webLogEntry(
      t, {.index = 3, .handle = 17, .state = 7, .remoteIP = QStringLiteral("10.0.0.2"), .remotePort = 5555},
      {}, 9, QStringLiteral("x"));
  EXPECT_EQ(e.section(QStringLiteral("\r\n"), 1),
            QStringLiteral("  [0 0 0 0]  10.0.0.2:5555\r\nundefined wsEvent = 9\r\nx\r\n") + QString(80, u'!') +
                QStringLiteral("\r\n\r\n"));
  EXPECT_TRUE(e.startsWith(QStringLiteral("2027-01-01 00:00:01  1.5  (3)  SocketHandle=17  State=7:sckConnected  Event=9:undefined\r\n")));
  const QStringList report =
      webErrorReport(t, QStringLiteral("Zav"), QStringLiteral("sckWS_DataArrival"), 75, QStringLiteral("Permission denied"))
          .split(QStringLiteral("\r\n"));
  ASSERT_EQ(report.size(), 7);
  EXPECT_EQ(report[0], QStringLiteral("2027-01-01 00:00:01"));
  EXPECT_TRUE(report[1].startsWith(QStringLiteral("  Zav Error Source = ")));
  EXPECT_EQ(report[2], QStringLiteral("  Zav Error Procedure = sckWS_DataArrival"));
  EXPECT_TRUE(report[3].startsWith(QStringLiteral("  Zav Error LastDllError = ")));
  EXPECT_EQ(report[4], QStringLiteral("  Zav Error Number = 75"));
  EXPECT_EQ(report[5], QStringLiteral("  Zav Error Description = Permission denied"));
  EXPECT_EQ(socketStateName(8), QStringLiteral("sckClosing"));
  EXPECT_EQ(socketStateName(10), QStringLiteral("undefined"));
  EXPECT_EQ(make404Page().count(QStringLiteral("\r\n")), 26);
}

#include "web_units_test.moc"

// A connection handed over with its answer gets all of it, what the socket
// does not take at once as the peer reads, also once the peer has ended its
// sending, and then the end of it. One put aside is handed back with its
// whole head once it ends, though the end comes across reads, and is answered
// there; without one it gets nothing.
TEST(LingeringCloses, anAnswerGoesOutWholeAndOnePutAsideIsHandedBackWhenItsHeadEnds) {
  QByteArray big(1024 * 1024, Qt::Uninitialized);
  for (qsizetype i = 0; i < big.size(); ++i) big[i] = char(i * 7 % 251);
  const struct {
    const char* name;
    bool putAside;
    QByteArray peerSends;
    bool peerShuts;
    QByteArray received;
  } rows[] = {
      {"over the buffers", false, "", false, big},
      {"over the buffers, the peer done sending", false, "GET / HTTP/1.1\r\n\r\n", true, big},
      {"put aside, the head ends", true, "\r\nmore", false, "answered"},
      {"put aside, no head", true, "Host: z", true, ""},
  };
  for (const auto& row : rows) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const int small = 4096;
    ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    LingeringCloses lingering;
    QByteArray handedBack;
    lingering.setHandBack([](QByteArrayView head) { return head.contains("\r\n\r\n"); },
                          [&](int fd, const QByteArray& head) {
                            handedBack = head;
                            (void)!::send(fd, "answered", 8, MSG_NOSIGNAL);
                            ::close(fd);
                          });
    if (row.putAside)
      lingering.putAside(fds[0], "GET / HTTP/1.1\r\n");
    else
      lingering.add(fds[0], big);
    QByteArray received;
    std::atomic<bool> done{false};
    std::thread peer([&] {
      (void)!::send(fds[1], row.peerSends.constData(), size_t(row.peerSends.size()), MSG_NOSIGNAL);
      if (row.peerShuts) ::shutdown(fds[1], SHUT_WR);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      char buf[65536];
      for (ssize_t n; (n = ::recv(fds[1], buf, sizeof buf, 0)) > 0;) received.append(buf, n);
      done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done.load(); }, std::chrono::milliseconds(1500))) << row.name;
    ::shutdown(fds[1], SHUT_RDWR);
    peer.join();
    ::close(fds[1]);
    EXPECT_EQ(received.size(), row.received.size()) << row.name;
    EXPECT_TRUE(received == row.received) << row.name;
    EXPECT_EQ(handedBack, row.received.isEmpty() || !row.putAside ? "" : "GET / HTTP/1.1\r\n" + row.peerSends)
        << row.name;
  }
}

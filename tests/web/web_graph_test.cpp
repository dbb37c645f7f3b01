// The live graph drawn off the server's path: a renderer whose pictures the
// test finishes by hand, so what the server does while they are drawn is seen
// on the wire.
#include <sys/socket.h>

#include <QFile>
#include <QPromise>
#include <QRegularExpression>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "web/web_client.h"
#include "web/web_fixture.h"

namespace {
using std::chrono::milliseconds;

// Pictures asked for and not drawn until the test finishes them.
struct HeldPictures {
  std::vector<std::shared_ptr<QPromise<Result<QByteArray>>>> promises;
  QStringList queries, types;

  GraphRenderer renderer() {
    return [this](const QString& query, const QString& type) {
      auto p = std::make_shared<QPromise<Result<QByteArray>>>();
      p->start();
      promises.push_back(p);
      queries << query;
      types << type;
      return p->future();
    };
  }
  void finish(qsizetype i, const Result<QByteArray>& picture) {
    promises[i]->addResult(picture);
    promises[i]->finish();
  }
  qsizetype count() const { return qsizetype(promises.size()); }
};

QByteArray graphRequest(const QByteArray& target, const char* method = "GET") {
  return QByteArray(method) + " " + target + " HTTP/1.1\r\nHost: zav\r\n\r\n";
}

// The answer after its Date line, as the server sends a picture of this type.
QByteArray pictureAnswer(const QByteArray& type, const QByteArray& body) {
  return "Connection: close\r\nAccept-Ranges: bytes\r\nContent-Type: image/" + type +
         "\r\nCache-Control: no-cache, no-store, must-revalidate\r\nContent-Length: " + QByteArray::number(body.size()) +
         "\r\n\r\n" + body;
}
}  // namespace

class WebGraphTest : public WebServerTest {
 protected:
  void SetUp() override {
    WebServerTest::SetUp();
    m_render = m_held.renderer();
    write(QStringLiteral("root/a.txt"), "A");
    write(QStringLiteral("root/logo.png"), "\x89PNG-logo");
  }
  // A client that sends its request and waits for its picture.
  IdleClient& ask(const QByteArray& request) {
    m_clients.push_back(std::make_unique<IdleClient>(port()));
    m_clients.back()->send(request);
    return *m_clients.back();
  }
  bool drawing(qsizetype n) { return pumpUntil([&] { return m_held.count() == n; }); }

  HeldPictures m_held;
  std::vector<std::unique_ptr<IdleClient>> m_clients;
};

// Eight clients wait for slow pictures: a small page asked for meanwhile is
// answered before any picture is, and each picture reaches its own client.
TEST_F(WebGraphTest, aSmallPageIsAnsweredWhilePicturesAreDrawn) {
  start();
  for (int i = 0; i < 8; ++i) ask(graphRequest("/zavPlot.png?w=1024&h=1024&n=" + QByteArray::number(i)));
  ASSERT_TRUE(drawing(8));
  const ClientResult page = get(port(), "/a.txt");
  EXPECT_EQ(bodyOf(page.bytes), "A");
  for (auto& c : m_clients) EXPECT_TRUE(c->received().isEmpty());
  EXPECT_EQ(counters().active, 8);
  // Finished in the reverse order: each answer goes to the connection that asked.
  for (qsizetype i = m_held.count() - 1; i >= 0; --i) m_held.finish(i, m_held.queries[i].toLatin1());
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(m_clients[i]->answeredWithin(milliseconds(5000))) << i;
    EXPECT_EQ(afterDate(m_clients[i]->received()),
              pictureAnswer("png", "w=1024&h=1024&n=" + QByteArray::number(i)))
        << i;
  }
  EXPECT_EQ(m_held.types, QStringList(8, QStringLiteral("png")));
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }));
}

TEST_F(WebGraphTest, whatIsSentWhenThePictureIsReady) {
  start();
  const struct {
    const char* name;
    QByteArray request;
    Result<QByteArray> picture;
    QByteArray answer;  // after the Date line
  } rows[] = {
      {"drawn", graphRequest("/zavPlot.gif?r=5"), QByteArray("GIF89a-drawn"), pictureAnswer("gif", "GIF89a-drawn")},
      {"failed: the logo", graphRequest("/zavPlot.gif"), Failure(QStringLiteral("no data")),
       pictureAnswer("png", "\x89PNG-logo")},
      {"nothing drawn: the logo", graphRequest("/zavPlot.jpg"), QByteArray(), pictureAnswer("png", "\x89PNG-logo")},
      {"HEAD: the length of the picture", graphRequest("/zavPlot.png", "HEAD"), QByteArray(5000, 'p'),
       headerOf(pictureAnswer("png", QByteArray(5000, 'p')))},
  };
  for (const auto& row : rows) {
    IdleClient& c = ask(row.request);
    ASSERT_TRUE(drawing(m_held.count() + 1)) << row.name;
    m_held.finish(m_held.count() - 1, row.picture);
    ASSERT_TRUE(c.answeredWithin(milliseconds(5000))) << row.name;
    EXPECT_EQ(afterDate(c.received()), row.answer) << row.name;
  }
}

// The client's slot is freed while its picture is drawn (its close is
// reported, or the server stops); the picture is dropped, never sent to the
// connection that has the slot now.
TEST_F(WebGraphTest, aPictureWhoseClientHasGoneIsDropped) {
  for (const bool restart : {false, true}) {
    start();
    IdleClient& gone = ask(graphRequest("/zavPlot.png"));
    ASSERT_TRUE(drawing(1)) << restart;
    ASSERT_EQ(server().socketSlot(1), 1) << restart;
    if (restart) {
      server().stopWebServer();
      start();
    } else {
      emit server().sockets().closeReceived(1);
    }
    EXPECT_EQ(counters().active, 0) << restart;
    EXPECT_TRUE(gone.answeredWithin(milliseconds(5000))) << restart;
    EXPECT_TRUE(gone.received().isEmpty()) << restart;
    // A new connection takes the same slot.
    IdleClient next(port());
    ASSERT_TRUE(pumpUntil([&] { return counters().active == 1; })) << restart;
    ASSERT_EQ(server().socketSlot(1), 1) << restart;
    EXPECT_TRUE(m_held.promises[0]->isCanceled()) << restart;  // not drawn for nobody
    m_held.finish(0, QByteArray("picture for the one gone"));
    next.send(graphRequest("/a.txt"));
    ASSERT_TRUE(next.answeredWithin(milliseconds(5000))) << restart;
    EXPECT_EQ(next.received().count("HTTP/1.1"), 1) << restart;
    EXPECT_EQ(bodyOf(next.received()), "A") << restart;
    server().stopWebServer();
    m_held = {};
    m_clients.clear();
  }
}

// A slot that waits for its picture is busy answering: the slot of a slow
// head makes room for a newcomer, and the head's deadline does not close it.
TEST_F(WebGraphTest, aSlotWaitingForItsPictureIsNeitherTakenNorTimedOut) {
  server().setLimits({.requestHead = milliseconds(300), .idle = milliseconds(30000)});
  start();
  IdleClient& waiting = ask(graphRequest("/zavPlot.png"));
  ASSERT_TRUE(drawing(1));
  std::vector<std::unique_ptr<IdleClient>> idle;
  for (int i = 0; i < 9; ++i) {
    idle.push_back(std::make_unique<IdleClient>(port()));
    ASSERT_TRUE(pumpUntil([&] { return counters().active == i + 2; }));
  }
  // The eleventh waits in line; the idle heads' time runs out, never the picture's slot's.
  IdleClient eleventh(port());
  EXPECT_TRUE(idle[0]->closedWithin(milliseconds(2000)));
  // Every head's deadline passes; the picture's slot stays.
  for (auto& c : idle) EXPECT_TRUE(c->closedWithin(milliseconds(3000)));
  EXPECT_TRUE(eleventh.closedWithin(milliseconds(3000)));
  EXPECT_FALSE(waiting.answered());
  EXPECT_EQ(counters().active, 1);
  m_held.finish(0, QByteArray("late"));
  ASSERT_TRUE(waiting.answeredWithin(milliseconds(5000)));
  EXPECT_EQ(bodyOf(waiting.received()), "late");
}

// What waits to be sent and what the pictures being drawn may take stay within
// the bound: an answer that would pass it gets 503 (a picture is not drawn),
// while a small picture, a page and a file bigger than the bound (it goes out
// from disk a chunk at a time) still go out.
TEST_F(WebGraphTest, anAnswerThatWouldPassTheByteBoundGets503) {
  const QByteArray big(13 * 1024 * 1024, 'j');
  write(QStringLiteral("root/big.jpg"), big);
  server().setLimits({.maxAnswerBytes = 12 * 1024 * 1024});
  start();
  const QByteArray unavailable = "Connection: close\r\nRetry-After: 10\r\nContent-Length: 0\r\n\r\n";
  IdleClient& first = ask(graphRequest("/zavPlot.png?w=1000&h=1000"));  // 8 MB while it is drawn
  ASSERT_TRUE(drawing(1));
  IdleClient& refused = ask(graphRequest("/zavPlot.png?w=1000&h=1000"));
  ASSERT_TRUE(refused.answeredWithin(milliseconds(5000)));
  EXPECT_TRUE(refused.received().startsWith("HTTP/1.1 503 Service Unavailable\r\n"));
  EXPECT_EQ(afterDate(refused.received()), unavailable);
  EXPECT_EQ(bodyOf(get(port(), "/big.jpg").bytes), big);
  EXPECT_EQ(m_held.count(), 1);
  ask(graphRequest("/zavPlot.png?w=400&h=300"));  // 1 MB
  ASSERT_TRUE(drawing(2));
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "A");
  // Once the first is sent, its room is free again.
  m_held.finish(0, QByteArray("first"));
  ASSERT_TRUE(first.answeredWithin(milliseconds(5000)));
  EXPECT_EQ(bodyOf(first.received()), "first");
  ask(graphRequest("/zavPlot.png?w=1000&h=1000"));
  EXPECT_TRUE(drawing(3));
  for (qsizetype i = 1; i < 3; ++i) m_held.finish(i, QByteArray("p"));
}

// Each slot awaits one picture at most: with every slot waiting, a newcomer
// waits in line and nothing more is drawn; it is served once a slot frees.
TEST_F(WebGraphTest, picturesAwaitedAreBoundedByTheSlots) {
  start();
  for (int i = 0; i < 10; ++i) ask(graphRequest("/zavPlot.png?n=" + QByteArray::number(i)));
  ASSERT_TRUE(drawing(10));
  IdleClient& eleventh = ask(graphRequest("/zavPlot.png?n=10"));
  EXPECT_FALSE(eleventh.answeredWithin(milliseconds(1000)));
  EXPECT_EQ(m_held.count(), 10);
  EXPECT_EQ(counters().requests, 11);
  EXPECT_EQ(counters().accepts, 10);
  m_held.finish(0, QByteArray("p"));
  ASSERT_TRUE(drawing(11));
  EXPECT_EQ(m_held.queries.last(), "n=10");
  for (qsizetype i = 1; i < 11; ++i) m_held.finish(i, QByteArray("p"));
  for (auto& c : m_clients) EXPECT_TRUE(c->answeredWithin(milliseconds(5000)));
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }));
}

// The request's log entry is written with its answer, as for any other page.
TEST_F(WebGraphTest, theLogEntryOfAGraphGoesWithItsAnswer) {
  const QString log = path(QStringLiteral("web.log"));
  setLogging(1, log);
  start();
  IdleClient& c = ask(graphRequest("/zavPlot.gif?r=5"));
  ASSERT_TRUE(drawing(1));
  m_held.finish(0, QByteArray("GIF89a-drawn"));
  ASSERT_TRUE(c.answeredWithin(milliseconds(5000)));
  QFile f(log);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString entries = QString::fromLatin1(f.readAll());
  EXPECT_TRUE(entries.contains(QStringLiteral(
      "  BytesReceived=44\r\n  ------------------------------------------\r\n  > GET /zavPlot.gif?r=5 HTTP/1.1\r\n"
      "  > Host: zav\r\n  > \r\n  > \r\n  ------------------------------------------\r\n  < HTTP/1.1 200 OK\r\n")))
      << entries.toStdString();
  EXPECT_TRUE(entries.contains(QStringLiteral("\r\n  < [len(picBuffer)=12]\r\n  < filePath= '") + root() +
                               QStringLiteral("/zavPlot.gif'\r\n")))
      << entries.toStdString();
}

namespace {
// Reads until the server closes: true for a plain close, false for a reset.
bool endsWithoutReset(IdleClient& c, QByteArray& received) {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(c.fd(), buf, sizeof buf, 0);
    if (n == 0) return true;
    if (n < 0) return false;
    received.append(buf, n);
  }
}
}  // namespace

// Every slot waits for its picture: newcomers wait in line and get slots in
// the order they came; past the line (three small requests fill it here), and
// past their time in it, they are told to come again (503), with a plain
// close though what they sent was never read.
TEST_F(WebGraphTest, newcomersWaitInLineAndPastItGet503) {
  server().setLimits({.maxWaitingBytes = 3 * (SocketArray::kWaitingCost + 64), .maxWait = milliseconds(1500)});
  start();
  for (int i = 0; i < 10; ++i) ask(graphRequest("/zavPlot.png?n=" + QByteArray::number(i)));
  ASSERT_TRUE(drawing(10));
  for (int i = 0; i < 3; ++i) {
    ask(graphRequest("/zavPlot.png?line=" + QByteArray::number(i)));
    ASSERT_TRUE(pumpUntil([&] { return counters().requests == 11 + i; }));
  }
  const QByteArray unavailable = "Connection: close\r\nRetry-After: 10\r\nContent-Length: 0\r\n\r\n";
  const auto refused = [&](const QByteArray& request) {
    IdleClient c(port());
    c.send(request);
    QByteArray answer;
    std::atomic<bool> plain{false}, done{false};
    std::thread reader([&] {
      plain = endsWithoutReset(c, answer);
      done = true;
    });
    pumpUntil([&] { return done.load(); }, milliseconds(5000));
    reader.join();
    EXPECT_TRUE(plain);
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 503 Service Unavailable\r\n"));
    EXPECT_EQ(afterDate(answer), unavailable);
  };
  // A body that is never read: a close with it unread would reset the connection.
  refused(graphRequest("/zavPlot.png?full") + QByteArray(200000, 'x'));
  EXPECT_EQ(counters().accepts, 10);
  for (int i = 0; i < 3; ++i) {
    m_held.finish(i, QByteArray("p"));
    ASSERT_TRUE(drawing(11 + i));
    EXPECT_EQ(m_held.queries.last(), QStringLiteral("line=%1").arg(i));
  }
  // Nothing frees now: the next one waits its time, then is told to come again.
  refused(graphRequest("/zavPlot.png?late"));
  for (qsizetype i = 3; i < m_held.count(); ++i) m_held.finish(i, QByteArray("p"));
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }));
}

// With every slot waiting for its picture, a small answer needs none: it goes
// out at once with the bytes a slot would send, also to a request whose head
// comes in parts while it waits, and is logged with its request. A file over
// 64 KiB waits for a slot; a HEAD of it is sized by its header and does not.
TEST_F(WebGraphTest, smallAnswersGoOutAtOnceWhileEverySlotIsBusy) {
  const QByteArray mid(100 * 1024, 'm');
  write(QStringLiteral("root/mid.jpg"), mid);
  setLogging(1, path(QStringLiteral("web.log")));
  start();
  const QByteArray targets[] = {"/a.txt", "/zavData.xml", "/index.asp?r=3", "/missing.htm"};
  QByteArray fromSlot[4];
  for (int k = 0; k < 4; ++k) fromSlot[k] = afterDate(get(port(), targets[k]).bytes);
  const QByteArray headFromSlot = afterDate(exchange(port(), {graphRequest("/a.txt", "HEAD")}).bytes);
  for (int i = 0; i < 10; ++i) ask(graphRequest("/zavPlot.png?n=" + QByteArray::number(i)));
  ASSERT_TRUE(drawing(10));
  IdleClient& big = ask(graphRequest("/mid.jpg"));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(afterDate(get(port(), targets[k]).bytes), fromSlot[k]) << targets[k].constData();
  EXPECT_EQ(afterDate(exchange(port(), {graphRequest("/a.txt", "HEAD")}).bytes), headFromSlot);
  const ClientResult parts = exchange(port(), {"GET /a.txt HTTP/1.1\r\n", "Host: zav\r\n\r\n"}, milliseconds(200));
  EXPECT_EQ(afterDate(parts.bytes), fromSlot[0]);
  EXPECT_FALSE(big.answered());
  EXPECT_EQ(counters().accepts, 15);
  QByteArray heads;  // also with a request behind it on its connection
  for (const QByteArray& behind : {QByteArray(), graphRequest("/a.txt")})
    heads += afterDate(exchange(port(), {graphRequest("/mid.jpg", "HEAD") + behind}, milliseconds(50),
                                milliseconds(2000)).bytes);
  m_held.finish(0, QByteArray("p"));
  ASSERT_TRUE(big.answeredWithin(milliseconds(5000)));
  EXPECT_EQ(bodyOf(big.received()), mid);
  EXPECT_EQ(heads, afterDate(headerOf(big.received())).repeated(2));
  QFile f(path(QStringLiteral("web.log")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString log = QString::fromLatin1(f.readAll());
  const QRegularExpression atOnce(QStringLiteral(
      "  \\(0\\)  SocketHandle=\\d+  State=7:sckConnected  Event=1:DataArrival\r\n  \\[17 15 10 10\\]  "
      "127\\.0\\.0\\.1:\\d+  BytesReceived=34\r\n  -{42}\r\n  > GET /a.txt HTTP/1.1\r\n  > Host: zav\r\n"
      "  > \r\n  > \r\n  -{42}\r\n  < HTTP/1.1 200 OK\r\n(  < [^\r]*\r\n)*  < \\[len\\(htmldata\\)=1\\]\r\n  < filePath= '[^']*'"
      "\r\n  < \r\n  \\* every slot busy, answered at once  requestID=\\d+\r\n-{80}\r\n"));
  EXPECT_TRUE(atOnce.match(log).hasMatch()) << log.right(3000).toStdString();
  for (qsizetype i = 1; i < m_held.count(); ++i) m_held.finish(i, QByteArray("p"));
}

// With the line full, a newcomer takes the place of the head that has waited
// longest, which is put aside: should its request end after all, it is a
// newcomer again and waits its turn, never told to come again for the place it gave.
TEST_F(WebGraphTest, aHeadThatGaveItsPlaceWaitsAgainShouldItsRequestEnd) {
  server().setLimits({.newConnectionGrace = milliseconds(100), .maxWaitingBytes = 2 * SocketArray::kWaitingCost + 100});
  start();
  for (int i = 0; i < 10; ++i) ask(graphRequest("/zavPlot.png?n=" + QByteArray::number(i)));
  ASSERT_TRUE(drawing(10));
  IdleClient& first = ask("GET /zavPlot.png?first HTTP/1.1\r\n");
  ask("");
  ASSERT_TRUE(pumpUntil([&] { return counters().requests == 12; }));
  pumpFor(milliseconds(200));
  ask(graphRequest("/zavPlot.png?third"));
  ASSERT_TRUE(pumpUntil([&] { return counters().requests == 13; }));
  first.send("Host: zav\r\n\r\n");
  pumpFor(milliseconds(300));
  EXPECT_FALSE(first.answered());
  EXPECT_EQ(counters().requests, 13);
  // Slots go to the line in order: the third's, then the first's.
  m_held.finish(0, QByteArray("p"));
  ASSERT_TRUE(drawing(11));
  EXPECT_EQ(m_held.queries.last(), "third");
  m_held.finish(1, QByteArray("p"));
  ASSERT_TRUE(drawing(12));
  EXPECT_EQ(m_held.queries.last(), "first");
  m_held.finish(11, QByteArray("first"));
  ASSERT_TRUE(first.answeredWithin(milliseconds(5000)));
  EXPECT_EQ(bodyOf(first.received()), "first");
  for (qsizetype i = 2; i < 11; ++i) m_held.finish(i, QByteArray("p"));
}

// A client that asked for a picture and closed is not drawn for; one that
// only ended its sending gets its picture; one that goes while its picture is
// drawn has it cancelled.
TEST_F(WebGraphTest, aPictureIsDrawnOnlyWhileItsClientWaits) {
  start();
  {
    IdleClient gone(port());
    gone.send(graphRequest("/zavPlot.png?gone"));
  }
  ASSERT_TRUE(pumpUntil([&] { return counters().accepts == 1 && counters().active == 0; }));
  pumpFor(milliseconds(300));
  EXPECT_EQ(m_held.count(), 0);

  IdleClient& half = ask(graphRequest("/zavPlot.png?half"));
  ::shutdown(half.fd(), SHUT_WR);
  ASSERT_TRUE(drawing(1));
  m_held.finish(0, QByteArray("half"));
  ASSERT_TRUE(half.answeredWithin(milliseconds(5000)));
  EXPECT_TRUE(half.received().startsWith("HTTP/1.1 200 OK\r\nServer: Zav ver "));
  EXPECT_EQ(afterDate(half.received()), pictureAnswer("png", "half"));

  auto later = std::make_unique<IdleClient>(port());
  later->send(graphRequest("/zavPlot.png?later"));
  ASSERT_TRUE(drawing(2));
  later.reset();
  EXPECT_TRUE(pumpUntil([&] { return m_held.promises[1]->isCanceled() && counters().active == 0; }));
}

// A picture whose drawing has begun takes its memory until it ends, though
// its client has gone: another that would pass the bound meanwhile gets 503.
TEST_F(WebGraphTest, aPictureBegunCountsUntilItsDrawingEnds) {
  server().setLimits({.maxAnswerBytes = 12 * 1024 * 1024});
  start();
  auto first = std::make_unique<IdleClient>(port());
  first->send(graphRequest("/zavPlot.png?w=1000&h=1000"));  // 8 MB while it is drawn
  ASSERT_TRUE(drawing(1));
  m_held.promises[0]->setProgressValue(1);  // its drawing has begun
  first.reset();
  ASSERT_TRUE(pumpUntil([&] { return m_held.promises[0]->isCanceled() && counters().active == 0; }));
  IdleClient& refused = ask(graphRequest("/zavPlot.png?w=1000&h=1000"));
  ASSERT_TRUE(refused.answeredWithin(milliseconds(5000)));
  EXPECT_TRUE(refused.received().startsWith("HTTP/1.1 503 Service Unavailable\r\n"));
  m_held.finish(0, Failure(QStringLiteral("not awaited")));
  ask(graphRequest("/zavPlot.png?w=1000&h=1000"));
  EXPECT_TRUE(drawing(2));
  m_held.finish(1, QByteArray("p"));
}

// Clients that take nothing of their big answers for a while make room for
// an answer that needs it: they are closed, it is not refused.
TEST_F(WebGraphTest, slowHoldersMakeRoomForAnAnswerThatNeedsIt) {
  server().setLimits({.slowAnswerAfter = milliseconds(500), .maxAnswerBytes = 36 * 1024 * 1024});
  start();
  for (int i = 0; i < 3; ++i) {
    IdleClient& holder = ask(graphRequest("/zavPlot.png?w=500&h=500&n=" + QByteArray::number(i)));
    ASSERT_TRUE(drawing(i + 1));
    m_held.finish(i, QByteArray(14 * 1024 * 1024, 'p'));
    ASSERT_TRUE(pumpUntil([&] { return !holder.received().isEmpty(); }));
  }
  // Long enough to be judged; then one that takes 32 MB while it is drawn.
  pumpFor(milliseconds(1500));
  IdleClient& needy = ask(graphRequest("/zavPlot.png?w=2000&h=2000"));
  ASSERT_TRUE(drawing(4));
  EXPECT_FALSE(needy.answered());
  EXPECT_LE(counters().active, 3);  // a holder or two closed, the needy one in

  m_held.finish(3, QByteArray("needy"));
  ASSERT_TRUE(needy.answeredWithin(milliseconds(5000)));
  EXPECT_EQ(bodyOf(needy.received()), "needy");
}

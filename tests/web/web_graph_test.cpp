// The live graph drawn off the server's path: a renderer whose pictures the
// test finishes by hand, so what the server does while they are drawn is seen
// on the wire.
#include <QFile>
#include <QPromise>
#include <memory>
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
  // The eleventh takes the slot of the oldest idle head, not the picture's.
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

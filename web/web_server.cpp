#include "web/web_server.h"

#include <QDateTime>
#include <QFile>
#include <QFutureWatcher>
#include <QTimer>

#include "chart/graph_image.h"
#include "core/log/logmsg.h"
#include "core/util/text_helpers.h"
#include "plot/graph_request.h"
#include "web/request_reader.h"
#include "web/web_paths.h"

namespace {
const QString kHyphens = QStringLiteral("  ------------------------------------------");
constexpr int kPathFileAccessError = 75;
// Answers of at most this size always go out (ten slots hold at most 640 KiB
// of them beyond the bound, the lingering closes at most 16 MiB): a page is
// never refused, and with every slot busy it goes out at once without one.
constexpr qint64 kAlwaysSentBytes = 64 * 1024;
// The answers' rates are sampled this often while they go out, and judged
// over this long (or slowAnswerAfter when that is shorter).
constexpr int kRateSampleMs = 500;
constexpr qint64 kRateWindowMs = 4000;
// Every live graph's answer starts with it. A peer that ended its input while
// its picture is awaited may have gone, or only be done sending: this line
// goes ahead, and a peer that has gone refuses it.
constexpr QByteArrayView kGraphStatusLine = "HTTP/1.1 200 OK\r\n";
// A picture for such a peer is begun once the refusal had this long to come.
constexpr int kRefusalWaitMs = 100;

// Text from the client in the log: each line behind the mark, every other
// control character escaped, so no byte sent can start a line of its own.
QString quoted(const QString& text, const QString& mark) {
  QString out = mark;
  out.reserve(text.size() + text.size() / 16 + mark.size());
  qsizetype from = 0;
  for (qsizetype end; (end = text.indexOf(kCrLf, from)) >= 0; from = end + 2)
    out += escapeControls(QStringView(text).sliced(from, end - from)) + kCrLf + mark;
  return out + escapeControls(QStringView(text).sliced(from));
}

// A request's log text: what was received, then the error word or what was sent.
QString arrivalText(qsizetype bytesReceived, const QString& received, const QString& outcome) {
  return QStringLiteral("  BytesReceived=") + QString::number(bytesReceived) + kCrLf + kHyphens + kCrLf +
         quoted(received, QStringLiteral("  > ")) + kCrLf + kHyphens + kCrLf + outcome;
}
}  // namespace

WebServer::WebServer(GraphRenderer renderer, QObject* parent)
    : QObject(parent),
      m_renderer(std::move(renderer)),
      m_rateSampler(new QTimer(this)) {
  m_clock.start();
  m_sockets.setRequestComplete(
      [](QByteArrayView bytes) { return readRequest(bytes).status != RequestStatus::NeedMore; });
  connect(m_rateSampler, &QTimer::timeout, this, &WebServer::sampleRates);
  connect(&m_sockets, &SocketArray::peerInputEnded, this, &WebServer::peerInputEnded);
  connect(&m_sockets, &SocketArray::peerGone, this, &WebServer::closeReceived);
  connect(&m_sockets, &SocketArray::connectionRequest, this, &WebServer::connectionRequest);
  connect(&m_sockets, &SocketArray::dataArrival, this, [this](int index, qint64) { dataArrival(index); });
  connect(&m_sockets, &SocketArray::sendProgress, this, &WebServer::sendProgress);
  connect(&m_sockets, &SocketArray::sendComplete, this, &WebServer::sendComplete);
  connect(&m_sockets, &SocketArray::connectReceived, this, &WebServer::connectReceived);
  connect(&m_sockets, &SocketArray::closeReceived, this, &WebServer::closeReceived);
  connect(&m_sockets, &SocketArray::errorOccurred, this, &WebServer::errorOccurred);
}

WebServer::~WebServer() { resetSlots(); }

void WebServer::setSettings(const Settings& settings) {
  m_settings = settings;
  m_site.appName = settings.appName;
  m_site.maxMeterPower = settings.maxMeterPower;
  m_site.tempChannels = settings.ifType >= 2;
}

WebServer::Slot& WebServer::slot(int index) {
  if (size_t(index) >= m_slots.size()) m_slots.resize(size_t(index) + 1);
  return m_slots[size_t(index)];
}

void WebServer::resetSlots() {
  for (Slot& s : m_slots) {
    dropGraph(s);
    delete s.timer;
  }
  m_slots.clear();
  m_rateSampler->stop();
}

// The picture is no longer awaited: its answer is never sent, and one not
// begun yet is not drawn. One begun counts until it ends.
void WebServer::dropGraph(Slot& s) {
  if (QFutureWatcher<Result<QByteArray>>* w = s.graph.watcher) {
    w->disconnect(this);
    QFuture<Result<QByteArray>> future = w->future();
    future.cancel();
    if (!future.isFinished() && future.progressValue() > 0) {
      m_drawingsLeft.push_back({w, s.reserved});
      connect(w, &QFutureWatcherBase::finished, this, [this, w] {
        std::erase_if(m_drawingsLeft, [w](const DrawingLeft& d) { return d.watcher == w; });
        w->deleteLater();
      });
    } else {
      w->deleteLater();
    }
  }
  s.graph = {};
  s.reserved = 0;
}

void WebServer::armSlot(int index, qint64 waitedMs) {
  Slot& s = slot(index);
  s.buffer.clear();
  s.answered = false;
  dropGraph(s);
  s.acceptOrder = ++m_accepts;
  s.acceptedAt = m_clock.elapsed() - waitedMs;
  if (!s.timer) {
    s.timer = new QTimer(this);
    s.timer->setSingleShot(true);
    connect(s.timer, &QTimer::timeout, this, [this, index] { timedOut(index); });
  }
  s.timer->start(std::max(m_limits.requestHead - std::chrono::milliseconds(waitedMs), std::chrono::milliseconds(0)));
}

void WebServer::releaseSlot(int index, bool answered) {
  if (answered)
    m_sockets.closeAnswered(index);
  else
    m_sockets.close(index);
  Slot& s = slot(index);
  s.buffer.clear();
  s.answered = false;
  dropGraph(s);
  s.answerStart = -1;
  s.file.reset();
  s.fileLeft = 0;
  if (s.timer) s.timer->stop();
  if (index < m_socketSlots.size() && m_socketSlots[index] > 0) {
    m_socketSlots[index] = 0;
    m_counters.active = std::max(m_counters.active - 1, 0);
  }
  showCounter(2);
  // The first newcomer in line takes the slot.
  if (m_sockets.waitingCount() > 0) m_sockets.offerAgain();
}

WebLogSocket WebServer::logSocket(int index) const {
  return {.index = index,
          .handle = m_sockets.socketHandle(index),
          .state = m_sockets.state(index),
          .remoteIP = m_sockets.remoteHostIP(index),
          .remotePort = m_sockets.remotePort(index)};
}

void WebServer::showCounter(int box) {
  const WebCounters& c = m_counters;
  const int32_t values[] = {c.requests, c.accepts, c.active, c.peak, c.errors};
  emit m_events.connections.counterChanged(box, values[box], m_marked[box]);
}

void WebServer::clearMarks() {
  for (bool& m : m_marked) m = false;
}

// A counter that reaches the limit starts again at 1 and its box stays marked.
void WebServer::countUp(int32_t& counter, int box) {
  if (++counter >= m_counterLimit) {
    counter = 1;
    m_marked[box] = true;
  }
  showCounter(box);
}

int WebServer::freeSlot() const {
  if (m_counters.active >= m_maxConnections) return 0;
  for (int j = 1; j <= m_maxConnections && j < m_socketSlots.size(); ++j)
    if (m_socketSlots[j] == 0) return j;
  return 0;
}

// A connection that has sent part of its head goes before one that has sent
// nothing yet, and the older before the younger. A head younger than the
// grace is not taken (a request sent just after the connect is on its way),
// nor one whose complete request already waits in the socket: what waits is
// looked at before the choice.
int WebServer::longestWaitingHead() {
  const qint64 now = m_clock.elapsed();
  const qint64 grace = m_limits.newConnectionGrace.count();
  int oldest = 0;
  const auto before = [](const Slot& a, const Slot& b) {
    if (a.buffer.isEmpty() != b.buffer.isEmpty()) return !a.buffer.isEmpty();
    return a.acceptOrder < b.acceptOrder;
  };
  for (int j = 1; j <= m_maxConnections && j < m_socketSlots.size() && size_t(j) < m_slots.size(); ++j) {
    const Slot& s = m_slots[size_t(j)];
    if (m_socketSlots[j] == 0 || s.answered) continue;
    const QByteArray waiting = m_sockets.peekData(j, kMaxRequestHead + 4 - s.buffer.size());
    if (!waiting.isEmpty() && readRequest(s.buffer + waiting).status != RequestStatus::NeedMore) continue;
    if (now - s.acceptedAt < grace) continue;
    if (oldest == 0 || before(s, m_slots[size_t(oldest)])) oldest = j;
  }
  return oldest;
}

// Of the answers that have gone out for slowAnswerAfter, the one that reached
// its client slowest over the last rate window, under minAnswerRate.
int WebServer::slowestAnswer(int except) {
  const qint64 now = m_clock.elapsed();
  int slowest = 0;
  qint64 slowestRate = 0;
  for (int j = 1; j <= m_maxConnections && j < m_socketSlots.size() && size_t(j) < m_slots.size(); ++j) {
    Slot& s = m_slots[size_t(j)];
    if (j == except || m_socketSlots[j] == 0 || s.answerStart < 0 ||
        now - s.answerStart < m_limits.slowAnswerAfter.count())
      continue;
    const qint64 delivered = m_sockets.deliveredBytes(j);
    s.rate.sample(now, delivered);
    const qint64 rate =
        s.rate.rate(now, delivered, std::min<qint64>(kRateWindowMs, m_limits.slowAnswerAfter.count()));
    if (rate < 0 || rate >= m_limits.minAnswerRate) continue;
    if (slowest == 0 || rate < slowestRate) {
      slowest = j;
      slowestRate = rate;
    }
  }
  return slowest;
}

// A reader that stopped gives no sign of its own: its answer is sampled now and then.
void WebServer::sampleRates() {
  const qint64 now = m_clock.elapsed();
  bool going = false;
  for (int j = 1; j < m_socketSlots.size() && size_t(j) < m_slots.size(); ++j) {
    Slot& s = m_slots[size_t(j)];
    if (m_socketSlots[j] == 0 || s.answerStart < 0) continue;
    s.rate.sample(now, m_sockets.deliveredBytes(j));
    going = true;
  }
  if (!going) m_rateSampler->stop();
}

qint64 WebServer::outgoingBytes() const {
  qint64 bytes = m_sockets.answerBytesPending();
  for (size_t j = 1; j < m_slots.size(); ++j) bytes += m_sockets.bytesToWrite(int(j)) + m_slots[j].reserved;
  for (const DrawingLeft& d : m_drawingsLeft) bytes += d.cost;
  return bytes;
}

bool WebServer::makeRoom(qint64 bytes, int index) {
  while (outgoingBytes() + bytes > m_limits.maxAnswerBytes) {
    const int j = slowestAnswer(index);
    if (j == 0) return false;
    logEvent(j, 5, [] {
      return QStringLiteral("  * answer going out too slowly, closed to make room for another");
    });
    releaseSlot(j);
  }
  return true;
}

AnswerRoom WebServer::roomFor(int index) {
  return [this, index](qint64 bytes) { return bytes <= kAlwaysSentBytes || makeRoom(bytes, index); };
}

// A picture may take its image (4 bytes a pixel) while it is drawn and at
// most as much again for its encoding: the size comes from the query over
// the settings' default, as the graph reads it.
qint64 WebServer::pictureCost(const QString& query) const {
  plotParamRecord p;
  setWebGraphDefaults(p, m_settings);
  applyGraphQuery(p, query, 0, RejectedItems::Silent);
  const qint64 w = std::clamp(p.width, kMinWebImageSide, kMaxWebImageSide);
  const qint64 h = std::clamp(p.height, kMinWebImageSide, kMaxWebImageSide);
  return 8 * w * h;
}

// A free slot goes to the connections in the order they came. For the
// first request that is there, one is made free; with every slot busy, a
// request whose answer is small is answered at once instead, and the rest wait.
void WebServer::connectionRequest(int index, qintptr requestId) {
  if (index != 0) return;
  const SocketArray::Offer& o = m_sockets.offered();
  // A newcomer is counted once, however long it waits, and not again when handed back.
  if (!o.waiting && !o.handedBack) countUp(m_counters.requests, 0);
  if (o.gone) return;
  const bool readAhead = !o.head.isEmpty();
  const qint64 waitedMs = o.waitedMs;
  int j = o.ahead == 0 ? freeSlot() : 0;
  if (j == 0 && o.fresh && answerAtOnce(requestId)) return;
  if (j == 0 && o.complete && !o.completeAhead) j = makeSlot();
  if (j == 0) {
    waitForSlot(requestId);
    return;
  }
  m_socketSlots[j] = int16_t(j);
  logEvent(0, 0, [&] {
    const int loaded = m_sockets.loadedCount();
    QString text = QStringLiteral("  * j=") + QString::number(loaded) + QStringLiteral(" i=") + QString::number(j) +
                   u' ' + (loaded != j ? QString(10, u'*') : QString()) + QStringLiteral("  requestID=") +
                   QString::number(requestId) + QStringLiteral(" (");
    for (int i = 1; i <= m_maxConnections && i < m_socketSlots.size(); ++i)
      text += u' ' + QString::number(m_socketSlots[i]);
    return text + QStringLiteral(" )");
  });

  countUp(m_counters.accepts, 1);
  ++m_counters.active;
  showCounter(2);
  // The peak box changes only with a new peak.
  if (m_counters.active > m_counters.peak) {
    m_counters.peak = m_counters.active;
    showCounter(3);
  }
  if (m_sockets.state(j) != sckClosed) m_sockets.close(j);
  if (m_sockets.accept(j, requestId)) {
    armSlot(j, waitedMs);
    // What the line read of the request is there to be read at once.
    if (readAhead) dataArrival(j);
  } else {
    logWebError(QStringLiteral("sckWS_ConnectionRequest"), 0, QStringLiteral("the connection could not be accepted"));
    releaseSlot(j);
  }
}

// A slot made free: the head that has waited longest (put aside), else the
// answer going out slowest, so slow clients cannot keep others out. 0 when
// every slot serves at a useful rate.
int WebServer::makeSlot() {
  int j = longestWaitingHead();
  if (j != 0) {
    logEvent(j, 5,
             [] { return QStringLiteral("  * request head not complete, slot given to a new connection"); });
    m_sockets.putAside(j, slot(j).buffer);
  } else if ((j = slowestAnswer(0)) != 0) {
    logEvent(j, 5, [] {
      return QStringLiteral("  * answer going out too slowly, slot given to a new connection");
    });
  } else {
    return 0;
  }
  releaseSlot(j);
  return j;
}

// A small answer needs no slot: it is handed to the system whole, as a
// refusal is, and the connection closes behind it.
bool WebServer::answerAtOnce(qintptr requestId) {
  const SocketArray::Offer& o = m_sockets.offered();
  const HttpRequest req = readRequest(o.head);
  if (req.status != RequestStatus::Ok) return false;
  if (m_site.realRoot.isEmpty()) m_site.realRoot = realWebRoot(m_site.root);
  bool small = true;
  const Result<WebResponse> built =
      buildResponse({.localPort = m_sockets.localPort(0),
                     .headerBlock = req.headerBlock,
                     .page = req.page,
                     .query = req.query,
                     .headOnly = req.method == u"HEAD"},
                    m_site, currentWebSecond(), [&small](qint64 bytes) { return small = bytes <= kAlwaysSentBytes; });
  if (!small || !built || built->graph || built->sends.isEmpty()) return false;
  QByteArray bytes;
  for (const QByteArray& b : built->sends) bytes += b;
  if (const std::optional<FileBody>& body = built->file) {
    // One that cannot be read whole is left to a slot, which reports it.
    QFile file(body->path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    if (body->sent) {
      const QByteArray content = file.read(body->size);
      if (content.size() != body->size) return false;
      bytes += content;
    }
  }
  if (bytes.size() > kAlwaysSentBytes) return false;
  if (loggingOn()) {
    const WebLogSocket socket{.index = 0,
                              .handle = o.handle,
                              .state = sckConnected,
                              .remoteIP = m_sockets.offeredPeerIP(),
                              .remotePort = m_sockets.offeredPeerPort()};
    writeLog(webLogEntry(QDateTime::currentDateTime(), socket, m_counters, 1,
                         arrivalText(o.head.size(), req.received,
                                     quoted(built->summary, QStringLiteral("  < ")) + kCrLf +
                                         QStringLiteral("  * every slot busy, answered at once  requestID=") +
                                         QString::number(requestId))));
  }
  m_sockets.answerRequest(requestId, bytes);
  return true;
}

// The newcomer waits in line: a head until its time is up, then it is
// closed; a request until its wait is, then it is told to come again, as it
// is when the line is full.
void WebServer::waitForSlot(qintptr requestId) {
  const SocketArray::Offer& o = m_sockets.offered();
  const qint64 limit = (o.complete ? m_limits.maxWait : m_limits.requestHead).count();
  if (!o.complete && o.waitedMs >= limit) {
    logEvent(0, 0, [&] {
      return QStringLiteral("  * request head not complete in time, closing connection  requestID=") +
             QString::number(requestId);
    });
    return;
  }
  const bool overdue = o.waitedMs >= limit;
  if (overdue || (!o.waiting && !makeRoomInLine())) {
    const WebResponse r = refusedRequest(503, m_site.appName, currentWebSecond());
    logEvent(0, 0, [&] {
      return (overdue ? QStringLiteral("  * no slot free in time")
                      : QStringLiteral("  * every slot busy and the line full")) +
             QStringLiteral("  requestID=") + QString::number(requestId) + kCrLf +
             quoted(r.summary, QStringLiteral("  < "));
    });
    m_sockets.answerRequest(requestId, r.sends.value(0));
    return;
  }
  m_sockets.holdRequest(requestId, limit);
}

// With the line full, the one that has waited longest without a complete
// request gives its place (a place is earned by a request, like a slot), once
// it is as old as a slot's head must be to give its slot; it is put aside.
bool WebServer::makeRoomInLine() {
  while (!m_sockets.lineHolds(m_limits.maxWaitingBytes)) {
    const qintptr idle = m_sockets.longestWaitingIncomplete(m_limits.newConnectionGrace.count());
    if (idle == 0) return false;
    logEvent(0, 0, [&] {
      return QStringLiteral("  * request head not complete, place in line given to a new connection  requestID=") +
             QString::number(idle);
    });
    m_sockets.dropWaiting(idle);
  }
  return true;
}

// The answer goes out; the slot closes when it is sent (send complete) or
// when the client stops taking it (idle time).
void WebServer::answer(int index, const QVector<QByteArray>& sends) {
  Slot& s = slot(index);
  s.answered = true;
  m_sockets.holdInput(index);
  if (s.timer) s.timer->start(m_limits.idle);
  s.answerStart = m_clock.elapsed();
  s.rate.start(s.answerStart, m_sockets.deliveredBytes(index));
  for (const QByteArray& bytes : sends) m_sockets.sendData(index, bytes);
  if (!m_rateSampler->isActive()) m_rateSampler->start(kRateSampleMs);
}

// A file that cannot be opened is reported like any read that fails, and
// nothing is sent; HEAD only opens it.
bool WebServer::openFile(int index, const FileBody& body) {
  auto file = std::make_unique<QFile>(body.path);
  if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    logWebError(QStringLiteral("sckWS_DataArrival"), kPathFileAccessError, file->errorString());
    return false;
  }
  Slot& s = slot(index);
  if (body.sent) {
    s.file = std::move(file);
    s.fileLeft = body.size;
  }
  return true;
}

// The file goes out a chunk at a time as the socket takes it, so an answer
// holds at most two chunks whatever the file's size.
void WebServer::feedFile(int index) {
  Slot& s = slot(index);
  while (s.file && m_sockets.bytesToWrite(index) < kFileChunk) {
    const QByteArray chunk = s.file->read(std::min(kFileChunk, s.fileLeft));
    if (chunk.isEmpty()) {
      // It failed or got shorter: the answer cannot be what its header says.
      logWebError(QStringLiteral("sckWS_SendProgress"), kPathFileAccessError,
                  s.file->error() != QFileDevice::NoError
                      ? s.file->errorString()
                      : QStringLiteral("the file got shorter while it was sent"));
      releaseSlot(index);
      return;
    }
    s.fileLeft -= chunk.size();
    if (s.fileLeft == 0) s.file.reset();
    m_sockets.sendData(index, chunk);
  }
}

void WebServer::dataArrival(int index) {
  Slot& s = slot(index);
  if (s.answered) return;  // bytes after the answered request stay unread
  s.buffer += m_sockets.getData(index);
  const HttpRequest req = readRequest(s.buffer);
  // The head's deadline runs on from the accept: a client that sends a byte
  // now and then must not keep its slot.
  if (req.status == RequestStatus::NeedMore) return;
  const qsizetype bytesReceived = s.buffer.size();
  const auto logText = [&](const QString& outcome) {
    // An over-long line is shown up to the limit, an over-long head not at all.
    const QString received = !req.received.isEmpty() || req.status != RequestStatus::LineTooLong
                                 ? req.received
                                 : QString::fromLatin1(s.buffer.left(kMaxRequestLine + 2));
    return arrivalText(bytesReceived, received, outcome);
  };
  if (req.status == RequestStatus::BadLine) {
    logEvent(index, 1, [&] { return logText(QStringLiteral("ERROR 2") + kCrLf); });
    releaseSlot(index);
    return;
  }
  if (req.status == RequestStatus::TooLarge || req.status == RequestStatus::LineTooLong) {
    const bool line = req.status == RequestStatus::LineTooLong;
    const WebResponse r = refusedRequest(line ? 414 : 431, m_site.appName, currentWebSecond());
    logEvent(index, 1, [&] {
      return logText((line ? QStringLiteral("ERROR 1") : QStringLiteral("request headers too long")) + kCrLf +
                     quoted(r.summary, QStringLiteral("  < ")));
    });
    answer(index, r.sends);
    return;
  }

  // A root that could not be resolved at the start is tried again.
  if (m_site.realRoot.isEmpty()) m_site.realRoot = realWebRoot(m_site.root);
  const bool headOnly = req.method == u"HEAD";
  const Result<WebResponse> built = buildResponse({.localPort = m_sockets.localPort(index),
                                                   .headerBlock = req.headerBlock,
                                                   .page = req.page,
                                                   .query = req.query,
                                                   .headOnly = headOnly},
                                                  m_site, currentWebSecond(), roomFor(index));
  if (built && built->graph) {
    awaitGraph(index, {.ask = *built->graph,
                       .headOnly = headOnly,
                       .bytesReceived = bytesReceived,
                       .received = req.received});
    return;
  }
  sendBuilt(index, built, [&](const QString& summary) { return logText(quoted(summary, QStringLiteral("  < "))); });
}

// The log entry of the request goes with its answer: what was sent, or
// nothing when an existing file could not be read (the error is reported).
template <typename LogText>
void WebServer::sendBuilt(int index, Result<WebResponse> built, LogText logText) {
  if (!built) logWebError(QStringLiteral("sckWS_DataArrival"), kPathFileAccessError, built.error());
  WebResponse r = std::move(built).valueOr({});
  if (r.file && !openFile(index, *r.file)) r = {};
  logEvent(index, 1, [&] { return logText(r.summary); });
  // Nothing to send: the connection is closed here, no client waits on it.
  if (r.sends.isEmpty()) {
    releaseSlot(index);
    return;
  }
  // A file that fits a chunk goes out with its header, in one send.
  if (Slot& s = slot(index); s.file && s.fileLeft <= kFileChunk) {
    const QByteArray bytes = s.file->read(s.fileLeft);
    r.sends.last() += bytes;
    s.fileLeft -= bytes.size();
    if (s.fileLeft == 0) s.file.reset();
  }
  answer(index, r.sends);
  feedFile(index);
}

// The slot waits for its picture: it is busy answering, so it is neither a
// slow head to make room nor bound by the head's deadline; the idle time
// runs. At most one picture per slot is awaited, so the slots bound them.
void WebServer::awaitGraph(int index, AwaitedGraph graph) {
  // A picture the bound cannot hold now is not drawn.
  const qint64 cost = pictureCost(graph.ask.query);
  if (!makeRoom(cost, index)) {
    sendBuilt(index, refusedRequest(503, m_site.appName, currentWebSecond()), [&](const QString& summary) {
      return arrivalText(graph.bytesReceived, graph.received, quoted(summary, QStringLiteral("  < ")));
    });
    return;
  }
  Slot& s = slot(index);
  s.answered = true;
  s.reserved = cost;
  m_sockets.holdInput(index);
  if (s.timer) s.timer->start(m_limits.idle);
  graph.ticket = ++m_graphTickets;
  s.graph = graph;
  // Its peer is watched while nothing is sent: one that goes makes the slot
  // free and its picture is dropped. One whose input has already ended may
  // have gone: its picture is begun only when it has not refused the status line.
  m_sockets.watchPeer(index);
  if (!m_sockets.inputEnded(index)) {
    startDrawing(index);
    return;
  }
  if (!sendStatusAhead(index)) return;
  QTimer::singleShot(kRefusalWaitMs, this, [this, index, ticket = graph.ticket] {
    if (slot(index).graph.ticket == ticket && !slot(index).graph.watcher) startDrawing(index);
  });
}

bool WebServer::sendStatusAhead(int index) {
  AwaitedGraph& g = slot(index).graph;
  if (g.sentAhead > 0) return true;
  if (!m_sockets.sendAhead(index, kGraphStatusLine)) {
    closeReceived(index);
    return false;
  }
  g.sentAhead = kGraphStatusLine.size();
  return true;
}

void WebServer::peerInputEnded(int index) {
  if (slot(index).graph.ticket != 0) sendStatusAhead(index);
}

void WebServer::startDrawing(int index) {
  const AwaitedGraph& graph = slot(index).graph;
  const quint64 ticket = graph.ticket;
  QFuture<Result<QByteArray>> future =
      m_renderer ? m_renderer(graph.ask.query, graph.ask.fileExt.mid(1))
                 : QtFuture::makeReadyFuture(Result<QByteArray>(Failure(QStringLiteral("no graph renderer"))));
  // Drawing may have run the event loop: the slot may have been freed meanwhile.
  AwaitedGraph& awaited = slot(index).graph;
  if (awaited.ticket != ticket) {
    future.cancel();
    return;
  }
  awaited.watcher = new QFutureWatcher<Result<QByteArray>>(this);
  connect(awaited.watcher, &QFutureWatcherBase::finished, this, [this, index] { graphDrawn(index); });
  awaited.watcher->setFuture(future);
}

void WebServer::graphDrawn(int index) {
  Slot& s = slot(index);
  if (!s.graph.watcher) return;
  m_sockets.stopWatching(index);
  const QFuture<Result<QByteArray>> future = s.graph.watcher->future();
  const AwaitedGraph awaited = s.graph;
  s.graph.watcher->deleteLater();
  s.graph = {};
  s.reserved = 0;
  const Result<QByteArray> picture =
      future.resultCount() > 0 ? future.result() : Result<QByteArray>(Failure(QStringLiteral("the graph was not drawn")));
  Result<WebResponse> built =
      graphResponse(awaited.ask, picture, m_site.appName, awaited.headOnly, currentWebSecond());
  // What went ahead is not sent again.
  if (awaited.sentAhead > 0 && built && !built->sends.isEmpty() &&
      built->sends[0].startsWith(kGraphStatusLine))
    built.value().sends[0].remove(0, awaited.sentAhead);
  sendBuilt(index, std::move(built), [&](const QString& summary) {
    return arrivalText(awaited.bytesReceived, awaited.received, quoted(summary, QStringLiteral("  < ")));
  });
}

void WebServer::sendProgress(int index, qint64 sent, qint64 remaining) {
  Slot& s = slot(index);
  if (s.timer && s.answered) s.timer->start(m_limits.idle);
  if (s.answerStart >= 0) s.rate.sample(m_clock.elapsed(), m_sockets.deliveredBytes(index));
  logEvent(index, 2, [&] {
    return QStringLiteral("  bytesSent=") + QString::number(sent) + QStringLiteral("  bytesRemaining=") +
           QString::number(remaining);
  });
  feedFile(index);
}

void WebServer::sendComplete(int index) {
  // A file's next chunk is on its way.
  if (slot(index).file) return feedFile(index);
  logEvent(index, 3, [] { return QStringLiteral("  * closing connection"); });
  releaseSlot(index, true);
}

// Only an element that connected out raises it; the server's accepted
// connections never do, so nothing but the log would see it.
void WebServer::connectReceived(int index) {
  logEvent(index, 4, [] { return QStringLiteral("  * Connect received"); });
}

void WebServer::closeReceived(int index) {
  logEvent(index, 5, [] { return QStringLiteral("  * Close received"); });
  releaseSlot(index);
}

void WebServer::timedOut(int index) {
  const bool answered = slot(index).answered;
  logEvent(index, 5, [answered] {
    return answered ? QStringLiteral("  * idle timeout, closing connection")
                    : QStringLiteral("  * request head not complete in time, closing connection");
  });
  releaseSlot(index);
}

void WebServer::errorOccurred(int index, int number, const QString& description) {
  QString text = QStringLiteral("Index = ") + QString::number(index) + kCrLf + QStringLiteral("Number = ") +
                 QString::number(number) + kCrLf + QStringLiteral("Scode = ") + QString::number(number) + kCrLf +
                 QStringLiteral("Source : ") + QStringLiteral("sckWS") + kCrLf + QStringLiteral("Description : ") +
                 kCrLf + description + kCrLf;
  countUp(m_counters.errors, 4);
  const WebLogSocket before = logSocket(index);
  if (index > 0) {
    text += QStringLiteral("Closing : ") + QString::number(index) + kCrLf;
    if (index < m_socketSlots.size() && m_socketSlots[index] > 0)
      text += QStringLiteral("removing from active list: ") + QString::number(m_socketSlots[index]) + kCrLf;
    releaseSlot(index);
  } else {
    text += QStringLiteral("restarting socket(0) in listening mode") + kCrLf;
    m_sockets.close(0);
    if (m_port != 0) {
      if (const Result<> listening = m_sockets.listen(m_port); !listening)
        text += QStringLiteral("cannot listen again: ") + listening.error() + kCrLf;
    }
  }
  logSocketEvent(before, 6, text);
}

void WebServer::logSocketEvent(const WebLogSocket& socket, int event, const QString& text) {
  if (loggingOn()) writeLog(webLogEntry(QDateTime::currentDateTime(), socket, m_counters, event, text));
}

void WebServer::logWebError(const QString& procedure, int number, const QString& description) {
  const QString report = webErrorReport(QDateTime::currentDateTime(), m_site.appName, procedure, number, description);
  logMsg(-1, QStringLiteral("logWebError: ") + report);
  if (loggingOn()) writeLog(report);
}

// A failed write switches logging off (grey) and says why; the server goes on.
void WebServer::writeLog(const QString& entry) {
  const QString path = webLogPath(m_settings.webLogFileText);
  const Result<> written = appendToLog(path, entry.toLatin1());
  if (written) return;
  m_settings.webLogging = 2;
  emit m_events.log.loggingFailed(QStringLiteral("Error writing to log file: ") + path + QStringLiteral("     (") +
                                  written.error() + u')');
}

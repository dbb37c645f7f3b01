#include "web/web_server.h"

#include <QDateTime>
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
// An answer's rate is judged over windows this long.
constexpr qint64 kRateWindowMs = 2000;
// Answers of at most this size always go out (ten slots hold at most 640 KiB
// of them beyond the bound): a page is never refused.
constexpr qint64 kAlwaysSentBytes = 64 * 1024;

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
    : QObject(parent), m_renderer(std::move(renderer)), m_offerAgain(new QTimer(this)) {
  m_clock.start();
  m_offerAgain->setSingleShot(true);
  connect(m_offerAgain, &QTimer::timeout, &m_sockets, &SocketArray::offerAgain);
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
  if (index >= m_slots.size()) m_slots.resize(index + 1);
  return m_slots[index];
}

void WebServer::resetSlots() {
  for (Slot& s : m_slots) {
    dropGraph(s);
    delete s.timer;
  }
  m_slots.clear();
  m_heldRequest = 0;
  m_offerAgain->stop();
}

// The picture is no longer awaited: its answer is never sent, and one not
// begun yet is not drawn.
void WebServer::dropGraph(Slot& s) {
  if (QFutureWatcher<Result<QByteArray>>* w = s.graph.watcher) {
    w->disconnect(this);
    w->future().cancel();
    w->deleteLater();
  }
  s.graph = {};
  s.reserved = 0;
}

void WebServer::armSlot(int index) {
  Slot& s = slot(index);
  s.buffer.clear();
  s.answered = false;
  dropGraph(s);
  s.acceptOrder = ++m_accepts;
  s.acceptedAt = m_clock.elapsed();
  if (!s.timer) {
    s.timer = new QTimer(this);
    s.timer->setSingleShot(true);
    connect(s.timer, &QTimer::timeout, this, [this, index] { timedOut(index); });
  }
  s.timer->start(m_limits.requestHead);
}

void WebServer::releaseSlot(int index) {
  m_sockets.close(index);
  Slot& s = slot(index);
  s.buffer.clear();
  s.answered = false;
  dropGraph(s);
  s.progress = {};
  if (s.timer) s.timer->stop();
  if (index < m_socketSlots.size() && m_socketSlots[index] > 0) {
    m_socketSlots[index] = 0;
    m_counters.active = std::max(m_counters.active - 1, 0);
  }
  showCounter(2);
  // A newcomer waits for a slot: this one is free.
  if (m_heldRequest != 0) m_sockets.offerAgain();
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
int WebServer::longestWaitingHead(qint64& waitMs) {
  const qint64 now = m_clock.elapsed();
  const qint64 grace = m_limits.newConnectionGrace.count();
  int oldest = 0;
  waitMs = 0;
  const auto before = [](const Slot& a, const Slot& b) {
    if (a.buffer.isEmpty() != b.buffer.isEmpty()) return !a.buffer.isEmpty();
    return a.acceptOrder < b.acceptOrder;
  };
  for (int j = 1; j <= m_maxConnections && j < m_socketSlots.size() && j < m_slots.size(); ++j) {
    const Slot& s = m_slots[j];
    if (m_socketSlots[j] == 0 || s.answered) continue;
    const QByteArray waiting = m_sockets.peekData(j, kMaxRequestHead + 4 - s.buffer.size());
    if (!waiting.isEmpty() && readRequest(s.buffer + waiting).status != RequestStatus::NeedMore) continue;
    const qint64 age = now - s.acceptedAt;
    if (age < grace) {
      waitMs = waitMs == 0 ? grace - age : std::min(waitMs, grace - age);
      continue;
    }
    if (oldest == 0 || before(s, m_slots[oldest])) oldest = j;
  }
  return oldest;
}

// Closes the rate windows that have run their length, also when no progress
// came (a reader that stopped is slow). The first window holds what the
// system's buffers took at once: it is not judged.
void WebServer::rollRateWindow(Progress& p, qint64 now) {
  if (p.start < 0 || now - p.windowStart < kRateWindowMs) return;
  if (p.windowStart != p.start) p.lastRate = p.windowSent * 1000 / (now - p.windowStart);
  p.windowStart = now;
  p.windowSent = 0;
}

// Of the answers that have gone out for slowAnswerAfter, the one going slowest
// under minAnswerRate.
int WebServer::slowestAnswer(int except) {
  const qint64 now = m_clock.elapsed();
  int slowest = 0;
  qint64 slowestRate = 0;
  for (int j = 1; j <= m_maxConnections && j < m_socketSlots.size() && j < m_slots.size(); ++j) {
    Progress& p = m_slots[j].progress;
    rollRateWindow(p, now);
    if (j == except || m_socketSlots[j] == 0 || p.start < 0 ||
        now - p.start < m_limits.slowAnswerAfter.count())
      continue;
    const qint64 rate = p.lastRate;
    if (rate < 0 || rate >= m_limits.minAnswerRate) continue;
    if (slowest == 0 || rate < slowestRate) {
      slowest = j;
      slowestRate = rate;
    }
  }
  return slowest;
}

qint64 WebServer::outgoingBytes() const {
  qint64 bytes = 0;
  for (const Slot& s : m_slots) bytes += s.progress.queued + s.reserved;
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

void WebServer::connectionRequest(int index, qintptr requestId) {
  if (index != 0) return;
  // A newcomer that waited is counted once.
  if (requestId != std::exchange(m_heldRequest, 0)) countUp(m_counters.requests, 0);
  int j = freeSlot();
  if (j == 0) {
    // Every slot serves: the connection that has waited longest for its
    // request head makes room, else the answer going out slowest, so slow
    // clients cannot keep others out. While the heads are all young the
    // newcomer waits; when all are answering at a useful rate, it is not
    // taken (the socket array closes it).
    qint64 waitMs = 0;
    if ((j = longestWaitingHead(waitMs)) != 0) {
      logEvent(j, 5, [] {
        return QStringLiteral("  * request head not complete, slot given to a new connection");
      });
    } else if ((j = slowestAnswer(0)) != 0) {
      logEvent(j, 5, [] {
        return QStringLiteral("  * answer going out too slowly, slot given to a new connection");
      });
    } else {
      if (waitMs > 0) {
        m_heldRequest = requestId;
        m_sockets.holdRequest(requestId);
        m_offerAgain->start(std::chrono::milliseconds(waitMs));
      }
      return;
    }
    releaseSlot(j);
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
    armSlot(j);
  } else {
    logWebError(QStringLiteral("sckWS_ConnectionRequest"), 0, QStringLiteral("the connection could not be accepted"));
    releaseSlot(j);
  }
}

// The answer goes out; the slot closes when it is sent (send complete) or
// when the client stops taking it (idle time).
void WebServer::answer(int index, const QVector<QByteArray>& sends) {
  Slot& s = slot(index);
  s.answered = true;
  m_sockets.holdInput(index);
  if (s.timer) s.timer->start(m_limits.idle);
  const qint64 now = m_clock.elapsed();
  s.progress = {};
  s.progress.start = s.progress.windowStart = now;
  for (const QByteArray& bytes : sends) {
    s.progress.queued += bytes.size();
    m_sockets.sendData(index, bytes);
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
                                                  m_site, currentWebSecond());
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
void WebServer::sendBuilt(int index, const Result<WebResponse>& built, LogText logText) {
  if (!built) logWebError(QStringLiteral("sckWS_DataArrival"), kPathFileAccessError, built.error());
  WebResponse r = built.valueOr({});
  qint64 bytes = 0;
  for (const QByteArray& b : r.sends) bytes += b.size();
  if (bytes > kAlwaysSentBytes && !makeRoom(bytes, index))
    r = refusedRequest(503, m_site.appName, currentWebSecond());
  logEvent(index, 1, [&] { return logText(r.summary); });
  // Nothing to send: the connection is closed here, no client waits on it.
  if (r.sends.isEmpty()) releaseSlot(index);
  else answer(index, r.sends);
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
  const quint64 ticket = ++m_graphTickets;
  graph.ticket = ticket;
  s.graph = graph;
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
  const QFuture<Result<QByteArray>> future = s.graph.watcher->future();
  const AwaitedGraph awaited = s.graph;
  s.graph.watcher->deleteLater();
  s.graph = {};
  s.reserved = 0;
  const Result<QByteArray> picture =
      future.resultCount() > 0 ? future.result() : Result<QByteArray>(Failure(QStringLiteral("the graph was not drawn")));
  const Result<WebResponse> built =
      graphResponse(awaited.ask, picture, m_site.appName, awaited.headOnly, currentWebSecond());
  sendBuilt(index, built, [&](const QString& summary) {
    return arrivalText(awaited.bytesReceived, awaited.received, quoted(summary, QStringLiteral("  < ")));
  });
}

void WebServer::sendProgress(int index, qint64 sent, qint64 remaining) {
  Slot& s = slot(index);
  if (s.timer && s.answered) s.timer->start(m_limits.idle);
  if (Progress& p = s.progress; p.start >= 0) {
    p.windowSent += sent;
    p.queued = remaining;
    rollRateWindow(p, m_clock.elapsed());
  }
  logEvent(index, 2, [&] {
    return QStringLiteral("  bytesSent=") + QString::number(sent) + QStringLiteral("  bytesRemaining=") +
           QString::number(remaining);
  });
}

void WebServer::sendComplete(int index) {
  logEvent(index, 3, [] { return QStringLiteral("  * closing connection"); });
  releaseSlot(index);
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

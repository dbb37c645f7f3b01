#include "web/web_server.h"

#include <QDateTime>
#include <QTimer>

#include "web/http_response.h"
#include "web/request_reader.h"
#include "web/web_events.h"
#include "web/web_state.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kHyphens = QStringLiteral("  ------------------------------------------");
constexpr int kPathFileAccessError = 75;

QString quoted(QString text, const QString& mark) { return mark + text.replace(kCrLf, kCrLf + mark); }
}  // namespace

WebServer& webServer() {
  static WebServer server;
  return server;
}

WebServer::WebServer() {
  connect(&m_sockets, &SocketArray::connectionRequest, this, &WebServer::connectionRequest);
  connect(&m_sockets, &SocketArray::dataArrival, this, [this](int index, qint64) { dataArrival(index); });
  connect(&m_sockets, &SocketArray::sendProgress, this, &WebServer::sendProgress);
  connect(&m_sockets, &SocketArray::sendComplete, this, &WebServer::sendComplete);
  connect(&m_sockets, &SocketArray::closeReceived, this, &WebServer::closeReceived);
  connect(&m_sockets, &SocketArray::errorOccurred, this, &WebServer::errorOccurred);
}

WebServer::Slot& WebServer::slot(int index) {
  if (index >= m_slots.size()) m_slots.resize(index + 1);
  return m_slots[index];
}

void WebServer::resetSlots() {
  for (Slot& s : m_slots) delete s.idle;
  m_slots.clear();
}

void WebServer::armSlot(int index) {
  Slot& s = slot(index);
  s.buffer.clear();
  s.answered = false;
  if (!s.idle) {
    s.idle = new QTimer(this);
    s.idle->setSingleShot(true);
    connect(s.idle, &QTimer::timeout, this, [this, index] { idleTimeout(index); });
  }
  s.idle->start(webIdleTimeout);
}

void WebServer::releaseSlot(int index) {
  m_sockets.close(index);
  Slot& s = slot(index);
  s.buffer.clear();
  s.answered = false;
  if (s.idle) s.idle->stop();
  if (index < webSocketSlots.size() && webSocketSlots[index] > 0) {
    webSocketSlots[index] = 0;
    webActiveCount = std::max(webActiveCount - 1, 0);
  }
  showCounter(2);
}

WebLogSocket WebServer::logSocket(int index) const {
  return {index, m_sockets.socketHandle(index), m_sockets.state(index), m_sockets.remoteHostIP(index),
          m_sockets.remotePort(index)};
}

void WebServer::showCounter(int box) {
  const int32_t values[] = {webRequestCount, webAcceptCount, webActiveCount, webPeakActive, webErrorCount};
  emit webEvents().counterChanged(box, values[box], m_marked[box]);
}

void WebServer::clearMarks() {
  for (bool& m : m_marked) m = false;
}

// A counter that reaches the limit starts again at 1 and its box stays marked.
void WebServer::countUp(int32_t& counter, int box) {
  if (++counter >= webCounterLimit) {
    counter = 1;
    m_marked[box] = true;
  }
  showCounter(box);
}

void WebServer::connectionRequest(int index, qintptr requestId) {
  if (index != 0) return;
  countUp(webRequestCount, 0);
  if (webActiveCount >= webMaxConnections) return;  // not taken: the socket array closes it
  int j = 1;
  while (j <= webMaxConnections && j < webSocketSlots.size() && webSocketSlots[j] != 0) ++j;
  if (j > webMaxConnections || j >= webSocketSlots.size()) return;
  webSocketSlots[j] = int16_t(j);
  const int loaded = m_sockets.loadedCount();
  QString text = QStringLiteral("  * j=") + QString::number(loaded) + QStringLiteral(" i=") + QString::number(j) +
                 u' ' + (loaded != j ? QString(10, u'*') : QString()) + QStringLiteral("  requestID=") +
                 QString::number(requestId) + QStringLiteral(" (");
  for (int i = 1; i <= webMaxConnections && i < webSocketSlots.size(); ++i)
    text += u' ' + QString::number(webSocketSlots[i]);
  logWebServerEvent(logSocket(0), 0, text + QStringLiteral(" )"));

  countUp(webAcceptCount, 1);
  ++webActiveCount;
  if (webActiveCount > webPeakActive) webPeakActive = webActiveCount;
  showCounter(2);
  showCounter(3);
  if (m_sockets.state(j) != sckClosed) m_sockets.close(j);
  if (m_sockets.accept(j, requestId)) {
    armSlot(j);
  } else {
    logWebError(QStringLiteral("sckWS_ConnectionRequest"), 0, QStringLiteral("the connection could not be accepted"));
    releaseSlot(j);
  }
}

void WebServer::dataArrival(int index) {
  Slot& s = slot(index);
  const QByteArray data = m_sockets.getData(index);
  if (s.answered) return;  // bytes after the answered request
  s.buffer += data;
  const HttpRequest req = readRequest(s.buffer);
  // The timer runs on from the accept: a client that sends a byte now and
  // then must not keep its slot.
  if (req.status == RequestStatus::NeedMore) return;
  s.answered = true;
  // From here it measures the answer's progress: a client that stops reading
  // loses its slot too.
  if (s.idle) s.idle->start(webIdleTimeout);
  const QString received = req.status == RequestStatus::TooLarge ? QString() : req.received;
  QString text = QStringLiteral("  BytesReceived=") + QString::number(s.buffer.size()) + kCrLf + kHyphens + kCrLf +
                 quoted(received, QStringLiteral("  > "));
  const auto refuse = [&](const char* word) {
    logWebServerEvent(logSocket(index), 1, text + kCrLf + kHyphens + kCrLf + QLatin1String(word) + kCrLf);
    releaseSlot(index);
  };
  if (req.status == RequestStatus::TooLarge) return refuse("request headers too long, connection closed");
  if (req.status == RequestStatus::LineTooLong) return refuse("ERROR 1");
  if (req.status == RequestStatus::BadLine) return refuse("ERROR 2");

  const WebResponse r = buildResponse({m_sockets.localPort(index), req.headerBlock, req.page, req.query},
                                      QDateTime::currentDateTime());
  if (!r.error.isEmpty()) logWebError(QStringLiteral("sckWS_DataArrival"), kPathFileAccessError, r.error);
  for (const QByteArray& bytes : r.sends) m_sockets.sendData(index, bytes);
  text += kCrLf + kHyphens + kCrLf + quoted(r.summary, QStringLiteral("  < "));
  logWebServerEvent(logSocket(index), 1, text);
  // Nothing to send: the connection is closed here, no client waits on it.
  if (r.sends.isEmpty()) releaseSlot(index);
}

void WebServer::sendProgress(int index, qint64 sent, qint64 remaining) {
  if (Slot& s = slot(index); s.idle && s.answered) s.idle->start(webIdleTimeout);
  logWebServerEvent(logSocket(index), 2,
                    QStringLiteral("  bytesSent=") + QString::number(sent) + QStringLiteral("  bytesRemaining=") +
                        QString::number(remaining));
}

void WebServer::sendComplete(int index) {
  logWebServerEvent(logSocket(index), 3, QStringLiteral("  * closing connection"));
  releaseSlot(index);
}

void WebServer::closeReceived(int index) {
  logWebServerEvent(logSocket(index), 5, QStringLiteral("  * Close received"));
  releaseSlot(index);
}

void WebServer::idleTimeout(int index) {
  logWebServerEvent(logSocket(index), 5, QStringLiteral("  * idle timeout, closing connection"));
  releaseSlot(index);
}

void WebServer::errorOccurred(int index, int number, const QString& description) {
  QString text = QStringLiteral("Index = ") + QString::number(index) + kCrLf + QStringLiteral("Number = ") +
                 QString::number(number) + kCrLf + QStringLiteral("Scode = ") + QString::number(number) + kCrLf +
                 QStringLiteral("Source : ") + QStringLiteral("sckWS") + kCrLf + QStringLiteral("Description : ") +
                 kCrLf + description + kCrLf;
  countUp(webErrorCount, 4);
  const WebLogSocket before = logSocket(index);
  if (index > 0) {
    text += QStringLiteral("Closing : ") + QString::number(index) + kCrLf;
    if (index < webSocketSlots.size() && webSocketSlots[index] > 0)
      text += QStringLiteral("removing from active list: ") + QString::number(webSocketSlots[index]) + kCrLf;
    releaseSlot(index);
  } else {
    text += QStringLiteral("restarting socket(0) in listening mode") + kCrLf;
    m_sockets.close(0);
    if (webServerPort != 0) m_sockets.listen(webServerPort);
  }
  logWebServerEvent(before, 6, text);
}

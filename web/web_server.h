#pragma once
// The web server: its socket array (a free slot per accepted connection, one
// request collected and answered per connection), its counters, its log, the
// timeouts that free a slot a client holds, and its own copies of the
// settings and of the live values the pages show. app/ makes it with the
// graph renderer and hands it the settings and the live values.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFuture>
#include <QObject>
#include <QVector>
#include <chrono>
#include <functional>

#include "core/settings/settings.h"
#include "platform/result.h"
#include "web/http_response.h"
#include "web/live_values.h"
#include "web/socket_control.h"
#include "web/web_events.h"
#include "web/web_log.h"

class QTimer;
template <typename T>
class QFutureWatcher;

// Draws the live graph of a query as a picture of the type ("png", "gif", ...).
// Called on the UI thread; the picture may be drawn anywhere, the server
// answers when the future is ready.
using GraphRenderer = std::function<QFuture<Result<QByteArray>>(const QString& query, const QString& type)>;

// What a connection may hold, and for how long. Its request head must be
// complete within requestHead of the accept; while its answer is drawn or
// goes out, each step of progress gives it idle more. When every slot is
// taken, a newcomer takes the slot of the head that has waited longest, once
// that head is newConnectionGrace old (a request sent just after the connect
// is read first); else that of an answer that has gone out for
// slowAnswerAfter and lately at under minAnswerRate. The bytes waiting to be
// sent over all slots, with what the pictures being drawn may take, stay
// within maxAnswerBytes: a slow answer makes room, else the answer that would
// pass it is refused with 503.
struct WebLimits {
  std::chrono::milliseconds requestHead{5000};
  std::chrono::milliseconds idle{30000};
  std::chrono::milliseconds newConnectionGrace{50};
  std::chrono::milliseconds slowAnswerAfter{5000};
  qint64 minAnswerRate = 128 * 1024;  // bytes a second
  qint64 maxAnswerBytes = 160 * 1024 * 1024;
};

// The port rule of the enable box: refused unless empty or 80..65535.
enum class PortCheck { Refused, Accepted, DefaultPort };
PortCheck checkWebPort(const Settings& settings);

// The tray menu: "&Start Server" starts (checked like the enable box), any
// other caption stops.
constexpr const char* kTrayStartCaption = "&Start Server";
constexpr const char* kTrayStopCaption = "S&top Server";
void trayAboutClicked();

class WebServer : public QObject {
  Q_OBJECT
 public:
  explicit WebServer(GraphRenderer renderer, QObject* parent = nullptr);
  ~WebServer() override;

  WebEvents& events() { return m_events; }
  SocketArray& sockets() { return m_sockets; }
  void setLimits(const WebLimits& limits) { m_limits = limits; }

  // The settings as app/ hands them on; the port and the root count from the next start.
  void setSettings(const Settings& settings);
  const Settings& settings() const { return m_settings; }
  void setLiveValues(const LiveValues& values) { m_site.live = values; }

  // Starting and stopping, as the web tab and its tray menu ask (web_services.cpp).
  // Validates the web-root folder, then starts the server (the port was accepted).
  void checkWebRootFolder();
  void startWebServer();
  void stopWebServer();  // safe when the server is not listening
  void trayStartClicked(const QString& caption);
  // The status row of one socket, or of every loaded socket for -1.
  void listSocketStates(int index);

  int port() const { return m_port; }  // webServerPort: 0 while not listening
  // Local address and port of the listening socket; empty and 0 when not listening.
  QString listenerAddress() const;
  int listenerPort() const;
  const QString& webRootFolder() const { return m_site.root; }
  const WebCounters& counters() const { return m_counters; }
  int socketSlot(int index) const { return m_socketSlots.value(index); }
  int logging() const { return m_settings.webLogging; }  // cheLogging: 1 on, 0 off, 2 off after a write error

 private:
  void initServerSockets();
  void closeAllSockets();
  void resetServerSettings();
  void resetSlots();  // every slot free, no buffers, no timers, no pictures awaited
  void armSlot(int index);
  void releaseSlot(int index);  // close, free the slot, one connection less
  WebLogSocket logSocket(int index) const;
  // Counters 0..4 (requests, accepted, active, peak, errors): shown again.
  void showCounter(int box);
  void clearMarks();

  void connectionRequest(int index, qintptr requestId);
  void dataArrival(int index);
  void sendProgress(int index, qint64 sent, qint64 remaining);
  void sendComplete(int index);
  void connectReceived(int index);
  void closeReceived(int index);
  void errorOccurred(int index, int number, const QString& description);
  void timedOut(int index);
  int freeSlot() const;  // 0 when every slot serves
  // How an answer goes out: bytes still in the socket's buffer, and the rate
  // over windows of a few seconds.
  struct Progress {
    qint64 start = -1;  // on m_clock, ms; -1: nothing goes out
    qint64 queued = 0;
    qint64 windowStart = 0;  // the first window starts with the answer
    qint64 windowSent = 0;   // bytes written in the window
    qint64 lastRate = -1;    // bytes a second over the last judged window; -1: none yet
  };
  // The slot whose request head has waited longest and may be taken; 0 when
  // none may, with the time until a young head may be in waitMs (0: none waits).
  int longestWaitingHead(qint64& waitMs);
  int slowestAnswer(int except);  // 0 when no answer goes out too slowly
  static void rollRateWindow(Progress& p, qint64 now);
  qint64 outgoingBytes() const;  // waiting to be sent, and what the pictures being drawn may take
  // Slow answers give way until the bytes fit within the bound; false when they cannot.
  bool makeRoom(qint64 bytes, int index);
  qint64 pictureCost(const QString& query) const;
  void answer(int index, const QVector<QByteArray>& sends);
  // A picture being drawn for a slot's answer.
  struct AwaitedGraph {
    GraphAsk ask;
    bool headOnly = false;
    qsizetype bytesReceived = 0;  // the request, for the log entry that goes with the answer
    QString received;
    quint64 ticket = 0;  // 0: no picture awaited
    QFutureWatcher<Result<QByteArray>>* watcher = nullptr;
  };
  void awaitGraph(int index, AwaitedGraph graph);
  void graphDrawn(int index);
  template <typename LogText>
  void sendBuilt(int index, const Result<WebResponse>& built, LogText logText);
  void countUp(int32_t& counter, int box);

  // The log: an entry when logging is on (its text built only then), the
  // error report of a failed request, and a failed write turns logging off.
  template <typename Text>
  void logEvent(int index, int event, Text text) {
    if (loggingOn()) writeLog(webLogEntry(QDateTime::currentDateTime(), logSocket(index), m_counters, event, text()));
  }
  bool loggingOn() const { return m_settings.webLogging == 1; }
  void logSocketEvent(const WebLogSocket& socket, int event, const QString& text);
  void logWebError(const QString& procedure, int number, const QString& description);
  void writeLog(const QString& entry);

  struct Slot {
    QByteArray buffer;
    bool answered = false;  // the request is complete: its answer is drawn or goes out
    quint64 acceptOrder = 0;  // which accept came first
    qint64 acceptedAt = 0;    // on m_clock, ms
    QTimer* timer = nullptr;  // the head's deadline, then the idle time
    AwaitedGraph graph;       // while its picture is drawn
    qint64 reserved = 0;      // what that picture may take
    Progress progress;        // while the answer goes out
  };
  Slot& slot(int index);
  void dropGraph(Slot& s);

  GraphRenderer m_renderer;
  WebEvents m_events;
  SocketArray m_sockets;
  QVector<Slot> m_slots;
  WebLimits m_limits;
  QElapsedTimer m_clock;
  qintptr m_heldRequest = 0;       // the newcomer waiting for a head to be old enough
  QTimer* m_offerAgain = nullptr;  // offers it again then
  quint64 m_accepts = 0;
  quint64 m_graphTickets = 0;
  bool m_marked[5] = {};

  Settings m_settings;
  WebSite m_site;  // webRootFolder, the resolved root, the live values
  int32_t m_port = 0;  // webServerPort
  QString m_page404Text;
  int32_t m_maxConnections = 10;  // webMaxConnections
  int32_t m_counterLimit = 10000000;  // webCounterLimit
  QVector<int16_t> m_socketSlots;  // webSocketSlots: entries 0..webMaxConnections; j while slot j serves
  WebCounters m_counters;
};

// Unloads a window or a control: a window is closed as a user would close it
// (it may refuse: false, nothing changes), then the object goes when the
// event loop next runs.
bool unloadObject(QObject* object);

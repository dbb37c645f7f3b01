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
#include <memory>
#include <vector>

#include "core/settings/settings.h"
#include "platform/result.h"
#include "web/answer_rate.h"
#include "web/http_response.h"
#include "web/live_values.h"
#include "web/socket_control.h"
#include "web/web_events.h"
#include "web/web_log.h"

class QFile;
class QTimer;
template <typename T>
class QFutureWatcher;

// Draws the live graph of a query as a picture of the type ("png", "gif", ...).
// Called on the UI thread; the picture may be drawn anywhere, the server
// answers when the future is ready. The server cancels the future of a
// picture nobody waits for any more; a progress above 0 tells that its
// drawing has begun, and its memory counts until the future finishes.
using GraphRenderer = std::function<QFuture<Result<QByteArray>>(const QString& query, const QString& type)>;

// What a connection may hold, and for how long. Its request head must be
// complete within requestHead of the accept; while its answer is drawn or
// goes out, each step of progress gives it idle more. When every slot is
// taken, a request whose answer is small (at most 64 KiB: a page, the XML
// record, a small file, a HEAD's header) is answered at once without one. Another newcomer
// waits in line, where what it sends is read as it comes; slots go to the
// line in arrival order, and for the first complete request in line one is
// made free: that of the head that has waited longest, once that head is
// newConnectionGrace old (a request sent just after the connect is read
// first; the head is put aside, and is a newcomer again should its request
// come: a browser's spare connection is used a while later), else that of an
// answer that has gone out for slowAnswerAfter and reached its client over
// the last few seconds (at most slowAnswerAfter) at under minAnswerRate, the
// slowest first. The line is bounded by what waiting costs: maxWaitingBytes
// (SocketArray::kWaitingCost a connection and the bytes of its head) and the
// descriptors the process may open less kReservedDescriptors (or
// `descriptors` when set). A head not complete within requestHead is closed;
// a request that waited maxWait since it was complete, or that finds the line
// full, is answered 503 (a head that has waited longest without ending gives
// its place first, put aside likewise). The bytes waiting to be sent over
// all slots, with what the pictures being drawn may take, stay within
// maxAnswerBytes: slow answers make room, else the answer that would pass it
// gets 503. A file counts as the chunks of it held in memory, never as its size.
struct WebLimits {
  std::chrono::milliseconds requestHead{5000};
  std::chrono::milliseconds idle{30000};
  std::chrono::milliseconds newConnectionGrace{50};
  std::chrono::milliseconds slowAnswerAfter{5000};
  qint64 minAnswerRate = 128 * 1024;  // bytes a second
  qint64 maxAnswerBytes = 160 * 1024 * 1024;
  qint64 maxWaitingBytes = 8 * 1024 * 1024;
  std::chrono::milliseconds maxWait{10000};
  int descriptors = 0;  // 0: the process's limit less kReservedDescriptors
};

// Where a connection is, and what moves it; the limits are WebLimits'.
// SocketArray holds it while it has arrived, waits in line or has a slot,
// LingeringCloses while it lingers or is put aside; WebServer decides.
// - arrived, or in line and offered again (its request completes, its hold is
//   up, or a slot may be free: at each release and every 100 ms): the offer
//   to WebServer::connectionRequest ends
//   -> in a slot: one is free and none waits ahead, or makeSlot frees one for
//      a complete request with none complete ahead;
//   -> lingering with an answer: a small one at once (no slot free, first
//      offer since its request completed), or 503 (a newcomer finds the line
//      full, or a request has waited maxWait since it was complete);
//   -> in line: else, held until its wait is up;
//   -> lingering without one: a head not complete within requestHead of its
//      accept, or one that could not be accepted;
//   -> closed: its peer left before its request was complete.
// - in line -> put aside: makeRoomInLine, for a newcomer that finds the line
//   full, the longest waiting head (newConnectionGrace old) not complete;
//   -> closed: its peer leaves before its request is complete, the server stops.
// - in a slot -> put aside: makeSlot, the oldest head (newConnectionGrace
//   old) with no complete request read or waiting;
//   -> lingering: its answer all written (closed at once when nothing of it
//      is unacknowledged and nothing unread);
//   -> closed: no complete head within requestHead, idle, its peer closed or
//      gone, a socket or file error, a bad request line, a slow answer making
//      room, the server stops.
// - lingering -> closed: the answer out and its peer closed, kLingerTime with
//   no byte taken, its peer gone, or crowded out past kMaxLingering.
// - put aside (its head read on) -> handed back, arrived anew with what it
//   sent and not counted again: its head ends within kLingerTime (closed
//   instead while the listener is closed);
//   -> closed: kLingerTime passes, its peer closes or fails, or crowded out.
// Put aside, handed back, arrived runs at most once a connection: only a head
// not complete is put aside, one is handed back only with its head ended
// (complete or over the limit), which it stays, and given a slot it is
// answered at once from what the line read.

// Descriptors the web server never takes, whatever waits: the data file, the
// text log, the serial port or link, the pictures being drawn and saved, and
// what the toolkit opens itself.
constexpr int kReservedDescriptors = 64;

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
  // The head's time and its grace count from the accept, the wait in line included.
  void armSlot(int index, qint64 waitedMs);
  // Close, free the slot, one connection less; an answer all written closes gently.
  void releaseSlot(int index, bool answered = false);
  WebLogSocket logSocket(int index) const;
  // Counters 0..4 (requests, accepted, active, peak, errors): shown again.
  void showCounter(int box);
  void clearMarks();

  void connectionRequest(int index, qintptr requestId);
  int makeSlot();
  bool answerAtOnce(qintptr requestId);
  void waitForSlot(qintptr requestId);
  bool makeRoomInLine();
  void dataArrival(int index);
  void sendProgress(int index, qint64 sent, qint64 remaining);
  void sendComplete(int index);
  void connectReceived(int index);
  void closeReceived(int index);
  void errorOccurred(int index, int number, const QString& description);
  void timedOut(int index);
  void peerInputEnded(int index);
  int freeSlot() const;  // 0 when every slot serves
  // The slot whose request head has waited longest and may be taken; 0 when none may.
  int longestWaitingHead();
  int slowestAnswer(int except);  // 0 when no answer goes out too slowly
  void sampleRates();
  qint64 outgoingBytes() const;  // waiting to be sent, and what the pictures being drawn may take
  // Slow answers give way until the bytes fit within the bound; false when they cannot.
  bool makeRoom(qint64 bytes, int index);
  AnswerRoom roomFor(int index);
  qint64 pictureCost(const QString& query) const;
  void answer(int index, const QVector<QByteArray>& sends);
  bool openFile(int index, const FileBody& body);
  void feedFile(int index);
  // A picture being drawn for a slot's answer.
  struct AwaitedGraph {
    GraphAsk ask;
    bool headOnly = false;
    qsizetype bytesReceived = 0;  // the request, for the log entry that goes with the answer
    QString received;
    quint64 ticket = 0;  // 0: no picture awaited
    qsizetype sentAhead = 0;  // bytes of the answer's status line already sent
    QFutureWatcher<Result<QByteArray>>* watcher = nullptr;
  };
  void awaitGraph(int index, AwaitedGraph graph);
  bool sendStatusAhead(int index);
  void startDrawing(int index);
  void graphDrawn(int index);
  template <typename LogText>
  void sendBuilt(int index, Result<WebResponse> built, LogText logText);
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
    qint64 answerStart = -1;  // on m_clock, ms, while the answer goes out
    AnswerRate rate;
    std::unique_ptr<QFile> file;  // what of a file is still to go out
    qint64 fileLeft = 0;
  };
  Slot& slot(int index);
  void dropGraph(Slot& s);
  // A picture whose slot went after its drawing began: what it may take counts until it ends.
  struct DrawingLeft {
    QFutureWatcher<Result<QByteArray>>* watcher = nullptr;
    qint64 cost = 0;
  };
  std::vector<DrawingLeft> m_drawingsLeft;

  GraphRenderer m_renderer;
  WebEvents m_events;
  SocketArray m_sockets;
  std::vector<Slot> m_slots;
  WebLimits m_limits;
  QElapsedTimer m_clock;
  QTimer* m_rateSampler = nullptr;  // samples the answers' rates while they go out
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

#pragma once
// The connection handlers of the server's socket array: a free slot per
// accepted connection, one request collected and answered per connection,
// the counters, and the timeouts that free a slot a client holds.

#include <QByteArray>
#include <QObject>
#include <QVector>
#include <chrono>

#include "web/socket_control.h"
#include "web/web_log.h"

class QTimer;

// How long a connection may hold its slot: its request head must be complete
// within requestHead of the accept; while the answer goes out, each step of
// progress gives it idle more.
struct WebTimeouts {
  std::chrono::milliseconds requestHead{5000};
  std::chrono::milliseconds idle{30000};
};

class WebServer : public QObject {
  Q_OBJECT
 public:
  WebServer();
  SocketArray& sockets() { return m_sockets; }
  void setTimeouts(const WebTimeouts& timeouts) { m_timeouts = timeouts; }
  const WebTimeouts& timeouts() const { return m_timeouts; }

  void resetSlots();     // every slot free, no buffers, no timers
  void armSlot(int index);
  void releaseSlot(int index);  // close, free the slot, one connection less
  WebLogSocket logSocket(int index) const;

  // Counters 0..4 (requests, accepted, active, peak, errors): shown again.
  void showCounter(int box);
  void clearMarks();

 private:
  void connectionRequest(int index, qintptr requestId);
  void dataArrival(int index);
  void sendProgress(int index, qint64 sent, qint64 remaining);
  void sendComplete(int index);
  void connectReceived(int index);
  void closeReceived(int index);
  void errorOccurred(int index, int number, const QString& description);
  void timedOut(int index);
  int freeSlot() const;  // 0 when every slot serves
  int longestWaitingHead() const;  // the slot whose request head has waited longest; 0 when none waits
  void answer(int index, const QVector<QByteArray>& sends);
  void countUp(int32_t& counter, int box);
  // An entry for the log; its text is built only when logging is on.
  template <typename Text>
  void logEvent(int index, int event, Text text) {
    if (webLoggingOn()) writeWebServerEvent(logSocket(index), event, text());
  }

  struct Slot {
    QByteArray buffer;
    bool answered = false;
    quint64 acceptOrder = 0;  // which accept came first
    QTimer* timer = nullptr;  // the head's deadline, then the idle time
  };
  Slot& slot(int index);

  SocketArray m_sockets;
  QVector<Slot> m_slots;
  WebTimeouts m_timeouts;
  quint64 m_accepts = 0;
  bool m_marked[5] = {};
};

WebServer& webServer();

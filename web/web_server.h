#pragma once
// The connection handlers of the server's socket array: a free slot per
// accepted connection, one request collected and answered per connection,
// the counters, and the idle timeout that frees a slot a client holds.

#include <QByteArray>
#include <QObject>
#include <QVector>

#include "web/socket_control.h"
#include "web/web_log.h"

class QTimer;

class WebServer : public QObject {
  Q_OBJECT
 public:
  WebServer();
  SocketArray& sockets() { return m_sockets; }

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
  void closeReceived(int index);
  void errorOccurred(int index, int number, const QString& description);
  void idleTimeout(int index);
  void countUp(int32_t& counter, int box);

  struct Slot {
    QByteArray buffer;
    bool answered = false;
    QTimer* idle = nullptr;
  };
  Slot& slot(int index);

  SocketArray m_sockets;
  QVector<Slot> m_slots;
  bool m_marked[5] = {};
};

WebServer& webServer();

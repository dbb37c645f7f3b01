#pragma once
// The server's socket array (sckWS): element 0 listens, elements 1..n each
// serve one accepted connection. QTcpServer and QTcpSocket on the UI thread,
// with the states and events the server's handlers expect.

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>
#include <deque>
#include <functional>

#include "platform/result.h"

class QTcpServer;
class QTcpSocket;

// Socket states as the handlers and the status rows number them.
enum SocketState : int {
  sckClosed = 0,
  sckOpen = 1,
  sckListening = 2,
  sckConnectionPending = 3,
  sckResolvingHost = 4,
  sckHostResolved = 5,
  sckConnecting = 6,
  sckConnected = 7,
  sckClosing = 8,
  sckError = 9,
};

class LingeringCloses;
class QSocketNotifier;

class SocketArray : public QObject {
  Q_OBJECT
 public:
  SocketArray();
  ~SocketArray() override;

  // Elements 1..: load creates a closed element, unload closes and drops it.
  void load(int index);
  void unload(int index);
  int loadedCount() const;  // element 0 included
  int size() const { return int(m_loaded.size()); }
  bool isLoaded(int index) const;

  Result<> listen(int port);  // element 0 listens (state 2), or why not
  // Every connection the system holds for the listener is taken at once and
  // offered to the connection-request handler, in arrival order. The handler
  // accepts it into an element, lets it wait in line for a slot, or refuses
  // it with an answer; one it does none of is closed.
  bool accept(int index, qintptr requestId);
  // The connection offered waits in line: a newcomer at its end, the line's
  // first keeps its place. offerAgain() offers the line's first again, with
  // the same request id, and the next ones while they are accepted.
  void holdRequest(qintptr requestId);
  void offerAgain();
  // The connection offered gets `answer` and is closed without being read.
  void refuseRequest(qintptr requestId, const QByteArray& answer);
  int waitingCount() const { return int(m_line.size()); }
  bool isWaiting(qintptr requestId) const;
  qint64 waitedMs(qintptr requestId) const;  // since it came; 0 when not waiting
  // The connection that has waited longest, at least minAgeMs, whose bytes so
  // far are not `complete` (one whose peer has gone among them); 0 when none.
  qintptr longestWaitingIncomplete(qint64 minAgeMs, const std::function<bool(QByteArrayView)>& complete);
  // Leaves the line unanswered: put aside a while, then closed.
  void dropWaiting(qintptr requestId);
  // Whether what the connection being offered has sent so far is `complete`.
  bool offeredIs(const std::function<bool(QByteArrayView)>& complete) const;
  // The connection being offered was closed by its peer before it sent
  // anything: there is nothing to take (it is closed when left).
  bool offeredHasGone() const { return m_offered.gone; }

  // Closes an element at once; what it still had to send is dropped.
  void close(int index);
  // Closes an element whose answer is all written: the answer goes out, the
  // peer's further bytes are dropped (no reset cuts the answer off).
  void closeAnswered(int index);
  // Queues bytes on a connected element; sendComplete follows when all are written.
  void sendData(int index, const QByteArray& bytes);
  qint64 bytesToWrite(int index) const;  // queued and not yet handed to the system
  // What the peer has acknowledged of all that was sent: what reached it.
  qint64 deliveredBytes(int index) const;
  QByteArray getData(int index);  // everything waiting
  // Up to max bytes that wait to be read, the system's included; nothing is consumed.
  QByteArray peekData(int index, qsizetype max) const;
  // The request is complete: no more input is read, so a peer that shuts its
  // sending side after its request is not taken for gone and gets the whole answer.
  void holdInput(int index);
  // While the answer is not begun, the peer is watched: its end of input
  // (peerInputEnded: gone, or only done sending) and its going away (peerGone,
  // known once something sent to it is refused). Its further bytes are dropped.
  void watchPeer(int index);
  void stopWatching(int index);
  bool inputEnded(int index) const;  // the peer's end of input waits to be read
  // Writes bytes at once, ahead of anything queued (nothing must be); false
  // when the peer has gone.
  bool sendAhead(int index, QByteArrayView bytes);

  int state(int index) const;
  int localPort(int index) const;
  QString localIP() const;
  QString remoteHostIP(int index) const;
  int remotePort(int index) const;
  qintptr socketHandle(int index) const;

 signals:
  void connectionRequest(int index, qintptr requestId);
  void dataArrival(int index, qint64 totalBytes);
  void sendProgress(int index, qint64 bytesSent, qint64 bytesRemaining);
  void sendComplete(int index);
  // An element that connected out; accepted connections never raise it.
  void connectReceived(int index);
  void closeReceived(int index);  // the peer closed
  void errorOccurred(int index, int number, const QString& description);
  void peerInputEnded(int index);
  void peerGone(int index);

 private:
  friend class ConnectionListener;
  // A connection the system accepted that has no element yet.
  struct Waiting {
    qintptr id = 0;
    int fd = -1;
    qint64 since = 0;       // on m_clock, ms
    bool complete = false;  // its request has been seen whole
    bool gone = false;      // closed before it sent anything
  };
  enum class Outcome { None, Held, Taken, Refused };
  void arrived(int fd);
  void offerLater();
  void offerNext();
  Outcome offer(const Waiting& w);
  void closeUntaken(const Waiting& w);
  void attach(int index, QTcpSocket* s);
  QTcpSocket* socket(int index) const;
  int descriptor(int index) const;
  void closeWaiting();
  void dropWatch(int index);

  QTcpServer* m_server;
  LingeringCloses* m_lingering;
  QVector<QTcpSocket*> m_sockets;  // element 0 unused (the listener is m_server)
  QVector<bool> m_loaded;
  std::deque<Waiting> m_arrived;  // not offered yet
  std::deque<Waiting> m_line;     // offered, waiting for a slot
  QElapsedTimer m_clock;
  qintptr m_nextRequestId = 1;
  bool m_offerQueued = false;
  bool m_offerFirst = false;  // the line's first is offered again
  // The connection being offered, and what the handler made of it.
  Waiting m_offered;
  Outcome m_outcome = Outcome::None;
  struct PeerWatch {
    QSocketNotifier* input = nullptr;
    QSocketNotifier* gone = nullptr;
  };
  QHash<int, PeerWatch> m_watched;
};

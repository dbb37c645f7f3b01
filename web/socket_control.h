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
class QTimer;

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
  // accepts it into an element, lets it wait in line, or answers it (a refusal
  // or a small answer) without an element; one it does none of is closed.
  // What a waiting connection sends is read as it comes, up to a request
  // head's limit, so the line knows at once whose request is there (`complete`
  // says what is); it is offered again when its request is complete, when it
  // has waited the time it was held for, and, in arrival order, when an
  // element may have come free (offerAgain).
  void setRequestComplete(std::function<bool(QByteArrayView)> complete);
  bool accept(int index, qintptr requestId);
  // The connection offered waits in line (a newcomer at its end, one waiting
  // keeps its place) until it has waited `forMs` at most: a request since it
  // was complete, a head since it came.
  void holdRequest(qintptr requestId, qint64 forMs);
  void offerAgain();
  // The connection offered gets `answer` (what the system does not take at
  // once follows as it does) and is closed, what it sends further dropped.
  void answerRequest(qintptr requestId, const QByteArray& answer);
  // The connection being offered, as the line knows it.
  struct Offer {
    qintptr id = 0;
    qintptr handle = -1;         // its descriptor
    bool waiting = false;        // it is in line already
    bool complete = false;       // its request head is all there (or over the limit)
    bool fresh = false;          // first offered since its request became complete
    bool gone = false;           // its peer left before its request was complete
    bool handedBack = false;     // put aside, then back with its request: counted already
    int ahead = 0;               // connections waiting before it
    bool completeAhead = false;  // a complete request waits before it
    qint64 waitedMs = 0;         // since its request was complete, else since it came
    QByteArray head;             // what it has sent so far
  };
  const Offer& offered() const { return m_offered; }
  QString offeredPeerIP() const;
  int offeredPeerPort() const;
  int waitingCount() const { return int(m_line.size()); }
  // What a waiting connection costs beside the bytes of its head: its socket
  // in the system and its entry here.
  static constexpr qint64 kWaitingCost = 4 * 1024;
  // Connections the system holds for the listener before they are taken: room
  // for a crowd of clients that reconnect at once, so a newcomer's connect is
  // not dropped (and retried a second later) while slots change hands.
  static constexpr int kListenBacklog = 256;
  // Whether the line, with the connection offered in it, keeps within
  // maxBytes of cost and within the descriptors the budget leaves it.
  bool lineHolds(qint64 maxBytes) const;
  // The connection that has waited longest, at least minAgeMs, whose request
  // is not complete; 0 when none.
  qintptr longestWaitingIncomplete(qint64 minAgeMs) const;
  // Leaves the line unanswered and is put aside (see the states in web_server.h).
  void dropWaiting(qintptr requestId);
  // The most descriptors the array may hold at once (listener, elements,
  // waiting and lingering connections); accepting pauses at it.
  void setDescriptorBudget(int descriptors);
  int heldDescriptors() const;
  // Bytes of answers handed over that the system has not taken yet.
  qint64 answerBytesPending() const;

  // Closes an element at once; what it still had to send is dropped.
  void close(int index);
  // Takes an element's connection from it unanswered and puts it aside, as
  // dropWaiting does; `seen` is what the handler read of its head.
  void putAside(int index, QByteArrayView seen);
  // Closes an element whose answer is all written: the answer goes out, the
  // peer's further bytes are dropped (no reset cuts the answer off).
  void closeAnswered(int index);
  // Queues bytes on a connected element; sendComplete follows when all are written.
  void sendData(int index, const QByteArray& bytes);
  qint64 bytesToWrite(int index) const;  // queued and not yet handed to the system
  // What the peer has acknowledged of all that was sent: what reached it.
  qint64 deliveredBytes(int index) const;
  QByteArray getData(int index);  // everything waiting, what the line read of it first
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
    qint64 completeAt = 0;  // on m_clock, ms: when its request was all there
    qint64 due = 0;         // offered again then
    QByteArray head;        // what it has sent so far
    bool complete = false;
    bool fresh = false;
    bool handedBack = false;
    bool ended = false;  // its peer's end of input (or an error) came
    QSocketNotifier* reader = nullptr;  // while its head is read
  };
  enum class Outcome { None, Held, Taken, Answered };
  void arrived(int fd);
  void handedBack(int fd, const QByteArray& head);
  void offerLater();
  void offerNext();
  Outcome offer(Waiting& w, bool waiting);
  // A waiting connection's offer ended: it leaves the line unless held.
  size_t settle(size_t i, qintptr id, Outcome o);
  void readHead(Waiting& w);
  void headArrived(qintptr id);
  void closeUntaken(Waiting& w);
  void forget(Waiting& w);  // its reader goes; the descriptor stays
  std::deque<Waiting>::iterator findWaiting(qintptr id);
  void attach(int index, QTcpSocket* s);
  QTcpSocket* socket(int index) const;
  int descriptor(int index) const;
  void closeWaiting();
  void dropWatch(int index);
  void resumeAccepting();

  QTcpServer* m_server;
  LingeringCloses* m_lingering;
  QVector<QTcpSocket*> m_sockets;  // element 0 unused (the listener is m_server)
  QVector<bool> m_loaded;
  QHash<int, QByteArray> m_early;  // what the line read of an element's connection
  std::deque<Waiting> m_arrived;   // not offered yet
  std::deque<Waiting> m_line;      // offered, waiting
  std::function<bool(QByteArrayView)> m_complete;
  QElapsedTimer m_clock;
  QTimer* m_lineTimer;    // offers again those whose time is up
  QTimer* m_resumeTimer;  // tries accepting again while paused
  qintptr m_nextRequestId = 1;
  int m_budget = 1 << 20;
  bool m_offerQueued = false;
  bool m_offerAll = false;  // the line is offered again
  // The connection being offered, and what the handler made of it.
  Offer m_offered;
  int m_offeredFd = -1;
  qint64 m_heldForMs = 0;
  Outcome m_outcome = Outcome::None;
  struct PeerWatch {
    QSocketNotifier* input = nullptr;
    QSocketNotifier* gone = nullptr;
  };
  QHash<int, PeerWatch> m_watched;
};

#pragma once
// The server's socket array (sckWS): element 0 listens, elements 1..n each
// serve one accepted connection. QTcpServer and QTcpSocket on the UI thread,
// with the states and events the server's handlers expect.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

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
  bool accept(int index, qintptr requestId);
  // From the connection-request handler: the connection is neither accepted
  // nor closed but waits, first in line, and no other is offered until
  // offerAgain(); then it is offered again with the same request id.
  void holdRequest(qintptr requestId);
  void offerAgain();
  void close(int index);
  // Queues bytes on a connected element; sendComplete follows when all are written.
  void sendData(int index, const QByteArray& bytes);
  QByteArray getData(int index);  // everything waiting
  // Up to max bytes that wait to be read, the system's included; nothing is consumed.
  QByteArray peekData(int index, qsizetype max) const;
  // The request is complete: no more input is read, so a peer that shuts its
  // sending side after its request is not taken for gone and gets the whole answer.
  void holdInput(int index);

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

 private:
  void offerNextLater();
  void offerNext();
  void attach(int index, QTcpSocket* s);
  QTcpSocket* socket(int index) const;

  QTcpServer* m_server;
  QVector<QTcpSocket*> m_sockets;  // element 0 unused (the listener is m_server)
  QVector<bool> m_loaded;
  QHash<qintptr, QTcpSocket*> m_pending;
  qintptr m_nextRequestId = 1;
  bool m_offerQueued = false;
  bool m_holdAsked = false;
  QTcpSocket* m_held = nullptr;  // the connection that waits first in line
  qintptr m_heldId = 0;
};

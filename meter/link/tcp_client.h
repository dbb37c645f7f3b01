#pragma once
// The TCP client link (Winsock1): connects to a network bridge that forwards the
// controller's serial bytes, sends a text, and announces what arrives (the meter link
// hands it to the session's network receiver).
// Event-driven on the UI thread; nothing waits.

#include <QByteArray>
#include <QObject>
#include <QString>

#include "platform/result.h"

class QTcpSocket;

class TcpClient : public QObject {
  Q_OBJECT

 public:
  static constexpr quint16 kRemotePort = 1681;

  explicit TcpClient(QObject* parent = nullptr);

  // Starts a connection attempt; the result arrives as connected() or error().
  void connectTo(const QString& host, quint16 port);
  void close();
  // Refused (false) unless connected.
  bool send(const QByteArray& bytes);
  bool isConnected() const;

 signals:
  void connected();
  void dataArrival(const QByteArray& bytes);
  // The far end closed the connection.
  void closedByPeer();
  // A connection or socket error; the socket is closed.
  void error(int number, const QString& description);

 private:
  QTcpSocket* m_socket;
};

// A remote port typed by the user: a whole number 1..65535.
Result<quint16> parseRemotePort(const QString& text);

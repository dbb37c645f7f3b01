#include "meter/link/tcp_client.h"

#include <QTcpSocket>

#include "core/util/text_helpers.h"

TcpClient::TcpClient(QObject* parent) : QObject(parent), m_socket(new QTcpSocket(this)) {
  connect(m_socket, &QTcpSocket::connected, this, &TcpClient::connected);
  connect(m_socket, &QTcpSocket::readyRead, this, [this] {
    const QByteArray bytes = m_socket->readAll();
    if (!bytes.isEmpty()) emit dataArrival(bytes);
  });
  connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
    if (e == QAbstractSocket::RemoteHostClosedError) {
      // A hang-up, not a fault: the socket closes and reports it as a close.
      m_socket->abort();
      emit closedByPeer();
      return;
    }
    const QString description = m_socket->errorString();
    m_socket->abort();
    emit error(int(e), description);
  });
}

void TcpClient::connectTo(const QString& host, quint16 port) {
  m_socket->abort();
  m_socket->connectToHost(host, port);
}

void TcpClient::close() { m_socket->abort(); }

bool TcpClient::send(const QByteArray& bytes) {
  if (m_socket->state() != QAbstractSocket::ConnectedState) return false;
  return m_socket->write(bytes) == bytes.size();
}

bool TcpClient::isConnected() const { return m_socket->state() == QAbstractSocket::ConnectedState; }

Result<quint16> parseRemotePort(const QString& text) {
  const QString t = text.trimmed();
  bool digits = !t.isEmpty() && t.size() <= 5;
  for (const QChar c : t) digits = digits && c.isDigit();
  const int v = digits ? t.toInt() : 0;
  if (v < 1 || v > kMaxTcpPort) return Failure(QStringLiteral("remote port=") + text);
  return quint16(v);
}

#pragma once
// Connections the server is done with, closed without a reset. A socket
// closed while bytes of its peer are still unread resets the connection, and
// a reset can overtake the answer still on its way. So a connection gets its
// last bytes, its sending side is shut, and what its peer still sends is read
// and dropped until the peer closes or kLingerTime passes. A connection put
// aside gets nothing for that time before it is closed: a client that
// reconnects at once when closed is not closed at once.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <chrono>
#include <vector>

class QSocketNotifier;
class QTimer;

// Connections lingering at once; past it the oldest is closed at once.
constexpr int kMaxLingering = 256;
constexpr std::chrono::milliseconds kLingerTime{2000};

class LingeringCloses : public QObject {
 public:
  explicit LingeringCloses(QObject* parent = nullptr);
  ~LingeringCloses() override;
  // Takes the descriptor. `last` (a short answer that fits the socket's
  // buffer) is sent first.
  void add(int fd, const QByteArray& last = {});
  void putAside(int fd);
  int count() const { return int(m_open.size()); }
  void closeAll();

 private:
  struct Lingering {
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    qint64 until = 0;  // on m_clock, ms
  };
  void keep(int fd);
  void drain(int fd);
  void closeAt(size_t i);
  void sweep();

  std::vector<Lingering> m_open;  // oldest first
  QTimer* m_sweep;
  QElapsedTimer m_clock;
};

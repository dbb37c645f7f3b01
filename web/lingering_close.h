#pragma once
// Connections the server is done with, closed without a reset. A socket
// closed while bytes of its peer are still unread resets the connection, and
// a reset can overtake the answer still on its way. So a connection gets its
// last bytes (an answer given without a slot, as the socket takes them), its
// sending side is shut, and what its peer still sends is read and dropped
// until the peer closes or kLingerTime passes with no byte of the answer
// taken. A connection put aside gets nothing for that time before it is
// closed (a client that reconnects at once when closed is not closed at
// once), unless its request head ends meanwhile: then it is handed back with
// what it sent (the states in web_server.h).

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QObject>
#include <chrono>
#include <functional>
#include <vector>

class QSocketNotifier;
class QTimer;

// Connections lingering at once; past it the oldest is closed at once (the
// oldest whose answer is all out, when there is one).
constexpr int kMaxLingering = 256;
constexpr std::chrono::milliseconds kLingerTime{2000};

class LingeringCloses : public QObject {
 public:
  explicit LingeringCloses(QObject* parent = nullptr);
  ~LingeringCloses() override;
  // Takes the descriptor. `last` is sent first.
  void add(int fd, const QByteArray& last = {});
  // Takes the descriptor; `head` is what was read of its request head. Once
  // `headEnded` says it has ended, the descriptor goes to `handBack` with it.
  void putAside(int fd, const QByteArray& head);
  void setHandBack(std::function<bool(QByteArrayView)> headEnded,
                   std::function<void(int fd, const QByteArray& head)> handBack);
  int count() const { return int(m_open.size()); }
  qint64 pendingBytes() const;  // of the answers, not taken by the system yet
  void closeAll();

 private:
  struct Lingering {
    int fd = -1;
    QSocketNotifier* reader = nullptr;
    QSocketNotifier* writer = nullptr;  // while the answer waits for room
    QByteArray out;                     // what of the answer is still to go
    bool aside = false;                 // put aside: its head is read on
    QByteArray head;                    // what was read of it
    bool shut = false;                  // the sending side is shut
    bool inputEnded = false;
    qint64 until = 0;  // on m_clock, ms
  };
  Lingering* keep(int fd);
  Lingering* find(int fd);
  // Sends what the socket takes; false when the connection was closed.
  bool flush(Lingering& l);
  void drain(int fd);
  void closeFd(int fd);
  void closeAt(size_t i);
  void release(size_t i);  // forgets it; the descriptor stays open
  void handBack(int fd);
  void sweep();

  std::vector<Lingering> m_open;  // oldest first
  std::function<bool(QByteArrayView)> m_headEnded;
  std::function<void(int fd, const QByteArray& head)> m_handBack;
  QTimer* m_sweep;
  QElapsedTimer m_clock;
};

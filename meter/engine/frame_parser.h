#pragma once
// The controller frame parser: bytes in, accepted readings out to the count
// processor. Each entry point keeps its own receive buffer, hex trace and
// last frame count.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// Counters a window or test may show.
struct FrameCounters {
  int64_t framesOk = 0;
  int64_t checkErrors = 0;  // length, checksum/FCS, program or transmitter ID
  int64_t resyncs = 0;      // start markers without their end marker
};

class FrameReceiver {
 public:
  explicit FrameReceiver(bool network) : m_network(network) {}
  // One chunk of received bytes.
  void arrive(QByteArrayView data);

  const FrameCounters& counters() const { return m_counters; }
  int32_t lastFrameCount() const { return m_lastFrameCount; }
  // The trace of this entry point: the buffered bytes as "XX " with "+"
  // after the last byte of each received chunk.
  QString rxHexTrace() const;
  // The received bytes not yet consumed.
  const QByteArray& buffer() const { return m_buffer; }
  void clearBuffer() { m_buffer.clear(); }
  void reset();

 private:
  // What one frame contributed to the diagnostic text.
  struct FrameNote {
    std::array<uint8_t, 17> data{};
    int datLen = 0;
    int32_t L = 0;
    bool oldFormat = false;
    int16_t chs = 0;
    bool pgmBad = false, txBad = false;
    uint16_t pgmID = 0, txID = 0;
    bool accepted = false;
    uint32_t count = 0, ticks = 0;
    int32_t elapsed = 0;
  };
  bool checkFrame(bool oldFormat, int32_t L, qsizetype pos, qsizetype frameLen, FrameNote& n);
  void accept(bool oldFormat, const FrameNote& n);
  void logNow(int level);
  void renderNote(const FrameNote& n);
  void updateTrace(QByteArrayView data, qsizetype buffLen);

  bool m_network;
  QByteArray m_buffer;
  int32_t m_lastFrameCount = 0;
  FrameCounters m_counters;
  // Trace: the last received bytes and, per byte, whether it ended a chunk.
  QByteArray m_traceBytes;
  QByteArray m_traceEnds;
  // The diagnostic text of the current call, rendered only when it is logged.
  qsizetype m_oldLen = 0, m_buffLen = 0, m_received = 0;
  std::vector<FrameNote> m_notes;
  size_t m_rendered = 0;
  bool m_headerRendered = false;
  QString m_header;
  QString m_text;
  QByteArray m_fcsData;
};

// The serial entry point (interface types 2 and 3) and the TCP one.
void zavDataArrival(const QByteArray& data);
void zavDataArrivalNet(const QByteArray& data);
FrameReceiver& serialFrameReceiver();
// The port under test answered: empties the serial frame buffer and sets detectorAnswered.
void stopWaiting();
FrameReceiver& netFrameReceiver();

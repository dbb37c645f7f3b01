#pragma once
// The controller frame parser: bytes in, accepted readings out to whoever
// made it (the meter session). Each entry point (serial, TCP) has its own
// receiver with its own receive buffer, hex trace and last frame count.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "meter/record/reading.h"

// Counters a window or test may show.
struct FrameCounters {
  int64_t framesOk = 0;
  int64_t checkErrors = 0;  // length, checksum/FCS, program or transmitter ID
  int64_t resyncs = 0;      // start markers without their end marker
};

class FrameReceiver {
 public:
  // A frame that passed every check, as a reading.
  using Accepted = std::function<void(const Reading&)>;
  FrameReceiver(bool network, Accepted accepted) : m_network(network), m_accepted(std::move(accepted)) {}
  // The controller whose frames count: its detector type (frame layout, line
  // code, program ID) and transmitter ID (0: any).
  void setController(int32_t detectorVer, int32_t meterID) {
    m_detectorVer = detectorVer;
    m_meterID = meterID;
  }
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
  Accepted m_accepted;
  int32_t m_detectorVer = 0;
  int32_t m_meterID = 0;
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


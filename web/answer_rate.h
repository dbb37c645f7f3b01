#pragma once
// How fast an answer reaches its client, from what the client has received
// (the bytes its system acknowledged), sampled now and then. What the
// program hands the system comes in bursts as the socket's buffer frees, so
// it tells little of the reader's pace over a few seconds; what arrives does.
// The first moments are left out: the buffers on both sides take a big share
// of an answer at once, whatever the reader's pace.

#include <QtGlobal>
#include <array>

class AnswerRate {
 public:
  // Samples closer together than this are not kept.
  static constexpr qint64 kSampleStepMs = 250;
  // The start that is left out.
  static constexpr qint64 kSettleMs = 500;

  void start(qint64 nowMs, qint64 delivered);
  void sample(qint64 nowMs, qint64 delivered);
  // Bytes a second over the last windowMs up to now; -1 while no sample of
  // that age (from after the start's settling) is known.
  qint64 rate(qint64 nowMs, qint64 delivered, qint64 windowMs) const;

 private:
  struct Sample {
    qint64 at = 0;
    qint64 delivered = 0;
  };
  // 32 samples at least kSampleStepMs apart: eight seconds at least.
  std::array<Sample, 32> m_samples{};
  int m_count = 0;
  int m_next = 0;
  qint64 m_start = 0;
};

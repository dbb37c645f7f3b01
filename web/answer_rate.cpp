#include "web/answer_rate.h"

void AnswerRate::start(qint64 nowMs, qint64 delivered) {
  m_count = m_next = 0;
  m_start = nowMs;
  sample(nowMs, delivered);
}

void AnswerRate::sample(qint64 nowMs, qint64 delivered) {
  const int n = int(m_samples.size());
  if (m_count > 0 && nowMs - m_samples[(m_next + n - 1) % n].at < kSampleStepMs) return;
  m_samples[m_next] = {nowMs, delivered};
  m_next = (m_next + 1) % n;
  if (m_count < n) ++m_count;
}

qint64 AnswerRate::rate(qint64 nowMs, qint64 delivered, qint64 windowMs) const {
  const int n = int(m_samples.size());
  // The newest sample at least the window old, taken after the settling.
  for (int k = 1; k <= m_count; ++k) {
    const Sample& s = m_samples[(m_next + n - k) % n];
    if (nowMs - s.at < windowMs) continue;
    if (s.at < m_start + kSettleMs) return -1;
    return (delivered - s.delivered) * 1000 / (nowMs - s.at);
  }
  return -1;
}

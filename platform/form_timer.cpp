#include "platform/form_timer.h"

#include <algorithm>

FormTimer::FormTimer(QObject* parent) : QObject(parent) {
  m_timer.setTimerType(Qt::PreciseTimer);
  connect(&m_timer, &QTimer::timeout, this, [this] {
    if (m_handler) m_handler();
    emit timeout();
  });
}

void FormTimer::setInterval(int ms) {
  m_interval = std::min(ms, kMaxIntervalMs);
  apply();
}

void FormTimer::setEnabled(bool on) {
  m_enabled = on;
  apply();
}

void FormTimer::apply() {
  // A QTimer with 0 would fire continuously; a window timer with 0 is stopped.
  if (m_enabled && m_interval > 0) {
    m_timer.start(m_interval);
  } else {
    m_timer.stop();
  }
}

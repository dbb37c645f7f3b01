#include "platform/comm_link.h"

#include <utility>

CommLink::CommLink(QObject* parent) : QObject(parent) {}

bool CommLink::setSettings(const QString& text) {
  const Result<CommSettings> s = parseCommSettings(text);
  if (!s) {
    m_lastError = s.error();
    m_errorKind = CommError::Settings;
    return false;
  }
  if (m_open) {
    if (const Result<> applied = applySettings(*s); !applied) {
      m_lastError = applied.error();
      return false;
    }
  }
  m_settings = *s;
  return true;
}

bool CommLink::setPortOpen(bool open) {
  if (open == m_open) {
    if (open) m_lastError = QStringLiteral("Port already open");
    return !open;
  }
  m_input.clear();
  m_inputOverflowed = false;
  if (!open) {
    closeDevice();
    m_open = false;
    m_dtr = m_rts = m_break = false;
    return true;
  }
  m_errorKind = CommError::Other;
  if (const Result<> opened = openDevice(); !opened) {
    m_lastError = opened.error();
    return false;
  }
  if (const Result<> applied = applySettings(m_settings); !applied) {
    closeDevice();
    m_lastError = applied.error();
    return false;
  }
  m_open = true;
  m_errorKind = CommError::None;
  return true;
}

bool CommLink::setDTREnable(bool on) {
  m_dtr = on;
  return !m_open || driveLine(Line::DTR, on);
}

bool CommLink::setRTSEnable(bool on) {
  m_rts = on;
  return !m_open || driveLine(Line::RTS, on);
}

bool CommLink::setBreak(bool on) {
  m_break = on;
  return !m_open || driveLine(Line::Break, on);
}

QByteArray CommLink::input() {
  m_inputOverflowed = false;
  return std::exchange(m_input, QByteArray());
}

bool CommLink::output(QByteArrayView bytes) {
  if (!m_open) {
    m_lastError = QStringLiteral("Port is not open");
    return false;
  }
  return writeDevice(bytes);
}

void CommLink::deliverBytes(QByteArrayView bytes) {
  if (!m_open || bytes.isEmpty()) return;
  m_input.append(bytes);
  if (m_rThreshold <= 0) {
    if (m_input.size() <= kMaxHeldInput) return;
    m_input.remove(0, m_input.size() - kMaxHeldInput);
    if (!std::exchange(m_inputOverflowed, true)) deliverEvent(comEv::kRxOver);
    return;
  }
  if (m_input.size() < m_rThreshold) return;
  // Read out first, as input() does: a handler may wait and let the next arrival run.
  const QByteArray waiting = input();
  emit onComm(comEv::kReceive, waiting);
}

void CommLink::deliverEvent(int event) {
  if (m_open) emit onComm(event, QByteArray());
}

void CommLink::failAndClose(const QString& text) {
  if (!m_open) return;
  setPortOpen(false);
  m_lastError = text;
  emit closedByError(text);
}

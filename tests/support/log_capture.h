#pragma once
// Collects what logMsg shows, through the ZAV_LOG_FILE seam, so tests can
// check diagnostic texts and levels. Sets the message level to 5 while it lives.

#include <QString>
#include <cstdint>

#include "core/log/message_log.h"

// Puts the message log's level back when it goes out of scope.
class KeepLogLevel {
 public:
  KeepLogLevel() : m_level(MessageLog::level()) {}
  ~KeepLogLevel() { MessageLog::setLevel(m_level); }
  KeepLogLevel(const KeepLogLevel&) = delete;
  KeepLogLevel& operator=(const KeepLogLevel&) = delete;

 private:
  int16_t m_level;
};

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  QString text() const;  // everything logged since construction or clear()
  bool contains(const QString& part) const { return text().contains(part); }
  void clear();

 private:
  KeepLogLevel m_savedLevel;
};

#pragma once
// Collects what logMsg shows, through the ZAV_LOG_FILE seam, so tests can
// check diagnostic texts and levels. Sets msgLevel to 5 while it lives.

#include <QString>
#include <cstdint>

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  QString text() const;  // everything logged since construction or clear()
  bool contains(const QString& part) const { return text().contains(part); }
  void clear();

 private:
  int16_t m_savedLevel;
};

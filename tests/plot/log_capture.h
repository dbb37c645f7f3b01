#pragma once
// Collects the messages logged while an object of it lives (through the
// ZAV_LOG_FILE mirror, which this test binary points at a temp file).

#include <QString>
#include <QStringList>

class LogCapture {
 public:
  LogCapture();
  QStringList lines() const;                 // one entry per mirrored line since construction
  bool contains(const QString& text) const;  // any line containing text

 private:
  qint64 m_start = 0;
};

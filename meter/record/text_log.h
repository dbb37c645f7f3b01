#pragma once
// The periodic text log: one fixed-width line per interval with the time,
// the register in Wh and the power in W (negative power marks an event:
// -1 meter synchronisation, -2 on-line, -4 off-line).

#include <QString>
#include <cstdint>
#include <optional>

#include "core/util/date_value.h"
#include "platform/result.h"

struct Settings;

// Minutes of each textFileWriteInterval selector (0 = "OFF").
int textLogIntervalMinutes(int16_t selector);

// "yyyy-mm-dd hh:nn:ss EEEEEEEEEE PPPPPPPP" (39 characters for a register below 10^10).
QString textLogLine(Date time, double energyWh, double power);

// The power of the event lines.
constexpr double kSyncMarker = -1;     // the meter synchronisation set the register
constexpr double kOnlineMarker = -2;   // going on-line: a recording period begins
constexpr double kOfflineMarker = -4;  // going off-line: the period ends

// A line of the text log read back.
struct LogLine {
  QString when;  // "yyyy-mm-dd hh:nn:ss" as written
  Date time = 0;
  double energyWh = 0;
  double power = 0;  // W, or the event's marker
};
// The text log's last line, the line the register goes on from, and, above
// them within their recording period, the on-line marker that began the period
// and the latest synchronisation after that marker: what the register of the
// line was built from. The register goes on from the last line unless that is
// a reading's line dated by a wrong clock (outside 1990-2200; no reading is
// recorded then), which cannot be placed among the readings: then from the
// nearest line above it that is a marker or dated 1990-2200.
struct RegisterLog {
  LogLine last;
  LogLine from;
  std::optional<LogLine> online;
  std::optional<LogLine> sync;
};
// The text log file: which lines go out (its interval settings), where the
// line this run appended last lies (an overwrite replaces exactly it), and the
// exclusive lock held while the program records.
class TextLog {
 public:
  TextLog() = default;
  ~TextLog();
  TextLog(const TextLog&) = delete;
  TextLog& operator=(const TextLog&) = delete;

  // Takes the file name and the interval settings.
  void setSettings(const Settings& settings);
  const QString& fileName() const { return m_fileName; }
  bool enabled() const { return m_enabled && !m_fileName.isEmpty(); }

  // Appends the line, overwrites the last line this run appended, or writes
  // nothing, as the interval settings say. keepHeld: recording goes on, so the
  // lock stays held after the line; otherwise the file is free again for another
  // copy. A failure gives the reason in the log's words.
  Result<> write(Date time, double energyWh, double power, bool keepHeld);
  // The last write found the file held by another program (nothing written).
  bool refusedByAnother() const { return m_refused; }
  // Takes the exclusive lock (kept while the program writes it); fails with the
  // reason when another program holds it. Succeeds without a text log, and for
  // a file that cannot be opened at all (its write reports that).
  Result<> lock();
  void release();
  // Forgets the interval state (start of the program).
  void reset();

  // The last line and what the register of it was built from; empty when there
  // is no text log or its last line is not one of ours.
  std::optional<RegisterLog> readRegister() const;

 private:
  Result<int> heldFile();
  Result<> putLine(const QString& line, bool overwrite, bool keepHeld);

  QString m_fileName;
  bool m_enabled = false;
  int16_t m_interval = 0;
  Date m_minSaveInterval = 0;
  bool m_overwriteLast = false;

  Date m_lastLogTime = 0;
  bool m_spanLineWritten = false;
  // Where this run last appended a line, so an overwrite replaces exactly it.
  QString m_lastLineFile;
  qint64 m_lastLineStart = -1;
  qint64 m_lastLineEnd = -1;
  // The open, locked file.
  int m_fd = -1;
  QString m_fdName;
  bool m_refused = false;
};

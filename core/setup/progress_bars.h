#pragma once
// The progress window's bars without the window: bar definitions, the
// fraction each value stands for, and the text line under each bar.

#include <QList>
#include <QString>
#include <cstdint>

struct progressBarRecord {
  double min = 0;
  double max = 0;
  QString unit;
  int32_t updateCount = 0;
};

class ProgressBars {
 public:
  ProgressBars() { Reset(QStringLiteral("Progress Bar")); }

  // A new display: one percentage bar from 0 to 100, cancel flag cleared.
  void Reset(const QString& title);
  // Defines bar `index` (-1 appends) and returns the index used; the list grows as needed.
  int32_t initBar(int32_t index, double min, double max, const QString& unit);

  // The result of one update of a bar.
  struct Step {
    bool known = false;      // false: no such bar, nothing happens
    bool drawn = false;      // the bar has a positive range: line and text change
    bool firstShow = false;  // first drawn update: the line becomes visible
    double fraction = 0;     // not limited to 0..1
    QString text;
  };
  Step update(int32_t index, double value);

  const QString& title() const { return m_title; }
  int32_t count() const { return int32_t(m_bars.size()); }
  const progressBarRecord& bar(int32_t i) const { return m_bars.at(i); }
  bool cancelRequested = false;

 private:
  QString m_title;
  QList<progressBarRecord> m_bars;
};

// The text line of a bar: "37 %", the unit after "$", or "unit  value  of  max".
QString progressText(const progressBarRecord& bar, double value, double fraction);

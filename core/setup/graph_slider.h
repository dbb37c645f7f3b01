#pragma once
// Slider1: fifteen stops for the time width of the power graph, from the whole
// recording down to one minute, with a caption under each stop. Code moves it
// with the tag "disableChange" so that its change reaction stays quiet.

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>

class QLabel;
class QSlider;
class QWidget;

// Stop captions and spans ("" = all, "365" days, "12:00" hours:minutes).
const QStringList& graphStopCaptions();
const QStringList& graphStopSpans();

class GraphSlider : public QObject {
 public:
  // Builds the slider and its caption labels in a panel of `parent`.
  QWidget* build(QWidget* parent);
  // Builds the stop lists, the labels Label6(0..14) and the slider's range.
  void setSliderRange();
  // Moves to stop k without the change reaction; a k outside the range is ignored.
  void setGraphTimeWidth(int k);

  QSlider* slider() const { return m_slider; }
  QLabel* label(int i) const { return i >= 0 && i < m_labels.size() ? m_labels[i] : nullptr; }
  QString tag() const { return m_tag; }
  int selStart() const { return m_selStart; }
  int selLength() const { return m_selLength; }
  double smallestSpan() const { return m_smallestSpan; }
  void setEventCounters(int16_t v) { m_scrollCount = m_changeCount = v; }
  int16_t scrollCount() const { return m_scrollCount; }
  int16_t changeCount() const { return m_changeCount; }

 private:
  void onScroll();
  void onChange();
  void newValue();
  void setSelection(int start);

  QSlider* m_slider = nullptr;
  QWidget* m_panel = nullptr;
  QList<QLabel*> m_labels;
  QString m_tag;
  int m_selStart = 0;
  int m_selLength = 0;
  double m_smallestSpan = 0;
  int16_t m_scrollCount = 0;
  int16_t m_changeCount = 0;
};

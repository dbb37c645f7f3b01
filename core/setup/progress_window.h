#pragma once
// frmProgBar: a small modeless window with one bar and text line per
// progressBarRecord and a "Cancel" button. While it is shown every other
// window is disabled; closing or deleting it gives them their state back.

#include <QList>
#include <QPointer>
#include <QWidget>

#include "core/setup/other_windows_lock.h"
#include "core/setup/progress_bars.h"

class QFrame;
class QLabel;
class QPushButton;

class frmProgBar : public QWidget {
  Q_OBJECT
 public:
  frmProgBar();
  ~frmProgBar() override;

  void Reset(const QString& title) { m_bars.Reset(title); }
  void initBar(int32_t index, double min, double max, const QString& unit, int32_t& outIndex) {
    outIndex = m_bars.initBar(index, min, max, unit);
  }
  // The first call builds and shows the window.
  void update(int32_t index, double value);
  void updateAll(const QList<double>& values);
  bool cancelRequested() const { return m_bars.cancelRequested; }
  void ANewMethod() {}

  const ProgressBars& bars() const { return m_bars; }
  QLabel* prLabel(int i) const { return i < m_labels.size() ? m_labels[i] : nullptr; }
  QFrame* prLine(int i) const { return i < m_lines.size() ? m_lines[i] : nullptr; }
  int barLeft() const { return m_margin; }
  int barWidth() const { return m_fullWidth; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void build();
  void restoreOthers();

  ProgressBars m_bars;
  bool m_shown = false;
  int m_margin = 0;
  int m_fullWidth = 0;
  QList<QFrame*> m_lines;
  QList<QLabel*> m_labels;
  QPushButton* m_cancel = nullptr;
  OtherWindowsLock m_others;
};

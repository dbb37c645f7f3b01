#pragma once
// Disables every other window of the program while a progress window is
// open, and gives each its own state back afterwards.

#include <QList>
#include <QPair>
#include <QPointer>
#include <QWidget>

class OtherWindowsLock {
 public:
  ~OtherWindowsLock() { restore(); }
  // Every top-level window but `own` keeps its state and is disabled.
  void lock(const QWidget* own);
  void restore();

 private:
  QList<QPair<QPointer<QWidget>, bool>> m_saved;
};

#include "core/setup/other_windows_lock.h"

#include <QApplication>

void OtherWindowsLock::lock(const QWidget* own) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    const Qt::WindowType type = w->windowType();
    if (w == own || (type != Qt::Window && type != Qt::Dialog)) continue;
    m_saved.append({QPointer<QWidget>(w), w->isEnabled()});
    w->setEnabled(false);
  }
}

void OtherWindowsLock::restore() {
  for (const auto& [w, enabled] : m_saved)
    if (w) w->setEnabled(enabled);
  m_saved.clear();
}

// What the main window asks of the setup window.
#include <QCheckBox>

#include "core/setup/setup_window.h"
#include "core/setup/setup_window_calls.h"

namespace {
bool ticked(int index) { return frmSetup() && frmSetup()->Check1(index)->checkState() == Qt::Checked; }
}  // namespace

void showSetupWindow() {
  if (!frmSetup()) return;
  frmSetup()->show();
  frmSetup()->raise();
  frmSetup()->activateWindow();
}

bool setupStartOnLine() { return ticked(1); }
bool setupStartMinimized() { return ticked(10); }
bool setupStartWithAutoPlot() { return ticked(4); }
bool setupRingBell() { return ticked(0); }

void shutDownProgram() {
  if (frmSetup()) frmSetup()->shutDownProgram();
}

#include "meter/window/link_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <memory>

#include "core/settings/setup_values.h"
#include "core/setup/progress_window.h"
#include "core/util/format_pattern.h"
#include "meter/link/com_search.h"
#include "meter/link/link_state.h"
#include "meter/meter_events.h"
#include "meter/window/form1.h"
#include "meter/window/indicators.h"
#include "platform/colour.h"

namespace {
std::unique_ptr<frmProgBar> g_progress;

// Frame1 is the meter frame, Check1 the ON-LINE box, Check3 "Auto Plot".
void showStatus(Form1& f, const LinkStatus& s) {
  f.Frame1()->setTitle(s.caption);  // a long reason is cut, and shown whole as a tool tip
  // A frame's colour is its caption's; the controls inside keep their own.
  f.Frame1()->setStyleSheet(
      QStringLiteral("QGroupBox#Frame1::title { color: %1; }").arg(colourToQColor(s.captionColour).name()));
  {
    const QSignalBlocker quiet(f.Check1());
    f.Check1()->setCheckState(s.onlineTicked ? Qt::Checked : Qt::Unchecked);
  }
  f.Check3()->setEnabled(s.autoPlotEnabled);
  // Greyed while the device is lost, and after its return until a reading renews them;
  // off-line they are the last values, not stale ones.
  f.showValuesGrey(s.stale || (f.valuesGrey() && s.onlineTicked));
}

// Check2(0) "TxD BRK - Charge", Check2(1) "DTR - PWR UP", Check2(2) "RTS - TX EN".
void showLines(Form1& f, const SerialLines& lines) {
  const bool on[3] = {lines.txBreak, lines.dtr, lines.rts};
  for (int i = 0; i < 3; ++i) {
    const QSignalBlocker quiet(f.Check2(i));
    f.Check2(i)->setCheckState(on[i] ? Qt::Checked : Qt::Unchecked);
  }
}

void connectMainWindow(MeterEvents& e) {
  QObject::connect(&e, &MeterEvents::linkStatusChanged, &e, [](const LinkStatus& s) {
    if (Form1* f = form1()) showStatus(*f, s);
  });
  QObject::connect(&e, &MeterEvents::readingRecorded, &e, [] {
    if (Form1* f = form1(); f && !linkStatus().stale) f->showValuesGrey(false);
  });
  QObject::connect(&e, &MeterEvents::serialLinesChanged, &e, [](const SerialLines& lines) {
    if (Form1* f = form1()) showLines(*f, lines);
  });
  QObject::connect(&e, &MeterEvents::simulationSwitched, &e, [](bool on) {
    if (Form1* f = form1()) f->Timer1.setEnabled(on);
  });
  QObject::connect(&e, &MeterEvents::temperatureTextChanged, &e, [](const QString& text) {
    if (Form1* f = form1()) f->Label14()->setText(text);
  });
  // Timer3, the idle countdown.
  QObject::connect(&e, &MeterEvents::idleTimerRequested, &e, [](int ms) {
    Form1* f = form1();
    if (!f) return;
    f->indicators().Timer3.setEnabled(false);
    if (ms <= 0) return;
    f->indicators().Timer3.setInterval(ms);
    f->indicators().Timer3.setEnabled(true);
  });
  QObject::connect(&e, &MeterEvents::breakDetected, &e, [] {
    if (Form1* f = form1()) f->indicators().showBreakIndicator();
  });
  QObject::connect(&e, &MeterEvents::linkBusy, &e, [](bool busy) {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  });
}

// The setup window's side lives in the settings values (it shows them when it exists):
// Text1(0) is the COM port, Text1(14) the COM settings, Combo2 the tested ports,
// Text16(n) the event counters, Frame10/Text17 the pulse analysis.
void connectSetupWindow(MeterEvents& e) {
  QObject::connect(&e, &MeterEvents::comPortChosen, &e,
                   [](int port) { setupValues().setComPortText(port ? QString::number(port) : QString()); });
  QObject::connect(&e, &MeterEvents::comPortRefused, &e,
                   [] { setupValues().setForeColor(QStringLiteral("Text1(0)"), kColorRed); });
  QObject::connect(&e, &MeterEvents::comSettingRefused, &e,
                   [] { setupValues().setForeColor(QStringLiteral("Text1(14)"), kColorRed); });
  QObject::connect(&e, &MeterEvents::portListChanged, &e, [](const QList<int>& ports) {
    SetupValues& v = setupValues();
    v.clearPortList();
    for (int port : ports) v.addPortListItem(port);
    if (!ports.isEmpty()) v.selectPortListItem(0);
  });
  QObject::connect(&e, &MeterEvents::linkOnlineChanged, &e,
                   [](bool online) { setupValues().meterOnOflineChanged(online); });
  QObject::connect(&e, &MeterEvents::comEventCounted, &e, [](int kind) {
    if (kind < 0 || kind >= kComEventCounters) return;
    setupValues().showComEventCount(kind, formatNumber(comEventCounters[kind], QStringLiteral("#,#")));
  });
  QObject::connect(&e, &MeterEvents::pulseAnalysed, &e,
                   [](const QString& text) { setupValues().showPulseAnalysis(text); });
}

// One progress window per search; its Cancel button exists once the first value shows it.
void connectSearchProgress(MeterEvents& e) {
  QObject::connect(&e, &MeterEvents::searchProgressReset, &e, [](const QString& title) {
    g_progress = std::make_unique<frmProgBar>();
    g_progress->Reset(title);
  });
  QObject::connect(&e, &MeterEvents::searchProgressBar, &e,
                   [](int bar, double min, double max, const QString& unit) {
                     if (!g_progress) return;
                     int32_t used = 0;
                     g_progress->initBar(bar, min, max, unit, used);
                   });
  QObject::connect(&e, &MeterEvents::searchProgressValue, &e, [](int bar, double value) {
    if (!g_progress) return;
    g_progress->update(bar, value);
    auto* cancel = g_progress->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    if (cancel && !cancel->property("zavSearchCancel").toBool()) {
      cancel->setProperty("zavSearchCancel", true);
      QObject::connect(cancel, &QPushButton::clicked, cancel, [] { cancelComSearch(); });
    }
  });
  QObject::connect(&e, &MeterEvents::searchProgressClosed, &e, [] { g_progress.reset(); });
}
}  // namespace

void connectLinkView() {
  static bool connected = false;
  if (connected) return;
  connected = true;
  qRegisterMetaType<LinkStatus>();
  qRegisterMetaType<SerialLines>();
  MeterEvents& e = meterEvents();
  connectMainWindow(e);
  connectSetupWindow(e);
  connectSearchProgress(e);
}

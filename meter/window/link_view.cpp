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
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "meter/window/caption_frame.h"
#include "meter/window/form1.h"
#include "meter/window/indicators.h"
#include "platform/colour.h"
#include "platform/named_colours.h"

namespace {

// Frame1 is the meter frame, Check1 the ON-LINE box, Check3 "Auto Plot".
void showStatus(Form1& f, const LinkStatus& s) {
  // Frame1 is a CaptionFrame: a long reason is cut, and shown whole as its tool tip with
  // the advice the caption leaves out.
  static_cast<CaptionFrame*>(f.Frame1())->setCaption(s.caption, s.captionDetail);
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

void connectMainWindow(MeterSession& session, MeterLink& link, const std::function<Form1*()>& form1,
                       QObject* owner) {
  QObject::connect(&link, &MeterLink::statusChanged, owner, [form1](const LinkStatus& s) {
    if (Form1* f = form1()) showStatus(*f, s);
  });
  QObject::connect(&session, &MeterSession::readingRecorded, owner, [form1, &link] {
    if (Form1* f = form1(); f && !link.status().stale) f->showValuesGrey(false);
  });
  QObject::connect(&link, &MeterLink::serialLinesChanged, owner, [form1](const SerialLines& lines) {
    if (Form1* f = form1()) showLines(*f, lines);
  });
  QObject::connect(&link, &MeterLink::temperatureTextChanged, owner, [form1](const QString& text) {
    if (Form1* f = form1()) f->Label14()->setText(text);
  });
  QObject::connect(&link, &MeterLink::breakDetected, owner, [form1] {
    if (Form1* f = form1()) f->indicators().showBreakIndicator();
  });
  QObject::connect(&link, &MeterLink::portSwitched, owner, [form1] {
    if (Form1* f = form1()) f->indicators().clearBreakIndicator();
  });
  QObject::connect(&link.portEvents(), &PortEvents::busy, owner, [](bool busy) {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  });
}

// The setup window's side lives in the settings values (it shows them when it exists):
// Text1(0) is the COM port, Text1(14) the COM settings, Combo2 the tested ports,
// Text16(n) the event counters, Frame10/Text17 the pulse details and analysis.
void connectSetupWindow(MeterSession& session, MeterLink& link, SetupValues& values, QObject* owner) {
  SetupValues* v = &values;
  PortEvents* e = &link.portEvents();
  QObject::connect(e, &PortEvents::comPortChosen, owner,
                   [v](int port) { v->setComPortText(port ? QString::number(port) : QString()); });
  QObject::connect(e, &PortEvents::comPortRefused, owner,
                   [v] { v->setForeColor(QStringLiteral("Text1(0)"), kRed); });
  QObject::connect(e, &PortEvents::comSettingRefused, owner,
                   [v] { v->setForeColor(QStringLiteral("Text1(14)"), kRed); });
  QObject::connect(e, &PortEvents::portListChanged, owner, [v](const QList<int>& ports) {
    v->clearPortList();
    for (int port : ports) v->addPortListItem(port);
    if (!ports.isEmpty()) v->selectPortListItem(0);
  });
  QObject::connect(&link, &MeterLink::onlineChanged, owner,
                   [v](bool online) { v->meterOnOflineChanged(online); });
  QObject::connect(e, &PortEvents::eventCounted, owner, [v](int kind, int32_t count) {
    if (kind < 0 || kind >= kComEventCounters) return;
    v->showComEventCount(kind, formatNumber(count, QStringLiteral("#,#")));
  });
  QObject::connect(&session, &MeterSession::pulseAnalysed, owner,
                   [v](const QString& text) { v->showPulseAnalysis(text); });
  QObject::connect(&session, &MeterSession::pulseDetailsShown, owner,
                   [v](const QString& text) { v->showPulseDetails(text); });
  session.setPulseDetailsShown(true);
}

// One progress window per search; its Cancel button exists once the first value shows it.
void connectSearchProgress(MeterLink& link, QObject* owner) {
  // Owned by the connections' lambdas: one window at a time, gone with the connections.
  auto progress = std::make_shared<std::unique_ptr<frmProgBar>>();
  SearchProgress* p = &link.searchProgress();
  QObject::connect(p, &SearchProgress::started, owner, [progress](const QString& title) {
    *progress = std::make_unique<frmProgBar>();
    (*progress)->Reset(title);
  });
  QObject::connect(p, &SearchProgress::barSet, owner,
                   [progress](int bar, double min, double max, const QString& unit) {
                     if (!*progress) return;
                     int32_t used = 0;
                     (*progress)->initBar(bar, min, max, unit, used);
                   });
  QObject::connect(p, &SearchProgress::valueSet, owner, [progress, &link](int bar, double value) {
    if (!*progress) return;
    (*progress)->update(bar, value);
    auto* cancel = (*progress)->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    if (cancel && !cancel->property("zavSearchCancel").toBool()) {
      cancel->setProperty("zavSearchCancel", true);
      QObject::connect(cancel, &QPushButton::clicked, cancel, [&link] { link.cancelComSearch(); });
    }
  });
  QObject::connect(p, &SearchProgress::ended, owner, [progress] { progress->reset(); });
}
}  // namespace

void connectLinkView(MeterSession& session, MeterLink& link, SetupValues& values,
                     std::function<Form1*()> mainWindow, QObject* owner) {
  qRegisterMetaType<LinkStatus>();
  qRegisterMetaType<SerialLines>();
  connectMainWindow(session, link, mainWindow, owner);
  connectSetupWindow(session, link, values, owner);
  connectSearchProgress(link, owner);
}

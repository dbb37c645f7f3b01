#pragma once
// Records what the meter link and session announce: the status captions in order, the
// lines, the texts and requests for the windows, and the progress window's calls.

#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>

#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"

struct LinkRecorder {
  LinkStatus status;
  QStringList captions;  // every caption in order
  SerialLines lines;
  QString temperature;
  bool simulationTimer = false;
  int breaks = 0;
  QList<int> chosenPorts;
  int portRefusals = 0, settingRefusals = 0;
  QList<int> ports;
  int onlineChanges = 0;
  QMap<int, int> counted;  // kind -> announcements
  QString pulseAnalysis;
  QStringList progress;
  QObject context;
  const MeterSession& session;

  // Timer3, the idle countdown: its interval while it runs, 0 while it does not.
  int idleTimerMs() const { return session.idleTimer().isEnabled() ? session.idleTimer().interval() : 0; }

  LinkRecorder(MeterSession& meter, MeterLink& link) : session(meter) {
    QObject* c = &context;
    QObject::connect(&link, &MeterLink::statusChanged, c, [this](const LinkStatus& s) {
      status = s;
      captions.append(s.caption);
    });
    QObject::connect(&link, &MeterLink::serialLinesChanged, c, [this](const SerialLines& l) { lines = l; });
    QObject::connect(&link, &MeterLink::temperatureTextChanged, c, [this](const QString& t) { temperature = t; });
    QObject::connect(&link, &MeterLink::simulationSwitched, c, [this](bool on) { simulationTimer = on; });
    QObject::connect(&link, &MeterLink::breakDetected, c, [this] { ++breaks; });
    QObject::connect(&link, &MeterLink::onlineChanged, c, [this] { ++onlineChanges; });
    PortEvents* e = &link.portEvents();
    QObject::connect(e, &PortEvents::comPortChosen, c, [this](int p) { chosenPorts.append(p); });
    QObject::connect(e, &PortEvents::comPortRefused, c, [this] { ++portRefusals; });
    QObject::connect(e, &PortEvents::comSettingRefused, c, [this] { ++settingRefusals; });
    QObject::connect(e, &PortEvents::portListChanged, c, [this](const QList<int>& p) { ports = p; });
    QObject::connect(e, &PortEvents::eventCounted, c, [this](int kind) { ++counted[kind]; });
    QObject::connect(&meter, &MeterSession::pulseAnalysed, c, [this](const QString& t) { pulseAnalysis = t; });
    SearchProgress* p = &link.searchProgress();
    QObject::connect(p, &SearchProgress::started, c, [this](const QString& t) { progress.append("Reset " + t); });
    QObject::connect(p, &SearchProgress::barSet, c, [this](int i, double min, double max, const QString& unit) {
      progress.append(QStringLiteral("initBar %1 %2 %3 %4").arg(i).arg(min).arg(max).arg(unit));
    });
    QObject::connect(p, &SearchProgress::valueSet, c,
                     [this](int i, double v) { progress.append(QStringLiteral("update %1 %2").arg(i).arg(v)); });
    QObject::connect(p, &SearchProgress::ended, c, [this] { progress.append("unload"); });
  }
};

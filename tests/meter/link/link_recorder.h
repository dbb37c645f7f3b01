#pragma once
// Records what the meter link announces: the status captions in order, the lines, the
// texts and requests for the windows, and the progress window's calls.

#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>

#include "meter/meter_events.h"

struct LinkRecorder {
  LinkStatus status;
  QStringList captions;  // every caption in order
  SerialLines lines;
  QString temperature;
  bool simulationTimer = false;
  int idleTimerMs = 0;  // 0 = stopped
  int breaks = 0;
  QList<int> chosenPorts;
  int portRefusals = 0, settingRefusals = 0;
  QList<int> ports;
  int onlineChanges = 0;
  QMap<int, int> counted;  // kind -> announcements
  QString pulseAnalysis;
  QStringList progress;
  QObject context;

  LinkRecorder() {
    MeterEvents& e = meterEvents();
    QObject* c = &context;
    QObject::connect(&e, &MeterEvents::linkStatusChanged, c, [this](const LinkStatus& s) {
      status = s;
      captions.append(s.caption);
    });
    QObject::connect(&e, &MeterEvents::serialLinesChanged, c, [this](const SerialLines& l) { lines = l; });
    QObject::connect(&e, &MeterEvents::temperatureTextChanged, c, [this](const QString& t) { temperature = t; });
    QObject::connect(&e, &MeterEvents::simulationSwitched, c, [this](bool on) { simulationTimer = on; });
    QObject::connect(&e, &MeterEvents::idleTimerRequested, c, [this](int ms) { idleTimerMs = ms; });
    QObject::connect(&e, &MeterEvents::breakDetected, c, [this] { ++breaks; });
    QObject::connect(&e, &MeterEvents::comPortChosen, c, [this](int p) { chosenPorts.append(p); });
    QObject::connect(&e, &MeterEvents::comPortRefused, c, [this] { ++portRefusals; });
    QObject::connect(&e, &MeterEvents::comSettingRefused, c, [this] { ++settingRefusals; });
    QObject::connect(&e, &MeterEvents::portListChanged, c, [this](const QList<int>& p) { ports = p; });
    QObject::connect(&e, &MeterEvents::linkOnlineChanged, c, [this] { ++onlineChanges; });
    QObject::connect(&e, &MeterEvents::comEventCounted, c, [this](int kind) { ++counted[kind]; });
    QObject::connect(&e, &MeterEvents::pulseAnalysed, c, [this](const QString& t) { pulseAnalysis = t; });
    QObject::connect(&e, &MeterEvents::searchProgressReset, c,
                     [this](const QString& t) { progress.append("Reset " + t); });
    QObject::connect(&e, &MeterEvents::searchProgressBar, c,
                     [this](int i, double min, double max, const QString& unit) {
                       progress.append(QStringLiteral("initBar %1 %2 %3 %4").arg(i).arg(min).arg(max).arg(unit));
                     });
    QObject::connect(&e, &MeterEvents::searchProgressValue, c, [this](int i, double v) {
      progress.append(QStringLiteral("update %1 %2").arg(i).arg(v));
    });
    QObject::connect(&e, &MeterEvents::searchProgressClosed, c, [this] { progress.append("unload"); });
  }
};

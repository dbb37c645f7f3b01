#pragma once
// What the settings rules and the setup window announce: settings were applied,
// the user asked for a COM search or a file, the web server box changed. core/
// emits; meter/, web/ and app/ connect. Nothing in core/ calls upward.

#include <QObject>

class SettingsEvents : public QObject {
  Q_OBJECT
 signals:
};

SettingsEvents& settingsEvents();

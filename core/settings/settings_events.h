#pragma once
// What the settings rules and the setup window announce: settings were applied,
// the user asked for a COM search or a file, the web server box changed. core/
// emits; meter/, web/ and app/ connect. Nothing in core/ calls upward.

#include <QObject>

struct Settings;

// The file a "Select" button of the setup window's "Files" tab asks for.
enum class SettingsFile { Data, TextLog, PlotPicture };

class SettingsEvents : public QObject {
  Q_OBJECT
 signals:
  void settingsChanged(const Settings& settings);  // a new typed value: applied, or a field rule changed one
  void settingsApplied();                     // globals set again: the main window re-reads them
  void mainWindowLayoutChanged();             // advanced functions or debug mode: resize the main window
  void filePickRequested(SettingsFile file);  // "Select": the listener picks and sets the file-name global
  void comSearchRequested();                  // "Search ports" (Command11): search without a progress window
  void comEventCountersCleared(int index);    // COM event counter 1..20, or all for any other index
  void webServerStartRequested();             // "Enable Web Server" ticked with a valid port
  void webServerStopRequested();              // unticked while listening, or the program ends
};

SettingsEvents& settingsEvents();

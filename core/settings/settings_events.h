#pragma once
// What core/ announces upward, one notifier per subject: the settings (a new
// typed value, applied, the main window's layout), and the requests the setup
// window makes of the folders above it (a file, the meter link, the web
// server). core/ emits; meter/, web/ and app/ connect. Nothing in core/ calls upward.

#include <QObject>

struct Settings;

// The settings and what follows from them.
class SettingsEvents : public QObject {
  Q_OBJECT
 signals:
  void settingsChanged(const Settings& settings);  // a new typed value: applied, or a field rule changed one
  void settingsApplied();          // the settings were applied: the main window shows them again
  void mainWindowLayoutChanged();  // advanced functions or debug mode: resize the main window
};
SettingsEvents& settingsEvents();

// The file a "Select" button of the setup window's "Files" tab asks for.
enum class SettingsFile { Data, TextLog, PlotPicture };

// "Select" on the "Files" tab: the main window picks the file; the setup window then
// shows the files in use (SetupQuestions::filesInUse).
class FileRequests : public QObject {
  Q_OBJECT
 signals:
  void filePickRequested(SettingsFile file);
};
FileRequests& fileRequests();

// The meter link's buttons and counters on the setup window.
class MeterLinkRequests : public QObject {
  Q_OBJECT
 signals:
  void comSearchRequested();                // "Search ports" (Command11): search without a progress window
  void comEventCountersCleared(int index);  // COM event counter 1..20, or all for any other index
};
MeterLinkRequests& meterLinkRequests();

// "Enable Web Server" and the program's end.
class WebServerRequests : public QObject {
  Q_OBJECT
 signals:
  void webServerStartRequested();  // ticked with a valid port
  void webServerStopRequested();   // unticked while listening, or the program ends
};
WebServerRequests& webServerRequests();

#pragma once
// The settings as values: the content of every setup control (field texts, box
// and option values, the slider position), held with no window. Writing a value
// runs the field rules at once when the content changes, as a user's edit of the
// control would; the setup window, when there is one, shows these values and
// writes the user's edits back here. The meter link and the web server write
// their status lines here too, so no code outside core/ touches a setup widget.

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "core/settings/settings.h"
#include "core/settings/settings_fields.h"
#include "core/settings/setup_controls.h"

// What a control shows beyond its content; unset parts stay as the window made them.
struct ControlLook {
  std::optional<int32_t> foreColor, backColor;  // &HBBGGRR
  std::optional<QString> toolTip, caption;
  std::optional<bool> enabled, visible;
};

// The files the meter and the chart use now (the main window's menus may have picked others).
struct FilesInUse {
  FileNamePair zavDatFileName;
  QString zavLogFileName;
  QString zavPlotFileName;
};

// What the settings must ask of the folders above; app/ hands the answers in.
// Unanswered: no main window, no web server listening, the files of the settings.
struct SetupQuestions {
  std::function<bool()> mainWindowLoaded;
  std::function<int32_t()> webServerPort;  // the port the web server listens on, 0 while it does not
  std::function<FilesInUse()> filesInUse;
};

struct PortListItem {
  QString text;
  int port = 0;
};

class SetupValues : public QObject, public SetupControls {
  Q_OBJECT
 public:
  SetupValues();

  // SetupControls
  QString text(const QString& name) const override;
  void setText(const QString& name, const QString& text) override;
  int value(const QString& name) const override;
  void setValue(const QString& name, int value) override;
  int count(const QString& array) const override;
  void setForeColor(const QString& name, int32_t colour) override;
  void setBackColor(const QString& name, int32_t colour) override;
  void setToolTip(const QString& name, const QString& tip) override;
  void setEnabled(const QString& name, bool enabled) override;
  void setVisible(const QString& name, bool visible) override;
  QString caption(const QString& name) const override;
  int sliderValue() const override { return m_slider; }
  void setSliderQuietly(int position) override;
  Settings& typedSettings() override { return m_settings; }
  const Settings& typedSettings() const override { return m_settings; }
  void settingsWritten() override;

  void setCaption(const QString& name, const QString& caption);
  ControlLook look(const QString& name) const { return m_look.value(name); }
  // The slider moved by the user: its position is kept, nothing else runs.
  void takeSliderPosition(int position);
  SetupFields& fields() { return m_fields; }
  // The current typed settings.
  const Settings& settings() const { return m_settings; }
  void setQuestions(SetupQuestions questions);
  bool mainWindowLoaded() const { return m_questions.mainWindowLoaded && m_questions.mainWindowLoaded(); }
  int32_t webServerPort() const { return m_questions.webServerPort ? m_questions.webServerPort() : 0; }
  // The file names take the files in use, when someone answers which they are.
  void takeFilesInUse();
  // A text held outside the controls (settings.h: storeHeldText), e.g. "iniFileName".
  void setHeldText(QLatin1String key, const QString& text);
  // The start-up values the command line left (startup.cpp): name, folder, debug mode, COM port.
  void takeStartValues(const StartValues& start);
  void setDebugMode(int16_t mode);
  void setDebugLevel(int16_t level);

  // Puts the settings into a consistent state: factory defaults first when asked,
  // then every field parsed into its member again; announces settingsApplied.
  void applySetupSettings(bool resetDefaults);
  // Start-up, once the start values are taken: factory defaults, the INI file unless
  // `readIni` is false, then the web server when "Start with Web Server" is ticked.
  void loadAtStart(bool readIni);

  // The COM port field (Text1(0)): its text, as the COM search and openCom use it.
  QString comPortText() const { return text(QStringLiteral("Text1(0)")); }
  void setComPortText(const QString& t) { setText(QStringLiteral("Text1(0)"), t); }
  // The meter settings are locked while the meter is on-line.
  void meterOnOflineChanged(bool online);
  // "COM Status" counter `index` (Text16), "Pulse details" (Text17) and the pulse analysis.
  void showComEventCount(int index, const QString& text);
  void showPulseDetails(const QString& text);
  void showPulseAnalysis(const QString& text);
  // The list of tested COM ports (Combo2): each item shows its port number.
  void clearPortList();
  void addPortListItem(int port);
  int portListCount() const { return int(m_ports.size()); }
  int portListItemPort(int index) const { return m_ports.value(index).port; }
  void selectPortListItem(int index);
  int portListIndex() const { return m_portIndex; }
  const QList<PortListItem>& portList() const { return m_ports; }
  // frmSetup.searchComPorts: the list gets the single item "vbLogAuto".
  void searchComPorts();
  // The web server's status lines on the "Web Server" tab, as after a stop.
  void showWebServerStopped();

 signals:
  void textChanged(const QString& name);
  void valueChanged(const QString& name);
  void lookChanged(const QString& name);
  void sliderChanged();
  void portListChanged();

 private:
  template <class T>
  void setLook(const QString& name, std::optional<T> ControlLook::*part, const T& value);
  // The rule of the control's row (an option button: its group's), after its content changed.
  void runRule(const QString& name);
  // Announces the settings when they changed, or always when `applied`; nested
  // writes (a rule writing a twin field) announce once, at the outermost write.
  void publish(bool applied);
  struct Nested;

  QHash<QString, QString> m_text;
  QHash<QString, int> m_value;
  QHash<QString, ControlLook> m_look;
  int m_slider = 0;
  QList<PortListItem> m_ports;
  int m_portIndex = -1;
  SetupFields m_fields;
  Settings m_settings;
  Settings m_announced;
  SetupQuestions m_questions;
  int m_depth = 0;
};

// The one settings object of the program; exists with or without a setup window.
SetupValues& setupValues();

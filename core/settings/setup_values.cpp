#include "core/settings/setup_values.h"

#include "core/globals.h"  // logColourNormal
#include "core/settings/factory_defaults.h"
#include "core/settings/ini_keys.h"
#include "core/settings/ini_reader.h"
#include "core/settings/settings_events.h"

namespace {
bool isOption(const QString& name) { return name.startsWith(u"Option"); }

}  // namespace

struct SetupValues::Nested {
  explicit Nested(SetupValues& values) : v(values) { ++v.m_depth; }
  ~Nested() {
    if (--v.m_depth == 0) v.publish(false);
  }
  Nested(const Nested&) = delete;
  Nested& operator=(const Nested&) = delete;
  SetupValues& v;
};

SetupValues& setupValues() {
  static SetupValues values;
  return values;
}

SetupValues::SetupValues() : m_fields(*this) {
  for (const char* n : {"Text5(7)", "Text5(14)", "Text2(6)", "Text17"}) {
    const QString name = QString::fromLatin1(n);
    m_text.insert(name, setupStartText(name));
  }
  for (const QString& n : setupHiddenAtStart()) m_look[n].visible = false;
}

QString SetupValues::text(const QString& name) const { return m_text.value(name); }

void SetupValues::setText(const QString& name, const QString& text) {
  // An unchanged content runs no rule, as with a control.
  if (m_text.value(name) == text) return;
  Nested nested(*this);
  m_text.insert(name, text);
  emit textChanged(name);
  runRule(name);
}

int SetupValues::value(const QString& name) const { return m_value.value(name); }

void SetupValues::setValue(const QString& name, int value) {
  if (m_value.value(name) == value) return;
  Nested nested(*this);
  if (isOption(name)) {
    // One button of a group is selected; the selected one cannot be cleared by itself.
    if (value == 0) return;
    const QString group = arrayOf(name);
    for (int i = 0; i < count(group); ++i) {
      const QString other = ctl(group.toLatin1().constData(), i);
      if (other != name && m_value.value(other) != 0) {
        m_value.insert(other, 0);
        emit valueChanged(other);
      }
    }
    value = 1;
  }
  m_value.insert(name, value);
  emit valueChanged(name);
  runRule(name);
}

int SetupValues::count(const QString& array) const { return setupArrayCount(array); }

template <class T>
void SetupValues::setLook(const QString& name, std::optional<T> ControlLook::*part, const T& value) {
  m_look[name].*part = value;
  emit lookChanged(name);
}

void SetupValues::setForeColor(const QString& name, int32_t colour) {
  setLook(name, &ControlLook::foreColor, colour);
}
void SetupValues::setBackColor(const QString& name, int32_t colour) {
  setLook(name, &ControlLook::backColor, colour);
}
void SetupValues::setToolTip(const QString& name, const QString& tip) {
  setLook(name, &ControlLook::toolTip, tip);
}
void SetupValues::setEnabled(const QString& name, bool on) { setLook(name, &ControlLook::enabled, on); }
void SetupValues::setVisible(const QString& name, bool on) { setLook(name, &ControlLook::visible, on); }
void SetupValues::setCaption(const QString& name, const QString& text) {
  setLook(name, &ControlLook::caption, text);
}

QString SetupValues::caption(const QString& name) const {
  const auto it = m_look.constFind(name);
  if (it != m_look.constEnd() && it->caption) return *it->caption;
  return setupCaption(name);
}

void SetupValues::setSliderQuietly(int position) {
  if (position < 0 || position > 14) return;
  Nested nested(*this);
  m_slider = position;
  m_settings.viewRange = int16_t(position);
  emit sliderChanged();
}

void SetupValues::takeSliderPosition(int position) {
  Nested nested(*this);
  m_slider = position;
  m_settings.viewRange = int16_t(position);
}

void SetupValues::runRule(const QString& name) {
  if (const IniKey* row = findControlRow(isOption(name) ? arrayOf(name) : name)) m_fields.apply(*row);
}

void SetupValues::applySetupSettings(bool resetDefaults) {
  ++m_depth;
  if (resetDefaults) applyFactoryDefaults(*this, currentFactoryPaths(m_settings.defDirName));
  // Every field parsed again, in the array's order, then every option group's index taken.
  for (int i : text1Indexes())
    if (const IniKey* row = findControlRow(ctl("Text1", i))) m_fields.apply(*row, true);
  for (const IniKey& row : iniKeys())
    if (row.rules.rule == FieldRule::Option) m_fields.apply(row, true);
  --m_depth;
  publish(true);
  emit settingsEvents().settingsApplied();
}

void SetupValues::publish(bool applied) {
  if (!applied && m_settings == m_announced) return;
  m_announced = m_settings;
  emit settingsEvents().settingsChanged(m_settings);
}

void SetupValues::settingsWritten() {
  if (m_depth == 0) publish(false);
}

void SetupValues::setQuestions(SetupQuestions questions) {
  m_questions = std::move(questions);
  m_fields.setWebServerPortQuestion(m_questions.webServerPort);
}

void SetupValues::takeFilesInUse() {
  if (!m_questions.filesInUse) return;
  const FilesInUse files = m_questions.filesInUse();
  storeHeldText(m_settings, QLatin1String("zavDatFileName(0)"), files.zavDatFileName[0]);
  storeHeldText(m_settings, QLatin1String("zavDatFileName(1)"), files.zavDatFileName[1]);
  storeHeldText(m_settings, QLatin1String("zavLogFileName"), files.zavLogFileName);
  storeHeldText(m_settings, QLatin1String("zavPlotFileName"), files.zavPlotFileName);
  settingsWritten();
}

void SetupValues::setHeldText(QLatin1String key, const QString& text) {
  storeHeldText(m_settings, key, text);
  settingsWritten();
}

void SetupValues::takeStartValues(const StartValues& start) {
  m_settings.appName = start.appName;
  m_settings.defDirName = start.defDirName;
  m_settings.debugMode = start.debugMode;
  // "-com" gives the port; the factory defaults' empty field keeps it.
  m_settings.comPort = start.comPort;
  settingsWritten();
}

void SetupValues::setDebugMode(int16_t mode) {
  m_settings.debugMode = mode;
  settingsWritten();
}

void SetupValues::setDebugLevel(int16_t level) {
  m_settings.debugLevel = level;
  settingsWritten();
}

void SetupValues::loadAtStart(bool readIni) {
  applySetupSettings(true);
  if (readIni) {
    loadINIfile(m_settings.iniFileName, *this);
    applySetupSettings(false);
  }
  if (value(QStringLiteral("Check1(7)")) == 1) setValue(QStringLiteral("Check9"), 1);
}

void SetupValues::meterOnOflineChanged(bool online) {
  for (const char* n : {"Command1(3)", "Command1(2)", "Command1(0)", "Text2(2)", "Check8(0)", "Frame1",
                        "Text1(0)", "Text1(14)", "Text1(13)", "Label1(0)", "Label1(15)", "Label1(12)"})
    setEnabled(QString::fromLatin1(n), !online);
}

void SetupValues::showComEventCount(int index, const QString& text) { setText(ctl("Text16", index), text); }

void SetupValues::showPulseDetails(const QString& text) { setText(QStringLiteral("Text17"), text); }

void SetupValues::showPulseAnalysis(const QString& text) {
  setCaption(QStringLiteral("Frame10"), QStringLiteral("Pulse analysis"));
  showPulseDetails(text);
}

void SetupValues::clearPortList() {
  m_ports.clear();
  m_portIndex = -1;
  emit portListChanged();
}

void SetupValues::addPortListItem(int port) {
  m_ports.append({QString::number(port), port});
  emit portListChanged();
}

void SetupValues::selectPortListItem(int index) {
  if (index < -1 || index >= m_ports.size()) return;
  m_portIndex = index;
  emit portListChanged();
}

void SetupValues::searchComPorts() {
  m_ports = {{QStringLiteral("vbLogAuto"), 0}};
  m_portIndex = 0;
  emit portListChanged();
}

void SetupValues::showWebServerStopped() {
  setCaption(QStringLiteral("lblServerStatus"), QStringLiteral("Web Server is Not running"));
  setForeColor(QStringLiteral("lblServerStatus"), logColourNormal);
  setCaption(QStringLiteral("lblServerURL"), QString());
  setToolTip(QStringLiteral("lblServerURL"), QString());
  setVisible(QStringLiteral("lblServerURL"), false);
  setEnabled(QStringLiteral("txtWebRoot"), true);
  setEnabled(QStringLiteral("Text18"), true);
}

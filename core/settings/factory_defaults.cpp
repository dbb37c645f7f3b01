#include "core/settings/factory_defaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <initializer_list>

#include "core/settings/ini_keys.h"
#include "core/settings/settings.h"
#include "platform/app_event_log.h"

QString appLogPath() { return appLogCurrentPath(); }

FactoryPaths currentFactoryPaths(const QString& defDir) {
  FactoryPaths p;
  p.defDir = defDir;
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  p.exeBase = exe.completeBaseName();
  p.exeDir = exe.absolutePath();
  p.currentDir = QDir::currentPath();
  p.appLogPath = appLogPath();
  return p;
}

QString factoryText(const IniKey& row, const FactoryPaths& p) {
  QString t = QString::fromUtf8(row.factory);
  if (!t.contains(u'{')) return t;
  return t.replace(QLatin1String("{dir}"), p.defDir)
      .replace(QLatin1String("{base}"), p.exeBase)
      .replace(QLatin1String("{cwd}"), p.currentDir)
      .replace(QLatin1String("{applog}"), p.appLogPath);
}

namespace {
// Writes rows' factory values into their controls, each once, as a user's edit would.
class FactoryWrites {
 public:
  FactoryWrites(SetupControls& c, const FactoryPaths& p) : m_c(c), m_p(p) {}

  void heldTexts() {
    for (const IniKey& row : iniKeys())
      if (row.rules.rule == FieldRule::Held && row.factory)
        storeHeldText(m_c.typedSettings(), QLatin1String(row.key), factoryText(row, m_p));
  }
  void controls(std::initializer_list<const char*> names) {
    for (const char* name : names) write(*findControlRow(QString::fromLatin1(name)));
  }
  // Rows with a factory value that the order does not name, in the table's order.
  void rest() {
    for (const IniKey& row : iniKeys())
      if (*row.control && row.factory && !m_written.contains(&row)) write(row);
  }

 private:
  void write(const IniKey& row) {
    m_written.insert(&row);
    const QString name = QString::fromLatin1(row.control);
    const QString value = factoryText(row, m_p);
    switch (row.form) {
      case IniForm::Flag:
        // A flag holds its value even when the box already shows it.
        if (row.rules.rule == FieldRule::Flag)
          m_c.typedSettings().*std::get<bool Settings::*>(row.member.member) = value == u"1";
        m_c.setValue(name, value.toInt());
        break;
      case IniForm::Index: m_c.setValue(name + u'(' + value + u')', 1); break;
      case IniForm::Slider: m_c.setSliderQuietly(value.toInt()); break;
      default: m_c.setText(name, value); break;
    }
  }

  SetupControls& m_c;
  const FactoryPaths& m_p;
  QSet<const IniKey*> m_written;
};
}  // namespace

void applyFactoryDefaults(SetupControls& c, const FactoryPaths& p) {
  // Each write runs the control's rule at once, so the order matters where one
  // rule writes another field (twins, clock and divisor).
  FactoryWrites w(c, p);
  w.heldTexts();
  w.controls({"Text2(0)", "Text2(1)", "Text2(2)", "Text2(3)", "Text2(4)", "Text2(5)", "Text2(6)", "Text2(7)",
              "Text1(27)", "Text1(28)", "Text1(3)"});
  // Cleared first: its twin and its own row below give it its value.
  c.setText(QStringLiteral("Text1(13)"), QString());
  w.controls({"Text1(0)", "Text1(14)", "Text1(19)", "Text1(20)", "Text1(25)", "Text1(26)"});
  // The interface type passes "S0 or Detector direct" on its way to its default.
  c.setValue(QStringLiteral("Option1(1)"), 1);
  w.controls({"Option1", "Option2", "Check1(0)", "Check1(1)", "Check1(2)", "Check1(3)", "Check1(4)",
              "Check1(5)", "Check1(6)", "Check1(7)", "Check1(10)", "Check9", "cheLogging", "Text18"});
  Settings& s = c.typedSettings();
  s.defaultWebRoot = p.exeDir + QStringLiteral("/public_html/");
  const QString useDefault = QStringLiteral("Leave empty to use default: ");
  w.controls({"txtWebRoot"});
  c.setToolTip(QStringLiteral("txtWebRoot"), useDefault + s.defaultWebRoot);
  w.controls({"txtWebLogFile"});
  c.setToolTip(QStringLiteral("txtWebLogFile"), useDefault + p.exeDir + QStringLiteral("/webserver.log"));
  w.controls({"Check8(0)", "Check8(1)",  "Check8(2)", "Text1(15)", "Text1(12)", "Text1(1)", "Text1(29)",
              "Text1(30)", "Text1(16)",  "Text1(17)", "Text1(18)", "Text1(5)",  "Text1(6)", "Text1(7)",
              "Text1(8)",  "Text1(2)",   "Option3",   "Option5",   "Option6",   "Option7",  "Check4(0)",
              "Check4(1)", "Check5(0)",  "Check5(1)", "Check5(5)", "Text24",    "Slider1",  "Text1(13)",
              "Text1(24)", "Check11(0)", "Check11(1)"});
  w.rest();  // the Units tab
  c.settingsWritten();
}

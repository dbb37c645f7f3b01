#pragma once
// The settings as one typed value: every member parsed once by the field rules,
// with the values derived from them beside. The members come from the INI key
// table (ini_keys.h) and keep the names the rest of the program knows. core/
// produces a new one whenever settings are applied or a field rule changes a
// value, and announces it with settingsEvents().settingsChanged; the subsystems
// keep their own copy. SetupValues::settings() is the current one.

#include <QLatin1String>
#include <QString>
#include <cstdint>

#include "core/settings/ini_keys.h"
#include "core/settings/value_type.h"
#include "core/util/date_value.h"

// Members that no row declares: derived values, the web tab's values the INI file
// does not keep, the factory values other folders read, and start-up values.
#define ZAV_SETTINGS_BESIDE(ITEM)                                                                        \
  ITEM(ZAV_SETTING(double, WsPerCount, 0))                 /* watt-seconds per count */                  \
  ITEM(ZAV_SETTING(double, minMeterScale, 0))              /* lowest power before the timer wraps, W */  \
  ITEM(ZAV_SETTING(valueType, vtEnergy, {}))               /* how energy is shown */                     \
  ITEM(ZAV_SETTING(valueType, vtPower, {}))                /* how power is shown */                      \
  ITEM(ZAV_SETTING(int32_t, mousePointerFlags, 0))         /* bit i: Check4(i) ticked */                 \
  ITEM(ZAV_SETTING(int32_t, mouseMeasureFlags, 0))         /* bit i: Check5(i) ticked */                 \
  ITEM(ZAV_SETTING(int32_t, webPort, 80))                  /* the port to listen on, from webPortText */ \
  ITEM(ZAV_SETTING(bool, webPortAccepted, true))           /* empty or 80..65535 */                      \
  ITEM(ZAV_SETTING(int, webLogging, 0))                    /* cheLogging: 1 on, 0 off, 2 grey */         \
  ITEM(ZAV_SETTING(QString, defaultWebRoot, {}))           /* used while webRootText is empty */         \
  ITEM(ZAV_SETTING(int32_t, pointTextBackColor, 0xC0FFFF)) /* &HBBGGRR */                                \
  ITEM(ZAV_SETTING(QString, appName, {}))                  /* "Zav" or "Falvor" */                       \
  ITEM(ZAV_SETTING(QString, defDirName, {}))               /* ends in "/" */                             \
  ITEM(ZAV_SETTING(int16_t, debugMode, 0))                                                               \
  ITEM(ZAV_SETTING(int16_t, debugLevel, 0)) /* 0..5: how much diagnostics tell */

#define ZAV_SETTINGS_DECLARE_ZAV_SETTING(type, name, start) type name = start;
#define ZAV_SETTINGS_DECLARE_ZAV_SETS(name)
#define ZAV_SETTINGS_DECLARE_ZAV_SLOT(name, slot)
#define ZAV_SETTINGS_DECLARE_ZAV_NO_SETTING
#define ZAV_SETTINGS_DECLARE_ROW(key, control, section, form, read, lo, hi, emptyAllowed, rules, factory, \
                                 member)                                                                  \
  ZAV_SETTINGS_DECLARE_##member
#define ZAV_SETTINGS_DECLARE_ITEM(member) ZAV_SETTINGS_DECLARE_##member

struct Settings {
  ZAV_INI_KEYS(ZAV_SETTINGS_DECLARE_ROW)
  ZAV_SETTINGS_BESIDE(ZAV_SETTINGS_DECLARE_ITEM)

  bool operator==(const Settings&) const = default;
};

// What Main() and the command line found before any setting is applied.
struct StartValues {
  QString appName;        // "Zav" or "Falvor"
  QString defDirName;     // ends in "/"
  int16_t debugMode = 0;  // "-debug=<code> <mode>"
  int16_t comPort = 0;    // "-comN": kept while the port field is empty
};

// The web port field's text by the server's rule: empty is the standard port 80;
// otherwise the whole part of its leading number, and 0 also means 80. Accepted
// when empty or 80..65535.
struct WebPortSetting {
  int32_t port = 80;
  bool accepted = true;
};
WebPortSetting webPortFromText(const QString& text);

// The texts held outside the controls, named by their INI key ("zavDatFileName(0)",
// "zavLogFileName", "zavPlotFileName", "iniFileName", "hlpFileName", "pricePerkWh").
// False for any other key.
bool storeHeldText(Settings& s, QLatin1String key, const QString& text);
QString heldText(const Settings& s, QLatin1String key);

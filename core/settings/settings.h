#pragma once
// The settings as one typed value: every member parsed once by the field rules,
// with the values derived from them beside. The members come from the INI key
// table (ini_keys.h) and keep the names the rest of the program knows. core/
// produces a new one whenever settings are applied or a field rule changes a
// value, and announces it with settingsEvents().settingsChanged; the subsystems
// keep their own copy. SetupValues::settings() is the current one.

#include <QString>
#include <array>
#include <cstdint>

#include "core/settings/ini_keys.h"
#include "core/settings/value_type.h"
#include "core/util/date_value.h"

// The data files of slots 0 (recording, plotted) and 1 (viewed).
using FileNamePair = std::array<QString, 2>;

// Members that no INI key sets: derived values, the web tab's values the INI file
// does not keep, the factory values other folders read, and start-up values.
#define ZAV_SETTINGS_BESIDE(ITEM)                                                                        \
  ITEM(ZAV_SETTING(double, WsPerCount, 0))                 /* watt-seconds per count */                  \
  ITEM(ZAV_SETTING(double, minMeterScale, 0))              /* lowest power before the timer wraps, W */  \
  ITEM(ZAV_SETTING(valueType, vtEnergy, {}))               /* how energy is shown */                     \
  ITEM(ZAV_SETTING(valueType, vtPower, {}))                /* how power is shown */                      \
  ITEM(ZAV_SETTING(int32_t, mousePointerFlags, 0))         /* bit i: Check4(i) ticked */                 \
  ITEM(ZAV_SETTING(int32_t, mouseMeasureFlags, 0))         /* bit i: Check5(i) ticked */                 \
  ITEM(ZAV_SETTING_ONLY(int32_t, webPort, 80))             /* the port to listen on, from webPortText */ \
  ITEM(ZAV_SETTING_ONLY(bool, webPortAccepted, true))      /* empty or 80..65535 */                      \
  ITEM(ZAV_SETTING_ONLY(int, webLogging, 0))               /* cheLogging: 1 on, 0 off, 2 grey */         \
  ITEM(ZAV_SETTING(QString, defaultWebRoot, {}))           /* used while webRootText is empty */         \
  ITEM(ZAV_SETTING(int32_t, pointTextBackColor, 0xC0FFFF)) /* &HBBGGRR */                                \
  ITEM(ZAV_SETTING(QString, appName, {}))                  /* "Zav" or "Falvor" */                       \
  ITEM(ZAV_SETTING(QString, defDirName, {}))               /* ends in "/" */                             \
  ITEM(ZAV_SETTING(int16_t, debugMode, 0))                                                               \
  ITEM(ZAV_SETTING(int16_t, debugLevel, 0))                /* 0..5: how much diagnostics tell */

#define ZAV_SETTINGS_DECLARE_ZAV_SETTING(type, name, start) type name = start;
#define ZAV_SETTINGS_DECLARE_ZAV_SETTING_ONLY(type, name, start) type name = start;
#define ZAV_SETTINGS_DECLARE_ZAV_NO_SETTING
#define ZAV_SETTINGS_DECLARE_ROW(key, control, section, form, read, lo, hi, emptyAllowed, member) \
  ZAV_SETTINGS_DECLARE_##member
#define ZAV_SETTINGS_DECLARE_ITEM(member) ZAV_SETTINGS_DECLARE_##member

struct Settings {
  ZAV_INI_KEYS(ZAV_SETTINGS_DECLARE_ROW)
  ZAV_SETTINGS_BESIDE(ZAV_SETTINGS_DECLARE_ITEM)

  bool operator==(const Settings&) const = default;
};

// The web port field's text by the server's rule: empty is the standard port 80;
// otherwise the whole part of its leading number, and 0 also means 80. Accepted
// when empty or 80..65535.
struct WebPortSetting {
  int32_t port = 80;
  bool accepted = true;
};
WebPortSetting webPortFromText(const QString& text);

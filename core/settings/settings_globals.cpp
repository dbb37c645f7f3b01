#include "core/settings/settings_globals.h"

#include <type_traits>

#include "core/globals.h"

#define ZAV_GLOBAL_OF_ZAV_SETTING(type, name, start) \
  if constexpr (std::is_same_v<T, type>) {           \
    if (member == &Settings::name) return &::name;   \
  }
#define ZAV_GLOBAL_OF_ZAV_SETTING_ONLY(type, name, start)
#define ZAV_GLOBAL_OF_ZAV_NO_SETTING
#define ZAV_GLOBAL_OF_ROW(key, control, section, form, read, lo, hi, emptyAllowed, member) \
  ZAV_GLOBAL_OF_##member
#define ZAV_GLOBAL_OF_ITEM(member) ZAV_GLOBAL_OF_##member

template <class T>
T* settingsGlobal(T Settings::*member) {
  ZAV_INI_KEYS(ZAV_GLOBAL_OF_ROW)
  ZAV_SETTINGS_BESIDE(ZAV_GLOBAL_OF_ITEM)
  return nullptr;
}

template QString* settingsGlobal(QString Settings::*);
template int16_t* settingsGlobal(int16_t Settings::*);
template int32_t* settingsGlobal(int32_t Settings::*);
template double* settingsGlobal(double Settings::*);
template bool* settingsGlobal(bool Settings::*);
template valueType* settingsGlobal(valueType Settings::*);
template FileNamePair* settingsGlobal(FileNamePair Settings::*);

namespace {
QString Settings::*heldMember(QLatin1String key) {
  if (key == "zavLogFileName") return &Settings::zavLogFileName;
  if (key == "zavPlotFileName") return &Settings::zavPlotFileName;
  if (key == "iniFileName") return &Settings::iniFileName;
  if (key == "hlpFileName") return &Settings::hlpFileName;
  if (key == "pricePerkWh") return &Settings::pricePerkWh;
  return nullptr;
}

int dataFileSlot(QLatin1String key) {
  if (key == "zavDatFileName(0)") return 0;
  if (key == "zavDatFileName(1)") return 1;
  return -1;
}
}  // namespace

bool storeHeldText(Settings& s, QLatin1String key, const QString& text) {
  if (const int slot = dataFileSlot(key); slot >= 0) {
    s.zavDatFileName[slot] = text;
    ::zavDatFileName[slot] = text;
    return true;
  }
  QString Settings::*member = heldMember(key);
  if (!member) return false;
  storeSetting(s, member, text);
  return true;
}

QString heldText(const Settings& s, QLatin1String key) {
  if (const int slot = dataFileSlot(key); slot >= 0) return s.zavDatFileName[slot];
  QString Settings::*member = heldMember(key);
  return member ? s.*member : QString();
}

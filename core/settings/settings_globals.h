#pragma once
// Writing the typed settings. The settings globals of globals.h are views of
// the settings for the folders that still read them: each store writes the
// member and, when it has one, the global of the same name, at the moment the
// field rule writes it, as the rules always did. Nothing in core/ reads them.

#include <QLatin1String>

#include "core/settings/settings.h"

// The global of the same name as the member; nullptr for a member without one.
template <class T>
T* settingsGlobal(T Settings::*member);

template <class T, class V>
void storeSetting(Settings& s, T Settings::*member, V&& value) {
  s.*member = std::forward<V>(value);
  if (T* global = settingsGlobal(member)) *global = s.*member;
}

// The texts held outside the controls, named by their INI key ("zavDatFileName(0)",
// "zavLogFileName", "zavPlotFileName", "iniFileName", "hlpFileName", "pricePerkWh").
// False for any other key.
bool storeHeldText(Settings& s, QLatin1String key, const QString& text);
QString heldText(const Settings& s, QLatin1String key);

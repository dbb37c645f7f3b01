#include "core/settings/ini_keys.h"

#include <QHash>

namespace {
#define ZAV_INI_KEY_ROW(key, control, section, form, read, lo, hi, emptyAllowed, member) \
  {key, control, IniSection::section, IniForm::form, IniRead::read, lo, hi, emptyAllowed},
const IniKey kIniKeys[] = {ZAV_INI_KEYS(ZAV_INI_KEY_ROW)};
#undef ZAV_INI_KEY_ROW
}  // namespace

std::span<const IniKey> iniKeys() { return kIniKeys; }

const IniKey* findIniKey(const QString& key) {
  static const QHash<QString, const IniKey*> index = [] {
    QHash<QString, const IniKey*> h;
    for (const IniKey& k : kIniKeys) h.insert(QString::fromLatin1(k.key), &k);
    return h;
  }();
  return index.value(key);
}

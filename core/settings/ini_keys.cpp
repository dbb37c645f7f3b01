#include "core/settings/ini_keys.h"

#include <QHash>
#include <algorithm>

#include "core/settings/settings.h"

namespace {
using enum FieldRule;
using enum FieldEffect;

#define ZAV_MEMBER_ZAV_SETTING(type, name, start) \
  SettingRef { &Settings::name }
#define ZAV_MEMBER_ZAV_SETS(name) \
  SettingRef { &Settings::name }
#define ZAV_MEMBER_ZAV_SLOT(name, slot) \
  SettingRef { &Settings::name, slot }
#define ZAV_MEMBER_ZAV_NO_SETTING \
  SettingRef {}
#define ZAV_INI_KEY_ROW(key, control, section, form, read, lo, hi, emptyAllowed, rules, factory, member) \
  {key, control,      IniSection::section, IniForm::form, IniRead::read,      lo,                        \
   hi,  emptyAllowed, FieldRules(rules),   factory,       ZAV_MEMBER_##member},
constexpr IniKey kIniKeys[] = {ZAV_INI_KEYS(ZAV_INI_KEY_ROW)};
#undef ZAV_INI_KEY_ROW

template <class T>
constexpr bool holds(const SettingRef& r) {
  return std::holds_alternative<T Settings::*>(r.member);
}

// The member has the type the row's rule sets.
constexpr bool memberFits(const IniKey& k) {
  const SettingRef& m = k.member;
  switch (k.rules.rule) {
    case Nothing: return true;
    case ValueTypes:
    case WebServer: return std::holds_alternative<std::monostate>(m.member);
    case Held: return holds<QString>(m) || holds<FileNamePair>(m);
    case Locale: return holds<int16_t>(m) || holds<int32_t>(m) || holds<double>(m);
    case Prescale:
    case Option: return holds<int16_t>(m);
    case Size:
    case Whole:
    case DetectorVersion:
    case Colour:
    case Bits:
    case WebLogging: return holds<int32_t>(m);
    case Twin:
    case TwinInRange:
    case Interval:
    case ClockDivisor: return holds<double>(m);
    case NoBlanks:
    case Text:
    case WebPort: return holds<QString>(m);
    case Flag: return holds<bool>(m);
  }
  return false;
}
static_assert(std::ranges::all_of(kIniKeys, memberFits), "a row names a member its rule cannot set");

template <class Key>
QHash<QString, const IniKey*> indexBy(Key key) {
  QHash<QString, const IniKey*> h;
  for (const IniKey& k : kIniKeys)
    if (*key(k)) h.insert(QString::fromLatin1(key(k)), &k);
  return h;
}
}  // namespace

std::span<const IniKey> iniKeys() { return kIniKeys; }

const IniKey* findIniKey(const QString& key) {
  static const QHash<QString, const IniKey*> index = indexBy([](const IniKey& k) { return k.key; });
  return index.value(key);
}

const IniKey* findControlRow(const QString& control) {
  static const QHash<QString, const IniKey*> index = indexBy([](const IniKey& k) { return k.control; });
  return index.value(control);
}

const IniKey* twinRow(const IniKey& row) {
  const auto isTwin = [](const IniKey& k) {
    return k.rules.rule == FieldRule::Twin || k.rules.rule == FieldRule::TwinInRange;
  };
  if (!isTwin(row)) return nullptr;
  for (const IniKey& k : kIniKeys)
    if (&k != &row && isTwin(k) && k.member.member == row.member.member) return &k;
  return nullptr;
}

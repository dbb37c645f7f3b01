#include "core/settings/settings.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "core/util/number_text.h"
#include "core/util/text_helpers.h"

WebPortSetting webPortFromText(const QString& text) {
  if (text.isEmpty()) return {};
  const double number = std::trunc(val(text));
  WebPortSetting s;
  s.accepted = number >= 80 && number <= kMaxTcpPort;
  s.port = int32_t(std::trunc(std::clamp(val(text), -1.0, kMaxTcpPort + 1.0)));
  if (s.port == 0) s.port = 80;
  return s;
}

namespace {
// The member a held text's row names; nullptr for a key that holds no text.
template <class S>
auto* heldMember(S& s, QLatin1String key) {
  using Text = std::conditional_t<std::is_const_v<S>, const QString, QString>;
  const IniKey* k = findIniKey(key);
  Text* text = nullptr;
  if (!k || k->rules.rule != FieldRule::Held) return text;
  if (const auto* m = std::get_if<QString Settings::*>(&k->member.member)) text = &(s.**m);
  if (const auto* pair = std::get_if<FileNamePair Settings::*>(&k->member.member))
    text = &(s.**pair)[k->member.slot];
  return text;
}
}  // namespace

bool storeHeldText(Settings& s, QLatin1String key, const QString& text) {
  QString* held = heldMember(s, key);
  if (held) *held = text;
  return held;
}

QString heldText(const Settings& s, QLatin1String key) {
  const QString* held = heldMember(s, key);
  return held ? *held : QString();
}

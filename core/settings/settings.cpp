#include "core/settings/settings.h"

#include <algorithm>
#include <cmath>

#include "core/util/number_text.h"

WebPortSetting webPortFromText(const QString& text) {
  if (text.isEmpty()) return {};
  const double number = std::trunc(val(text));
  WebPortSetting s;
  s.accepted = number >= 80 && number <= 65535;
  s.port = int32_t(std::trunc(std::clamp(val(text), -1.0, 65536.0)));
  if (s.port == 0) s.port = 80;
  return s;
}

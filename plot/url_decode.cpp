#include "plot/url_decode.h"

namespace {
int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}
}  // namespace

QString urlDecode(const QString& text) {
  QString s = text;
  s.replace(u'+', u' ');
  QString out;
  out.reserve(s.size());
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (i >= n - 2 || s[i] != u'%') {
      out += s[i];
      continue;
    }
    const int hi = hexDigit(s[i + 1]);
    const int lo = hexDigit(s[i + 2]);
    const int code = hi < 0 ? 0 : lo < 0 ? hi : hi * 16 + lo;
    out += QChar(char16_t(code));
    i += 2;
  }
  return out;
}

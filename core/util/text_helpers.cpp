#include "core/util/text_helpers.h"

#include <algorithm>

#include "core/util/format_pattern.h"
#include "core/util/number_text.h"

namespace {
QString trimBlanks(const QString& s) {
  qsizetype b = 0, e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  return s.mid(b, e - b);
}

void trimLeadingBlanks(QString& s) {
  qsizetype b = 0;
  while (b < s.size() && s[b] == u' ') ++b;
  s.remove(0, b);
}

QString hexTail(int32_t value, int width) {
  const QString h = QString::number(static_cast<uint32_t>(value), 16).toUpper();
  return h.size() >= width ? h.right(width) : h.rightJustified(width, u'0');
}
}  // namespace

QString stripComment(const QString& line) {
  QString s = trimBlanks(line);
  const qsizetype semi = s.indexOf(u';');
  if (semi >= 0) s.truncate(semi);
  s = trimBlanks(s);
  for (QChar& c : s)
    if (c.unicode() < 32) c = u' ';
  return trimBlanks(s);
}

QString commaToPoint(const QString& text) {
  QString s = text;
  return s.replace(u',', u'.');
}

QString removeBlanks(const QString& text) {
  QString s = text;
  s.remove(u' ');
  s.remove(QChar(0xA0));
  return s;
}

QString nextToken(QString& text) {
  QString token;
  if (text.startsWith(u'"')) {
    const qsizetype close = text.indexOf(u'"', 1);
    if (close < 0) {
      token = text.mid(1);
      text.clear();
    } else {
      token = text.mid(1, close - 1);
      text.remove(0, close + 1);
    }
  } else {
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0) {
      token = text;
      text.clear();
    } else {
      token = text.left(blank);
      text.remove(0, blank);
    }
  }
  trimLeadingBlanks(text);
  return token;
}

QString splitFirstLine(QString& text) {
  const qsizetype crlf = text.indexOf(kCrLf);
  QString first;
  if (crlf < 0) {
    first = text;
    text.clear();
  } else {
    first = text.left(crlf);
    text.remove(0, crlf + 2);
  }
  return first;
}

QString formatRight(double value, const QString& format) {
  return formatNumber(value, format).rightJustified(format.size(), u' ');
}

QString bitsToText(int n, int32_t value) {
  n = std::clamp(n, 0, 32);
  QString s(n, u'0');
  const uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < n; ++i)
    if (u >> (n - 1 - i) & 1u) s[i] = u'1';
  return s;
}

int32_t binTextToValue(const QString& text) {
  uint32_t v = 0;
  const qsizetype n = text.size();
  for (qsizetype k = 0; k < n && k < 32; ++k)
    if (text[n - 1 - k] == u'1') v |= 1u << k;
  return static_cast<int32_t>(v);
}

QString hex2(int32_t value) { return hexTail(value, 2); }
QString hex4(int32_t value) { return hexTail(value, 4); }

QString escapeControls(QStringView text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 32 || (u >= 127 && u < 160))
      out += QStringLiteral("\\x") + hex2(u);
    else
      out += c;
  }
  return out;
}

QString bytesToHex(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size() * 3);
  for (const char c : bytes) out += hex2(static_cast<uint8_t>(c)) + u' ';
  return out;
}

QString bytesToHex(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (const QChar c : text) {
    bytes += static_cast<char>(c.unicode() & 0xFF);
    bytes += static_cast<char>(c.unicode() >> 8);
  }
  return bytesToHex(bytes);
}

Result<Date> dateTimeFromText(const QString& text) {
  const Failure refused(u'\'' + text + QStringLiteral("' is not a date and time"));
  if (text.size() < 10) return refused;
  QString s = text;
  s.replace(u'T', u' ');
  auto field = [&s](int from, int len) {
    const double v = val(s.mid(from - 1, len));
    const double r = roundHalfEven(v);
    return r >= -2e9 && r <= 2e9 ? static_cast<int>(r) : 0;
  };
  Date d;
  if (!dateSerial(field(1, 4), field(6, 2), field(9, 2), d)) return refused;
  if (s.size() >= 12) {
    const double t = timeSerial(field(12, 2), field(15, 2), field(18, 2));
    // The time carries into the date the way adding two dates does.
    d = d >= 0 ? d + t : d - t;
  }
  return d;
}

QString ipLinkText(const QString& address, int port) {
  return port == 80 ? address : address + u':' + QString::number(port);
}

#include "core/util/format_pattern.h"

#include <QHash>
#include <QLocale>
#include <QStringList>
#include <cmath>

namespace {

// Splits a pattern into sections at ";" outside quotes.
QStringList sections(const QString& pattern) {
  QStringList out;
  QString cur;
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'"') quoted = !quoted;
    if (c == u';' && !quoted) {
      out << cur;
      cur.clear();
    } else {
      cur += c;
      if (c == u'\\' && i + 1 < pattern.size()) cur += pattern[++i];
    }
  }
  out << cur;
  return out;
}

// round(a * 10^fracDigits) half away from zero, as decimal digits, from the
// value's 15 significant digits (so 2.675 rounds up as typed, not as stored).
QString roundedDigits(double a, int fracDigits) {
  if (!std::isfinite(a) || a == 0) return QStringLiteral("0");
  // Whole numbers below 10^15 are their own 15 significant digits.
  if (a < 1e15 && a == std::floor(a)) {
    QString whole = QString::number(static_cast<qint64>(a));
    if (fracDigits > 0) whole += QString(fracDigits, u'0');
    return whole;
  }
  const QString e = QString::number(a, 'e', 14);  // d.dddddddddddddde+XX
  const qsizetype ePos = e.indexOf(u'e');
  QString mant = e.left(ePos);
  mant.remove(1, 1);
  const int k = e.mid(ePos + 1).toInt() - 14 + fracDigits;
  if (k >= 0) return mant + QString(k, u'0');
  const int drop = -k;
  if (drop > mant.size()) return QStringLiteral("0");
  QString keep = mant.left(mant.size() - drop);
  if (mant[mant.size() - drop] >= u'5') {
    qsizetype i = keep.size() - 1;
    for (; i >= 0 && keep[i] == u'9'; --i) keep[i] = u'0';
    if (i >= 0)
      keep[i] = QChar(keep[i].unicode() + 1);
    else
      keep.prepend(u'1');
  }
  while (keep.size() > 1 && keep[0] == u'0') keep.remove(0, 1);
  return keep.isEmpty() ? QStringLiteral("0") : keep;
}

struct Token {
  bool placeholder;
  QChar ch;  // '0' or '#' for placeholders, else the literal character
};

// Tokenises one section part (integer or fraction), resolving quotes and escapes.
QList<Token> tokens(const QString& part, bool* grouping) {
  QList<Token> out;
  bool quoted = false;
  for (qsizetype i = 0; i < part.size(); ++i) {
    const QChar c = part[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (quoted) {
      out.append({false, c});
    } else if (c == u'\\' && i + 1 < part.size()) {
      out.append({false, part[++i]});
    } else if (c == u'0' || c == u'#') {
      out.append({true, c});
    } else if (c == u',' && grouping) {
      *grouping = true;
    } else {
      out.append({false, c});
    }
  }
  return out;
}

// A section taken apart once; the panels format the same few patterns for every reading.
struct ParsedSection {
  qsizetype dot = -1;
  bool grouping = false;
  QList<Token> intToks, fracToks;
  int fracDigits = 0, intZeros = 0, intPlaces = 0;
};

ParsedSection parseSection(const QString& section) {
  ParsedSection p;
  qsizetype& dot = p.dot;
  bool quoted = false;
  for (qsizetype i = 0; i < section.size(); ++i) {
    if (section[i] == u'"') quoted = !quoted;
    if (section[i] == u'\\') {
      ++i;
      continue;
    }
    if (!quoted && section[i] == u'.') {
      dot = i;
      break;
    }
  }
  p.intToks = tokens(dot < 0 ? section : section.left(dot), &p.grouping);
  if (dot >= 0) p.fracToks = tokens(section.mid(dot + 1), nullptr);
  for (const Token& t : p.fracToks) p.fracDigits += t.placeholder;
  for (const Token& t : p.intToks)
    if (t.placeholder) {
      ++p.intPlaces;
      if (t.ch == u'0' || p.intZeros) ++p.intZeros;  // digits from the first '0' on are shown
    }
  return p;
}

const ParsedSection& parsedSection(const QString& section) {
  // Each thread keeps its own: pictures are drawn on worker threads too.
  thread_local QHash<QString, ParsedSection> cache;
  auto it = cache.constFind(section);
  if (it == cache.constEnd()) {
    if (cache.size() > 256) cache.clear();
    it = cache.insert(section, parseSection(section));
  }
  return *it;
}

QString formatSection(double v, const QString& section, bool negativeSign) {
  const QLocale loc = QLocale::system();
  const ParsedSection& p = parsedSection(section);
  const qsizetype dot = p.dot;
  const bool grouping = p.grouping;
  const QList<Token>& intToks = p.intToks;
  const QList<Token>& fracToks = p.fracToks;
  const int fracDigits = p.fracDigits, intZeros = p.intZeros, intPlaces = p.intPlaces;

  const double r = std::fabs(v);
  QString digits = roundedDigits(r, fracDigits);
  while (digits.size() <= fracDigits) digits.prepend(u'0');
  QString intDigits = digits.left(digits.size() - fracDigits);
  const QString fracPart = digits.right(fracDigits);
  if (intDigits == u"0" && intZeros == 0) intDigits.clear();
  while (intDigits.size() < intZeros) intDigits.prepend(u'0');
  if (grouping && !intDigits.isEmpty()) {
    const QString sep = loc.groupSeparator();
    for (qsizetype i = intDigits.size() - 3; i > 0; i -= 3) intDigits.insert(i, sep);
  }

  // Merge the integer digits into the pattern from the right; the leftmost
  // placeholder takes all remaining digits.
  QString intOut;
  {
    qsizetype d = intDigits.size();
    int placeSeen = 0;
    for (qsizetype i = intToks.size() - 1; i >= 0; --i) {
      const Token& t = intToks[i];
      if (!t.placeholder) {
        intOut.prepend(t.ch);
        continue;
      }
      ++placeSeen;
      if (placeSeen == intPlaces) {
        intOut.prepend(intDigits.left(d));
        d = 0;
      } else if (d > 0) {
        // A grouping separator counts with the digit it precedes.
        qsizetype take = 1;
        if (d >= 2 && !intDigits[d - 1].isDigit()) take = 2;
        intOut.prepend(intDigits.mid(d - take, take));
        d -= take;
      }
    }
    // Without any digit place ("+;-;") the section is its literal text alone.
    if (intPlaces == 0 && dot >= 0) intOut.prepend(intDigits);
  }
  QString fracOut;
  if (dot >= 0) {
    // Optional digits ('#') drop trailing zeros.
    int keep = fracDigits;
    int idx = fracDigits;
    for (qsizetype i = fracToks.size() - 1; i >= 0; --i) {
      if (!fracToks[i].placeholder) continue;
      --idx;
      if (fracToks[i].ch == u'#' && keep == idx + 1 && fracPart[idx] == u'0') keep = idx;
    }
    int k = 0;
    for (const Token& t : fracToks) {
      if (!t.placeholder) {
        fracOut += t.ch;
      } else {
        if (k < keep) fracOut += fracPart[k];
        ++k;
      }
    }
    fracOut.prepend(loc.decimalPoint());
  }
  QString out = intOut + fracOut;
  if (negativeSign && digits.count(u'0') != digits.size()) out.prepend(u'-');
  return out;
}

QString pad2(int v) { return QString::number(v).rightJustified(2, u'0'); }

}  // namespace

QString formatNumber(double v, const QString& pattern) {
  if (pattern.isEmpty()) return strPlain(v);
  thread_local QHash<QString, QStringList> cache;
  auto it = cache.constFind(pattern);
  if (it == cache.constEnd()) {
    if (cache.size() > 256) cache.clear();
    it = cache.insert(pattern, sections(pattern));
  }
  const QStringList secs = *it;
  if (v < 0 && secs.size() >= 2 && !secs[1].isEmpty()) return formatSection(v, secs[1], false);
  // An empty zero section after two others shows zero as nothing ("+;-;").
  if (v == 0 && secs.size() >= 3) return secs[2].isEmpty() ? QString() : formatSection(v, secs[2], false);
  return formatSection(v, secs[0], v < 0);
}

QString formatDate(Date d, const QString& pattern) {
  const DateParts p = dateParts(d);
  QString out;
  bool lastWasHour = false;
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i].toLower();
    qsizetype run = 1;
    while (i + run < pattern.size() && pattern[i + run].toLower() == c) ++run;
    auto next = [&] {
      // Is the next non-literal field seconds? Then "m" means minutes.
      for (qsizetype j = i + run; j < pattern.size(); ++j) {
        const QChar n = pattern[j].toLower();
        if (n == u's') return true;
        if (n == u'y' || n == u'd' || n == u'h' || n == u'm' || n == u'n') return false;
      }
      return false;
    };
    if (c == u'y') {
      out += run >= 3 ? QString::number(p.year) : pad2(p.year % 100);
    } else if (c == u'm') {
      const bool minutes = lastWasHour || next();
      const int v = minutes ? p.minute : p.month;
      out += run >= 2 ? pad2(v) : QString::number(v);
    } else if (c == u'd') {
      out += run >= 2 ? pad2(p.day) : QString::number(p.day);
    } else if (c == u'h') {
      out += run >= 2 ? pad2(p.hour) : QString::number(p.hour);
    } else if (c == u'n') {
      out += run >= 2 ? pad2(p.minute) : QString::number(p.minute);
    } else if (c == u's') {
      out += run >= 2 ? pad2(p.second) : QString::number(p.second);
    } else {
      out += pattern.mid(i, run);
    }
    if (c == u'h')
      lastWasHour = true;
    else if (c != u':' && c != u' ')
      lastWasHour = false;
    i += run;
  }
  return out;
}

QString generalDate(Date d) {
  const double whole = std::trunc(d);
  const bool hasTime = std::fabs(d - whole) * kSecondsPerDay >= 0.5;
  if (whole == 0 && hasTime) return formatDate(d, kTimeFormat);
  if (!hasTime) return formatDate(d, kDateFormat);
  return formatDate(d, kDateTimeFormat);
}

QString strPlain(double v) {
  if (v == 0) return QStringLiteral("0");
  QString s = QString::number(v, 'g', 15);
  // Exponent form with its sign and at least two digits: 1E+15, 1E-05.
  const qsizetype e = s.indexOf(u'e');
  if (e >= 0) {
    QString mant = s.left(e);
    QString exp = s.mid(e + 1);
    const QChar sign = exp[0] == u'-' ? u'-' : u'+';
    if (exp[0] == u'-' || exp[0] == u'+') exp.remove(0, 1);
    while (exp.size() > 2 && exp[0] == u'0') exp.remove(0, 1);
    exp = exp.rightJustified(2, u'0');
    s = mant + u'E' + sign + exp;
  }
  return s;
}

QString strSigned(double v) {
  QString s = strPlain(v);
  // The display form drops the leading zero of a pure fraction (" .5").
  if (s.startsWith(u"0."))
    s.remove(0, 1);
  else if (s.startsWith(u"-0."))
    s.remove(1, 1);
  return v < 0 ? s : u' ' + s;
}

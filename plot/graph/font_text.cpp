#include "plot/graph/font_text.h"

#include <QStringList>
#include <algorithm>

#include "core/util/number_text.h"
#include "plot/graph/picture_canvas.h"

namespace {

constexpr double kDefaultPoints = 8;
constexpr double kMinPoints = 4;
constexpr double kMaxPoints = 2160;
// At this size or below only the small bitmap font stays legible.
constexpr double kSmallFontPoints = 7;
const char* const kSmallFontName = "Small Fonts";

// An item that begins one of the style words, case ignored; an empty item
// begins every word, so it switches bold on.
bool beginsWord(const QString& item, const char* word) {
  return QString::fromLatin1(word).startsWith(item, Qt::CaseInsensitive);
}

}  // namespace

void parseFontSpec(const QString& fontText, PictureCanvas& picture) {
  if (fontText.isEmpty()) return;
  QStringList items = fontText.split(u',');
  for (QString& item : items) item = item.trimmed();

  QString name = items[0].isEmpty() ? picture.fontName() : items[0];
  bool bold = false, underline = false, italic = false;
  double size = kDefaultPoints, largest = kMaxPoints;
  int numbers = 0;
  for (qsizetype i = 1; i < items.size(); ++i) {
    const QString& item = items[i];
    if (beginsWord(item, "bold")) {
      bold = true;
    } else if (beginsWord(item, "underline")) {
      underline = true;
    } else if (beginsWord(item, "italic")) {
      italic = true;
    } else {
      QString text = item;
      double v = val(text.replace(u'%', u' '));
      if (item.contains(u'%')) v /= 100;
      (numbers++ == 0 ? size : largest) = v;
    }
  }
  if (size > 0 && size < 1) {
    const int16_t mode = picture.scaleMode();
    const double byHeight = picture.scaleY(picture.scaleHeight() * size, mode, kScalePoints);
    const double byWidth = picture.scaleX(picture.scaleWidth() * size, mode, kScalePoints);
    size = std::min(std::abs(byHeight), std::abs(byWidth));
  }
  if (size < kMinPoints) size = kMinPoints;
  if (size > largest) size = largest;
  if (size > kMaxPoints) size = kMaxPoints;
  if (size <= kSmallFontPoints) name = QString::fromLatin1(kSmallFontName);

  if (size < kDefaultPoints) {
    picture.setFontSize(size);
    picture.setFontName(name);
    picture.setFontSize(size);
  } else {
    picture.setFontName(name);
    picture.setFontSize(size);
  }
  picture.setFontUnderline(underline);
  picture.setFontBold(bold);
  picture.setFontItalic(italic);
}

#include "imaging/dib_bits.h"

#include <cstring>

#include "imaging/lzw_encoder.h"

namespace {
// Maps up to 256 colours to table indices; gives up when a 257th appears.
class ExactColourTable {
 public:
  int find(QRgb colour) {
    uint32_t h = (colour * 2654435761u) >> (32 - kBits);
    while (m_used[h]) {
      if (m_keys[h] == colour) return m_values[h];
      h = (h + 1) & (kSlots - 1);
    }
    if (m_count == 256) return -1;
    m_used[h] = true;
    m_keys[h] = colour;
    m_values[h] = uint8_t(m_count);
    m_colours[size_t(m_count)] = colour;
    return m_count++;
  }
  int count() const { return m_count; }
  QRgb colour(int i) const { return m_colours[size_t(i)]; }

 private:
  static constexpr int kBits = 10, kSlots = 1 << kBits;
  std::array<bool, kSlots> m_used{};
  std::array<QRgb, kSlots> m_keys{};
  std::array<uint8_t, kSlots> m_values{};
  std::array<QRgb, 256> m_colours{};
  int m_count = 0;
};

RgbQuad quadOf(QRgb c) {
  return RgbQuad{.rgbBlue = uint8_t(qBlue(c)), .rgbGreen = uint8_t(qGreen(c)), .rgbRed = uint8_t(qRed(c))};
}

// Writes one byte per pixel at out (rows rowBytes apart); false at a 257th colour.
bool mapExactly(const QImage& rgb, ExactColourTable& table, uint8_t* out, qsizetype rowBytes) {
  const int w = rgb.width(), h = rgb.height();
  for (int y = 0; y < h; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uint8_t* dst = out + qsizetype(y) * rowBytes;
    QRgb last = ~line[0];
    int lastIndex = 0;
    for (int x = 0; x < w; ++x) {
      const QRgb c = line[x] | 0xFF000000u;  // a device picture has no transparency
      if (c != last) {
        lastIndex = table.find(c);
        if (lastIndex < 0) return false;
        last = c;
      }
      dst[x] = uint8_t(lastIndex);
    }
  }
  return true;
}
}  // namespace

BitmapInfo makeBitmapInfo8(int32_t width, int32_t height) {
  BitmapInfo info;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biSizeImage = dibRowBytes(8, width) * height;
  return info;
}

int32_t getDibBits8(const QImage& image, BitmapInfo& info, QByteArray& pixels) {
  if (image.isNull()) return 0;
  const int w = image.width(), h = image.height();
  const int32_t rowBytes = dibRowBytes(8, w);
  info.bmiColors.fill(RgbQuad{});
  pixels.fill('\0', qsizetype(rowBytes) * h);
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  ExactColourTable exact;
  if (mapExactly(rgb, exact, reinterpret_cast<uint8_t*>(pixels.data()), rowBytes)) {
    for (int i = 0; i < exact.count(); ++i) info.bmiColors[size_t(i)] = quadOf(exact.colour(i));
    return h;
  }

  info.bmiColors.fill(RgbQuad{});
  const QImage indexed = rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  const QVector<QRgb> table = indexed.colorTable();
  for (int i = 0; i < table.size() && i < 256; ++i) info.bmiColors[size_t(i)] = quadOf(table[i]);
  for (int y = 0; y < h; ++y)
    std::memcpy(pixels.data() + qsizetype(y) * rowBytes, indexed.constScanLine(y), size_t(w));
  return h;
}

QImage exactlyIndexed8(const QImage& image) {
  if (image.isNull() || image.hasAlphaChannel()) return QImage();
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  QImage indexed(rgb.size(), QImage::Format_Indexed8);
  ExactColourTable exact;
  if (!mapExactly(rgb, exact, indexed.bits(), indexed.bytesPerLine())) return QImage();
  QVector<QRgb> colours(exact.count());
  for (int i = 0; i < exact.count(); ++i) colours[i] = exact.colour(i);
  indexed.setColorTable(colours);
  return indexed;
}

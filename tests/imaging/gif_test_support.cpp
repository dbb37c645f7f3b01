#include "imaging/gif_test_support.h"

#include <QProcess>
#include <QTemporaryDir>

#include "imaging/lzw_encoder.h"
#include "support/outside_tool.h"

GifDib makeGifDib(int width, int height, const std::function<uint8_t(int, int)>& index) {
  GifDib dib;
  dib.info = makeBitmapInfo8(width, height);
  dib.info.bmiHeader.biClrUsed = 256;
  for (int i = 0; i < 256; ++i)
    dib.info.bmiColors[size_t(i)] =
        RgbQuad{.rgbBlue = uint8_t(i / 2), .rgbGreen = uint8_t(255 - i), .rgbRed = uint8_t(i)};
  const int rowBytes = dibRowBytes(8, width);
  dib.pixels = QByteArray(qsizetype(rowBytes) * height, char(0xEE));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) dib.pixels[qsizetype(y) * rowBytes + x] = char(index(x, y));
  return dib;
}

QByteArray unpaddedIndices(const GifDib& dib) {
  const int w = dib.info.bmiHeader.biWidth, h = -dib.info.bmiHeader.biHeight;
  QByteArray out;
  for (int y = 0; y < h; ++y) out += dib.pixels.mid(qsizetype(y) * dibRowBytes(8, w), w);
  return out;
}

bool gifImageData(const QByteArray& gif, QByteArray& data, QVector<int>* blockLengths) {
  qsizetype pos = 13 + 768 + 10 + 1;  // header, table, image descriptor, minimum code size
  data.clear();
  while (pos < gif.size()) {
    const int len = uint8_t(gif[pos++]);
    if (len == 0) return pos == gif.size() - 1 && gif.back() == char(0x3B);
    if (blockLengths) blockLengths->append(len);
    if (pos + len > gif.size()) return false;
    data += gif.mid(pos, len);
    pos += len;
  }
  return false;
}

uint32_t readBits(const QByteArray& data, int64_t& bitPos, int width) {
  uint32_t v = 0;
  for (int i = 0; i < width; ++i, ++bitPos) {
    const int64_t byte = bitPos / 8;
    if (byte < data.size() && (uint8_t(data[qsizetype(byte)]) >> (bitPos % 8) & 1)) v |= 1u << i;
  }
  return v;
}

QByteArray giflibIndices(const QByteArray& gif, QString& skipReason) {
  const QString giftext = outsideTool({"giftext"});
  if (giftext.isEmpty()) {
    skipReason = QStringLiteral("giftext (giflib-tools) is not installed");
    return {};
  }
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("t.gif")));
  if (!file.open(QIODevice::WriteOnly) || file.write(gif) != gif.size()) return {};
  file.close();
  QProcess p;
  p.start(giftext, {QStringLiteral("-r"), file.fileName()});
  p.waitForFinished(60000);
  return p.readAllStandardOutput();
}

QImage chartLike() {
  QImage img(64, 40, QImage::Format_RGB32);
  img.fill(Qt::white);
  for (int x = 0; x < 64; ++x) img.setPixel(x, 20 + (x % 7), qRgb(255, 0, 0));
  return img;
}

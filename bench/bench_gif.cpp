// The GIF encoder against giflib on the same 8-bit pictures: a 640x480 chart with
// few colours and a noisy 256-colour picture, each encoded 200 times. Without
// giflib the baseline is a plain copy of the pixels. Run: build/bench/bench_gif [rounds]
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/dib_bits.h"
#include "imaging/gif_encoder.h"
#include "imaging/gif_output.h"
#include "imaging/lzw_encoder.h"

#ifdef ZAV_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace {
constexpr int kWidth = 640, kHeight = 480;

QImage chartImage() {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(220, 220, 220));
  for (int x = 60; x < kWidth - 20; x += 40) p.drawLine(x, 20, x, kHeight - 40);
  for (int y = 20; y < kHeight - 40; y += 30) p.drawLine(60, y, kWidth - 20, y);
  p.setPen(Qt::black);
  p.drawRect(60, 20, kWidth - 80, kHeight - 60);
  QPolygon power, temp;
  for (int x = 61; x < kWidth - 20; ++x) {
    power << QPoint(x, 250 + int(120 * std::sin(x / 37.0) * std::cos(x / 11.0)));
    temp << QPoint(x, 120 + int(30 * std::sin(x / 90.0)));
  }
  p.setPen(QPen(Qt::red, 2));
  p.drawPolyline(power);
  p.setPen(QPen(Qt::blue, 1));
  p.drawPolyline(temp);
  p.fillRect(kWidth - 140, 30, 100, 40, QColor(255, 255, 225));
  return img;
}

QImage noisyImage() {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  QRandomGenerator rng(7);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const int i = int(rng.bounded(256));
      img.setPixel(x, y, qRgb(i, (i * 7) & 255, 255 - i));
    }
  return img;
}

#ifdef ZAV_HAVE_GIFLIB
int appendToVector(GifFileType* gif, const GifByteType* bytes, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + n);
  return n;
}

size_t giflibEncode(const BitmapInfo& info, const QByteArray& pixels, std::vector<uint8_t>& out) {
  out.clear();
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendToVector, &error);
  GifColorType colours[256];
  for (int i = 0; i < 256; ++i)
    colours[i] = GifColorType{info.bmiColors[size_t(i)].rgbRed, info.bmiColors[size_t(i)].rgbGreen,
                              info.bmiColors[size_t(i)].rgbBlue};
  ColorMapObject* map = GifMakeMapObject(256, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map);
  EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr);
  const int rowBytes = dibRowBytes(8, kWidth);
  for (int y = 0; y < kHeight; ++y)
    EGifPutLine(gif, reinterpret_cast<GifPixelType*>(const_cast<char*>(pixels.constData())) + y * rowBytes, kWidth);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out.size();
}
#endif

void run(const char* name, const QImage& image, int rounds) {
  const GifPicture dib = imageToGifDib(image).valueOr({});
  const BitmapInfo& info = dib.info;
  const QByteArray& pixels = dib.pixels;
  QByteArray ours;
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < rounds; ++i) {
    ours.clear();
    ByteArrayGifOutput out(ours);
    if (!writeGifTo(out, false, info, pixels)) std::abort();
  }
  const double ourMs = t.nsecsElapsed() / 1e6;
#ifdef ZAV_HAVE_GIFLIB
  std::vector<uint8_t> theirs;
  t.restart();
  for (int i = 0; i < rounds; ++i) giflibEncode(info, pixels, theirs);
  const double baseMs = t.nsecsElapsed() / 1e6;
  std::printf("BENCH gif_%s_vs_giflib ours_ms=%.1f giflib_ms=%.1f bytes=%lld giflib_bytes=%zu ratio=%.3f size=%.4f\n",
              name, ourMs, baseMs, qlonglong(ours.size()), theirs.size(), ourMs / baseMs,
              double(ours.size()) / double(theirs.size()));
#else
  std::vector<char> copy(size_t(pixels.size()));
  t.restart();
  for (int i = 0; i < rounds; ++i) {
    std::memcpy(copy.data(), pixels.constData(), copy.size());
    asm volatile("" ::"r"(copy.data()) : "memory");
  }
  const double baseMs = std::max(t.nsecsElapsed() / 1e6, 1e-3);
  std::printf("BENCH gif_%s_vs_memcpy ours_ms=%.1f memcpy_ms=%.3f bytes=%lld ratio=%.1f (giflib not found)\n", name,
              ourMs, baseMs, qlonglong(ours.size()), ourMs / baseMs);
#endif
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  run("chart", chartImage(), rounds);
  run("noisy", noisyImage(), rounds);
  return 0;
}

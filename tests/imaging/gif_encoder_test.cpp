// The GIF encoder's bytes against hand-computed layouts, and round trips through
// decoders that share no code with it (Qt's GIF reader, giflib's giftext).
#include "imaging/gif_encoder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <unordered_map>

#include "imaging/file_support.h"
#include "imaging/gif_output.h"
#include "imaging/gif_test_support.h"
#include "imaging/lzw_encoder.h"
#include "support/log_capture.h"
#include "support/outside_tool.h"

namespace {
QByteArray encode(const GifDib& dib, bool interlaced = false) {
  QByteArray gif;
  ByteArrayGifOutput out(gif);
  const Result<int32_t> n = writeGifTo(out, interlaced, dib.info, dib.pixels);
  EXPECT_EQ(n.valueOr(-1), gif.size());
  return gif;
}

QByteArray qtIndices(const QByteArray& gif, const GifDib& dib) {
  const QImage img = QImage::fromData(gif, "GIF");
  QByteArray out;
  if (img.isNull()) return out;
  // Colour i was (i, 255 - i, i / 2): the green channel gives the index back.
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) out += char(255 - qGreen(img.pixel(x, y)));
  EXPECT_EQ(img.width(), dib.info.bmiHeader.biWidth);
  return out;
}

void expectRoundTrip(const GifDib& dib, const char* what) {
  const QByteArray gif = encode(dib);
  const QByteArray expected = unpaddedIndices(dib);
  EXPECT_EQ(qtIndices(gif, dib), expected) << what << ": Qt's reader";
  QString skip;
  const QByteArray giflib = giflibIndices(gif, skip);
  if (skip.isEmpty()) {
    EXPECT_EQ(giflib, expected) << what << ": giftext";
  }
}

// The codes of a run of one colour, written by hand from the format's rules: data code j after a
// clear covers j pixels; the code that adds entry 2^w is the last one of width w; after entry 4094
// a clear follows at width 12.
struct CodeAt {
  uint32_t code;
  int width;
};
QVector<CodeAt> singleColourCodes(int64_t pixels) {
  const auto widthOf = [](int j) { return j <= 255 ? 9 : j <= 767 ? 10 : j <= 1791 ? 11 : 12; };
  QVector<CodeAt> codes{{256, 9}};
  int j = 1;
  while (pixels > 0) {
    const int64_t run = std::min<int64_t>(j, pixels);
    codes.append({run == 1 ? 0u : uint32_t(256 + run), widthOf(j)});
    pixels -= run;
    if (j == 3837) {
      codes.append({256, 12});
      j = 1;
    } else {
      ++j;
    }
  }
  codes.append({257, j == 1 ? 9 : widthOf(j)});
  return codes;
}

// The packed code stream (sub-blocks joined) of 8-bit indices, coded from the format's rules with a
// plain map and shared with nothing in the encoder: each data code sent makes the next entry, code
// 2^w is the last of width w, and after entry 4094 a clear empties the dictionary.
QByteArray referenceCodeStream(const QByteArray& indices) {
  constexpr int kClear = 256, kEnd = 257, kFirst = 258;
  std::unordered_map<uint32_t, int> dictionary;
  QByteArray out;
  uint64_t pending = 0;
  int pendingBits = 0, width = 9, next = kFirst;
  const auto put = [&](int code) {
    pending |= uint64_t(code) << pendingBits;
    for (pendingBits += width; pendingBits >= 8; pendingBits -= 8, pending >>= 8) out += char(pending & 0xFF);
  };
  const auto codeSent = [&] {
    if (next == 1 << width) ++width;
    if (++next == 4095) {
      put(kClear);
      dictionary.clear();
      width = 9;
      next = kFirst;
    }
  };
  put(kClear);
  int prefix = uint8_t(indices[0]);
  for (qsizetype i = 1; i < indices.size(); ++i) {
    const uint32_t key = uint32_t(prefix) << 8 | uint8_t(indices[i]);
    const auto found = dictionary.find(key);
    if (found != dictionary.end()) {
      prefix = found->second;
      continue;
    }
    put(prefix);
    dictionary[key] = next;
    codeSent();
    prefix = uint8_t(indices[i]);
  }
  put(prefix);
  codeSent();
  put(kEnd);
  if (pendingBits > 0) out += char(pending & 0xFF);
  return out;
}

// The indices in the order an interlaced GIF sends its rows.
QByteArray interlacedIndices(const GifDib& dib) {
  const int w = dib.info.bmiHeader.biWidth, h = -dib.info.bmiHeader.biHeight;
  const QByteArray rows = unpaddedIndices(dib);
  QByteArray out;
  for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
    for (int y = first; y < h; y += step) out += rows.mid(qsizetype(y) * w, w);
  return out;
}
}  // namespace

TEST(GifEncoder, codeStreamIsExactlyTheDictionaryCodersOnManyPictures) {
  QRandomGenerator rng(20240612);
  struct Row {
    const char* name;
    int width, height;
    std::function<uint8_t(int, int)> index;
    bool interlaced;
  };
  const Row rows[] = {
      {"256-colour noise, a clear every few thousand pixels", 640, 480,
       [&](int, int) { return uint8_t(rng.bounded(256)); }, false},
      {"4-colour noise, long strings over many clears", 640, 480, [&](int, int) { return uint8_t(rng.bounded(4)); },
       false},
      {"chart-like runs with specks", 640, 480,
       [&](int x, int y) { return uint8_t(rng.bounded(50) == 0 ? rng.bounded(256) : (x / 40 + y / 30) % 3); },
       false},
      {"noise in rows that are not a multiple of four", 97, 61, [&](int, int) { return uint8_t(rng.bounded(256)); },
       false},
      {"interlaced noise", 101, 83, [&](int, int) { return uint8_t(rng.bounded(16)); }, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const GifDib dib = makeGifDib(r.width, r.height, r.index);
    QByteArray data;
    ASSERT_TRUE(gifImageData(encode(dib, r.interlaced), data));
    const QByteArray want = referenceCodeStream(r.interlaced ? interlacedIndices(dib) : unpaddedIndices(dib));
    ASSERT_EQ(data.size(), want.size());
    EXPECT_TRUE(data == want);  // the first difference would be thousands of hex digits in
  }
}

TEST(GifEncoder, onePixelImageIsTheHandComputed799Bytes) {
  const GifDib dib = makeGifDib(1, 1, [](int, int) { return uint8_t(5); });
  QByteArray expected("GIF89a\x01\x00\x01\x00\xF7\x00\x00", 13);
  for (int i = 0; i < 256; ++i) expected.append(char(i)).append(char(255 - i)).append(char(i / 2));
  expected += QByteArray("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x07", 10);
  // clear 256, pixel 5, end 257 in 9 bits each: 0x4040B00 little-endian.
  expected += QByteArray("\x08\x04\x00\x0B\x04\x04\x00\x3B", 8);
  ASSERT_EQ(expected.size(), 799);
  EXPECT_EQ(encode(dib).toHex(), expected.toHex());

  QTemporaryDir dir;
  const QString path = dir.filePath("one.gif");
  EXPECT_EQ(writeGif(path, false, dib.info, dib.pixels).valueOr(0), 799);
  EXPECT_EQ(fileBytes(path), expected);
  EXPECT_FALSE(writeGif(QString(), false, dib.info, dib.pixels));  // no file and no buffer to write to

  // Without a file name the GIF replaces the buffer's bytes, trimmed to its length.
  PicBuffer buffer{.bytes = QByteArray(20000, 'x'), .picBufCount = 3};
  EXPECT_EQ(writeGif(QString(), false, dib.info, dib.pixels, &buffer).valueOr(0), 799);
  EXPECT_EQ(buffer.bytes, expected);
}

TEST(GifEncoder, theBufferGrowsByItsStepBeyondEachNeed) {
  PicBuffer buffer;
  GifBufferOutput out(buffer);
  out.gifBufferInit();
  EXPECT_EQ(buffer.bytes.size(), 10001);  // indices 0 .. 10000
  const QByteArray a(9999, 'a');
  out.gifBufferAppendBytes(reinterpret_cast<const uint8_t*>(a.constData()), 9999);
  out.gifBufferAppendWord(0x4241);
  EXPECT_EQ(buffer.picBufCapacity, 20001);
  out.gifBufferAppendByte('C');
  out.gifBufferFinish();
  EXPECT_EQ(buffer.bytes, a + "ABC");
  EXPECT_EQ(buffer.picBufCount, 10002);
  // The drawn image's GIF into the buffer, as in memory.
  const int32_t n = saveBitmapAsGif(chartLike(), QString(), &buffer).valueOr(0);
  EXPECT_EQ(buffer.bytes, encodeImageAsGif(chartLike()).valueOr({}));
  EXPECT_EQ(n, buffer.bytes.size());
}

TEST(GifEncoder, packedBytesGoOutInSubBlocksOf255) {
  struct Row {
    const char* name;
    int bytes;
    QVector<int> blocks;
  };
  for (const Row& row : {Row{"254", 254, {254}}, Row{"exactly 255", 255, {255}}, Row{"256", 256, {255, 1}},
                         Row{"510", 510, {255, 255}}, Row{"511", 511, {255, 255, 1}}}) {
    QByteArray out;
    ByteArrayGifOutput sink(out);
    GifLzw lzw(sink);
    for (int i = 0; i < row.bytes; ++i) lzw.gifPutCode(uint32_t(i & 0xFF), 8);
    lzw.gifFlushCode();
    QByteArray expected;
    int sent = 0;
    for (const int len : row.blocks) {
      expected += char(len);
      for (int i = 0; i < len; ++i) expected += char((sent + i) & 0xFF);
      sent += len;
    }
    EXPECT_EQ(out.toHex(), expected.toHex()) << row.name;
    EXPECT_EQ(lzw.bytesWritten(), expected.size()) << row.name;
  }
}

TEST(GifEncoder, codesArePackedLeastSignificantBitFirstAndTheLastByteIsFlushed) {
  QByteArray out;
  ByteArrayGifOutput sink(out);
  GifLzw lzw(sink);
  lzw.gifPutCode(0x5, 3);    // 101
  lzw.gifPutCode(0x1FF, 9);  // 1 1111 1111 (and bits above the width are dropped)
  lzw.gifPutCode(0xFFF0, 4);
  lzw.gifFlushCode();
  // bits, first to last: 101 111111111 0000 -> bytes 0xFD, 0x0F
  EXPECT_EQ(out.toHex(), QByteArray("02fd0f"));
}

TEST(GifEncoder, singleColourRunsStepUpEveryCodeWidthAndClearAt4095) {
  struct Row {
    const char* name;
    int width, height;
  };
  // 7,363,203 pixels fill the table once (data codes 1..3837); the larger rows go past the reset.
  for (const Row& row : {Row{"to width 10", 300, 110}, Row{"to width 12", 1000, 1700},
                         Row{"past one reset", 4000, 1900}}) {
    const GifDib dib = makeGifDib(row.width, row.height, [](int, int) { return uint8_t(7); });
    const QByteArray gif = encode(dib);
    QByteArray data;
    QVector<int> blocks;
    ASSERT_TRUE(gifImageData(gif, data, &blocks)) << row.name;
    for (int i = 0; i + 1 < blocks.size(); ++i) ASSERT_EQ(blocks[i], 255) << row.name;
    const QVector<CodeAt> expected = singleColourCodes(int64_t(row.width) * row.height);
    int64_t bit = 0;
    for (int i = 0; i < expected.size(); ++i) {
      uint32_t code = readBits(data, bit, expected[i].width);
      // Run codes stand for the colour 7, not 0: only the first of each run differs.
      if (expected[i].code == 0) code = code == 7 ? 0 : code + 1000;
      ASSERT_EQ(code, expected[i].code) << row.name << " code " << i;
    }
    EXPECT_EQ((bit + 7) / 8, data.size()) << row.name;
    EXPECT_EQ(QImage::fromData(gif, "GIF").pixel(row.width - 1, row.height - 1),
              qRgb(7, 255 - 7, 7 / 2))
        << row.name;
  }
}

TEST(GifEncoder, rowsThatAreNotAMultipleOfFourReadOnlyTheirOwnPixels) {
  for (const int width : {1, 2, 3, 5, 6, 7, 13}) {
    const GifDib dib = makeGifDib(width, 5, [](int x, int y) { return uint8_t(x * 16 + y); });
    expectRoundTrip(dib, qPrintable(QStringLiteral("width %1").arg(width)));
  }
}

TEST(GifEncoder, randomImagesSurviveIndependentDecoders) {
  QRandomGenerator rng(20240611);
  struct Row {
    const char* name;
    int width, height, colours;
  };
  for (const Row& row : {Row{"noise 256", 97, 61, 256}, Row{"noise 4", 640, 48, 4}, Row{"noise 2", 33, 200, 2},
                         Row{"large noise", 700, 500, 256}}) {
    const GifDib dib = makeGifDib(row.width, row.height, [&](int, int) { return uint8_t(rng.bounded(row.colours)); });
    expectRoundTrip(dib, row.name);
  }
  const GifDib stripes = makeGifDib(640, 480, [](int x, int y) { return uint8_t(((x / 40) + (y / 30)) % 5); });
  expectRoundTrip(stripes, "few colours in runs");
  QString skip;
  giflibIndices(QByteArray(), skip);
  ZAV_NEED_TOOL(skip.isEmpty(), "checked with Qt's reader only: " << skip.toStdString());
}

TEST(GifEncoder, interlacedImageSendsRowsInInterlaceOrder) {
  std::vector<int> rows;
  for (int n = 0; n < 10; ++n) rows.push_back(gifRowOffset(n * 3, 3, 10) / 4);
  EXPECT_EQ(rows, (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));

  const GifDib dib = makeGifDib(3, 10, [](int x, int y) { return uint8_t(y * 10 + x); });
  const QByteArray gif = encode(dib, true);
  EXPECT_EQ(uint8_t(gif[13 + 768 + 9]), 0x47);  // table size bits and the interlace flag
  EXPECT_EQ(qtIndices(gif, dib), unpaddedIndices(dib));  // the reader puts the rows back
}

TEST(GifEncoder, aFileGetsTheBytesOfMemoryAcrossItsWritePiecesAndEndsThere) {
  QRandomGenerator random(7);
  const GifDib dib = makeGifDib(400, 400, [&](int, int) { return uint8_t(random.bounded(256)); });
  const QByteArray bytes = encode(dib);
  ASSERT_GT(bytes.size(), 3 * 64 * 1024);  // several pieces of the file output
  EXPECT_EQ(bytes.back(), char(0x3B));
  QTemporaryDir dir;
  const QString path = dir.filePath("big.gif");
  ASSERT_TRUE(putFile(path, QByteArray(bytes.size() + 100, 'x')));
  EXPECT_EQ(writeGif(path, false, dib.info, dib.pixels).valueOr(0), bytes.size());
  EXPECT_EQ(fileBytes(path), bytes);
}

TEST(GifEncoder, aFileThatCannotBeWrittenSaysWhy) {
  const GifDib dib = makeGifDib(40, 30, [](int x, int) { return uint8_t(x); });
  QTemporaryDir dir;
  EXPECT_EQ(writeGif(dir.filePath("no/such/folder/x.gif"), false, dib.info, dib.pixels).error(),
            "ERROR 3 The system cannot find the path specified.");
  EXPECT_FALSE(QFile::exists(dir.filePath("no/such/folder/x.gif")));
  GifDib cut = dib;
  cut.pixels.chop(1);
  EXPECT_EQ(writeGif(dir.filePath("cut.gif"), false, cut.info, cut.pixels).error(),
            "a 40 x 30 picture does not fit a GIF");
  EXPECT_FALSE(QFile::exists(dir.filePath("cut.gif")));
  if (QFile::exists("/dev/full")) {
    // A full disk: the bytes do not reach the file, so no length is reported.
    EXPECT_EQ(writeGif("/dev/full", false, dib.info, dib.pixels).error(),
              "ERROR 112 There is not enough space on the disk.");
  }
  // A disk that fills up in the middle: the old picture stays, no temporary is left.
  const QString path = dir.filePath("zavPlot.GIF");
  ASSERT_TRUE(writeGif(path, false, dib.info, dib.pixels));
  const GifDib other = makeGifDib(40, 30, [](int, int y) { return uint8_t(y); });
  {
    DiskFullAfter full(100);
    EXPECT_EQ(writeGif(path, false, other.info, other.pixels).error(),
              "ERROR 112 There is not enough space on the disk.");
  }
  EXPECT_EQ(fileBytes(path), encode(dib));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"zavPlot.GIF"});
}

TEST(GifEncoder, picturesFromImagesKeepUpTo256ColoursExactly) {
  QImage img(20, 15, QImage::Format_RGB32);
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 20; ++x) img.setPixel(x, y, qRgb(x * 12, y * 17, (x * y) % 256));  // 300 pixels, 256 colours at most
  QImage few = img.copy(0, 0, 16, 15);  // 240 colours
  for (const QImage& image : {few}) {
    const Result<QByteArray> gif = encodeImageAsGif(image);
    ASSERT_TRUE(gif);
    EXPECT_EQ(QImage::fromData(*gif, "GIF").convertToFormat(QImage::Format_RGB32), image);
  }
  EXPECT_FALSE(saveBitmapAsGif(QImage(), QStringLiteral("x.gif")));
  EXPECT_FALSE(encodeImageAsGif(QImage()));
}

TEST(GifEncoder, saveBitmapAsGifDumpsHeaderAndTable) {
  LogCapture log;
  QImage img(5, 3, QImage::Format_RGB32);
  img.fill(qRgb(1, 2, 3));
  QTemporaryDir dir;
  const QString path = dir.filePath("dumped.gif");
  const Result<int32_t> n = saveBitmapAsGif(img, path);
  EXPECT_EQ(n.valueOr(0), QFile(path).size());
  const QString text = log.text();
  EXPECT_TRUE(text.contains("showBmiHead(bmiHead As BITMAPINFOHEADER)"));
  EXPECT_TRUE(text.contains("bmiHead.biWidth          = 5"));
  EXPECT_TRUE(text.contains("bmiHead.biHeight         = -3"));
  EXPECT_TRUE(text.contains("bmiHead.biSizeImage      = 24"));
  EXPECT_TRUE(text.contains("UBound(rgbq)=255"));
  EXPECT_TRUE(text.contains("..i  Red Green Blue res   VBcol    CSScol"));
  EXPECT_TRUE(text.contains("000  001  002  003  000   010203   030201")) << text.toStdString();
}

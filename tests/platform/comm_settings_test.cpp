#include "platform/comm_settings.h"

#include <gtest/gtest.h>

#include "platform/comm_device.h"
#include "platform/parmrk_decoder.h"

namespace {
// The settings of a text the parser must take.
CommSettings taken(const QString& text) {
  const Result<CommSettings> r = parseCommSettings(text);
  EXPECT_TRUE(r) << text.toStdString() << ": " << r.error().toStdString();
  return r.valueOr(CommSettings{});
}
}  // namespace

TEST(CommSettings, readsEveryPartOfEveryTextTheProgramUses) {
  CommSettings s = taken("19200,N,8,1");
  EXPECT_EQ(s.baud, 19200);
  EXPECT_EQ(s.parity, 'N');
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_EQ(s.stopBits, CommSettings::StopBits::One);
  s = taken("2400,e,7,2");
  EXPECT_EQ(s.parity, 'E');
  EXPECT_EQ(s.text(), "2400,E,7,2");
  s = taken("110,M,5,1.5");
  EXPECT_EQ(s.stopBits, CommSettings::StopBits::OnePointFive);
  EXPECT_EQ(s.text(), "110,M,5,1.5");
  // Every rate, parity and data-bit count the program uses.
  for (const int baud : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 28800, 38400, 56000, 57600,
                         115200, 128000, 256000}) {
    EXPECT_EQ(taken(QStringLiteral("%1,N,8,1").arg(baud)).baud, baud);
  }
  for (const char p : {'N', 'E', 'O', 'M', 'S'})
    EXPECT_EQ(taken(QStringLiteral("9600,%1,8,1").arg(QChar::fromLatin1(p))).parity, p);
  for (int d = 5; d <= 8; ++d) EXPECT_EQ(taken(QStringLiteral("9600,N,%1,1").arg(d)).dataBits, d);
}

TEST(CommSettings, refusesMalformedTextsWithTheReason) {
  for (const char* bad :
       {"", "9600", "9600,N,8", "9600,N,8,1,0", "9601,N,8,1", "abc,N,8,1", "9600,X,8,1", "9600,NN,8,1",
        "9600,N,4,1", "9600,N,9,1", "9600,N,8,3", "9600,N,8,1.5", "9600,N,5,2", "-9600,N,8,1", "9600,N,8,"}) {
    const Result<CommSettings> parsed = parseCommSettings(QString::fromLatin1(bad));
    EXPECT_FALSE(parsed) << bad;
    EXPECT_FALSE(parsed.error().isEmpty()) << bad;
  }
}

TEST(CommDevice, mapsPortNumbersByTheTableUnlessTheEnvironmentNamesOne) {
  qunsetenv("ZAV_COM1");
  qunsetenv("ZAV_COM16");
  qputenv("ZAV_COM3", "/dev/pts/77");
  qputenv("ZAV_COM200", "/dev/pts/78");
  const std::pair<int, const char*> rows[] = {{1, "/dev/ttyS0"},
                                              {2, "/dev/ttyS1"},
                                              {3, "/dev/pts/77"},
                                              {4, "/dev/ttyS3"},
                                              {5, "/dev/ttyUSB0"},
                                              {8, "/dev/ttyUSB3"},
                                              {9, "/dev/ttyACM0"},
                                              {12, "/dev/ttyACM3"},
                                              {13, "/dev/ttyUSB4"},
                                              {16, "/dev/ttyUSB7"},
                                              {200, "/dev/pts/78"},
                                              {0, ""},
                                              {17, ""},
                                              {-3, ""}};
  for (const auto& [n, path] : rows) EXPECT_EQ(comDevicePath(n), path) << n;
  qunsetenv("ZAV_COM3");
  qunsetenv("ZAV_COM200");
  EXPECT_EQ(comDevicePath(3), "/dev/ttyS2");
}

namespace {
QByteArray hex(const char* h) { return QByteArray::fromHex(h); }
}  // namespace

TEST(ParmrkDecoder, unescapesDataAndMarksLineEvents) {
  struct Row {
    const char* name;
    const char* in;
    const char* data;
    QList<ParmrkDecoder::Mark> marks;
  };
  using M = ParmrkDecoder::Mark;
  const Row rows[] = {
      {"plain", "0102fe", "0102fe", {}},
      {"escapedFF", "01ffff02", "01ff02", {}},
      {"break", "01ff000002", "0102", {M::Break}},
      {"framingError", "ff0041", "41", {M::FramingError}},
      {"twoMarks", "ff0000ff0042ffff", "42ff", {M::Break, M::FramingError}},
  };
  for (const Row& r : rows) {
    const QByteArray in = hex(r.in);
    // Every split of the input between two reads gives the same result.
    for (qsizetype cut = 0; cut <= in.size(); ++cut) {
      ParmrkDecoder d;
      const auto a = d.feed(QByteArrayView(in).first(cut));
      const auto b = d.feed(QByteArrayView(in).sliced(cut));
      EXPECT_EQ(a.data + b.data, hex(r.data)) << r.name << " cut " << cut;
      EXPECT_EQ(a.marks + b.marks, r.marks) << r.name << " cut " << cut;
    }
  }
}

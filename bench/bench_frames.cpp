// A long recorded controller stream through the meter engine, at message level 4
// with the data file and the text log on, against the parser alone (cutting,
// decoding and checking the same frames with its own diagnostics, handing
// nothing on), and against the parser plus the bare writes the full road cannot
// do without: one 18-byte record per reading at the end of a file.
// Run: build/bench_frames [frames]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/log/logmsg.h"
#include "core/log/message_log.h"
#include "core/settings/detector_types.h"
#include "meter/engine/frame_codec.h"
#include "meter/engine/meter_session.h"
#include "meter/record/data_file_io.h"
#include "meter/record/zav_format.h"
#include "tools/zav_frames.h"

namespace {

// Frames as the serial port delivers them: one per receive event.
constexpr int kFrameBytes = 37;
// The user clears the message window now and then; the level stays at 4.
constexpr int kClearEvery = 1000;

QByteArray recordedStream(int frames) {
  QByteArray out;
  out.reserve(qsizetype(frames) * kFrameBytes);
  zavsim::Reading r{.temp2 = zavsim::newTempByte(21.5), .voltRaw = zavsim::voltRawFor(230), .status = 0};
  const double perCount = zavsim::ticksPerCount(600, 1000, 62500);
  for (int i = 0; i < frames; ++i) {
    r.count = uint32_t(i + 1);
    r.ticks = uint32_t(std::llround(perCount * (i + 1)));
    out += zavsim::newFrame(r);
  }
  return out;
}

template <typename Feed>
double runMs(const QByteArray& stream, Feed feed) {
  QElapsedTimer t;
  t.start();
  const int frames = int(stream.size() / kFrameBytes);
  for (int i = 0; i < frames; ++i) {
    if (i % kClearEvery == 0) {
      logMsg(0, QString());
      MessageLog::setLevel(4);
    }
    feed(QByteArray::fromRawData(stream.constData() + qsizetype(i) * kFrameBytes, kFrameBytes));
  }
  return t.nsecsElapsed() / 1e6;
}

// The writes alone: each reading's record, as the recorder writes it.
double bareWritesMs(const QString& path, int frames) {
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite | QIODevice::Truncate)) return -1;
  const QByteArray record =
      packRecord(meterRecord{.recTime = 45352.5, .count = 1, .ticks = 62500, .temp = 43});
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < frames; ++i) {
    if (!zavio::writeAt(f.handle(), int64_t(i) * kRecordBytes + 1, record)) return -1;
  }
  return t.nsecsElapsed() / 1e6;
}

void report(const char* name, int frames, double ms, double baseMs) {
  std::printf("BENCH %s frames=%d ms=%.1f us_per_frame=%.2f ratio=%.2f\n", name, frames, ms,
              ms * 1000 / frames, ms / baseMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
  QTemporaryDir dir;
  Settings settings;
  settings.ZAVdetectorVer = kNewFrameDetectorVer;
  settings.ZAVmeterID = 0;
  settings.ticksPerSec = 62500;
  settings.WsPerCount = 3600;
  settings.ifType = 2;
  settings.maxUpdateInterval = 12;
  const QByteArray stream = recordedStream(frames);

  // Pure codec: the line code and the FCS of each frame, nothing else.
  QByteArray data;
  uint8_t decoded[17];
  QElapsedTimer t;
  t.start();
  int good = 0;
  for (int i = 0; i < frames; ++i) {
    const QByteArrayView f(stream.constData() + qsizetype(i) * kFrameBytes, kFrameBytes);
    good += decodeDataInto(f.sliced(2, 34), 17, decoded, kNewFrameDetectorVer) == 17 && checkFrameFcs(0, 36, f, data);
  }
  const double codecMs = t.nsecsElapsed() / 1e6;
  if (good != frames) std::fprintf(stderr, "codec refused %d frames\n", frames - good);

  // The parser alone: a port search that keeps listening (no hand-over).
  MeterSession searching;
  searching.setSettings(settings);
  searching.setSearching(true);
  const double parseMs = runMs(stream, [&](const QByteArray& chunk) { searching.serialBytes(chunk); });

  // The full road: parser, count processor, data file, text log, the result announced.
  settings.zavDatFileName[0] = dir.filePath("pwrData.ZAV");
  settings.zavLogFileName = dir.filePath("zavLog.TXT");
  settings.writeToZAVtextFile = true;
  settings.textFileWriteInterval = 3;
  settings.minTextFileSaveInterval = 1;
  MeterSession session;
  session.setSettings(settings);
  int64_t announced = 0;
  QObject::connect(&session, &MeterSession::readingRecorded, [&](const ReadingResult&) { ++announced; });
  session.openDataFile();
  session.setOnline(true);
  const double fullMs = runMs(stream, [&](const QByteArray& chunk) { session.serialBytes(chunk); });
  session.setOnline(false);
  const int32_t recorded = session.dataFileSlots()[0].recordCount;
  session.closeDataFile();
  if (announced != frames) std::fprintf(stderr, "announced %lld of %d readings\n", (long long)announced, frames);
  if (recorded != frames) std::fprintf(stderr, "recorded %d of %d frames\n", recorded, frames);

  const double writesMs = bareWritesMs(dir.filePath("bare.ZAV"), frames);

  report("codec_decode_and_fcs", frames, codecMs, parseMs);
  report("parser_decode_and_check", frames, parseMs, parseMs);
  report("frames_full_vs_decode", frames, fullMs, parseMs);
  report("writes_bare_vs_decode", frames, writesMs, parseMs);
  // How close the full road comes to its floor: the parser and the writes.
  report("frames_full_vs_decode_and_writes", frames, fullMs, parseMs + writesMs);
  return 0;
}

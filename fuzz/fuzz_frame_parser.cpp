// The frame parser fed in arbitrary chunks. Byte 0 picks the entry point and
// the controller (bit 0: TCP, bits 1-2: new, old, new with the second code
// table, port search off-line); byte 1 picks the chunk sizes; the rest is the stream.
#include "core/settings/detector_types.h"
#include "fuzz/fuzz_support.h"
#include "meter/engine/meter_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  fuzzQuietProcess();
  const bool network = data[0] & 1;
  const int controller = (data[0] >> 1) & 3;
  Settings settings;
  settings.ZAVdetectorVer =
      controller == 1 ? 24000 : controller == 2 ? kSlowControllerDetectorVer : kNewFrameDetectorVer;
  MeterSession session;
  session.setSettings(settings);
  session.setOnline(controller != 3);
  session.setSearching(controller == 3);

  uint32_t state = data[1];
  const size_t maxChunk = size_t(data[1] % 64) + 1;
  for (size_t at = 2; at < size;) {
    state = state * 1103515245u + 12345u;
    const size_t n = std::min(size - at, 1 + (state >> 16) % maxChunk);
    const QByteArray chunk(reinterpret_cast<const char*>(data + at), qsizetype(n));
    network ? session.networkBytes(chunk) : session.serialBytes(chunk);
    at += n;
  }
  return 0;
}

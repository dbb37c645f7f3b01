#include "platform/tick_clock.h"

#include <time.h>

namespace {
uint32_t g_offset = 0;
bool g_held = false;
uint32_t g_heldValue = 0;

// Milliseconds since boot, not since the program started: a pulse device's first
// pulse of a run is then never "too soon" after a made-up start at 0.
uint32_t rawMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                               static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}
}  // namespace

int32_t timeGetTime() { return static_cast<int32_t>(g_held ? g_heldValue : rawMs() + g_offset); }

void setTickCountForTests(uint32_t value) {
  g_held = false;
  g_offset = value - rawMs();
}

void holdTickCountForTests(uint32_t value) {
  g_held = true;
  g_heldValue = value;
}

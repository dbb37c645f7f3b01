#include "platform/tick_clock.h"

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;
const Clock::time_point g_start = Clock::now();
uint32_t g_offset = 0;
bool g_held = false;
uint32_t g_heldValue = 0;

uint32_t rawMs() {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_start).count());
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

#pragma once
// The 32-bit millisecond tick counter that wraps after 2^32 ms.

#include <cstdint>

// Milliseconds since boot (the monotonic clock), as a signed 32-bit value that is
// read as unsigned; wraps modulo 2^32.
int32_t timeGetTime();
// Tests put the counter near the wrap: the next reading returns `value` and
// the counter then advances with real time from there.
void setTickCountForTests(uint32_t value);
// Tests that need exact differences: the counter stands still at `value`
// until the next setTickCountForTests or holdTickCountForTests.
void holdTickCountForTests(uint32_t value);

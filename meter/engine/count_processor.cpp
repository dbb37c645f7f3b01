#include "meter/engine/count_processor.h"

#include <cmath>

#include "core/settings/detector_types.h"
#include "core/util/number_text.h"
#include "core/util/tick_helpers.h"

namespace {
constexpr double kRegisterWrap = 2000000000.0;
constexpr double kMaxClockSamples = 1000;
}  // namespace

int32_t roundClamped(double v) {
  int32_t out = 0;
  if (roundToInt32(v, out)) return out;
  if (std::isnan(v)) return 0;
  return v > 0 ? INT32_MAX : INT32_MIN;
}

double registerAfter(double energyWh, double WsPerCount, int32_t counts) {
  energyWh += countEnergyWh(WsPerCount, counts);
  if (energyWh > kRegisterWrap - 1) energyWh -= kRegisterWrap;
  return energyWh;
}

bool validRate(double secondsPerCount) {
  const double single = double(float(secondsPerCount));
  return single >= 0.00009 && single <= 3600;
}

double voltsOf(int16_t raw) {
  if (raw == 0) return 0;
  double volt = raw * 5.0 / 1023.0;
  volt = volt + volt * 130.0 / 12.0;
  return volt * 0.995025 + 0.477612;
}

CountValues computeReading(const CountProcessorState& previous, const Reading& r, const CountInputs& in) {
  CountValues v;
  CountProcessorState& n = v.next;
  n = previous;
  v.elapsedTcks = msElapsed(previous.lastTicks, in.pcTick);
  v.deltaElapsedTicks = v.elapsedTcks - previous.lastElapsedTcks;
  n.lastTicks = in.pcTick;
  n.lastElapsedTcks = v.elapsedTcks;

  if (previous.hasPrevious) {
    v.elapsedCounts = int32_t(countsBetween(uint32_t(previous.lastCount), uint32_t(r.count)));
    v.elapsedTimer = msElapsed(previous.lastTimer, r.ticks);
    v.elapsedSeconds = v.elapsedTimer / in.ticksPerSec;
    v.tempDegC = temperatureOf(r.temperature, in.detectorVer >= kNewFrameDetectorVer);
  }
  if (v.elapsedCounts > 0) {
    v.secondsPerCount = v.elapsedSeconds / v.elapsedCounts;
    if (in.sampleClock && v.elapsedTcks != 0) {
      const double ratio = v.elapsedSeconds * 1000.0 / v.elapsedTcks;
      v.clockStarted = n.clockRatioSamples < 1;
      if (n.clockRatioSamples < kMaxClockSamples) {
        n.clockRatioSum += ratio;
        n.clockRatioSamples += 1;
      } else {
        n.clockRatioSum += (ratio - n.clockRatioSum / n.clockRatioSamples) / n.clockRatioSamples;
      }
      v.clockRatioMean = n.clockRatioSum / n.clockRatioSamples;
    }
  }
  n.hasPrevious = true;
  n.lastCount = r.count;
  n.lastTimer = r.ticks;
  n.lastResetCount = r.resetCount;
  n.totalCounts = in.firstOfPeriod ? 0 : previous.totalCounts + v.elapsedCounts;

  v.energyWh = registerAfter(in.energyWh, in.WsPerCount, v.elapsedCounts);
  v.rateValid = validRate(v.secondsPerCount);
  if (v.rateValid) v.power = countPower(in.WsPerCount, v.elapsedCounts, v.elapsedTimer, in.ticksPerSec);
  return v;
}


#include "meter/engine/meter_state.h"

int32_t thisCount = 0;
int32_t thisTimer = 0;
int16_t thisTemp = 0;
int16_t thisVoltCount = 0;
int16_t frameStatus = 0;
int32_t thisResetCount = 0;
bool mainWindowMinimized = false;
bool comSearchActive = false;
bool detectorAnswered = false;
double portBaudRate = 0;
bool pulsePending = false;
int32_t idleCountdownMs = 0;

void storeLatestReading(const Reading& r) {
  thisCount = r.count;
  thisTimer = r.ticks;
  thisTemp = r.temperature;
  thisVoltCount = r.voltage;
  frameStatus = r.status;
  thisResetCount = r.resetCount;
}

Reading latestReading() {
  return {thisCount, thisTimer, thisTemp, thisVoltCount, frameStatus, thisResetCount};
}

int32_t readingCount = 0;
Date onlineStartTime = 0;
Date readingTime = 0;
double elapsedTcks = 0;
int32_t lastCountTick = 0;
int32_t lastProcessTick = 0;
int16_t pulseDivider = 1;
int16_t pulseDivCounter = 0;

double energyWh = 0;
double mRevTime = 0;
double totPower = 0;
bool countsPerSecondMode = false;

LazyText strZavEnergy, strZavPower, strZavTemp;
int32_t lngZavEnergy = 0, lngZavPower = 0, lngZavTemp = 0;

#include "meter/engine/meter_state.h"

#include "meter/engine/meter_hooks.h"

int32_t thisCount = 0;
int32_t thisTimer = 0;
int16_t thisTemp = 0;
int16_t thisVoltCount = 0;
int16_t frameStatus = 0;
int32_t thisResetCount = 0;
QByteArray rxBuffer;

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
double relPower = 0;
bool countsPerSecondMode = false;

QString strZavEnergy, strZavPower, strZavTemp;
int32_t lngZavEnergy = 0, lngZavPower = 0, lngZavTemp = 0;

MeterHooks meterHooks;

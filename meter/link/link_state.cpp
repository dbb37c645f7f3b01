#include "meter/link/link_state.h"

int16_t testComPort = 0;
int32_t sensorBaud = 0;
bool protocolAnalyzerMode = false, dcdCaptureEnabled = false, tempReceiverMode = false;
int16_t openIfType = 0;
QVector<int64_t> dcdTimes;
int32_t dcdCount = 0;
int32_t maxDCDevents = 0;
int32_t comEventCounters[kComEventCounters] = {};
bool simulating = false;
bool breakIndicated = false;

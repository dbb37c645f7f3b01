#pragma once
// State of the meter side of the main window: the latest controller reading,
// the count processor's fields, the meter register and the live values the
// web pages read.

#include <QString>
#include <cstdint>

#include "core/util/date_value.h"
#include "core/util/lazy_text.h"
#include "meter/engine/reading.h"

// --- latest accepted reading, set only by storeLatestReading ---
extern int32_t thisCount;  // unsigned count's bit pattern
extern int32_t thisTimer;  // unsigned ticks' bit pattern
extern int16_t thisTemp;
extern int16_t thisVoltCount;
extern int16_t frameStatus;
extern int32_t thisResetCount;
void storeLatestReading(const Reading& reading);
Reading latestReading();

// Whether the main window is minimised; the window keeps it up to date.
extern bool mainWindowMinimized;

// --- the serial link as the parser and the count processor see it; the link sets these ---
extern bool comSearchActive;   // the search tests ports: the parser parses although off-line
extern bool detectorAnswered;  // set by stopWaiting: the port under test answered
extern double portBaudRate;    // baud rate of the last openCom

// --- count processor fields ---
extern int32_t readingCount;  // readings since going on-line; setOnLine zeroes it
extern Date onlineStartTime;
extern Date readingTime;
extern double elapsedTcks;
extern int32_t lastCountTick;
extern int32_t lastProcessTick;
// The idle countdown and the pending plain pulse, which the indicators show.
extern int32_t idleCountdownMs;
extern bool pulsePending;
extern int16_t pulseDivider;  // simulated pulses per count (1)
extern int16_t pulseDivCounter;

// --- meter register and rate ---
extern double energyWh;  // wraps from above 1999999999 Wh
extern double mRevTime;  // seconds per count of the last valid rate, 0 = none
extern double totPower;  // W
extern bool countsPerSecondMode;

// --- live values for the web pages ---
// Their texts are formatted when a page reads them.
extern LazyText strZavEnergy, strZavPower, strZavTemp;
extern int32_t lngZavEnergy, lngZavPower, lngZavTemp;
// The latest text-log line with its extra fields, built when it is read.
const QString& zavRecordText();

#pragma once
// The program's start-up state that is no setting: set by Main() and the
// command line (core/startup.cpp), owned and read by core. What the command
// line gives the settings, Main() returns as StartValues; everything reads the
// typed settings.

#include <QString>
#include <QVector>
#include <cstdint>

extern int32_t debugAccessCode;
extern int32_t logMaxChars;      // the message window's size limit, in characters
extern int32_t logColourNormal;  // &HBBGGRR, top bit set = system colour
extern int32_t logColourError;
extern int16_t lapMax;
extern QVector<int32_t> lapTimes;
extern QVector<int16_t> lapIds;
extern int32_t progStartTicks;  // tick count when the setup window loaded

// --- command line only ---
extern bool readINI;
extern bool showLogo;
extern QString defBaseName;
extern QString comBaud;

#include "core/globals.h"

#include "platform/named_colours.h"

int32_t debugAccessCode = 58214;
int32_t logMaxChars = 100000;
int32_t logColourNormal = kLogColourNormal;
int32_t logColourError = kLogColourError;
int16_t lapMax = 10;
QVector<int32_t> lapTimes{0};
QVector<int16_t> lapIds{0};
int32_t progStartTicks = 0;

bool readINI = true;
bool showLogo = true;
QString defBaseName;
QString comBaud;

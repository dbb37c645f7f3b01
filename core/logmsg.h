#pragma once
// The one message writer of the program. Level 0 clears the message window;
// |level| above msgLevel is dropped; negative levels are errors (red).

#include <QString>

void logMsg(int level, const QString& text);
// Appends a block of text in a fixed-pitch font, whatever the level.
void logMsgCourier(const QString& text);
// True when a message of this level would be shown: build costly texts only then.
bool logShows(int level);

#pragma once
// The one message writer of the program. Level 0 clears the message window;
// |level| above msgLevel is dropped; negative levels are errors (red). Any
// thread may write: a line written off the log's own (the UI) thread is
// handed to it and appended there, after the lines written before it there.

#include <QString>
#include <cstdint>

extern int16_t msgLevel;  // the settings field Text1(3) and the window's Level menu set it

void logMsg(int level, const QString& text);
// The writer behind logMsg.
void logMsgToWindow(int level, const QString& text);
// Appends a block of text in a fixed-pitch font, whatever the level; the
// caller supplies its line breaks.
void logMsgCourier(const QString& text);
inline void setLogFontCourier(const QString& text) { logMsgCourier(text); }
// True when a message of this level would be shown: build costly texts only then.
// Any thread may ask.
bool logShows(int level);
// Characters the message window holds, as logMaxChars counts them.
qint64 logTextLength();

#pragma once
// What the main window calls in the other parts of the program.

#include <QString>
#include <cstdint>

// Frame codec.
void initCrcTables();
// Count processor and text log.
void newMeterCount(bool& resetCountChanged);
void showIdleRate();
void loadLastLogLine();
// Meter link.
void setOnLine(bool& goOnline);
void showSimulationState(bool& simulate);
// Timing capture buttons of the main window (index 0 clears the table).
void Command4_Click(int16_t index);
// Off-line pulse simulation step (Timer1).
void pulseDetected();
// Line-control boxes of the serial port.
void Check2_Click(int16_t index);

#pragma once
// The meter link's on-line state: going on-line and off-line, opening the serial port
// with the settings the interface type needs, the line-control boxes and the one waiting
// loop of the program.

#include <cstdint>

// Switches the link; goOnline becomes False when the detector type is not supported.
// With no COM port set it starts the port search instead and returns.
void setOnLine(bool& goOnline);
void showSimulationState(bool& simulate);
// Opens (True) or closes (False) the serial port; ok tells whether it happened.
void openCom(bool open, bool& ok);
// The effective interface type of the next open: 4 in the two diagnostic modes.
int16_t effectiveIfType();

// Runs the program's events (yieldEvents True) or only repaints (False) for ms
// milliseconds, without spinning.
void waitMs(int32_t ms, bool yieldEvents);
// True once a wait was cut short because the program is ending: the search stops.
bool programEndingDuringWait();
// Tests shorten every wait by this divisor (1 = real time) and start with no program end.
void setWaitDivisorForTests(int divisor);
// The port under test answered: empties the serial frame buffer and sets detectorAnswered.
void stopWaiting(bool answered);

// Click handler of the line-control boxes Check2(0) "TxD BRK - Charge", Check2(1)
// "DTR - PWR UP", Check2(2) "RTS - TX EN": the lines follow all three boxes.
void Check2_Click(int16_t index);

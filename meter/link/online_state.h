#pragma once
// The meter link's on-line state: going on-line and off-line, opening the serial port
// with the settings the interface type needs, a lost device tried again until it is
// back, the serial lines and the one waiting loop of the program.

#include <QString>
#include <cstdint>

// Switches the link; true when it ended as asked (on-line with the port open, or
// off-line). An unsupported detector type goes off-line instead. With no COM port set
// (comPort 0) going on-line starts the port search and ends as the search found.
bool setOnLine(bool goOnline);
// The off-line pulse simulation on or off.
void showSimulationState(bool simulate);
// Opens (true) or closes (false) the serial port at comPort; true when it happened.
bool openCom(bool open);
// The effective interface type of the next open: 4 in the two diagnostic modes.
int16_t effectiveIfType();

// The device behind the open port went away (the far end hung up, a read failed).
// On-line, the loss is recorded and the same port is tried again until it is back.
void deviceLost(const QString& why);
// True while a lost device is tried again.
bool deviceLostRetrying();
constexpr int kLostDeviceRetryMs = 3000;

// Runs the program's events (yieldEvents true) or only repaints (false) for ms
// milliseconds, without spinning. interruptWaits() ends every running wait early.
void waitMs(int32_t ms, bool yieldEvents);
void interruptWaits();
// True once a wait was cut short because the program is ending: the search stops.
bool programEndingDuringWait();
// Tests shorten every wait (and the lost-device retry) by this divisor (1 = real
// time) and start with no program end.
void setWaitDivisorForTests(int divisor);

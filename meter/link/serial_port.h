#pragma once
// The meter link's serial port (the designer's MSComm1): its events go to the receive
// dispatch, a port that closes itself reports a lost device to the on-line state.

class CommLink;

CommLink& serialPort();
// Tests put their own port in place; nullptr restores the termios port.
void setSerialPort(CommLink* port);

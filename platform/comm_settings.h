#pragma once
// The serial settings text "baud,P,D,S" of the COM port, e.g. "19200,N,8,1".

#include <QString>

#include "platform/result.h"

struct CommSettings {
  enum class StopBits { One, OnePointFive, Two };
  int baud = 9600;
  char parity = 'N';  // N, E, O, M (mark) or S (space)
  int dataBits = 8;   // 5..8
  StopBits stopBits = StopBits::One;

  QString text() const;  // canonical form, e.g. "9600,N,8,1"
};

// Reads a settings text; fails with the reason when it is malformed, names an
// unsupported baud rate or an impossible combination (1.5 stop bits need 5 data bits,
// 2 stop bits cannot go with 5 data bits).
Result<CommSettings> parseCommSettings(const QString& text);

// Every baud rate the port accepts, lowest first.
const int* commBaudRates(int* count);

#pragma once
// Every event of the serial port arrives in MeterLink::handleSerialEvent (the designer's
// MSComm1_OnComm) with the bytes it brought: counted by kind, carrier-detect edges
// captured in the protocol-analyser mode, received bytes handed to the receiver of the
// interface type (the session's controller frames and plain pulses, the link's wireless
// temperature sensor). Bytes that come while the link is neither on-line nor searching
// are only counted: read later they would pass for new.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <cstdint>

// The event counters of the serial port: 0 every event, 1..12 by kind.
constexpr int kComEventCounters = 21;

// Decodes the byte-per-bit stream of the wireless temperature receiver in `buffer` after
// appending `input`; returns the temperature texts of the frames found.
QStringList decodeSensorBytes(QByteArray& buffer, QByteArrayView input, int32_t baud);

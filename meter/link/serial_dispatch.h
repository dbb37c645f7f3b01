#pragma once
// Every event of the serial port arrives in handleSerialEvent (the designer's MSComm1_OnComm):
// counted by kind, carrier-detect edges captured in the protocol-analyser mode, received
// bytes handed to the receiver of the interface type (controller frames, plain pulse device,
// wireless temperature sensor). Each receiver keeps its own bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>

void handleSerialEvent();
// Forgets the bytes the plain pulse and sensor receivers hold and the wait for a frame.
void resetSerialReceivers();
// Zeroes counter index (1..20), or every counter for any other index.
void clearComEventCounters(int16_t index);
// Decodes the byte-per-bit stream of the wireless temperature receiver in `buffer` after
// appending `input`; returns the temperature texts of the frames found.
QStringList decodeSensorBytes(QByteArray& buffer, QByteArrayView input, int32_t baud);

// Running state of the plain pulse device (kept for the life of the main window).
extern int32_t pulseCount;
extern int32_t lastPulseTicks;

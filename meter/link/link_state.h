#pragma once
// State of the meter link shared with the frame parser, the count processor and the
// windows: the COM-port search flags, the port's rates and the diagnostic switches.

#include <QVector>
#include <cstdint>

// comSearchActive, detectorAnswered and portBaudRate: meter/engine/meter_state.h.
extern int16_t testComPort;    // port number under test
extern int32_t sensorBaud;     // bit rate of the wireless temperature receiver
// Diagnostic switches (timing capture area): they take effect at the next openCom.
extern bool protocolAnalyzerMode, dcdCaptureEnabled, tempReceiverMode;
// Interface type the port was last opened for: 4 in the two diagnostic modes, else ifType.
// The setting ifType itself is never changed by opening the port.
extern int16_t openIfType;

// Carrier-detect capture table of the protocol-analyser mode.
extern QVector<int64_t> dcdTimes;
extern int32_t dcdCount;
extern int32_t maxDCDevents;

// The event counters of the serial port: 0 every event, 1..12 by kind, each modulo 1000000.
constexpr int kComEventCounters = 21;
extern int32_t comEventCounters[kComEventCounters];

// The off-line pulse simulation is switched on.
extern bool simulating;
// The plain pulse device: whether a line break was seen since the LED's last flash
// ended. The indicators read it (and pulseWidthBits: meter/engine/pulse_width.h).
extern bool breakIndicated;

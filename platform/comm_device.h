#pragma once
// Which device stands behind a COM port number.

#include <QString>

// COM1-4 /dev/ttyS0-3, COM5-8 /dev/ttyUSB0-3, COM9-12 /dev/ttyACM0-3, COM13-16 /dev/ttyUSB4-7;
// the environment variable ZAV_COM<n> overrides entry n (any number 1..255). Empty when the
// number has no device.
QString comDevicePath(int port);

// The device path with symbolic links resolved, so locks and messages name the real device;
// empty when it does not exist.
QString resolveDevicePath(const QString& path);

// The table of COM port numbers and their devices, COM1 to COM16 with any override, one
// "COMn  device" a line under a heading: the tip of the setup window's COM port field.
QString comDeviceTable();

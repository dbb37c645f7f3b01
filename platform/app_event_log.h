#pragma once
// The application event log: started with a target path and a mode, it takes
// events of three types. Modes (low bits): 0 automatic (the system log), 1 off,
// 2 to the file named by the path, 3 the system log (syslog); flag 16 overwrites
// the file when logging starts, flag 32 adds the thread id to each event.

#include <QString>
#include <cstdint>

#include "platform/result.h"

enum : int32_t {
  kLogAuto = 0,
  kLogOff = 1,
  kLogToFile = 2,
  kLogToSystem = 3,
  kLogOverwrite = 16,
  kLogThreadId = 32
};

// Switches to the given target; a file that cannot be opened is refused, with
// why, and leaves the previous settings in force.
Result<> appLogStart(const QString& path, int32_t mode);
// type: 1 error, 2 warning, 4 information. Refused, with why, when the file
// target cannot be written.
Result<> appLogEvent(const QString& text, int32_t type);
QString appLogCurrentPath();
int32_t appLogCurrentMode();

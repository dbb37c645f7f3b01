#pragma once
// The ZAV_LOG_FILE seam: when that variable names a file, every shown message
// (and every headless message box) is appended to it as one UTF-8 line.

#include <QString>

bool testLogFileEnabled();
void appendTestLogLine(const QString& line);
// Reads ZAV_LOG_FILE again (tests that change it).
void reopenTestLogFile();

#pragma once
// Reads the INI settings file into the setup controls, line by line in file
// order: each value is written into its control, whose handler then sets the
// setting as a user's edit would. Every line is echoed, bad lines are reported
// with their line number, and reading always goes on to the end.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "core/settings/setup_controls.h"
#include "platform/result.h"

// UTF-8 when the bytes are valid UTF-8, otherwise Windows-1252.
QString decodeIniBytes(const QByteArray& bytes);

// False when the text holds "," or "."; otherwise isDoubleInRange.
bool isIntegerInRange(double min, double max, const QString& text);
// The text converted by the regional settings lies in [min, max].
bool isDoubleInRange(double min, double max, const QString& text);
// "[007]  message" at level -1.
void logIniLineError(int64_t line, const QString& message);

// A whole-number or decimal value as a number, with the checks of the fields' readers; a
// refused value adds one to errors and is reported as error 7 of that line (cleaned: the
// line without its comment). Nothing calls them: a key read into a number, not into a
// setup field, would.
Result<int16_t> iniReadInteger(int64_t& errors, int64_t line, const QString& cleaned, const QString& token,
                               double min, double max);
Result<double> iniReadDouble(int64_t& errors, int64_t line, const QString& cleaned, const QString& token,
                             double min, double max);

struct IniReadResult {
  int64_t lines = 0;
  int64_t errors = 0;
};

// The file's text, decoded; a failure carries the system's reason.
Result<QString> readIniText(const QString& fileName);
// Reads the file when it exists; a missing file is logged at level 2.
IniReadResult loadINIfile(const QString& fileName, SetupControls& c);
// Applies the lines of an opened file's contents and logs the summary.
IniReadResult loadINIfileNr(const QString& contents, SetupControls& c);

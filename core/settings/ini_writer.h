#pragma once
// The INI settings file: the whole file rewritten from the settings values by
// "Save settings", and single lines appended by the COM-port search. Written
// in UTF-8 with CR LF line ends, in the order of the key table (ini_keys.h).

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "core/settings/setup_controls.h"
#include "platform/result.h"

// Index of the last selected button of an option group, or `defaultIndex`.
int16_t getOptionIndex(const SetupControls& c, const QString& group, int16_t defaultIndex);

// The whole file; `created` is the date-time text of the first line.
QByteArray iniFileText(const SetupControls& c, const QString& created);

// The whole file replaced through a temporary file, and one line appended (after a
// line break when the file does not end in one; the file is made when missing).
// A failure carries the system's reason.
Result<> writeIniFile(const QString& fileName, const QByteArray& bytes);
Result<> appendIniLine(const QString& fileName, const QString& line);

// Writes the file through a temporary file; a failure is logged at level -1 and
// shown in a message box. True when the file was written.
bool saveIniFile(const QString& fileName, const SetupControls& c);
// Appends one line to the settings file, starting a new line first when the file does not end in one.
bool addToIniFile(const QString& iniFileName, const QString& line);

#pragma once
// What the fuzz targets share: a quiet headless process, one scratch file the
// loaders read, and the widgets application the setup window needs.

#include <QString>
#include <cstddef>
#include <cstdint>

#include "core/settings/settings.h"  // StartValues

// Once per process: headless seams on, diagnostics rendered but not shown.
void fuzzQuietProcess();
// A QApplication for targets that need widgets (offscreen), and the program's
// start (Main) with the work folder as the program's folder: its start values.
const StartValues& fuzzWidgetsApp();
// The folder for anything the code under test puts beside its files; ends in "/".
QString fuzzWorkDir();
// Replaces the scratch file's contents with the input and returns its path
// (one scratch file per process, whatever the name).
QString fuzzScratchFile(const uint8_t* data, size_t size, const char* name);

#pragma once
// Program start: the start values and the command line. app/ then loads the
// setup window hidden with them (which applies the settings) and opens the main window.

#include <QString>
#include <QStringList>
#include <QVector>

#include "core/settings/settings.h"  // StartValues

// The program's start values, then the command line's; the settings take them (takeStartValues).
StartValues Main();
// Reads the command line into `start` (and the start-up state of globals.h).
void getCmdArgs(StartValues& start);
// Tokens from a raw command-line text: element 0 empty, 1..n the tokens, n <= limit.
QVector<QString> splitCommandLine(const QString& commandLine, int limit = 100);
// The same array from arguments the shell has already split.
QVector<QString> splitCommandLine(const QStringList& args, int limit = 100);
// The program's arguments (without its own path), set by main() from argv.
void setCommandLineArgs(const QStringList& args);
const QStringList& commandLineArgs();
// The arguments joined by blanks, as the program's command-line text.
QString commandLineText();
// "Zav", or "Falvor" when the executable is called so (any case).
QString applicationTitle(const QString& executablePath);

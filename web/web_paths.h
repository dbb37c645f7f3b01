#pragma once
// Paths of the web server: the web root and log file as typed, the request
// page inside the web root, and the file look-ups the responses use.

#include <QByteArray>
#include <QString>

// The path with "/" appended unless it is empty or already ends in one (the
// design's trailing backslash).
QString addBackslash(const QString& path);
// The web root as typed: empty is defaultWebRoot; a bare name ("www", "www/")
// lies in the program folder; anything else is used as typed.
QString webRootPath(const QString& typed);
// The log file as typed: empty is webserver.log in the program folder; a
// bare file name lies in the program folder; anything else is used as typed.
QString webLogPath(const QString& typed);

// True for an ordinary file; a path ending in "/" asks for a folder that
// holds at least one ordinary file.
bool webFileExists(const QString& path);
// The whole file as bytes; empty when it does not exist. ok is false when an
// existing file could not be read.
QByteArray readFileBytes(const QString& path, bool* ok = nullptr, QString* error = nullptr);

// The request page decoded once (percent escapes, UTF-8 file names). Refused
// (empty result, ok false) when it holds "..", a backslash, NUL or another
// control byte.
QString decodeWebPage(const QString& page, bool& ok);
// True when the file lies inside the root once symbolic links are resolved;
// a path that does not exist is judged by its nearest existing folder.
bool insideWebRoot(const QString& root, const QString& filePath);

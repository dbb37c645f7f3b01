#pragma once
// Paths of the web server: the web root and log file as typed, the request
// page inside the web root, and the file look-ups the responses use.

#include <QByteArray>
#include <QString>

#include "platform/result.h"

// The path with "/" appended unless it is empty or already ends in one (the
// design's trailing backslash).
QString addBackslash(const QString& path);
// The program folder: relative web roots and log files are taken inside it.
QString webProgramFolder();
// The web root as typed: empty is the default root (the settings' defaultWebRoot);
// a bare name ("www", "www/") lies in the program folder; anything else is used as typed.
QString webRootPath(const QString& typed, const QString& defaultRoot);
// The log file as typed: empty is webserver.log in the program folder; a
// bare file name lies in the program folder; anything else is used as typed.
QString webLogPath(const QString& typed);

// True for an ordinary file; a path ending in "/" asks for a folder that
// holds at least one ordinary file.
bool webFileExists(const QString& path);
// The size of an ordinary file (webFileExists); 0 for anything else.
qint64 webFileSize(const QString& path);
// The whole file as bytes; empty when it does not exist. Fails with the reason
// when an existing file cannot be read.
Result<QByteArray> readFileBytes(const QString& path);

// The request page decoded once (percent escapes, UTF-8 file names). Refused
// when it holds "..", a backslash, NUL or another control byte.
Result<QString> decodeWebPage(const QString& page);
// The root with its symbolic links resolved; empty when it does not exist.
QString realWebRoot(const QString& root);
// True when the file lies inside the resolved root once symbolic links are
// resolved; a path that does not exist is judged by its nearest existing folder.
bool insideRealRoot(const QString& realRoot, const QString& filePath);
bool insideWebRoot(const QString& root, const QString& filePath);  // the root resolved now

#pragma once
// The web server's settings and state. The setting values mirror the setup
// window's web tab (Text18, txtWebRoot, txtWebLogFile, cheLogging); the rest
// is the running server's state that the pages, the log and the window read.

#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>

#include "core/globals.h"  // webServerPort: 0 while not listening
#include "imaging/pic_buffer.h"

// --- settings (the web tab's fields) ---
extern QString webPortText;     // Text18: the port as typed, empty = 80
extern QString webRootText;     // txtWebRoot: empty = defaultWebRoot
extern QString webLogFileText;  // txtWebLogFile: empty = webserver.log in the program folder
extern int webLogging;          // cheLogging: 1 on, 0 off, 2 off after a write error

// --- server state ---
extern QString webRootFolder;  // ends in "/" once set
extern QString page404Text;
extern int32_t webMaxConnections;
extern int32_t webCounterLimit;
extern QVector<int16_t> webSocketSlots;  // entries 0..webMaxConnections; j while slot j serves
extern int32_t webRequestCount, webAcceptCount, webActiveCount, webPeakActive, webErrorCount;

// The longest request head; the time limits are WebServer's WebTimeouts.
constexpr qsizetype kMaxRequestHead = 16 * 1024;

// The live graph: the renderer encodes the graph for a query into picBuffer
// (app/ puts the chart's in place; tests put a fake). Unset: no graph.
using WebGraphRenderer = std::function<void(const QString& query, const QString& fileName, const QString& type)>;
extern WebGraphRenderer webGraphRenderer;

// The program folder: relative web roots and log files are taken inside it.
QString webProgramFolder();

#include "web/web_state.h"

#include <QCoreApplication>


QString webPortText;
QString webRootText;
QString webLogFileText;
int webLogging = 0;

QString webRootFolder;
QString page404Text;
int32_t webMaxConnections = 10;
int32_t webCounterLimit = 10000000;
QVector<int16_t> webSocketSlots;
int32_t webRequestCount = 0, webAcceptCount = 0, webActiveCount = 0, webPeakActive = 0, webErrorCount = 0;

WebGraphRenderer webGraphRenderer;

QString webProgramFolder() { return QCoreApplication::applicationDirPath(); }

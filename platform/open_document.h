#pragma once
// Opens a file or web address with the desktop's default handler.
// Headless runs (ZAV_HEADLESS=1) only log "OPEN: <target>" to ZAV_LOG_FILE.

#include <QString>

void openDocument(const QString& pathOrUrl);

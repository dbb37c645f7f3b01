// Stand-in until the shared helpers provide openDocument.
#include <QDesktopServices>
#include <QUrl>

#include "meter/form1_calls.h"

void openDocument(const QString& path) { QDesktopServices::openUrl(QUrl::fromUserInput(path)); }

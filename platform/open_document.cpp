#include "platform/open_document.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/user_notice.h"
#include "platform/test_log_file.h"

void openDocument(const QString& pathOrUrl) {
  if (isHeadless()) {
    appendTestLogLine(QStringLiteral("OPEN: ") + pathOrUrl);
    return;
  }
  // "http://..." and "mailto:" stay addresses; anything else is a local path.
  const QUrl url =
      pathOrUrl.contains(QStringLiteral("://")) || pathOrUrl.startsWith(QStringLiteral("mailto:"))
          ? QUrl(pathOrUrl)
          : QUrl::fromLocalFile(pathOrUrl);
  QDesktopServices::openUrl(url);
}

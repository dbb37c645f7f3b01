#include "chart/fetch_request.h"

QString fetchRequestString(const FetchOptions& options) {
  const QString reference = options.referenceEndTime.trimmed();
  return QStringLiteral("&m=") + (options.pointMarks ? u'1' : u'0') + QStringLiteral("&o=") +
         (options.orthogonalLines ? u'1' : u'0') + QStringLiteral("&q=") +
         (options.powerInBackground ? u'3' : u'0') + QStringLiteral("&v=") +
         (reference.isEmpty() ? QStringLiteral("0") : reference);
}

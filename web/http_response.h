#pragma once
// Builds the answer to one request: a file from the web root, a template page
// with live values, the live graph image, the XML record or the not-found
// page. Widget-free: the server sends what this returns.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

struct WebRequestIn {
  int localPort = 0;
  QString headerBlock;  // request line and header lines
  QString page;         // path less its first character, raw
  QString query;        // raw
};

struct WebResponse {
  QVector<QByteArray> sends;  // in order; empty when nothing is sent
  QString summary;            // for the server log; empty when nothing was sent
  QString error;              // why an existing file could not be served
};

WebResponse buildResponse(const WebRequestIn& request, const QDateTime& now);

// "Mon, 07 Dec 2026 00:30:05" of the given local time plus one hour.
QString formatHttpDate(const QDateTime& local);
// The long not-found page kept while the server runs.
QString make404Page();
// A query value as it may appear in a page: without "<", ">", quotes,
// backquote and control characters.
QString pageSafeText(const QString& text);
// The "<%=name%>" fields of a template page replaced in their fixed order.
QString substituteTemplate(QString text, const QString& query, const QString& appRoot, const QDateTime& now);

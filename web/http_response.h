#pragma once
// Builds the answer to one request: a file from the web root, a template page
// with live values, the live graph image, the XML record or the not-found
// page. Widget-free: the server sends what this returns.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

#include "platform/result.h"
#include "web/live_values.h"

// What the answers show besides the request: the site and the live values.
struct WebSite {
  QString root;           // the web root folder, ends in "/"
  QString realRoot;       // the root with its links resolved when the server started
  QString appName;
  double maxMeterPower = 0;   // the pages' default full scale
  bool tempChannels = false;  // the receiver reports temperatures
  LiveValues live;
};

struct WebRequestIn {
  int localPort = 0;
  QString headerBlock;  // request line and header lines
  QString page;         // path less its first character, raw
  QString query;        // raw
  bool headOnly = false;  // HEAD: the header alone
};

// The live graph a request asks for: the answer follows once it is drawn.
struct GraphAsk {
  QString query;     // raw
  QString fileExt;   // ".png", ".gif", ...: the picture type asked for
  QString filePath;  // in the web root; the logo's path is made from it
  QString recPage;   // the page as asked for, decoded
};

// A file goes out from disk after its answer's header, this much at a time:
// an answer holds at most two chunks of it in memory, whatever its size.
constexpr qint64 kFileChunk = 256 * 1024;

// A file of the web root sent as it is on disk, of the size it had when the
// header was made.
struct FileBody {
  QString path;
  qint64 size = 0;
  bool sent = true;  // false for HEAD: the file is opened (it must be readable), not sent
};

struct WebResponse {
  QVector<QByteArray> sends;  // in order; empty when nothing is sent
  QString summary;            // for the server log; empty when nothing was sent
  std::optional<GraphAsk> graph;  // a graph to draw first; then graphResponse answers
  std::optional<FileBody> file;   // follows the sends
};

// Whether an answer may hold this many bytes in memory; asked from a file's
// size before any of it is read. A file sent from disk counts as the chunks
// it holds, a template page as its text twice (read, then filled in).
using AnswerRoom = std::function<bool(qint64 bytes)>;

// Fails with the reason when an existing template page cannot be read:
// nothing is sent. An answer without room gets 503.
Result<WebResponse> buildResponse(const WebRequestIn& request, const WebSite& site, const QDateTime& now,
                                  const AnswerRoom& room);
// The answer to a live graph once its picture is drawn; the logo of the web
// root when it could not be drawn (no logo: an empty picture).
Result<WebResponse> graphResponse(const GraphAsk& ask, const Result<QByteArray>& picture, const QString& appName,
                                  bool headOnly, const QDateTime& now);
// The answer to a request the server will not serve: 414 for a request line
// over the limit, 431 for a header block over it, 503 (try again in 10 s) for
// an answer the bound on waiting bytes cannot hold now. No body.
WebResponse refusedRequest(int status, const QString& appName, const QDateTime& now);

// The local time of the current second (the answers' texts show no finer time);
// made anew once a second.
QDateTime currentWebSecond();
// "Mon, 07 Dec 2026 00:30:05" of the given local time plus one hour.
QString formatHttpDate(const QDateTime& local);
// The long not-found page kept while the server runs.
QString make404Page();
// What a value may be where it lands in a style or a link: a colour (a name,
// "#" with 3, 4, 6 or 8 hex digits, six hex digits, rgb()/hsl() of numbers),
// a length in pixels (a plain number), a list of such lengths, and a path on
// this host (starting with one "/"). Empty is allowed: it is the default.
bool isCssColour(QStringView text);
bool isCssLength(QStringView text);
bool isCssLengthList(QStringView text);
bool isLocalPath(QStringView text);
// A query value as it may appear in a page: without "<", ">", quotes,
// backquote and control characters.
QString pageSafeText(const QString& text);
// The "<%=name%>" fields of a template page replaced in their fixed order.
QString substituteTemplate(QString text, const QString& query, const QString& appRoot, const WebSite& site,
                           const QDateTime& now);

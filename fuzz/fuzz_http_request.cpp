// One connection's bytes: byte 0 picks the chunk sizes, the rest arrives in
// chunks and is read after each one, as the server does; a complete request is
// answered from a small web root with a template page, a file, a sub-folder
// and links that lead inside and outside it. Nothing from outside the root may
// reach an answer, and a stated length must match the body.
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "fuzz/fuzz_support.h"
#include "web/http_response.h"
#include "web/request_reader.h"
#include "web/web_paths.h"

namespace {
const QByteArray kSecret = "outside-the-web-root";

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) abort();
}

WebSite makeWebRoot() {
  const QString base = fuzzWorkDir() + QStringLiteral("web");
  QDir(base).removeRecursively();
  QDir().mkpath(base + QStringLiteral("/root/sub"));
  QDir().mkpath(base + QStringLiteral("/outside"));
  writeFile(base + QStringLiteral("/outside/secret.txt"), kSecret);
  writeFile(base + QStringLiteral("/root/index.asp"),
            "<%=Now%>|<%=querystring%>|<%=appRoot%>|<%=usePrefix%>|<%=graphRangeIndex%>|<%=graphImgWidth%>|"
            "<%=style_graphImgWidth%>|<%=style_graphImgHeight%>|<%=style_graphBgColor%>|<%=style_panelBorderWidth%>|"
            "<%=graphEndTime%>|<%=graphReferenceTime%>|<%=pwrFullScale%>|<%=tempChannels%>");
  writeFile(base + QStringLiteral("/root/zav.css"), "p{width:<%=graphImgWidth%>}");
  writeFile(base + QStringLiteral("/root/a.txt"), "a");
  writeFile(base + QStringLiteral("/root/logo.png"), "\x89PNG");
  writeFile(base + QStringLiteral("/root/zav.ico"), "ICO");
  writeFile(base + QStringLiteral("/root/sub/b.html"), "<b>b</b>");
  writeFile(base + QStringLiteral("/root/sub/pic.gif"), "GIF89a");
  (void)!::symlink(qPrintable(base + QStringLiteral("/outside")), qPrintable(base + QStringLiteral("/root/out")));
  (void)!::symlink(qPrintable(base + QStringLiteral("/outside/secret.txt")),
                   qPrintable(base + QStringLiteral("/root/secret.txt")));
  (void)!::symlink(qPrintable(base + QStringLiteral("/root/a.txt")), qPrintable(base + QStringLiteral("/root/sub/in.txt")));
  WebSite site;
  site.root = base + QStringLiteral("/root/");
  site.realRoot = realWebRoot(site.root);
  site.appName = QStringLiteral("Zav");
  return site;
}

// The live graph: a picture made of the query, none for an empty one (the logo stands in).
Result<QByteArray> drawnGraph(const QString& query) {
  if (query.isEmpty()) return Failure(QStringLiteral("no picture"));
  return query.toUtf8();
}

void checkAnswer(const WebResponse& r, bool headOnly) {
  QByteArray all;
  for (const QByteArray& s : r.sends) all += s;
  // A file goes out from disk after the sends, as much as its header says.
  if (r.file && r.file->sent) {
    QFile f(r.file->path);
    if (!f.open(QIODevice::ReadOnly)) abort();
    all += f.read(r.file->size);
  }
  if (all.contains(kSecret)) abort();
  const qsizetype end = all.indexOf("\r\n\r\n");
  if (all.isEmpty()) return;
  if (end < 0) abort();
  const QByteArray header = all.left(end + 2);
  const qsizetype at = header.indexOf("\r\nContent-Length: ");
  if (at < 0) return;
  const qsizetype from = at + 18;
  const QByteArray length = header.mid(from, header.indexOf("\r\n", from) - from);
  // HEAD: the stated length stands for a body that is not sent.
  if (headOnly ? all.size() != end + 4 : length.toLongLong() != all.size() - end - 4) abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzzQuietProcess();
  static const WebSite site = makeWebRoot();

  uint32_t state = data[0];
  const size_t maxChunk = size_t(data[0] % 32) * 16 + 1;
  QByteArray buffer;
  HttpRequest req;
  for (size_t at = 1; at < size && req.status == RequestStatus::NeedMore;) {
    state = state * 1103515245u + 12345u;
    const size_t n = std::min(size - at, 1 + (state >> 16) % maxChunk);
    buffer.append(reinterpret_cast<const char*>(data + at), qsizetype(n));
    req = readRequest(buffer);
    at += n;
  }
  if (req.status != RequestStatus::Ok) return 0;
  if (req.consumed > buffer.size()) abort();
  static const QDateTime now(QDate(2026, 12, 6), QTime(23, 30, 5));
  const bool headOnly = req.method == u"HEAD";
  Result<WebResponse> answer = buildResponse({.localPort = 8080,
                                              .headerBlock = req.headerBlock,
                                              .page = req.page,
                                              .query = req.query,
                                              .headOnly = headOnly},
                                             site, now, [](qint64) { return true; });
  if (answer && answer->graph)
    answer = graphResponse(*answer->graph, drawnGraph(answer->graph->query), site.appName, headOnly, now);
  if (answer) checkAnswer(*answer, headOnly);
  return 0;
}

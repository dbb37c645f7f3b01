#include "web/http_response.h"

#include <algorithm>
#include <array>
#include <optional>

#include "chart/graph_image.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/colour.h"
#include "plot/graph_request.h"
#include "plot/url_decode.h"
#include "web/web_log.h"
#include "web/web_paths.h"

namespace {
// The one-letter query keys in the order they are tested, with their fields.
struct QueryKey {
  char key;
  const char* field;
};
constexpr std::array<QueryKey, 16> kQueryKeys{{{'u', "usePrefix"},
                                               {'z', "panelBorderWidth"},
                                               {'s', "pwrFullScale"},
                                               {'p', "graphPowerScale"},
                                               {'t', "graphTempScale"},
                                               {'w', "graphImgWidth"},
                                               {'h', "graphImgHeight"},
                                               {'m', "graphMarkers"},
                                               {'o', "graphOrthogonal"},
                                               {'q', "graphBgPower"},
                                               {'c', "graphWinColor"},
                                               {'b', "graphBgColor"},
                                               {'d', "graph3dFrame"},
                                               {'r', "graphRangeIndex"},
                                               {'e', "graphEndTime"},
                                               {'v', "graphReferenceTime"}}};

struct TemplateValues {
  std::array<QString, 16> query;
  QString graphBgStyle;  // the colour "b" gives the graph, as a style shows it
  QString& operator[](char key) {
    for (size_t i = 0; i < kQueryKeys.size(); ++i)
      if (kQueryKeys[i].key == key) return query[i];
    static QString none;
    return none;
  }
};

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isHexDigit(QChar c) { return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
template <typename Pred>
bool allOf(QStringView text, Pred pred) {
  return std::all_of(text.begin(), text.end(), pred);
}

// The colour a request gives the graph, as a style shows it: a name or
// "#rrggbb" as given, six hex digits with their "#", any other form as the
// colour drawn (below 0, "transparent" and the system colours included: the
// picture's own background); empty where the graph keeps its own colour, as
// the page then does.
QString styleColour(const QString& query) {
  const std::optional<RequestColour> c = requestColour(query);
  if (!c) return {};
  if (c->form == kCssColorName || c->form == kCssColorHash) return c->text;
  if (c->form == kCssColorHex) return u'#' + c->text;
  return colourToQColor(webGraphBackColour(c->colour)).name().toUpper();
}

TemplateValues queryValues(const QString& queryText, double maxMeterPower) {
  TemplateValues v;
  v['u'] = QStringLiteral("blue-");
  v['s'] = localeFromDouble(maxMeterPower);
  v['p'] = v['t'] = v['m'] = v['d'] = QStringLiteral("0");
  v['o'] = v['q'] = QStringLiteral("1");
  v['r'] = QStringLiteral("13");
  for (const QString& item : queryText.split(u'&')) {
    const QStringList kv = item.split(u'=');
    if (kv.size() != 2) continue;
    const QString value = urlDecode(kv[1]);
    for (size_t i = 0; i < kQueryKeys.size(); ++i)
      if (kv[0] == QChar::fromLatin1(kQueryKeys[i].key)) v.query[i] = pageSafeText(value.trimmed());
  }
  // The page's style is the picture's colour: the whole query read as the graph reads it.
  v.graphBgStyle = styleColour(queryText);
  // Values that end up in a style keep to what a colour or a length can be;
  // anything else is dropped, as if the item had not been given.
  for (const char key : {'z'})
    if (!isCssLength(v[key])) v[key].clear();
  for (const char key : {'w', 'h'})
    if (!isCssLengthList(v[key])) v[key].clear();
  for (const char key : {'b', 'c'})
    if (!isCssColour(v[key]) && !numberOnlyColour(v[key])) v[key].clear();
  return v;
}

QString firstItemStyle(const QString& name, const QString& value) {
  return value.isEmpty() ? QString() : name + u':' + value.section(u',', 0, 0).trimmed() + QStringLiteral("px;");
}

// "/" or the prefix a forwarding proxy names, with "portnr" as the local port.
QString applicationRoot(const QString& headerBlock, int localPort) {
  const QString tag = QStringLiteral("X-Forwarded-From: ");
  const qsizetype at = headerBlock.indexOf(tag);
  if (at < 0) return QStringLiteral("/");
  const qsizetype from = at + tag.size();
  const qsizetype end = headerBlock.indexOf(kCrLf, from);
  QString value = end < 0 ? headerBlock.mid(from) : headerBlock.mid(from, end - from);
  if (value.endsWith(u"portnr")) value = value.chopped(6) + QString::number(localPort);
  // It becomes a link: only a path on this host is taken.
  return isLocalPath(value) ? value + u'/' : QStringLiteral("/");
}

// The Date line changes once a second: the last one made is kept.
const QString& httpDateOf(const QDateTime& now) {
  static QDateTime last;
  static QString text;
  if (!last.isValid() || now != last) {
    text = formatHttpDate(now);
    last = now;
  }
  return text;
}

// The status line, the server and date lines, and "Connection: close": the
// server closes after every answer, so no client may wait to reuse it.
QString commonHeader(const QString& appName, const QDateTime& now, const char* status = "200 OK") {
  return QStringLiteral("HTTP/1.1 ") + QLatin1String(status) + kCrLf + QStringLiteral("Server: ") + appName +
         QStringLiteral(" ver ") + QString::number(ZAV_VERSION_MAJOR) + u'.' + QString::number(ZAV_VERSION_MINOR) +
         u'.' + QString::number(ZAV_VERSION_REVISION) + kCrLf + QStringLiteral("Date: ") + httpDateOf(now) + kCrLf +
         QStringLiteral("Connection: close") + kCrLf;
}

QString notFoundBody(const QString& appRoot) {
  return QStringLiteral("<html><head><title>Error 404</title></head>") + kCrLf +
         QStringLiteral("<body><p>&nbsp;<p>&nbsp;<p>&nbsp;<center>") + kCrLf +
         QStringLiteral("<b>ERROR: 404 - FILE NOT FOUND!</b><br>") + kCrLf + QStringLiteral("<p>&nbsp;") + kCrLf +
         QStringLiteral("<a href=\"") + appRoot +
         QStringLiteral("\">Click here for default page (on-line meter)</a><br>") + kCrLf +
         QStringLiteral("<p>&nbsp;") + kCrLf + QStringLiteral("or here <a href=\"") + appRoot +
         QStringLiteral("example.asp\">example.asp</a>") + kCrLf +
         QStringLiteral("for sample API that can be used<br> on any web page to access yor energy meter data.<br>") +
         kCrLf + QStringLiteral("</center></body></html>") + kCrLf;
}

QString xmlEscaped(QString text) {
  return text.replace(u'&', QStringLiteral("&amp;"))
      .replace(u'<', QStringLiteral("&lt;"))
      .replace(u'>', QStringLiteral("&gt;"));
}

QString summaryOf(const QString& header, const QString& sizeName, qsizetype size, const QString& nameKey,
                  const QString& name) {
  return header + kCrLf + u'[' + sizeName + u'=' + QString::number(size) + u']' + kCrLf + nameKey +
         QStringLiteral("= '") + name + u'\'' + kCrLf;
}

// The header, the empty line and the body in one buffer, as 8-bit text.
QByteArray answerBytes(const QString& header, QByteArrayView body) {
  QByteArray out;
  out.reserve(header.size() + kCrLf.size() + body.size());
  out += header.toLatin1();
  out += "\r\n";
  out += body;
  return out;
}

WebResponse textAnswer(const QString& header, const QString& body, const QString& sizeName,
                       const QString& nameKey, const QString& name) {
  WebResponse r;
  r.sends.append(answerBytes(header, body.toLatin1()));
  r.summary = summaryOf(header, sizeName, body.size(), nameKey, name);
  return r;
}

bool isTextExt(const QString& ext) {
  for (const char* e : {".html", ".asp", ".js", ".xml", ".txt", ".css"})
    if (ext == QLatin1String(e)) return true;
  return false;
}

bool isPictureExt(const QString& ext) {
  for (const char* e : {".jpg", ".gif", ".jpeg", ".png", ".ico", ".bmp"})
    if (ext == QLatin1String(e)) return true;
  return false;
}
}  // namespace

bool isCssLength(QStringView text) {
  if (text.isEmpty()) return true;
  const qsizetype dot = text.indexOf(u'.');
  const QStringView whole = dot < 0 ? text : text.first(dot);
  const QStringView fraction = dot < 0 ? QStringView() : text.mid(dot + 1);
  return allOf(whole, isAsciiDigit) && allOf(fraction, isAsciiDigit) && (dot < 0 || !fraction.isEmpty());
}

bool isCssLengthList(QStringView text) {
  if (text.isEmpty()) return true;
  for (const QStringView item : text.split(u','))
    if (item.trimmed().isEmpty() || !isCssLength(item.trimmed())) return false;
  return true;
}

bool isCssColour(QStringView text) {
  if (text.isEmpty()) return true;
  if (text.startsWith(u'#')) {
    const qsizetype n = text.size() - 1;
    return (n == 3 || n == 4 || n == 6 || n == 8) && allOf(text.mid(1), isHexDigit);
  }
  if (text.size() == 6 && allOf(text, isHexDigit)) return true;
  if (text.size() <= 32 && allOf(text, isAsciiLetter)) return true;  // a colour's name
  const qsizetype open = text.indexOf(u'(');
  if (open < 0 || !text.endsWith(u')')) return false;
  const QStringView name = text.first(open);
  const QStringView args = text.sliced(open + 1, text.size() - open - 2);
  const bool known = name.compare(u"rgb", Qt::CaseInsensitive) == 0 ||
                     name.compare(u"rgba", Qt::CaseInsensitive) == 0 || name.compare(u"hsl", Qt::CaseInsensitive) == 0 ||
                     name.compare(u"hsla", Qt::CaseInsensitive) == 0;
  return known && allOf(args, [](QChar c) { return isAsciiDigit(c) || QStringView(u"., %/").contains(c); });
}

bool isLocalPath(QStringView text) {
  if (text.isEmpty()) return true;
  // "//host" would lead to another site.
  if (text[0] != u'/' || text.startsWith(u"//")) return false;
  return allOf(text, [](QChar c) {
    return isAsciiDigit(c) || isAsciiLetter(c) || QStringView(u"/-._~%+,:@!$*=").contains(c);
  });
}

QString pageSafeText(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 32 || u == 127 || u == u'<' || u == u'>' || u == u'"' || u == u'\'' || u == u'`') continue;
    out += c;
  }
  return out;
}

QDateTime currentWebSecond() {
  static qint64 second = -1;
  static QDateTime local;
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  if (now != second) {
    local = QDateTime::fromSecsSinceEpoch(now);
    second = now;
  }
  return local;
}

QString formatHttpDate(const QDateTime& local) {
  static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const QDateTime t = local.addSecs(3600);
  const QDate d = t.date();
  return QString::fromLatin1(kDays[d.dayOfWeek() - 1]) + QStringLiteral(", ") +
         QStringLiteral("%1 %2 %3 ").arg(d.day(), 2, 10, QChar(u'0')).arg(QLatin1String(kMonths[d.month() - 1])).arg(d.year(), 4, 10, QChar(u'0')) +
         t.time().toString(QStringLiteral("HH:mm:ss"));
}

QString substituteTemplate(QString text, const QString& query, const QString& appRoot, const WebSite& site,
                           const QDateTime& now) {
  TemplateValues v = queryValues(query, site.maxMeterPower);
  const LiveValues& live = site.live;
  const QString style_panelBorderWidth =
      v['z'].isEmpty() ? QString() : QStringLiteral("border-width:") + v['z'] + QStringLiteral("px;");
  const QString style_graphBgColor =
      v.graphBgStyle.isEmpty() ? QString() : QStringLiteral("background-color:") + v.graphBgStyle + u';';
  const QString gaugeStyle = QStringLiteral(
      "position:relative;left:-2px;border:0 none;margin:0px;padding:0px;width:200px;height:200px;");
  const std::pair<const char*, QString> fields[] = {
      {"Now", formatLogTime(now)},
      {"strZavEnergy", live.strZavEnergy},
      {"strZavPower", live.strZavPower},
      {"strZavTemp", live.strZavTemp},
      {"lngZavEnergy", QString::number(live.lngZavEnergy)},
      {"lngZavPower", QString::number(live.lngZavPower)},
      {"lngZavTemp", QString::number(live.lngZavTemp)},
      {"querystring", pageSafeText(query)},
      {"panelStyle", QStringLiteral("background-color:#00FF00;")},
      {"gaugeStyle", gaugeStyle},
      {"graphStyle", QStringLiteral("background-color:#0000FF;")},
      {"pwrFullScale", v['s']},
      {"graphRangeIndex", v['r']},
      {"graphPowerScale", v['p']},
      {"graphTempScale", v['t']},
      {"graphMarkers", v['m']},
      {"graphOrthogonal", v['o']},
      {"graphBgPower", v['q']},
      {"graphReferenceTime", v['v']},
      {"graphWinColor", v['c']},
      {"graphEndTime", v['e']},
      {"graph3dFrame", v['d']},
      {"appName", site.appName},
      {"appRoot", appRoot},
      {"usePrefix", v['u']},
      {"tempChannels", site.tempChannels ? QStringLiteral("1") : QStringLiteral("0")},
      {"panelBorderWidth", v['z']},
      {"graphBgColor", v['b']},
      {"graphImgWidth", v['w']},
      {"graphImgHeight", v['h']},
      {"style_panelBorderWidth", style_panelBorderWidth},
      {"style_graphBgColor", style_graphBgColor},
      {"style_graphImgWidth", firstItemStyle(QStringLiteral("width"), v['w'])},
      {"style_graphImgHeight", firstItemStyle(QStringLiteral("height"), v['h'])},
  };
  for (const auto& [name, value] : fields)
    text.replace(QStringLiteral("<%=") + QLatin1String(name) + QStringLiteral("%>"), value);
  return text;
}

namespace {
// The picture's header lines after the common header, up to its length.
QString pictureHeader(const QString& appName, const QDateTime& now, const QString& fileExt, qint64 length) {
  QString header = commonHeader(appName, now) + QStringLiteral("Accept-Ranges: bytes") + kCrLf;
  if (fileExt == u".ico") {
    header += QStringLiteral("Content-Type: image/x-icon") + kCrLf;
  } else {
    header += QStringLiteral("Content-Type: image/") + fileExt.mid(1) + kCrLf +
              QStringLiteral("Cache-Control: no-cache, no-store, must-revalidate") + kCrLf;
  }
  return header + QStringLiteral("Content-Length: ") + QString::number(length) + kCrLf;
}

// The drawn graph goes out with its header in one send.
WebResponse drawnPictureAnswer(const QString& appName, const QDateTime& now, const QString& fileExt,
                               const QString& filePath, const QByteArray& picture) {
  const QString header = pictureHeader(appName, now, fileExt, picture.size());
  WebResponse r;
  r.sends.append(answerBytes(header, picture));
  r.summary = summaryOf(header, QStringLiteral("len(picBuffer)"), picture.size(), QStringLiteral("filePath"),
                        filePath);
  return r;
}

// A file of the web root: its header, then the file from disk (nothing when
// it is missing: the length is 0).
WebResponse fileAnswer(const QString& header, const QString& sizeName, const QString& filePath, qint64 size) {
  WebResponse r;
  r.sends.append((header + kCrLf).toLatin1());
  if (size > 0) r.file = FileBody{.path = filePath, .size = size};
  r.summary = summaryOf(header, sizeName, size, QStringLiteral("filePath"), filePath);
  return r;
}

WebResponse filePictureAnswer(const QString& appName, const QDateTime& now, const QString& fileExt,
                              const QString& filePath) {
  const qint64 size = webFileSize(filePath);
  return fileAnswer(pictureHeader(appName, now, fileExt, size), QStringLiteral("len(picFile)"), filePath,
                    size);
}

// What an answer holds in memory while it goes out, known before any read: a
// HEAD sends its header alone, whatever the file's size.
qint64 heldBytes(const WebResponse& r, bool headOnly) {
  qint64 bytes = 0;
  for (const QByteArray& b : r.sends) bytes += b.size();
  return bytes + (r.file && !headOnly ? std::min(r.file->size, 2 * kFileChunk) : 0);
}

Result<WebResponse> fullResponse(const WebRequestIn& request, const WebSite& site, const QDateTime& now,
                                 const AnswerRoom& room) {
  const QString appRoot = applicationRoot(request.headerBlock, request.localPort);
  const Result<QString> decoded = decodeWebPage(request.page);
  QString recPage = decoded.valueOr(QString());
  if (recPage.isEmpty()) recPage = QStringLiteral("index.asp");
  else if (recPage.endsWith(u'/')) recPage += QStringLiteral("index.asp");
  if (recPage == u"favicon.ico") recPage = site.appName.toLower() + QStringLiteral(".ico");
  const QString filePath = site.root + recPage;
  const qsizetype dot = recPage.lastIndexOf(u'.');
  const QString fileExt = dot >= 0 && dot < recPage.size() - 1 ? recPage.mid(dot).toLower() : QString();
  const QString fileName = recPage.mid(recPage.lastIndexOf(u'/') + 1).toLower();
  const bool liveGraph = recPage.chopped(fileExt.size()) == u"zavPlot";

  const bool inside = decoded.ok() && insideRealRoot(site.realRoot, filePath);
  if (!inside || (!webFileExists(filePath) && !liveGraph)) {
    if (inside && recPage == u"zavData.xml") {
      const QString body = QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>") + kCrLf +
                           QStringLiteral("<zavData>") + kCrLf + QStringLiteral("  <zavRecord>") +
                           xmlEscaped(site.live.zavRecord) + QStringLiteral("</zavRecord>") + kCrLf +
                           QStringLiteral("</zavData>") + kCrLf;
      const QString header = commonHeader(site.appName, now) + QStringLiteral("Accept-Ranges: bytes") + kCrLf +
                             QStringLiteral("Content-Type: text/xml") + kCrLf +
                             QStringLiteral("Cache-Control: no-cache, no-store, max-age=0, must-revalidate") + kCrLf +
                             QStringLiteral("Content-Length: ") + QString::number(body.size()) + kCrLf;
      return textAnswer(header, body, QStringLiteral("len(xmldata)"), QStringLiteral("responsePage"), recPage);
    }
    const QString body = notFoundBody(appRoot);
    const QString header = commonHeader(site.appName, now, "404 Not Found") + QStringLiteral("Content-Type: text/html") +
                           kCrLf + QStringLiteral("Content-Length: ") + QString::number(body.size()) + kCrLf;
    return textAnswer(header, body, QStringLiteral("len(htmldata)"), QStringLiteral("responsePage"), recPage);
  }

  if (isPictureExt(fileExt)) {
    // The graph is drawn first; the answer waits for it.
    if (liveGraph) {
      WebResponse r;
      r.graph =
          GraphAsk{.query = request.query, .fileExt = fileExt, .filePath = filePath, .recPage = recPage};
      return r;
    }
    WebResponse r = filePictureAnswer(site.appName, now, fileExt, filePath);
    return room(heldBytes(r, request.headOnly)) ? r : refusedRequest(503, site.appName, now);
  }
  if (!isTextExt(fileExt)) return WebResponse{};

  QString type = fileExt == u".js"    ? QStringLiteral("text/javascript")
                 : fileExt == u".xml" ? QStringLiteral("text/xml")
                 : fileExt == u".txt" ? QStringLiteral("text/plain")
                 : fileExt == u".css" ? QStringLiteral("text/css")
                                      : QStringLiteral("text/html");
  QString header = commonHeader(site.appName, now) + QStringLiteral("Content-Type: ") + type +
                   QStringLiteral("; charset=iso-8859-1") + kCrLf + QStringLiteral("Accept-Ranges: bytes") + kCrLf +
                   QStringLiteral("Cache-Control: no-cache, no-store") + kCrLf;
  const bool hasLength = fileExt != u".css" && fileExt != u".xml";
  const qint64 size = webFileSize(filePath);
  // Only template pages go through text; other files are sent as they are on disk.
  if (fileExt != u".asp" && fileName != u"zav.css" && fileName != u"zav.js") {
    if (hasLength) header += QStringLiteral("Content-Length: ") + QString::number(size) + kCrLf;
    WebResponse r = fileAnswer(header, QStringLiteral("len(htmldata)"), filePath, size);
    return room(heldBytes(r, request.headOnly)) ? r : refusedRequest(503, site.appName, now);
  }
  if (!room(header.size() + 2 * size)) return refusedRequest(503, site.appName, now);
  Result<QByteArray> read = readFileBytes(filePath);
  if (!read) return read.failure();
  const QByteArray htmldata =
      substituteTemplate(QString::fromLatin1(*read), request.query, appRoot, site, now).toLatin1();
  if (hasLength) header += QStringLiteral("Content-Length: ") + QString::number(htmldata.size()) + kCrLf;
  WebResponse r;
  r.sends.append(answerBytes(header, htmldata));
  r.summary = summaryOf(header, QStringLiteral("len(htmldata)"), htmldata.size(), QStringLiteral("filePath"), filePath);
  return r;
}

// HEAD: the same header, without the body.
Result<WebResponse> headAlone(Result<WebResponse> built, bool headOnly) {
  if (!built || !headOnly || built->sends.isEmpty()) return built;
  WebResponse& r = built.value();
  QByteArray& first = r.sends.first();
  const qsizetype end = first.indexOf("\r\n\r\n");
  if (end >= 0) first.truncate(end + 4);
  r.sends.resize(1);
  if (r.file) r.file->sent = false;
  return built;
}
}  // namespace

Result<WebResponse> buildResponse(const WebRequestIn& request, const WebSite& site, const QDateTime& now,
                                  const AnswerRoom& room) {
  return headAlone(fullResponse(request, site, now, room), request.headOnly);
}

Result<WebResponse> graphResponse(const GraphAsk& ask, const Result<QByteArray>& picture, const QString& appName,
                                  bool headOnly, const QDateTime& now) {
  if (picture && !picture->isEmpty())
    return headAlone(drawnPictureAnswer(appName, now, ask.fileExt, ask.filePath, *picture), headOnly);
  // Nothing drawn: the logo stands in.
  QString logo = ask.filePath;
  logo.replace(ask.recPage, QStringLiteral("logo.png"));
  return headAlone(filePictureAnswer(appName, now, QStringLiteral(".png"), logo), headOnly);
}

WebResponse refusedRequest(int status, const QString& appName, const QDateTime& now) {
  const char* line = status == 414   ? "414 URI Too Long"
                     : status == 431 ? "431 Request Header Fields Too Large"
                                     : "503 Service Unavailable";
  QString header = commonHeader(appName, now, line);
  if (status == 503) header += QStringLiteral("Retry-After: 10") + kCrLf;
  header += QStringLiteral("Content-Length: 0") + kCrLf;
  WebResponse r;
  r.sends.append(answerBytes(header, QByteArrayView()));
  r.summary = header;
  return r;
}

QString make404Page() {
  const char* const lines[] = {
      "<html>",
      "",
      "<head>",
      "<style>",
      "a:link {font:8pt/11pt verdana; color:red}",
      "a:visited {font:8pt/11pt verdana; color:red}",
      "a:hover {font:8pt/11pt verdana; color:red; text-decoration:underline}",
      "</style>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">",
      "<title>HTTP 404 Not Found</title>",
      "</head>",
      "",
      "<body bgcolor=\"#FFFFFF\">",
      "<p style=\"font-family:Verdana; color:red; font-weight:bold\">The page cannot be found",
      "</p>",
      "<p>&nbsp;</p>",
      "<p style=\"font-family:Verdana; font-size:8pt\">The page you are looking for might have been removed,",
      "had its name changed, or is",
      "temporarily unavailable.</p>",
      "<p align=\"center\">&nbsp;</p>",
      "<p align=\"center\" style=\"font-family:Verdana; font-size:8pt; font-style:italic\">HTTP 404 -",
      "File not found</p>",
      "</body>",
      "</html>",
  };
  QString page;
  for (const char* l : lines) page += QLatin1String(l) + kCrLf;
  return page + kCrLf + kCrLf;
}

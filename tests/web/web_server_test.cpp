// The running server against an independent client: exact bytes out, every
// limit and refusal tested on the wire.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTcpServer>

#include "chart/graph_image.h"
#include "support/headless_env.h"
#include "support/log_capture.h"
#include "web/lingering_close.h"
#include "web/web_client.h"
#include "web/web_fixture.h"

int WebServerTest::freePortNumber() { return freePort(); }

namespace {
// Every line of the common header but the date, which only has its form checked.
void expectCommonHeader(const QByteArray& header, const QByteArray& status) {
  const QList<QByteArray> lines = header.split('\n');
  ASSERT_GE(lines.size(), 4);
  EXPECT_EQ(lines[0], status + "\r");
  EXPECT_EQ(lines[1], "Server: Zav ver 1.3.0\r");
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d "
                                                "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
                                                "\\d\\d:\\d\\d:\\d\\d\r$"))
                  .match(QString::fromLatin1(lines[2]))
                  .hasMatch())
      << lines[2].constData();
  EXPECT_EQ(lines[3], "Connection: close\r");
}


const QByteArray kNotFoundBody =
    "<html><head><title>Error 404</title></head>\r\n"
    "<body><p>&nbsp;<p>&nbsp;<p>&nbsp;<center>\r\n"
    "<b>ERROR: 404 - FILE NOT FOUND!</b><br>\r\n"
    "<p>&nbsp;\r\n"
    "<a href=\"/\">Click here for default page (on-line meter)</a><br>\r\n"
    "<p>&nbsp;\r\n"
    "or here <a href=\"/example.asp\">example.asp</a>\r\n"
    "for sample API that can be used<br> on any web page to access yor energy meter data.<br>\r\n"
    "</center></body></html>\r\n";
}  // namespace

TEST_F(WebServerTest, textFileGoesOutWithTheExactHeaderLines) {
  write(QStringLiteral("root/hello.txt"), "hello");
  write(QStringLiteral("root/style.css"), "p{}");
  start();
  const ClientResult r = get(port(), "/hello.txt");
  expectCommonHeader(r.bytes, "HTTP/1.1 200 OK");
  EXPECT_EQ(afterDate(r.bytes),
            "Connection: close\r\nContent-Type: text/plain; charset=iso-8859-1\r\nAccept-Ranges: bytes\r\n"
            "Cache-Control: no-cache, no-store\r\nContent-Length: 5\r\n\r\nhello");
  EXPECT_TRUE(r.closedByServer);
  // Style sheets carry no length.
  EXPECT_EQ(afterDate(get(port(), "/style.css").bytes),
            "Connection: close\r\nContent-Type: text/css; charset=iso-8859-1\r\nAccept-Ranges: bytes\r\n"
            "Cache-Control: no-cache, no-store\r\n\r\np{}");
}

TEST_F(WebServerTest, missingPageGetsTheNotFoundPageWithStatus404) {
  start();
  const ClientResult r = get(port(), "/nothing.html");
  expectCommonHeader(r.bytes, "HTTP/1.1 404 Not Found");
  EXPECT_EQ(afterDate(r.bytes), "Connection: close\r\nContent-Type: text/html\r\nContent-Length: 379\r\n\r\n" +
                                    kNotFoundBody);
  EXPECT_EQ(kNotFoundBody.size(), 379);
  EXPECT_TRUE(r.closedByServer);
}

TEST_F(WebServerTest, xmlRecordIsNinetyFiveBytesPlusTheRecord) {
  start();
  const ClientResult r = get(port(), "/zavData.xml");
  const QByteArray body = bodyOf(r.bytes);
  ASSERT_TRUE(body.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<zavData>\r\n  <zavRecord>"));
  ASSERT_TRUE(body.endsWith("</zavRecord>\r\n</zavData>\r\n"));
  const qsizetype record = body.size() - 95;
  EXPECT_GE(record, 0);
  EXPECT_TRUE(afterDate(r.bytes).startsWith(
      "Connection: close\r\nAccept-Ranges: bytes\r\nContent-Type: text/xml\r\n"
      "Cache-Control: no-cache, no-store, max-age=0, must-revalidate\r\nContent-Length: " +
      QByteArray::number(body.size()) + "\r\n\r\n"));
}

TEST_F(WebServerTest, templateTakesTheLastDuplicateAndSkipsItemsWithoutOneEqualsSign) {
  write(QStringLiteral("root/t.asp"),
        "[<%=graphRangeIndex%>|<%=graphImgWidth%>|<%=style_graphImgWidth%>|<%=style_graphBgColor%>|"
        "<%=style_panelBorderWidth%>|<%=usePrefix%>|<%=querystring%>|<%=unknown%>]");
  start();
  struct Row {
    const char* query;
    QByteArray body;
  } rows[] = {
      {"r=5&r=7&a=b=c&x&U=1", "[7|||||blue-|r=5&r=7&a=b=c&x&U=1|<%=unknown%>]"},
      {"w=300%2C%20200&b=C0C0C0&z=3", "[13|300, 200|width:300px;|background-color:#C0C0C0;|border-width:3px;|blue-|"
                                      "w=300%2C%20200&b=C0C0C0&z=3|<%=unknown%>]"},
      {"b=%23C0C0C0", "[13|||background-color:#C0C0C0;||blue-|b=%23C0C0C0|<%=unknown%>]"},
      {"b=red&u=", "[13|||background-color:red;|||b=red&u=|<%=unknown%>]"},
      // Markup from the query never reaches the page.
      {"u=%3Cscript%3E%22a%27b%60c%01d&r=<x>", "[x|||||scriptabcd|u=%3Cscript%3E%22a%27b%60c%01d&r=x|<%=unknown%>]"},
      // Style values keep to colours and lengths; anything else is dropped. Only six hex digits get a "#".
      // A colour is what the graph reads: a ";" ends it.
      {"z=0;background:url(x)&b=red;}x{&w=300px",
       "[13|||background-color:red;||blue-|z=0;background:url(x)&b=red;}x{&w=300px|<%=unknown%>]"},
      {"z=1.5&b=yellow", "[13|||background-color:yellow;|border-width:1.5px;|blue-|z=1.5&b=yellow|<%=unknown%>]"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(bodyOf(get(port(), QByteArray("/t.asp?") + row.query).bytes).toStdString(), row.body.toStdString());
}

// The graph language's numeric colours: the field as given, the style in the colour the graph draws.
TEST_F(WebServerTest, numericColoursReachTheTemplate) {
  write(QStringLiteral("root/c.asp"), "<%=graphWinColor%>|<%=graphBgColor%>|<%=style_graphBgColor%>");
  start();
  const struct {
    const char* query;
    const char* body;
  } rows[] = {
      {"c=8&b=%26HFF00FF", "8|&HFF00FF|background-color:#FF00FF;"},
      {"b=255", "|255|background-color:#FF0000;"},        // red in the low byte
      {"b=123456", "|123456|background-color:#123456;"},  // six digits are hex, as the graph reads them
      {"b=-1", "|-1|background-color:#F0F0F0;"},          // the picture's own background
      {"b=%26h0000ff", "|&h0000ff|background-color:#FF0000;"},
      // The Long suffix and an exponent, read as the graph reads them.
      {"b=%26H80FF%26", "|&H80FF&|background-color:#FF8000;"},
      {"b=255%26&c=%26H8000000F%26", "&H8000000F&|255&|background-color:#FF0000;"},
      {"b=1e3", "|1e3|background-color:#E80300;"},
      // Only a number and nothing more reaches the page as text; the style is the
      // colour the graph reads; a number the graph refuses is dropped.
      {"b=8;x:y&c=%26H1G", "||background-color:#080000;"},
      {"b=1%202&c=255%26x", "||background-color:#0C0000;"},
      {"b=99999999999&c=1e10", "||"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(bodyOf(get(port(), QByteArray("/c.asp?") + row.query).bytes), QByteArray(row.body))
        << row.query;
}

// The page's style is the colour the picture is drawn in (below 0: its own
// background), whatever the colour's text; where the picture keeps its own
// colour the style is empty.
TEST_F(WebServerTest, thePagesStyleIsThePicturesColourForEveryColourText) {
  write(QStringLiteral("root/c.asp"), "<%=style_graphBgColor%>");
  start();
  const auto drawnBy = [&](const QByteArray& query) {
    const GraphImageJob job = makeGraphImageJob(QString::fromLatin1("w=200&h=100&" + query), "png", m_settings, 0);
    return QColor(drawGraphImage(job).picture.pixel(0, 0)).name().toUpper().toLatin1();
  };
  const auto drawn = [&](const char* b) { return drawnBy(QByteArray("b=") + b); };
  const auto styleBy = [&](const QByteArray& query) {
    const QByteArray style = bodyOf(get(port(), "/c.asp?" + query).bytes);
    return style.startsWith("background-color:") && style.endsWith(';')
               ? QColor::fromString(style.mid(17).chopped(1)).name().toUpper().toLatin1()
               : style;
  };
  const char* const own = "#F0F0F0";
  const struct {
    const char *b, *colour;  // colour empty: the picture's own, and no style
  } rows[] = {
      {"-1", own}, {"-2", own}, {"-3", own}, {"-16777215", own}, {"-2147483648", own}, {"%26H80000000", own},
      {"%26H80000005", own}, {"%26H8000000F", own}, {"%26H80000012", own}, {"%26H8000000F%26", own},
      {"transparent", own}, {"Transparent", "#000000"}, {"0", "#000000"}, {"255", "#FF0000"},
      {"255%26", "#FF0000"}, {"%26HFFFFFF", "#FFFFFF"}, {"16777216", "#000000"}, {"2147483647", "#FFFFFF"},
      {"%26H80FF%26", "#FF8000"}, {"%26HFFFF%26", "#FFFF00"}, {"1e3", "#E80300"}, {"red", "#FF0000"},
      {"Yellow", "#FFFF00"}, {"00ff80", "#00FF80"}, {"%23ff0000", "#FF0000"}, {"rgb(0,128,255)", "#0080FF"},
      {"rgb(300,0,0)", "#FF0000"}, {"255%3B", "#FF0000"}, {"255)", "#FF0000"}, {"255%26%26", "#FF0000"},
      {"255%20%26", "#FF0000"}, {"2%2055", "#FF0000"}, {"0x10", "#000000"}, {"%26H%2080FF", own},
      {"%26H1FFFFFFFF", "#000000"}, {"%22255%22", ""}, {"%27255%27", "#000000"}, {"1e10", ""}, {"xyz", "#000000"},
      {"%23a0B", ""}, {"%2312345", ""}, {"rgb(1,2)", ""}, {"rgb(0,0,0)x", "#000000"},
      {"red%3B%7Dbody%7Bx:y%7D", "#FF0000"},
  };
  const QByteArray unchanged = drawn("");
  for (const auto& row : rows) {
    EXPECT_EQ(styleBy(QByteArray("b=") + row.b), row.colour) << row.b;
    EXPECT_EQ(drawn(row.b), *row.colour ? QByteArray(row.colour) : unchanged) << row.b;
  }
  // The whole query is read once for both: behind an empty piece, a bare word
  // or a value holding "=", values are taken undecoded; the last colour given
  // holds; the key's case does not count.
  const struct {
    const char *query, *colour;
  } queries[] = {
      {"d=1&&b=%23ff0000", "#000000"}, {"&b=%23ff0000", "#000000"}, {"x&b=%23ff0000", "#000000"},
      {"a=1=2&b=%23ff0000", "#000000"}, {"&b=red", "#FF0000"},    {"b=%23ff0000&&", "#FF0000"},
      {"b=red&b=%23a0B", "#FF0000"},   {"b=red&b=1e10", "#FF0000"}, {"b=red&b=", "#FF0000"},
      {"b=red&b=xyz", "#000000"},      {"B=red", "#FF0000"},       {"b=red&B=00ff80", "#00FF80"},
      {"b=red&b=transparent", own},    {"bb=red", ""},             {"b=red&b=1&b=%23a0B", "#010000"},
  };
  for (const auto& row : queries) {
    EXPECT_EQ(styleBy(row.query), QByteArray(row.colour)) << row.query;
    EXPECT_EQ(drawnBy(row.query), *row.colour ? QByteArray(row.colour) : unchanged) << row.query;
  }
}

TEST_F(WebServerTest, styleSheetValuesCannotLeaveTheirRule) {
  write(QStringLiteral("root/zav.css"), "x{<%=style_graphBgColor%>}");
  start();
  EXPECT_EQ(bodyOf(get(port(), "/zav.css?b=red;}body{display:none}").bytes), "x{background-color:red;}");
  EXPECT_EQ(bodyOf(get(port(), "/zav.css?b=%23a0B;}body{display:none}").bytes), "x{}");
}

TEST_F(WebServerTest, forwardedAppRootIsTakenOnlyWhenItIsAPath) {
  write(QStringLiteral("root/r.asp"), "<%=appRoot%>");
  start();
  const auto rootFor = [&](const QByteArray& value) {
    return bodyOf(get(port(), "/r.asp", "X-Forwarded-From: " + value + "\r\n").bytes);
  };
  EXPECT_EQ(rootFor("/meter/portnr"), "/meter/" + QByteArray::number(port()) + "/");
  EXPECT_EQ(rootFor("javascript:alert(1)//"), "/");
  EXPECT_EQ(rootFor("//evil.example/x"), "/");
  // The not-found page's links take the same root.
  EXPECT_TRUE(bodyOf(get(port(), "/none.html", "X-Forwarded-From: javascript:x\r\n").bytes).contains("<a href=\"/\">"));
}

TEST_F(WebServerTest, liveGraphIsTheRenderedPictureOrTheLogo) {
  QString seenQuery, seenType;
  m_render = [&](const QString& query, const QString& type) {
    seenQuery = query;
    seenType = type;
    QImage img(7, 5, QImage::Format_RGB32);
    img.fill(QColor(10, 20, 30));
    QByteArray picture;
    QBuffer buf(&picture);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, type == u"gif" ? "PNG" : type.toLatin1().constData());
    return readyPicture(picture);
  };
  start();
  const ClientResult png = get(port(), "/zavPlot.png?r=5&w=640");
  EXPECT_EQ(seenQuery, QStringLiteral("r=5&w=640"));
  EXPECT_EQ(seenType, QStringLiteral("png"));
  const QImage decoded = QImage::fromData(bodyOf(png.bytes), "PNG");
  EXPECT_EQ(decoded.size(), QSize(7, 5));
  EXPECT_EQ(decoded.pixelColor(3, 2), QColor(10, 20, 30));
  EXPECT_TRUE(afterDate(png.bytes).startsWith("Connection: close\r\nAccept-Ranges: bytes\r\nContent-Type: image/png\r\n"
                                              "Cache-Control: no-cache, no-store, must-revalidate\r\nContent-Length: " +
                                              QByteArray::number(bodyOf(png.bytes).size()) + "\r\n\r\n"));
  EXPECT_TRUE(afterDate(get(port(), "/zavPlot.jpg").bytes).contains("Content-Type: image/jpg\r\n"));

  // Nothing rendered: the logo stands in; no logo either: an empty picture.
  m_render = nullptr;
  const QByteArray logo = "\x89PNG-logo-bytes";
  write(QStringLiteral("root/logo.png"), logo);
  const ClientResult fallback = get(port(), "/zavPlot.gif");
  EXPECT_TRUE(afterDate(fallback.bytes).contains("Content-Type: image/png\r\n"));
  EXPECT_EQ(bodyOf(fallback.bytes), logo);
  QFile::remove(path(QStringLiteral("root/logo.png")));
  const ClientResult none = get(port(), "/zavPlot.gif");
  EXPECT_TRUE(afterDate(none.bytes).endsWith("Content-Length: 0\r\n\r\n"));
  EXPECT_TRUE(none.closedByServer);
}

TEST_F(WebServerTest, emptyPictureFileAnswersLengthZeroAndCloses) {
  write(QStringLiteral("root/empty.gif"), "");
  write(QStringLiteral("root/zav.ico"), "ICO");
  start();
  const ClientResult r = get(port(), "/empty.gif");
  EXPECT_TRUE(afterDate(r.bytes).endsWith("Content-Length: 0\r\n\r\n"));
  EXPECT_TRUE(r.closedByServer);
  EXPECT_EQ(afterDate(get(port(), "/favicon.ico").bytes),
            "Connection: close\r\nAccept-Ranges: bytes\r\nContent-Type: image/x-icon\r\nContent-Length: 3\r\n\r\nICO");
}

TEST_F(WebServerTest, requestInSeveralSegmentsIsAnsweredOnceAndTheRestIgnored) {
  write(QStringLiteral("root/a.txt"), "A");
  start();
  const ClientResult r =
      exchange(port(), {"GET /a.t", "xt HTTP/1.1\r\nHo", "st: zav\r\n", "\r\nGET /a.txt HTTP/1.1\r\n\r\n"});
  EXPECT_EQ(r.bytes.count("HTTP/1.1"), 1);
  EXPECT_EQ(bodyOf(r.bytes), "A");
  EXPECT_TRUE(r.closedByServer);
}

TEST_F(WebServerTest, requestWithoutHeaderLinesIsAnswered) {
  start();
  const ClientResult r = exchange(port(), {"GET / HTTP/1.0\r\n\r\n"});
  EXPECT_TRUE(r.bytes.startsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(bodyOf(r.bytes), "index 13");
}

TEST_F(WebServerTest, malformedRequestsAreClosedWithoutAnswer) {
  write(QStringLiteral("root/page.pdf"), "%PDF");
  start();
  for (const QByteArray& request : {QByteArray("GET /a b HTTP/1.1\r\n\r\n"), QByteArray("GET /page.pdf HTTP/1.1\r\n\r\n")}) {
    const ClientResult r = exchange(port(), {request});
    EXPECT_TRUE(r.bytes.isEmpty()) << request.constData();
    EXPECT_TRUE(r.closedByServer) << request.constData();
  }
  EXPECT_EQ(counters().active, 0);
}

TEST_F(WebServerTest, overLongRequestLineGets414AndOverLongHeadGets431) {
  start();
  const QByteArray k414 = "HTTP/1.1 414 URI Too Long";
  const QByteArray k431 = "HTTP/1.1 431 Request Header Fields Too Large";
  const QList<QByteArray> headSegments(17, "X-Part: " + QByteArray(1014, 'c') + "\r\n");
  const struct {
    const char* name;
    QList<QByteArray> chunks;
    QByteArray status;
  } rows[] = {
      {"complete head, line of 1,000", {"GET /" + QByteArray(986, 'a') + " HTTP/1.1\r\n\r\n"}, k414},
      {"line of 1,000 still open", {"GET /" + QByteArray(996, 'a')}, k414},
      {"bytes that never form a line", {QByteArray(20 * 1024, '\0')}, k414},
      {"head of 17 KiB in one piece", {"GET / HTTP/1.1\r\nX: " + QByteArray(17 * 1024, 'b')}, k431},
      {"head growing past 16 KiB in segments", QList<QByteArray>{"GET / HTTP/1.1\r\n"} + headSegments, k431},
  };
  for (const auto& row : rows) {
    const ClientResult r = exchange(port(), row.chunks, std::chrono::milliseconds(5));
    expectCommonHeader(r.bytes, row.status);
    EXPECT_EQ(afterDate(r.bytes), "Connection: close\r\nContent-Length: 0\r\n\r\n") << row.name;
    EXPECT_TRUE(r.closedByServer) << row.name;
  }
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }));
}

TEST_F(WebServerTest, headGetsTheHeaderOfTheGetAlone) {
  write(QStringLiteral("root/a.txt"), "A");
  write(QStringLiteral("root/p.png"), "\x89PNG-file");
  m_render = [](const QString&, const QString&) { return readyPicture(QByteArray("rendered")); };
  start();
  for (const char* target : {"/a.txt", "/p.png", "/nothing.html", "/zavData.xml", "/zavPlot.png?r=5", "/"}) {
    const ClientResult full = get(port(), target);
    const ClientResult head = exchange(port(), {QByteArray("HEAD ") + target + " HTTP/1.1\r\nHost: zav\r\n\r\n"});
    ASSERT_FALSE(bodyOf(full.bytes).isEmpty()) << target;
    EXPECT_EQ(afterDate(head.bytes), afterDate(headerOf(full.bytes))) << target;
    EXPECT_TRUE(head.bytes.endsWith("\r\n\r\n")) << target;
    EXPECT_TRUE(head.closedByServer) << target;
  }
}

TEST_F(WebServerTest, halfClosedClientGetsTheWholeAnswer) {
  write(QStringLiteral("root/a.txt"), "A");
  // More than the socket buffers hold: the answer goes out long after the client's end of input.
  const QByteArray big(8 * 1024 * 1024, 'j');
  write(QStringLiteral("root/big.jpg"), big);
  start();
  const ClientResult small = exchange(port(), {"GET /a.txt HTTP/1.0\r\n\r\n"}, std::chrono::milliseconds(0),
                                      std::chrono::milliseconds(5000), true);
  EXPECT_EQ(bodyOf(small.bytes), "A");
  const ClientResult large = exchange(port(), {"GET /big.jpg HTTP/1.0\r\n\r\n"}, std::chrono::milliseconds(0),
                                      std::chrono::milliseconds(20000), true);
  EXPECT_EQ(bodyOf(large.bytes).size(), big.size());
  EXPECT_TRUE(large.closedByServer);
  // Input that ends before the head does gets no answer, and the slot is free again.
  const ClientResult cut = exchange(port(), {"GET /a.txt HTTP/1.0\r\n"}, std::chrono::milliseconds(0),
                                    std::chrono::milliseconds(5000), true);
  EXPECT_TRUE(cut.bytes.isEmpty());
  EXPECT_TRUE(cut.closedByServer);
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }));
}

TEST_F(WebServerTest, headOfExactlyTheLimitInManyLinesIsAnswered) {
  write(QStringLiteral("root/a.txt"), "A");
  start();
  QByteArray head = "GET /a.txt HTTP/1.1\r\n";
  while (head.size() < 16 * 1024 - 200) head += "X-Line-" + QByteArray::number(head.size()) + ": v\r\n";
  head += "X-Pad: " + QByteArray(16 * 1024 - 2 - 9 - head.size(), 'p') + "\r\n\r\n";
  ASSERT_EQ(head.size(), 16 * 1024);
  QList<QByteArray> chunks;
  for (qsizetype at = 0; at < head.size(); at += 1000) chunks.append(head.mid(at, 1000));
  EXPECT_EQ(bodyOf(exchange(port(), chunks, std::chrono::milliseconds(5)).bytes), "A");
}

TEST_F(WebServerTest, everyTraversalFormGetsTheNotFoundPage) {
  write(QStringLiteral("root/sub/in.txt"), "in");
  ASSERT_EQ(::symlink(path(QStringLiteral("outside")).toLocal8Bit(), path(QStringLiteral("root/out")).toLocal8Bit()), 0);
  ASSERT_EQ(::symlink(path(QStringLiteral("outside/secret.txt")).toLocal8Bit(),
                      path(QStringLiteral("root/secret.txt")).toLocal8Bit()),
            0);
  ASSERT_EQ(::symlink(path(QStringLiteral("root/sub/in.txt")).toLocal8Bit(), path(QStringLiteral("root/inlink.txt")).toLocal8Bit()), 0);
  start();
  for (const char* target : {"/../outside/secret.txt", "/sub/../../outside/secret.txt", "/%2e%2e/outside/secret.txt",
                             "/sub/%2E%2E/%2e%2e/outside/secret.txt", "/%252e%252e/outside/secret.txt",
                             "/sub%5c..%5c..%5coutside%5csecret.txt", "/sub\\in.txt", "/sub/in.txt%00.txt",
                             "/out/secret.txt", "/secret.txt", "//etc/passwd", "/sub/in%0a.txt",
                             "/%2e%2e%2foutside%2fsecret.txt", "/sub/..%2f..%2foutside/secret.txt",
                             "/.%2e/outside/secret.txt", "/sub/./../../outside/secret.txt", "/out%2fsecret.txt",
                             "/%c0%ae%c0%ae/outside/secret.txt", "/..%00/outside/secret.txt", "/out/", "/out",
                             "http://zav/../outside/secret.txt", "/%2e%2e%5coutside%5csecret.txt"}) {
    const ClientResult r = get(port(), target);
    EXPECT_TRUE(r.bytes.startsWith("HTTP/1.1 404 Not Found\r\n")) << target;
    EXPECT_FALSE(bodyOf(r.bytes).contains("secret")) << target;
  }
  // The secret's own absolute path, percent-encoded behind the root's slash.
  const QByteArray absolute = "/%2F" + path(QStringLiteral("outside/secret.txt")).toUtf8().mid(1);
  EXPECT_TRUE(get(port(), absolute).bytes.startsWith("HTTP/1.1 404 Not Found\r\n")) << absolute.constData();
  // Links that stay inside the root are served.
  EXPECT_EQ(bodyOf(get(port(), "/inlink.txt").bytes), "in");
  EXPECT_EQ(bodyOf(get(port(), "/sub/in.txt").bytes), "in");
}

TEST_F(WebServerTest, tenIdleClientsDoNotLockTheServer) {
  write(QStringLiteral("root/a.txt"), "A");
  server().setLimits(
      {.requestHead = std::chrono::milliseconds(400), .idle = std::chrono::milliseconds(30000)});
  start();
  const int before = openDescriptors();
  std::vector<std::unique_ptr<IdleClient>> idle;
  for (int i = 0; i < 10; ++i) {
    idle.push_back(std::make_unique<IdleClient>(port()));
    ASSERT_TRUE(pumpUntil([&] { return counters().active == i + 1; }));
  }
  // The eleventh waits in line (no request of its own is there to make a slot
  // free for) and takes the first slot whose head's time is up.
  IdleClient eleventh(port());
  EXPECT_TRUE(idle[0]->closedWithin(std::chrono::milliseconds(2000)));
  EXPECT_TRUE(pumpUntil([&] { return counters().accepts == 11; }));
  EXPECT_EQ(counters().requests, 11);
  // The rest miss the deadline of their request head and free their slots.
  for (auto& c : idle) EXPECT_TRUE(c->closedWithin(std::chrono::milliseconds(3000)));
  EXPECT_TRUE(eleventh.closedWithin(std::chrono::milliseconds(3000)));
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }));
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "A");
  idle.clear();
  pumpFor(std::chrono::milliseconds(100));
  EXPECT_LE(openDescriptors(), before + 1);  // the eleventh is still open on the client's side
}

// A head that had to give its slot to a request is put aside: should its own
// request come after all, it is a newcomer again (counted once), never told
// to come again for the slot it gave.
TEST_F(WebServerTest, aHeadThatGaveItsSlotIsAnsweredShouldItsRequestCome) {
  const QByteArray mid(100 * 1024, 'm');
  write(QStringLiteral("root/mid.jpg"), mid);
  write(QStringLiteral("root/a.txt"), "A");
  start();
  std::vector<std::unique_ptr<IdleClient>> idle;
  for (int i = 0; i < 10; ++i) {
    idle.push_back(std::make_unique<IdleClient>(port()));
    ASSERT_TRUE(pumpUntil([&] { return counters().active == i + 1; }));
  }
  pumpFor(std::chrono::milliseconds(100));  // past the grace
  EXPECT_EQ(bodyOf(get(port(), "/mid.jpg").bytes), mid);
  ASSERT_TRUE(idle[0]->send("GET /a.txt HTTP/1.1\r\n\r\n"));
  ASSERT_TRUE(idle[0]->answeredWithin(std::chrono::milliseconds(5000)));
  EXPECT_EQ(bodyOf(idle[0]->received()), "A");
  EXPECT_EQ(counters().requests, 11);
}

// The line takes no more descriptors than the budget leaves it beside the
// listener, the slots and their files, the lingering closes and a full
// backlog: past that a newcomer is told to come again.
TEST_F(WebServerTest, theLineKeepsWithinTheDescriptorsLeftIt) {
  server().setLimits({.newConnectionGrace = std::chrono::milliseconds(10000),
                      .descriptors = 1 + 2 * 10 + kMaxLingering + SocketArray::kListenBacklog + 5});
  start();
  std::vector<std::unique_ptr<IdleClient>> clients;
  for (int i = 0; i < 18; ++i) clients.push_back(std::make_unique<IdleClient>(port()));
  const auto told = [&] {
    return std::count_if(clients.begin(), clients.end(),
                         [](auto& c) { return c->received().startsWith("HTTP/1.1 503 Service Unavailable\r\n"); });
  };
  EXPECT_TRUE(pumpUntil([&] { return told() == 3; }));
  pumpFor(std::chrono::milliseconds(300));
  EXPECT_EQ(told(), 3);
  EXPECT_EQ(counters().requests, 18);
  EXPECT_EQ(counters().accepts, 10);
  EXPECT_EQ(server().sockets().waitingCount(), 5);
}

// At the descriptor budget the server takes no more connections until some
// close: the rest wait in the system's queue, and are taken once some close.
TEST_F(WebServerTest, acceptingPausesAtTheDescriptorBudget) {
  write(QStringLiteral("root/a.txt"), "A");
  server().setLimits({.descriptors = 10 + 16});  // a file for each slot, 16 for the connections
  start();
  std::vector<std::unique_ptr<IdleClient>> idle;
  for (int i = 0; i < 40; ++i) idle.push_back(std::make_unique<IdleClient>(port()));
  int most = 0;
  pumpUntil(
      [&] {
        most = std::max(most, server().sockets().heldDescriptors());
        return false;
      },
      std::chrono::milliseconds(500));
  EXPECT_LE(most, 16);
  EXPECT_LT(counters().requests, 40);
  idle.clear();
  EXPECT_TRUE(pumpUntil([&] { return counters().requests == 40; }));
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "A");
  EXPECT_EQ(counters().errors, 0);
}

// A request sent a little after the connect is answered though newcomers
// crowd in meanwhile: a new head keeps its slot for the grace.
TEST_F(WebServerTest, aNewConnectionKeepsItsSlotForTheGraceWhileNewcomersCrowdIn) {
  write(QStringLiteral("root/a.txt"), "A");
  server().setLimits({.newConnectionGrace = std::chrono::milliseconds(3000)});
  start();
  IdleClient late(port());
  std::vector<std::unique_ptr<IdleClient>> crowd;
  for (int i = 0; i < 30; ++i) crowd.push_back(std::make_unique<IdleClient>(port()));
  pumpFor(std::chrono::milliseconds(300));
  ASSERT_TRUE(late.send("GET /a.txt HTTP/1.1\r\n\r\n"));
  ASSERT_TRUE(late.answeredWithin(std::chrono::milliseconds(5000)));
  EXPECT_EQ(bodyOf(late.received()), "A");
}

TEST_F(WebServerTest, slotsThatAreAnsweringAreNotTakenAway) {
  // More than the socket buffers of a client that does not read hold, so the answers stay in progress.
  write(QStringLiteral("root/big.jpg"), QByteArray(64 * 1024 * 1024, 'j'));
  start();
  std::vector<std::unique_ptr<IdleClient>> readers;
  for (int i = 0; i < 10; ++i) {
    readers.push_back(std::make_unique<IdleClient>(port()));
    const int fd = readers.back()->fd();
    ASSERT_EQ(::send(fd, "GET /big.jpg HTTP/1.1\r\n\r\n", 25, MSG_NOSIGNAL), 25);
    // Its answer has begun.
    ASSERT_TRUE(pumpUntil([fd] {
      pollfd p{fd, POLLIN, 0};
      return ::poll(&p, 1, 0) > 0;
    }));
  }
  EXPECT_EQ(counters().active, 10);
  // The eleventh waits in line while the answers are young.
  IdleClient eleventh(port());
  ASSERT_TRUE(eleventh.send("GET /big.jpg HTTP/1.1\r\n\r\n"));
  EXPECT_FALSE(eleventh.closedWithin(std::chrono::milliseconds(1000)));
  EXPECT_EQ(counters().requests, 11);
  EXPECT_EQ(counters().accepts, 10);
  EXPECT_EQ(counters().active, 10);
}

TEST_F(WebServerTest, logEntriesHaveTheirExactLayout) {
  write(QStringLiteral("root/a.txt"), "A");
  setLogging(1, path(QStringLiteral("web.log")));
  start();
  get(port(), "/a.txt");
  pumpFor(std::chrono::milliseconds(100));
  QFile f(m_settings.webLogFileText);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString log = QString::fromLatin1(f.readAll());
  const QStringList entries = log.split(QStringLiteral("\r\n\r\n"), Qt::SkipEmptyParts);
  ASSERT_GE(entries.size(), 3);
  const QRegularExpression first(QStringLiteral(
      "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  [\\d.]+  \\(0\\)  SocketHandle=\\d+  State=2:sckListening  "
      "Event=0:ConnectionRequest\r\n  \\[1 0 0 0\\]  :0\r\n  \\* j=11 i=1 \\*{10}  requestID=\\d+ \\( 1 0 0 0 0 0 0 0 0 0 \\)\r\n-{80}$"));
  EXPECT_TRUE(first.match(entries[0]).hasMatch()) << entries[0].toStdString();
  const QRegularExpression arrival(QStringLiteral(
      "^[^\r]*  \\(1\\)  SocketHandle=\\d+  State=7:sckConnected  Event=1:DataArrival\r\n"
      "  \\[1 1 1 1\\]  127\\.0\\.0\\.1:\\d+  BytesReceived=34\r\n  -{42}\r\n  > GET /a.txt HTTP/1.1\r\n  > Host: zav\r\n"
      "  > \r\n  > \r\n  -{42}\r\n  < HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(arrival.match(entries[1]).hasMatch()) << entries[1].toStdString();
  EXPECT_TRUE(entries[1].contains(QStringLiteral("\r\n  < [len(htmldata)=1]\r\n  < filePath= '")));
  EXPECT_TRUE(log.contains(QStringLiteral("Event=3:SendComplete\r\n")));
  EXPECT_TRUE(log.contains(QStringLiteral("\r\n  * closing connection\r\n") + QString(80, u'=') + QStringLiteral("\r\n\r\n")));
}

namespace {
QString logText(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}
}  // namespace

TEST_F(WebServerTest, controlCharactersFromTheClientAreEscapedInTheLog) {
  write(QStringLiteral("root/a.txt"), "A");
  setLogging(1, path(QStringLiteral("web.log")));
  start();
  const ClientResult r =
      exchange(port(), {"GET /a.txt HTTP/1.1\r\nX-A: 1\n2027-01-01 00:00:00  forged\rX-B: \x1b[31m\x7f\r\n\r\n"});
  EXPECT_EQ(bodyOf(r.bytes), "A");
  ASSERT_TRUE(pumpUntil([&] { return logText(m_settings.webLogFileText).contains(QStringLiteral("Event=3:SendComplete")); }));
  const QString log = logText(m_settings.webLogFileText);
  EXPECT_TRUE(log.contains(QStringLiteral("\r\n  > X-A: 1\\x0A2027-01-01 00:00:00  forged\\x0DX-B: \\x1B[31m\\x7F\r\n  > \r\n")))
      << log.toStdString();
  // Every line break in the log is one the server wrote.
  EXPECT_EQ(log.count(u'\n'), log.count(QStringLiteral("\r\n")));
  EXPECT_EQ(log.count(u'\r'), log.count(QStringLiteral("\r\n")));
}

TEST_F(WebServerTest, aConnectEventIsLoggedAndChangesNothingElse) {
  setLogging(1, path(QStringLiteral("web.log")));
  start();
  emit server().sockets().connectReceived(3);
  const QString log = logText(m_settings.webLogFileText);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[^\r]*  \\(3\\)  SocketHandle=-1  State=0:sckClosed  Event=4:Connect\r\n"
                                                "  \\[0 0 0 0\\]  :0\r\n  \\* Connect received\r\n\\?{80}\r\n\r\n$"))
                  .match(log)
                  .hasMatch())
      << log.toStdString();
  EXPECT_EQ(counters().active, 0);
  EXPECT_EQ(server().socketSlot(3), 0);
}

TEST_F(WebServerTest, anEmptyWebRootIsTakenAndOnlyAMissingOneIsNotFound) {
  HeadlessLog messages;
  m_settings.webRootText = path(QStringLiteral("root/sub"));  // a folder without files
  apply();
  start();
  EXPECT_TRUE(bodyOf(get(port(), "/zavData.xml").bytes).endsWith("</zavData>\r\n"));
  server().stopWebServer();
  m_settings.webRootText = path(QStringLiteral("no-such-folder"));
  apply();
  server().checkWebRootFolder();
  EXPECT_EQ(server().port(), 0);
  const QString shown = messages.lines().join(u'\n');
  EXPECT_EQ(shown.count(QStringLiteral("was not found")), 1);
  EXPECT_TRUE(shown.contains(QStringLiteral("MSGBOX: The selected folder path: ") + m_settings.webRootText));
}

TEST_F(WebServerTest, failedLogWriteSwitchesLoggingOffAndTheServerGoesOn) {
  write(QStringLiteral("root/a.txt"), "A");
  setLogging(1, path(QStringLiteral("no-such-folder/web.log")));
  QString tip;
  WebLogEvents* log = &server().events().log;
  QObject::connect(log, &WebLogEvents::loggingFailed, log, [&](const QString& t) { tip = t; });
  start();
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "A");
  EXPECT_EQ(server().logging(), 2);
  EXPECT_TRUE(tip.startsWith(QStringLiteral("Error writing to log file: ") + m_settings.webLogFileText +
                             QStringLiteral("     (")));
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "A");
}

TEST_F(WebServerTest, startStopAndTheTrayMenu) {
  int started = 0, stopped = 0, refused = 0;
  WebStartEvents* ev = &server().events().start;
  QObject::connect(ev, &WebStartEvents::serverStarted, ev, [&] { ++started; });
  QObject::connect(ev, &WebStartEvents::serverStopped, ev, [&] { ++stopped; });
  QObject::connect(ev, &WebStartEvents::portRefused, ev, [&] { ++refused; });
  server().trayStartClicked(QStringLiteral("&Start"));  // the designer caption stops
  EXPECT_EQ(stopped, 1);
  setPortText(QStringLiteral("79"));
  server().trayStartClicked(QStringLiteral("&Start Server"));
  EXPECT_EQ(refused, 1);
  EXPECT_EQ(server().port(), 0);
  setPortText(QString::number(freePort()));
  m_settings.webRootText = path(QStringLiteral("no-such-folder"));
  apply();
  server().trayStartClicked(QStringLiteral("&Start Server"));
  EXPECT_EQ(server().port(), 0);
  m_settings.webRootText = root();
  apply();
  server().trayStartClicked(QStringLiteral("&Start Server"));
  EXPECT_EQ(started, 1);
  EXPECT_EQ(server().port(), m_settings.webPortText.toInt());
  server().trayStartClicked(QStringLiteral("S&top Server"));
  EXPECT_EQ(server().port(), 0);
  EXPECT_EQ(stopped, 2);
}

TEST_F(WebServerTest, portInUseFailsTheStart) {
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
  int failedPort = 0;
  WebStartEvents* ev = &server().events().start;
  QObject::connect(ev, &WebStartEvents::serverStartFailed, ev, [&](int p) { failedPort = p; });
  setPortText(QString::number(holder.serverPort()));
  LogCapture log;
  server().checkWebRootFolder();
  EXPECT_EQ(server().port(), 0);
  EXPECT_EQ(failedPort, holder.serverPort());
  // The reason follows on its own line.
  EXPECT_TRUE(
      log.contains(QStringLiteral("startWebServer: ERROR: Cannot open port: %1\n").arg(holder.serverPort())))
      << log.text().toStdString();
}

// The shipped index.asp in a real browser (headless chromium): the live values
// are filled in and the graph image shows, also while downloads take every slot.

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include "support/outside_tool.h"
#include "web/web_client.h"
#include "web/web_fixture.h"

namespace {
void copyTree(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QFileInfo& fi : QDir(from).entryInfoList(QDir::Files)) {
    QFile::remove(to + u'/' + fi.fileName());
    QFile::copy(fi.filePath(), to + u'/' + fi.fileName());
  }
}

const QByteArray kProbe = R"(<html><body><div id="out">waiting</div>
<iframe id="f" src="/index.asp?w=320"></iframe>
<script>
function check() {
  var d = document.getElementById('f').contentDocument;
  var img = d && d.getElementById('zavGraph');
  if (!img || !img.complete) { document.getElementById('out').textContent = 'pending ' + (d ? d.readyState : 'none'); setTimeout(check, 50); return; }
  document.getElementById('out').textContent = 'RESULT power=' + d.getElementById('zavPower').textContent +
      ';energy=' + d.getElementById('zavEnergy').textContent + ';temp=' + d.getElementById('zavTemp').textContent +
      ';graph=' + img.naturalWidth + 'x' + img.naturalHeight + ';END';
}
window.addEventListener('load', check);
</script></body></html>)";

// Opens the page and the graph in turn, one a second, each in a window of its
// own as a user would (the browser connects ahead for what it expects to ask
// and keeps the connections it did not use), then sends the side server a
// line a load: name=status@ms of the window's answer ("error" for the error
// page an empty 503 gives), then of each thing the page asked for.
const QByteArray kLoads = R"(<html><body><script>
var q = new URLSearchParams(location.search), results = [], i = 0;
function answer(url, status, ms) { return url.replace(/^.*\/|\?.*$/g, '') + '=' + status + '@' + Math.round(ms); }
function next() {
  if (i == +q.get('loads')) { new Image().src = 'http://127.0.0.1:' + q.get('side') + '/?' + encodeURIComponent(results.join('|')); return; }
  var target = (i % 2 ? '/zavPlot.png?n=' : '/index.asp?n=') + i++, start = performance.now(), w = window.open(target);
  (function poll() {
    var shown = true, load;
    try { shown = w.location.href != 'about:blank' && w.document.readyState == 'complete'; } catch (e) {}
    if (!shown) return setTimeout(poll, 5);
    var ms = performance.now() - start;
    try {
      load = [answer(target, w.performance.getEntriesByType('navigation')[0].responseStatus, ms)].concat(
          w.performance.getEntriesByType('resource').map(function (e) { return answer(e.name, e.responseStatus, e.duration); }));
    } catch (e) { load = [answer(target, 'error', ms)]; }
    results.push(load.join(' '));
    w.close();
    setTimeout(next, Math.max(0, 1000 - ms));
  })();
}
window.addEventListener('load', next);
</script></body></html>)";

QStringList browserArgs(const QString& profile) {
  return {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
          QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
          QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
          QStringLiteral("--disable-sync"), QStringLiteral("--user-data-dir=") + profile};
}
}  // namespace

TEST_F(WebServerTest, shippedIndexPageShowsLiveValuesAndTheGraphInABrowser) {
  const QString chromium = outsideTool({"chromium", "chromium-browser"});
  ZAV_NEED_TOOL(!chromium.isEmpty(), "chromium is not installed");
  copyTree(QStringLiteral(ZAV_TEST_DATA_DIR "/../../public_html"), root());
  write(QStringLiteral("root/probe.html"), kProbe);
  LiveValues live;
  live.strZavPower = QStringLiteral("1,234 W");
  live.strZavEnergy = QStringLiteral("5,678.9 kWh");
  live.strZavTemp = QStringLiteral("21.5");
  server().setLiveValues(live);
  m_render = [](const QString&, const QString& type) {
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::darkBlue);
    QByteArray picture;
    QBuffer buf(&picture);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, type.toUpper().toLatin1().constData());
    return readyPicture(picture);
  };
  start();

  QProcess p;
  const QString profile = path(QStringLiteral("profile"));
  p.start(chromium, browserArgs(profile) << QStringLiteral("--virtual-time-budget=5000") << QStringLiteral("--dump-dom")
                                         << QStringLiteral("http://127.0.0.1:%1/probe.html").arg(port()));
  ASSERT_TRUE(pumpUntil([&] { return p.state() == QProcess::NotRunning; }, std::chrono::milliseconds(60000)))
      << "the browser did not finish";
  const QString dom = QString::fromUtf8(p.readAllStandardOutput());
  const QString mark = QStringLiteral("<div id=\"out\">");
  qsizetype at = dom.indexOf(mark);
  if (at >= 0) at += mark.size();
  ASSERT_TRUE(at >= 0 && dom.mid(at).startsWith(u"RESULT")) << dom.left(2000).toStdString() << p.readAllStandardError().left(2000).constData();
  EXPECT_EQ(dom.mid(at, dom.indexOf(QStringLiteral(";END"), at) - at),
            QStringLiteral("RESULT power=1,234 W;energy=5,678.9 kWh;temp=21.5;graph=64x48"));
}

// Ten clients take a 50 MB file at 2 MiB/s and twenty at 16 KiB/s, connecting
// again when closed, while the browser opens the page and the graph in turn:
// the page and what it asks for besides the graph always come, and a graph
// is refused only after its wait in line. Answers are judged sooner and
// every download counts as slow, so slots change hands often (the browser's
// spare connections get slots and are put aside) and the test stays short.
TEST_F(WebServerTest, theBrowserGetsThePageBesideDownloadsAndTheGraphOrItsWait) {
  const QString chromium = outsideTool({"chromium", "chromium-browser"});
  ZAV_NEED_TOOL(!chromium.isEmpty(), "chromium is not installed");
  copyTree(QStringLiteral(ZAV_TEST_DATA_DIR "/../../public_html"), root());
  write(QStringLiteral("root/loads.html"), kLoads);
  {
    QFile big(root() + QStringLiteral("/big.jpg"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(50'000'000));  // sparse
  }
  m_render = [](const QString&, const QString&) { return readyPicture(QByteArray("\x89PNG")); };
  const WebLimits limits{.slowAnswerAfter = std::chrono::milliseconds(1000), .minAnswerRate = 4 * 1024 * 1024};
  server().setLimits(limits);
  start();
  QTcpServer side;
  ASSERT_TRUE(side.listen(QHostAddress::LocalHost));
  SlowReaders fast(port(), 10, "/big.jpg", 64 * 1024, std::chrono::milliseconds(30));
  SlowReaders slow(port(), 20, "/big.jpg", 1638, std::chrono::milliseconds(100));
  pumpFor(std::chrono::milliseconds(1000));
  constexpr int kLoadCount = 10;
  QProcess p;
  p.start(chromium, browserArgs(path(QStringLiteral("profile")))
                        << QStringLiteral("--disable-popup-blocking") << QStringLiteral("--disable-background-timer-throttling")
                        << QStringLiteral("--disable-renderer-backgrounding")
                        << QStringLiteral("http://127.0.0.1:%1/loads.html?loads=%2&side=%3")
                               .arg(port())
                               .arg(kLoadCount)
                               .arg(side.serverPort()));
  QTcpSocket* reporter = nullptr;
  QByteArray report;
  const bool reported = pumpUntil(
      [&] {
        if (!reporter) reporter = side.nextPendingConnection();
        if (reporter) report += reporter->readAll();
        return report.contains("\r\n\r\n");
      },
      std::chrono::milliseconds(150000));
  p.terminate();
  if (!p.waitForFinished(10000)) p.kill();
  ASSERT_TRUE(reported) << p.readAllStandardError().right(2000).constData();
  EXPECT_EQ(counters().peak, 10);
  EXPECT_GT(fast.bytesRead(), 10 * 1024 * 1024);
  // "GET /?<loads> HTTP/1.1"
  const QStringList loads =
      QUrl::fromPercentEncoding(report.mid(6, report.indexOf(' ', 6) - 6)).split(u'|', Qt::SkipEmptyParts);
  EXPECT_EQ(loads.size(), kLoadCount);
  int refusedAfterWait = 0;
  for (const QString& load : loads)
    for (const QString& answer : load.split(u' ')) {
      const QString status = answer.section(u'=', 1).section(u'@', 0, 0);
      if (!answer.startsWith(u"zavPlot.png=")) {
        EXPECT_EQ(status, u"200") << qPrintable(load);
      } else if (status != u"200") {
        EXPECT_GE(answer.section(u'@', 1).toLongLong(), limits.maxWait.count()) << qPrintable(load);
        ++refusedAfterWait;
      }
    }
  std::printf("LOAD case=browser_beside_downloads loads=%lld pictures_refused_after_their_wait=%d\n",
              static_cast<long long>(loads.size()), refusedAfterWait);
}

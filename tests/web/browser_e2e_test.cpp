// The shipped index.asp in a real browser (headless chromium): the live values
// are filled in and the graph image shows.

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>

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
  p.start(chromium, {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                     QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                     QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
                     QStringLiteral("--disable-sync"),
                     QStringLiteral("--user-data-dir=") + profile, QStringLiteral("--virtual-time-budget=5000"),
                     QStringLiteral("--dump-dom"), QStringLiteral("http://127.0.0.1:%1/probe.html").arg(port())});
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

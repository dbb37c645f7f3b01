#include "app/support/recording.h"

#include <QRegularExpression>
#include <QTcpServer>

#include "tools/loopback_socket.h"
#include "tools/whole_file_plot.h"

namespace {

// The date as the dump shows it: no time at midnight.
QString dumpDate(double days) {
  const QDateTime t = dateTimeOf(days);
  return t.toString(t.time() == QTime(0, 0) ? "yyyy-MM-dd" : "yyyy-MM-dd HH:mm:ss");
}

}  // namespace

QList<WebPoint> webGraphPoints(const QStringList& log) {
  QList<WebPoint> points;
  const qsizetype at = log.lastIndexOf("all points:");
  if (at < 0) return points;
  static const QRegularExpression line(
      "^\\s*[\\d,]+\\s+(\\d+)\\s+\\d+\\s+(\\d{4}-\\d\\d-\\d\\d(?: "
      "\\d\\d:\\d\\d:\\d\\d)?)\\s+-?[\\d,]+\\s+([0-9A-F]+)\\s");
  for (qsizetype i = at + 2; i < log.size(); ++i) {
    const QRegularExpressionMatch m = line.match(log[i]);
    if (!m.hasMatch()) break;
    points.append({m.captured(1).toInt(), m.captured(2), m.captured(3).toUInt(nullptr, 16)});
  }
  return points;
}

QList<QPair<qint64, QByteArray>> textLogRegisters(const QString& dir) {
  QList<QPair<qint64, QByteArray>> out;
  for (const QByteArray& line : readTextFile(dir + "/zavLog.TXT").split('\n')) {
    const QList<QByteArray> f = line.simplified().split(' ');
    if (f.size() >= 4) out.append({f[2].toLongLong(), f[3]});
  }
  return out;
}

QByteArray closedAfterKill(QByteArray bytes, const QList<DataFileSection>& sections) {
  qsizetype at = 0;
  for (const DataFileSection& s : sections) {
    if (s.records == 0 && !s.recordList.isEmpty())
      qToLittleEndian<qint32>(qint32(s.recordList.size()), bytes.data() + at + 34);
    at += 38 + 18 * s.recordList.size();
  }
  return bytes;
}

int writeRecordingIni(const QString& dir, const QByteArray& ini) {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  const int port = probe.serverPort();
  probe.close();
  QDir().mkpath(dir + "/www");
  writeTextFile(dir + "/zav.INI", "startOnLine=1\r\nrunWebServer=1\r\nwebServerPort=\"" +
                                      QByteArray::number(port) + "\"\r\nwebRoot=\"" +
                                      (dir + "/www").toUtf8() +
                                      "\"\r\ncomPort=3\r\nwriteToZAVdataFile=1\r\nwriteToZAVtextFile=1\r\n"
                                      "overWriteLast=0\r\nreduceMethod=0\r\n" +
                                      ini);
  return port;
}

void runForWebGraphs(Recording& r, int port, QList<QList<WebPoint>>& webGraphs) {
  r.start();
  if (::testing::Test::HasFatalFailure()) return;
  double earliest = 1e9, latest = -1e9;
  for (const DataFileRecord& rec : r.records()) {
    earliest = std::min(earliest, rec.recTime);
    latest = std::max(latest, rec.recTime);
  }
  for (const QByteArray& query :
       {QByteArray(), "?s=" + dateTimeOf(earliest).addSecs(-1).toString(Qt::ISODate).toUtf8() +
                          "&e=" + dateTimeOf(latest).addSecs(1).toString(Qt::ISODate).toUtf8()}) {
    const QByteArray picture = getWholeAnswer(port, "/zavPlot.png" + query, 60);
    EXPECT_TRUE(picture.startsWith("HTTP/1.1 200")) << picture.left(200).toStdString();
    ASSERT_TRUE(r.zav().waitFor([&] { return r.zav().log().count("all points:") > webGraphs.size(); }, 20000))
        << r.zav().log().join('\n').toStdString();
    webGraphs.append(webGraphPoints(r.zav().log()));
  }
  r.stop();
}

void expectEveryReadingKept(const Recording& r, const Setup& setup, const QList<QList<WebPoint>>& webGraphs,
                            Kept& kept) {
  QString problem;
  const QList<DataFileSection> sections = readDataFile(r.dataFile(), &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  QList<RecordKey> keys;
  QList<DataFileRecord> all;
  for (qsizetype k = 0; k < sections.size(); ++k) {
    const DataFileSection& s = sections[k];
    EXPECT_EQ(s.records, s.recordList.size());
    EXPECT_TRUE((k == 0 && setup.wrongAtStart) || (s.startTime >= 32874 && s.startTime < 109940))
        << s.startTime;
    const QList<int>& ws = setup.headerWs;
    EXPECT_TRUE(ws.isEmpty() || s.wsPerCount == ws[std::min(k, ws.size() - 1)]) << k << ": " << s.wsPerCount;
    for (const DataFileRecord& rec : s.recordList) {
      keys.append({.recTime = rec.recTime, .count = rec.count});
      all.append(rec);
      EXPECT_TRUE(rec.recTime >= 32874 && rec.recTime < 109940) << rec.recTime;
    }
  }
  kept.records = keys.size();
  const QList<Expected>& sent = r.expected();
  ASSERT_EQ(keys.size(), sent.size());
  for (qsizetype i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(uint32_t(all[i].count), sent[i].count) << i;
    EXPECT_EQ(uint32_t(all[i].ticks), sent[i].ticks) << i;
    const QDateTime dated = dateTimeOf(all[i].recTime);
    EXPECT_LE(std::abs(dated.secsTo(sent[i].at)), 60)
        << i << ": " << dated.toString(Qt::ISODate).toStdString() << " for "
        << sent[i].at.toString(Qt::ISODate).toStdString();
  }

  // In the index and the chart's points: every record but the first, which only starts the first point's
  // interval.
  const WholeFilePlot chart = plotWholeFile(r.dataFile(), keys);
  kept.indexed = chart.indexed;
  kept.plotted = chart.points;
  EXPECT_EQ(chart.indexed, keys.size());
  EXPECT_TRUE(chart.problem.isEmpty()) << chart.problem.toStdString();
  EXPECT_EQ(chart.points, keys.size() - 1);

  // In the web graph: the same points.
  for (const QList<WebPoint>& web : webGraphs) {
    ASSERT_EQ(web.size(), keys.size() - 1);
    for (qsizetype i = 0; i < web.size(); ++i) {
      EXPECT_EQ(web[i].record, i + 2);
      EXPECT_EQ(web[i].count, uint32_t(keys[i + 1].count)) << i;
      EXPECT_EQ(web[i].date, dumpDate(keys[i + 1].recTime)) << i;
    }
  }
}

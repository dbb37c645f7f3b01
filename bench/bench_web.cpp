// The web server on loopback, a new connection per request, bounded in count
// and time:
// - static_vs_nginx: a 25 kB file, our server against nginx (started here on
//   a free port with one worker process) when installed, otherwise against a
//   minimal blocking server written here;
// - graph_vs_rrdtool: fresh live graph images (PNG, 640 x 400, power and
//   temperature of the same records) through HTTP against `rrdtool graph` of
//   an RRD with the same number of points at the same size, one process per
//   image; the time of one resident rrdtool (`rrdtool -`) is shown too.
// Run: build/bench_web [requests] [points] [folder to keep both graph images in]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "chart/graph_image.h"
#include "core/settings/detector_types.h"
#include "meter/record/data_file.h"
#include "tools/loopback_socket.h"
#include "web/web_server.h"

namespace {
constexpr int kFileSize = 25 * 1024;
constexpr qint64 kCaseSeconds = 20;  // no case runs longer than this
constexpr int kImageWidth = 640, kImageHeight = 400;
constexpr int kStepSeconds = 60;          // one reading a minute
constexpr qint64 kRrdStart = 1700000040;  // a whole minute, seconds since 1970
constexpr Date kZavStart = 45245.5;       // the records' first day (local time, no matter which)

int freePort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
}


QByteArray bodyOf(const QByteArray& answer) {
  const qsizetype end = answer.indexOf("\r\n\r\n");
  return end < 0 ? QByteArray() : answer.mid(end + 4);
}

struct Rate {
  int done = 0;
  double seconds = 0;
  double perSecond() const { return seconds > 0 ? done / seconds : 0; }
};

// Requests from a client thread while the caller's loop runs, until `requests`
// or the case's time is up. `good` checks each answer.
template <typename Loop, typename Good>
Rate measure(int port, const QByteArray& target, int requests, Loop loop, Good good) {
  std::atomic<bool> done{false};
  std::atomic<int> failed{0};
  Rate rate;
  QElapsedTimer t;
  t.start();
  std::thread client([&] {
    for (int i = 0; i < requests && t.elapsed() < kCaseSeconds * 1000; ++i, ++rate.done)
      if (!good(getWholeAnswer(port, target, 0))) ++failed;  // 0: no read timeout
    done = true;
  });
  while (!done) loop();
  client.join();
  rate.seconds = t.nsecsElapsed() / 1e9;
  if (failed) std::fprintf(stderr, "%d of %d requests failed\n", failed.load(), rate.done);
  return rate;
}

bool wholeFile(const QByteArray& answer) { return bodyOf(answer).size() == kFileSize; }
void sleepALittle() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
// Waits for the server's events (a timer wakes it now and then to see the
// client done), so the UI thread's processor time is the server's own work.
void serveEvents() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }
double threadCpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// The smallest sound server: blocking accept, read to the empty line, write, close.
class ReferenceServer {
 public:
  explicit ReferenceServer(const QByteArray& file)
      : m_answer("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(file.size()) +
                 "\r\n\r\n" + file) {
    m_port = freePort();
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(m_port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listener, 64) != 0) {
      m_port = 0;
      return;
    }
    m_thread = std::thread([this] { serve(); });
  }
  ~ReferenceServer() {
    m_stop = true;
    ::shutdown(m_listener, SHUT_RDWR);  // wakes the accept
    if (m_thread.joinable()) m_thread.join();
    ::close(m_listener);
  }
  int port() const { return m_port; }

 private:
  void serve() {
    while (!m_stop) {
      const int fd = ::accept(m_listener, nullptr, nullptr);
      if (fd < 0) break;
      QByteArray in;
      char buf[4096];
      while (!in.contains("\r\n\r\n")) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        in.append(buf, n);
      }
      (void)!::send(fd, m_answer.constData(), size_t(m_answer.size()), MSG_NOSIGNAL);
      ::close(fd);
    }
  }
  QByteArray m_answer;
  int m_port = 0;
  int m_listener = -1;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

bool waitForPort(int port) {
  for (int i = 0; i < 250; ++i) {
    if (const int fd = connectTo(port); fd >= 0) {
      ::close(fd);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// nginx in the foreground, one process serving (no master), its files in `prefix`.
class NginxServer {
 public:
  NginxServer(const QString& nginx, const QString& root, const QString& prefix) {
    const int port = freePort();
    QFile f(prefix + QStringLiteral("/nginx.conf"));
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(QStringLiteral("daemon off; master_process off; worker_processes 1; error_log %1/error.log; pid %1/nginx.pid;\n"
                           "events { worker_connections 256; }\n"
                           "http { access_log off; client_body_temp_path %1/body; proxy_temp_path %1/proxy;\n"
                           "  fastcgi_temp_path %1/fastcgi; server { listen 127.0.0.1:%2; root %3; } }\n")
                .arg(prefix)
                .arg(port)
                .arg(root)
                .toUtf8());
    f.close();
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start(nginx, {QStringLiteral("-c"), f.fileName(), QStringLiteral("-p"), prefix, QStringLiteral("-e"),
                            prefix + QStringLiteral("/error.log")});
    if (m_process.waitForStarted(5000) && waitForPort(port) && m_process.state() == QProcess::Running) m_port = port;
  }
  ~NginxServer() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) m_process.kill();
    m_process.waitForFinished(5000);
  }
  int port() const { return m_port; }

 private:
  QProcess m_process;
  int m_port = 0;
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Rounds of ours and the baseline alternate, so a busy machine slows both alike;
// the median round of each counts.
struct Comparison {
  int requests = 0;
  double ours = 0, base = 0;
  double ourCpuMicros = 0;  // the UI thread's processor time per request
};
Comparison staticRounds(int ourPort, int basePort, int requests) {
  constexpr int kRounds = 5;
  std::vector<double> ours, base;
  Comparison c;
  QTimer wake;
  wake.start(5);
  double cpu = 0;
  for (int r = 0; r < kRounds; ++r) {
    const double cpuBefore = threadCpuMicros();
    const Rate a = measure(ourPort, "/static.txt", requests / kRounds, serveEvents, wholeFile);
    cpu += threadCpuMicros() - cpuBefore;
    const Rate b = measure(basePort, "/static.txt", requests / kRounds, sleepALittle, wholeFile);
    ours.push_back(a.perSecond());
    base.push_back(b.perSecond());
    c.requests += a.done;
  }
  c.ours = median(ours);
  c.base = median(base);
  c.ourCpuMicros = c.requests ? cpu / c.requests : 0;
  return c;
}

// --- the graph ---

// Power (W) and temperature (°C) of reading i, the same for both programs.
double powerAt(int i) { return 1500 + 1200 * std::sin(i / 37.0); }
// The records hold a half degree as a byte: (code + 40) / 2 °C.
int tempCodeAt(int i) { return int(std::lround(2 * (20 + 8 * std::cos(i / 91.0)) - 40)); }
double tempAt(int i) { return (tempCodeAt(i) + 40) / 2.0; }

// `points` readings a minute apart in one section, installed as the plotted
// file of the settings the graph is drawn with.
bool installDataFile(const QString& path, int points, Settings& settings) {
  fileSection h;
  h.startTime = kZavStart;
  h.version = 1003000;
  h.sensorVer = kNewFrameDetectorVer;
  h.ticksPerSec = 1000;
  h.WsPerCount = kStepSeconds;  // a count a minute per watt
  h.resetCount = 1;
  h.records = points;
  QByteArray bytes = packSection(h);
  double energy = 0;  // Ws
  for (int i = 0; i < points; ++i) {
    meterRecord r;
    r.recTime = kZavStart + i * double(kStepSeconds) / 86400.0;
    if (i > 0) energy += powerAt(i) * kStepSeconds;
    r.count = int32_t(std::lround(energy / kStepSeconds));
    r.ticks = int32_t(i * kStepSeconds * 1000);
    r.temp = int16_t(tempCodeAt(i));
    bytes += packRecord(r);
  }
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return false;
  f.close();
  settings.zavDatFileName[0] = path;
  settings.ZAVdetectorVer = kNewFrameDetectorVer;
  settings.maxPlotPoints = points;  // every reading is drawn
  settings.maxMeterPower = 3000;    // the power scale
  const Result<DataFileIndexRead> read = readDataFileIndex(path);
  return read && read->index.recordCount == points;
}

QByteArray firstGraph;

bool isGraph(const QByteArray& answer) {
  const QByteArray body = bodyOf(answer);
  if (!body.startsWith("\x89PNG")) return false;
  if (!firstGraph.isEmpty()) return true;
  firstGraph = body;
  return QImage::fromData(body).size() == QSize(kImageWidth, kImageHeight);
}

Rate ourGraphs(int port, int images) {
  const QByteArray target = "/zavPlot.png?w=" + QByteArray::number(kImageWidth) + "&h=" +
                            QByteArray::number(kImageHeight);
  QTimer wake;
  wake.start(5);
  return measure(port, target, images, serveEvents, isGraph);
}

void keepGraphs(const QString& folder, const QString& rrdImage) {
  QFile f(folder + QStringLiteral("/zav.png"));
  if (f.open(QIODevice::WriteOnly)) f.write(firstGraph);
  QFile::remove(folder + QStringLiteral("/rrdtool.png"));
  QFile::copy(rrdImage, folder + QStringLiteral("/rrdtool.png"));
}

int runTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (p.exitCode() != 0) std::fprintf(stderr, "%s: %s", qPrintable(program), p.readAllStandardError().constData());
  return p.exitCode();
}

// The same readings as an RRD of one-minute steps, power and temperature.
bool makeRrd(const QString& rrdtool, const QString& rrd, int points) {
  const QStringList create = {QStringLiteral("create"), rrd, QStringLiteral("--start"), QString::number(kRrdStart - kStepSeconds),
                              QStringLiteral("--step"), QString::number(kStepSeconds),
                              QStringLiteral("DS:power:GAUGE:%1:U:U").arg(2 * kStepSeconds),
                              QStringLiteral("DS:temp:GAUGE:%1:U:U").arg(2 * kStepSeconds),
                              QStringLiteral("RRA:AVERAGE:0.5:1:%1").arg(points)};
  if (runTool(rrdtool, create) != 0) return false;
  for (int from = 0; from < points; from += 500) {
    QStringList update = {QStringLiteral("update"), rrd};
    for (int i = from; i < std::min(points, from + 500); ++i)
      update << QStringLiteral("%1:%2:%3").arg(kRrdStart + qint64(i) * kStepSeconds).arg(powerAt(i), 0, 'f', 1).arg(tempAt(i), 0, 'f', 1);
    if (runTool(rrdtool, update) != 0) return false;
  }
  return true;
}

QStringList rrdGraphArgs(const QString& rrd, const QString& png, int points) {
  return {QStringLiteral("graph"), png, QStringLiteral("--imgformat"), QStringLiteral("PNG"),
          QStringLiteral("--width"), QString::number(kImageWidth), QStringLiteral("--height"),
          QString::number(kImageHeight), QStringLiteral("--full-size-mode"), QStringLiteral("--start"),
          QString::number(kRrdStart), QStringLiteral("--end"),
          QString::number(kRrdStart + qint64(points - 1) * kStepSeconds), QStringLiteral("--title"), QStringLiteral("Zav"),
          QStringLiteral("DEF:p=%1:power:AVERAGE").arg(rrd), QStringLiteral("DEF:t=%1:temp:AVERAGE").arg(rrd),
          QStringLiteral("LINE1:p#FF0000:Power"), QStringLiteral("LINE1:t#0000FF:Temp")};
}

// rrdtool graph as a process per image.
Rate rrdProcesses(const QString& rrdtool, const QStringList& args, int images) {
  Rate rate;
  QElapsedTimer t;
  t.start();
  for (; rate.done < images && t.elapsed() < kCaseSeconds * 1000; ++rate.done)
    if (runTool(rrdtool, args) != 0) return {};
  rate.seconds = t.nsecsElapsed() / 1e9;
  return rate;
}

// One resident rrdtool reading graph commands from its input ("rrdtool -").
Rate rrdPipe(const QString& rrdtool, const QStringList& args, int images) {
  QProcess p;
  p.start(rrdtool, {QStringLiteral("-")});
  if (!p.waitForStarted(5000)) return {};
  QByteArray line;
  for (const QString& a : args) line += '"' + a.toUtf8() + "\" ";
  line += '\n';
  Rate rate;
  QElapsedTimer t;
  t.start();
  for (; rate.done < images && t.elapsed() < kCaseSeconds * 1000; ++rate.done) {
    p.write(line);
    QByteArray reply;
    while (!reply.contains("OK ") && !reply.contains("ERROR")) {
      if (!p.waitForReadyRead(10000)) break;
      reply += p.readAllStandardOutput();
    }
    if (!reply.contains("OK ")) {
      std::fprintf(stderr, "rrdtool -: %s\n", reply.constData());
      rate = {};
      break;
    }
  }
  rate.seconds = t.nsecsElapsed() / 1e9;
  p.closeWriteChannel();
  if (!p.waitForFinished(5000)) p.kill();
  return rate;
}

QString findTool(const char* name) {
  return QStandardPaths::findExecutable(QLatin1String(name), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int requests = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
  const int points = argc > 2 ? std::clamp(std::atoi(argv[2]), 10, 100000) : 1440;
  const int images = std::max(10, requests / 20);
  QTemporaryDir dir;
  QDir(dir.path()).mkpath(QStringLiteral("root"));
  QDir(dir.path()).mkpath(QStringLiteral("nginx"));
  QByteArray file(kFileSize, 'z');
  for (int i = 0; i < kFileSize; i += 64) file[i] = '\n';
  QFile out(dir.filePath(QStringLiteral("root/static.txt")));
  out.open(QIODevice::WriteOnly);
  out.write(file);
  out.close();

  Settings settings;
  if (!installDataFile(dir.filePath(QStringLiteral("bench.ZAV")), points, settings)) {
    std::fprintf(stderr, "the data file was not installed\n");
    return 1;
  }
  // The program's renderer, drawing from these settings.
  WebServer server([&settings](const QString& query, const QString& type) {
    return startGraphImage(makeGraphImageJob(query, type, settings, dateNow()));
  });
  settings.webRootText = dir.filePath(QStringLiteral("root"));
  settings.webPort = freePort();
  settings.webLogging = 0;
  settings.appName = QStringLiteral("Zav");
  server.setSettings(settings);
  server.checkWebRootFolder();
  if (server.port() == 0) {
    std::fprintf(stderr, "the server did not start\n");
    return 1;
  }
  const Rate ourImages = ourGraphs(server.port(), images);

  // Both servers run while the rounds alternate; without nginx the reference
  // server stands in.
  const QString nginxPath = findTool("nginx");
  std::unique_ptr<NginxServer> nginx;
  if (!nginxPath.isEmpty())
    nginx = std::make_unique<NginxServer>(nginxPath, dir.filePath(QStringLiteral("root")), dir.filePath(QStringLiteral("nginx")));
  std::unique_ptr<ReferenceServer> reference;
  if (!nginx || nginx->port() == 0) reference = std::make_unique<ReferenceServer>(file);
  const char* baseline = reference ? "reference" : "nginx_1worker";
  const int basePort = reference ? reference->port() : nginx->port();
  const Comparison c = basePort ? staticRounds(server.port(), basePort, requests) : Comparison{};
  reference.reset();
  nginx.reset();
  server.stopWebServer();
  std::printf("BENCH static_vs_nginx size=%d requests=%d ours_rps=%.0f ours_cpu_us=%.1f %s_rps=%.0f ratio=%.3f\n",
              kFileSize, c.requests, c.ours, c.ourCpuMicros, baseline, c.base, c.base > 0 ? c.ours / c.base : 0.0);

  const QString rrdtool = findTool("rrdtool");
  const QString rrd = dir.filePath(QStringLiteral("bench.rrd"));
  if (rrdtool.isEmpty() || !makeRrd(rrdtool, rrd, points)) {
    std::printf("BENCH graph_vs_rrdtool skipped (%s) points=%d ours_ms=%.2f\n",
                rrdtool.isEmpty() ? "rrdtool is not installed" : "the RRD was not made", points, 1000 / ourImages.perSecond());
    return 0;
  }
  const QStringList args = rrdGraphArgs(rrd, dir.filePath(QStringLiteral("rrd.png")), points);
  const Rate processes = rrdProcesses(rrdtool, args, images);
  const Rate pipe = rrdPipe(rrdtool, args, images);
  if (processes.perSecond() <= 0) {
    std::printf("BENCH graph_vs_rrdtool skipped (rrdtool graph failed)\n");
    return 0;
  }
  if (argc > 3) keepGraphs(QString::fromLocal8Bit(argv[3]), args[1]);
  const double oursMs = 1000 / ourImages.perSecond(), rrdMs = 1000 / processes.perSecond();
  std::printf("BENCH graph_vs_rrdtool points=%d size=%dx%d images=%d ours_ms=%.2f rrdtool_process_ms=%.2f "
              "rrdtool_resident_ms=%.2f ratio=%.3f\n",
              points, kImageWidth, kImageHeight, ourImages.done, oursMs, rrdMs,
              pipe.perSecond() > 0 ? 1000 / pipe.perSecond() : 0.0, oursMs / rrdMs);
  return 0;
}

// Controller simulator: sends meter frames through a pseudo-terminal (whose device path it
// prints) or to the clients of a local TCP port, so the program can be tried and tested
// without hardware.
//
//   zav_sim [--pty [--link PATH] | --tcp PORT] [--format new|old|pulse|sensor]
//           [--power W] [--counts-per-kwh N] [--ticks-per-sec N] [--interval-ms MS]
//           [--count N] [--ticks N] [--reset N] [--temp C] [--volts V] [--pgm-id N] [--tx-id N]
//           [--second-marker] [--frames N] [--delay-ms MS] [--exit-after-ms MS] [--pulse-byte HEX]
//
// Each frame advances the count by one and the ticks by the time one count takes at the
// chosen power. Frames go out every --interval-ms (default: the real time per count), so a
// test can send quickly while the frames still carry the chosen power.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/zav_frames.h"

namespace {
struct Options {
  QString format = QStringLiteral("new");
  double power = 1000, countsPerkWh = 1000, ticksPerSec = 125000;
  double temp = NAN, volts = 0;
  int intervalMs = -1, frames = -1, delayMs = 0, exitAfterMs = -1;
  bool secondMarker = false;
  uint8_t pulseByte = 0xF0;
  zavsim::Reading reading;
};

class Simulator : public QObject {
 public:
  explicit Simulator(const Options& o)
      : m_o(o), m_tickStep(zavsim::ticksPerCount(o.power, o.countsPerkWh, o.ticksPerSec)) {
    m_ticks = o.reading.ticks;
  }

  bool openPty(const QString& link) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) return false;
    const char* name = ptsname(m_master);
    if (!name) return false;
    // Hold the far end open in raw mode: bytes pass unchanged and the line never hangs up
    // while the program opens and closes its side.
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) return false;
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    tcsetattr(m_slave, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (!link.isEmpty()) {
      QFile::remove(link);
      if (!QFile::link(QString::fromLocal8Bit(name), link)) return false;
    }
    std::printf("PTY %s\n", name);
    std::fflush(stdout);
    // Drain what the program sends (test frames), so the pty never fills up.
    auto* drain = new QTimer(this);
    connect(drain, &QTimer::timeout, this, [this] {
      char buf[256];
      while (::read(m_master, buf, sizeof buf) > 0) {
      }
    });
    drain->start(50);
    return true;
  }

  bool listenTcp(quint16 port) {
    m_server = new QTcpServer(this);
    if (!m_server->listen(QHostAddress::LocalHost, port)) return false;
    connect(m_server, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = m_server->nextPendingConnection()) {
        m_clients.append(s);
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
          m_clients.removeAll(s);
          s->deleteLater();
        });
      }
    });
    std::printf("TCP 127.0.0.1:%u\n", unsigned(m_server->serverPort()));
    std::fflush(stdout);
    return true;
  }

  void start() {
    const double perCountMs = m_tickStep / m_o.ticksPerSec * 1000.0;
    const int interval = m_o.intervalMs >= 0 ? m_o.intervalMs : int(std::lround(perCountMs));
    m_timer.setInterval(std::max(1, interval));
    connect(&m_timer, &QTimer::timeout, this, [this] { sendOne(); });
    QTimer::singleShot(m_o.delayMs, this, [this] {
      sendOne();
      m_timer.start();
    });
    if (m_o.exitAfterMs >= 0) QTimer::singleShot(m_o.exitAfterMs, qApp, &QCoreApplication::quit);
  }

 private:
  QByteArray nextFrame() {
    zavsim::Reading r = m_o.reading;
    r.count = m_o.reading.count + uint32_t(m_sent);
    r.ticks = static_cast<uint32_t>(static_cast<uint64_t>(std::llround(m_ticks)) & 0xFFFFFFFFu);
    if (m_o.format == QLatin1String("old")) return zavsim::oldFrame(r);
    if (m_o.format == QLatin1String("pulse")) return QByteArray(1, char(m_o.pulseByte));
    if (m_o.format == QLatin1String("sensor"))
      return zavsim::sensorFrame(std::isnan(m_o.temp) ? 20 : m_o.temp);
    return zavsim::newFrame(r, m_o.secondMarker);
  }

  void sendOne() {
    if (m_o.frames >= 0 && m_sent >= m_o.frames) {
      m_timer.stop();
      QTimer::singleShot(300, qApp, &QCoreApplication::quit);
      return;
    }
    const QByteArray frame = nextFrame();
    if (m_master >= 0) {
      // A full line buffer means nobody listens: the frame is lost, as on a real line.
      if (::write(m_master, frame.constData(), size_t(frame.size())) < 0 && errno != EAGAIN) {
        std::fprintf(stderr, "zav_sim: write failed: %s\n", std::strerror(errno));
      }
    }
    for (QTcpSocket* s : std::as_const(m_clients)) s->write(frame);
    ++m_sent;
    m_ticks += m_tickStep;
  }

  Options m_o;
  double m_tickStep;
  double m_ticks = 0;
  int m_sent = 0;
  int m_master = -1, m_slave = -1;
  QTcpServer* m_server = nullptr;
  QList<QTcpSocket*> m_clients;
  QTimer m_timer;
};
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser p;
  p.setApplicationDescription(QStringLiteral("Zav controller simulator"));
  p.addHelpOption();
  const QList<QCommandLineOption> opts = {
      {"pty", "Send through a pseudo-terminal (default)."},
      {"link", "Symbolic link to the pty device.", "path"},
      {"tcp", "Serve frames on 127.0.0.1:port (0 = any free port).", "port"},
      {"format", "new, old, pulse or sensor.", "format", "new"},
      {"power", "Power in W.", "watts", "1000"},
      {"counts-per-kwh", "Meter counts per kWh.", "n", "1000"},
      {"ticks-per-sec", "Controller timer ticks per second.", "n", "125000"},
      {"interval-ms", "Send interval (default: real time per count).", "ms"},
      {"count", "First count.", "n", "1"},
      {"ticks", "First timer value.", "n", "0"},
      {"reset", "Reset count (status low nibble), new frame.", "n", "1"},
      {"status", "Whole status byte (overrides --reset).", "n"},
      {"temp", "Temperature in degrees C.", "c"},
      {"volts", "Supply voltage, new frame.", "v"},
      {"pgm-id", "Program ID (detector type).", "n", QString::number(zavsim::Reading{}.pgmID)},
      {"tx-id", "Transmitter ID.", "n", "1"},
      {"second-marker", "Start new frames with A9 63."},
      {"frames", "Stop after this many frames.", "n"},
      {"delay-ms", "Wait before the first frame.", "ms", "0"},
      {"exit-after-ms", "Quit after this time.", "ms"},
      {"pulse-byte", "Byte sent per plain pulse (hex).", "hex", "f0"},
  };
  p.addOptions(opts);
  p.process(app);

  Options o;
  o.format = p.value("format");
  if (!QStringList{"new", "old", "pulse", "sensor"}.contains(o.format)) {
    std::fprintf(stderr, "zav_sim: unknown format %s\n", qPrintable(o.format));
    return 2;
  }
  o.power = p.value("power").toDouble();
  o.countsPerkWh = p.value("counts-per-kwh").toDouble();
  o.ticksPerSec = p.value("ticks-per-sec").toDouble();
  if (p.isSet("interval-ms")) o.intervalMs = p.value("interval-ms").toInt();
  if (p.isSet("frames")) o.frames = p.value("frames").toInt();
  if (p.isSet("exit-after-ms")) o.exitAfterMs = p.value("exit-after-ms").toInt();
  o.delayMs = p.value("delay-ms").toInt();
  o.secondMarker = p.isSet("second-marker");
  o.pulseByte = uint8_t(p.value("pulse-byte").toUInt(nullptr, 16));
  o.reading.count = p.value("count").toUInt();
  o.reading.ticks = p.value("ticks").toUInt();
  o.reading.pgmID = uint16_t(p.value("pgm-id").toUInt());
  o.reading.txID = uint16_t(p.value("tx-id").toUInt());
  o.reading.status =
      p.isSet("status") ? uint8_t(p.value("status").toUInt()) : uint8_t(p.value("reset").toUInt() & 0x0F);
  if (p.isSet("temp")) {
    o.temp = p.value("temp").toDouble();
    o.reading.temp1 = o.reading.temp2 = zavsim::newTempByte(o.temp);
    o.reading.oldTemp = int16_t(std::lround(o.temp * 2));
  }
  if (p.isSet("volts")) o.reading.voltRaw = zavsim::voltRawFor(p.value("volts").toDouble());

  Simulator sim(o);
  if (p.isSet("tcp")) {
    if (!sim.listenTcp(quint16(p.value("tcp").toUInt()))) {
      std::fprintf(stderr, "zav_sim: cannot listen on port %s\n", qPrintable(p.value("tcp")));
      return 1;
    }
  } else if (!sim.openPty(p.value("link"))) {
    std::fprintf(stderr, "zav_sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }
  sim.start();
  return app.exec();
}

// Controller frames through a pseudo-terminal, one frame per write as a controller sends
// them: received by the serial port layer (notifier, PARMRK decoding, receive events,
// all waiting bytes read per event) against plain poll() and read() on the same device.
// Run: build/bench_link [frames]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include "platform/comm_port.h"
#include "tools/zav_frames.h"

namespace {
struct Pty {
  int master = -1, slave = -1;
  QByteArray path;
  Pty() {
    char name[256] = {};
    openpty(&master, &slave, name, nullptr, nullptr);
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    path = name;
  }
  ~Pty() {
    ::close(master);
    ::close(slave);
  }
};

QByteArray frameFor(int i) {
  zavsim::Reading r;
  r.count = uint32_t(i + 1);
  r.ticks = uint32_t(i) * 300000u;
  r.temp1 = r.temp2 = 0xFF;  // escaped by PARMRK: the layer's worst case
  return zavsim::newFrame(r);
}

double rawMs(int frames) {
  Pty pty;
  QElapsedTimer t;
  t.start();
  char buf[512];
  for (int i = 0; i < frames; ++i) {
    const QByteArray f = frameFor(i);
    if (::write(pty.master, f.constData(), size_t(f.size())) != f.size()) return -1;
    qsizetype got = 0;
    while (got < f.size()) {
      pollfd p{pty.slave, POLLIN, 0};
      ::poll(&p, 1, 1000);
      const ssize_t n = ::read(pty.slave, buf, sizeof buf);
      if (n > 0) got += n;
    }
  }
  return t.nsecsElapsed() / 1e6;
}

double layerMs(int frames) {
  Pty pty;
  qputenv("ZAV_COM9", pty.path);
  CommPort port;
  port.setCommPort(9);
  port.setRThreshold(1);
  qsizetype got = 0;
  QObject::connect(&port, &CommLink::onComm, [&](int, const QByteArray& input) { got += input.size(); });
  if (!port.setPortOpen(true)) return -1;
  QElapsedTimer t;
  t.start();
  qsizetype want = 0;
  for (int i = 0; i < frames; ++i) {
    const QByteArray f = frameFor(i);
    want += f.size();
    if (::write(pty.master, f.constData(), size_t(f.size())) != f.size()) return -1;
    while (got < want) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return t.nsecsElapsed() / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int frames = argc > 1 ? std::atoi(argv[1]) : 20000;
  const double base = rawMs(frames);
  const double layer = layerMs(frames);
  std::printf("BENCH link_receive_vs_read frames=%d read_ms=%.1f layer_ms=%.1f ratio=%.2f\n", frames, base,
              layer, base > 0 ? layer / base : 0.0);
  return 0;
}

#include "platform/comm_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "platform/comm_baud.h"
#include "platform/comm_device.h"

namespace {
speed_t standardSpeed(int baud) {
  switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
  }
}

QString osError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

constexpr int kWatchedLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RI;
}  // namespace

QString commOpenErrorText(const QString& name, int err) {
  if (err == EACCES || err == EPERM) {
    return name + QStringLiteral(
                      ": permission denied; add your user to the group \"dialout\" "
                      "(sudo usermod -aG dialout $USER) and log in again");
  }
  if (err == EBUSY) return name + QStringLiteral(": port already in use");
  return name + QStringLiteral(": ") + osError(err);
}

CommPort::CommPort(QObject* parent) : CommLink(parent) {}

CommPort::~CommPort() { closeDevice(); }

Result<> CommPort::openDevice() {
  const QString com = QStringLiteral("COM%1").arg(commPort());
  const QString path = comDevicePath(commPort());
  setErrorKind(CommError::NoDevice);
  if (path.isEmpty()) {
    return Failure(com + QStringLiteral(": no device for this port number"));
  }
  const QString real = resolveDevicePath(path);
  if (real.isEmpty()) {
    return Failure(QStringLiteral("%1 (%2): no such device").arg(com, path));
  }
  const QString name = QStringLiteral("%1 (%2)").arg(com, real);
  const int fd = ::open(real.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    const QString why = commOpenErrorText(name, err);
    setErrorKind(err == EACCES || err == EPERM                    ? CommError::Permission
                 : err == EBUSY                                   ? CommError::InUse
                 : err == ENOENT || err == ENXIO || err == ENODEV ? CommError::NoDevice
                                                                  : CommError::Other);
    return Failure(why);
  }
  termios probe{};
  if (tcgetattr(fd, &probe) != 0) {
    const QString why = name + QStringLiteral(": not a serial port");
    setErrorKind(CommError::NotSerial);
    ::close(fd);
    return Failure(why);
  }
  // Another program (or a second instance) holding the port keeps its lock.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const QString why = name + QStringLiteral(": port already in use");
    setErrorKind(CommError::InUse);
    ::close(fd);
    return Failure(why);
  }
  ioctl(fd, TIOCEXCL);
  m_fd = fd;
  m_device = real;
  m_decoder.reset();
  m_pendingOutput.clear();
  tcflush(fd, TCIOFLUSH);

  int bits = 0;
  m_modemLines = ioctl(fd, TIOCMGET, &bits) == 0;
  m_lastModemBits = bits & kWatchedLines;
  serial_icounter_struct icount{};
  m_icount = ioctl(fd, TIOCGICOUNT, &icount) == 0;
  m_lastOverruns = m_icount ? icount.overrun : 0;
  m_lastBufOverruns = m_icount ? icount.buf_overrun : 0;

  m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(m_readNotifier, &QSocketNotifier::activated, this, &CommPort::readWaiting);
  if (m_modemLines) {
    m_modemTimer = new QTimer(this);
    m_modemTimer->setInterval(kModemPollMs);
    connect(m_modemTimer, &QTimer::timeout, this, &CommPort::pollModemLines);
    m_modemTimer->start();
  }
  return {};
}

void CommPort::closeDevice() {
  // The port may be closed from inside the notifier's own signal.
  for (QObject* o : {static_cast<QObject*>(m_readNotifier), static_cast<QObject*>(m_writeNotifier)}) {
    if (auto* n = qobject_cast<QSocketNotifier*>(o)) {
      n->setEnabled(false);
      n->deleteLater();
    }
  }
  m_readNotifier = m_writeNotifier = nullptr;
  if (m_modemTimer) {
    m_modemTimer->stop();
    m_modemTimer->deleteLater();
    m_modemTimer = nullptr;
  }
  if (m_fd >= 0) {
    ioctl(m_fd, TIOCNXCL);
    flock(m_fd, LOCK_UN);
    ::close(m_fd);
  }
  m_fd = -1;
  m_pendingOutput.clear();
}

Result<> CommPort::applySettings(const CommSettings& s) {
  termios t{};
  if (tcgetattr(m_fd, &t) != 0) {
    return Failure(QStringLiteral("%1: %2").arg(m_device, osError(errno)));
  }
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD;
  switch (s.dataBits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
  }
  switch (s.parity) {
    case 'E': t.c_cflag |= PARENB; break;
    case 'O': t.c_cflag |= PARENB | PARODD; break;
    case 'M': t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 'S': t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // 1.5 stop bits is what the UART sends for "2" with 5 data bits.
  if (s.stopBits != CommSettings::StopBits::One) t.c_cflag |= CSTOPB;
  // Breaks and framing errors arrive marked in the data (FF 00 x), a data byte FF as FF FF.
  t.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | ISTRIP | IXON | IXOFF | IXANY);
  t.c_iflag |= PARMRK | INPCK;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  const speed_t speed = standardSpeed(s.baud);
  if (speed != B0) {
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
  }
  if (tcsetattr(m_fd, TCSANOW, &t) != 0) {
    return Failure(QStringLiteral("%1: %2").arg(m_device, osError(errno)));
  }
  if (speed == B0 && !setCustomBaud(m_fd, s.baud)) {
    return Failure(QStringLiteral("%1: baud rate %2 not supported").arg(m_device).arg(s.baud));
  }
  return {};
}

bool CommPort::driveLine(Line line, bool on) {
  if (m_fd < 0) return false;
  if (line == Line::Break) return ioctl(m_fd, on ? TIOCSBRK : TIOCCBRK) == 0;
  if (!m_modemLines) return false;
  int bit = line == Line::DTR ? TIOCM_DTR : TIOCM_RTS;
  return ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

bool CommPort::writeDevice(QByteArrayView bytes) {
  m_pendingOutput.append(bytes);
  flushOutput();
  return m_fd >= 0;
}

void CommPort::flushOutput() {
  while (m_fd >= 0 && !m_pendingOutput.isEmpty()) {
    const ssize_t n = ::write(m_fd, m_pendingOutput.constData(), size_t(m_pendingOutput.size()));
    if (n > 0) {
      m_pendingOutput.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      m_pendingOutput.clear();
      break;
    }
    if (!m_writeNotifier) {
      m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
      connect(m_writeNotifier, &QSocketNotifier::activated, this, &CommPort::flushOutput);
    }
    m_writeNotifier->setEnabled(true);
    return;
  }
  if (m_writeNotifier) m_writeNotifier->setEnabled(false);
}

void CommPort::readWaiting() {
  QByteArray chunk;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n > 0) {
      chunk.append(buf, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // The far end hung up (EOF or EIO): close now, or the notifier would fire forever.
    const QString why = n == 0 ? QStringLiteral("hang-up") : osError(errno);
    const ParmrkDecoder::Result last = m_decoder.feed(chunk);
    deliverBytes(last.data);
    failAndClose(QStringLiteral("COM%1 (%2): closed after %3").arg(commPort()).arg(m_device, why));
    return;
  }
  if (m_icount) checkOverrun();
  const ParmrkDecoder::Result r = m_decoder.feed(chunk);
  for (const ParmrkDecoder::Mark m : r.marks) {
    deliverEvent(m == ParmrkDecoder::Mark::Break ? comEv::kBreak : comEv::kFrame);
  }
  deliverBytes(r.data);
}

void CommPort::checkOverrun() {
  serial_icounter_struct icount{};
  if (m_fd < 0 || ioctl(m_fd, TIOCGICOUNT, &icount) != 0) return;
  const bool overrun = icount.overrun != m_lastOverruns;
  const bool bufOverrun = icount.buf_overrun != m_lastBufOverruns;
  m_lastOverruns = icount.overrun;
  m_lastBufOverruns = icount.buf_overrun;
  if (overrun) deliverEvent(comEv::kOverrun);
  if (bufOverrun) deliverEvent(comEv::kRxOver);
}

void CommPort::pollModemLines() {
  int bits = 0;
  if (m_fd < 0 || ioctl(m_fd, TIOCMGET, &bits) != 0) return;
  bits &= kWatchedLines;
  const int changed = bits ^ m_lastModemBits;
  m_lastModemBits = bits;
  if (changed & TIOCM_CTS) deliverEvent(comEv::kCTS);
  if (changed & TIOCM_DSR) deliverEvent(comEv::kDSR);
  if (changed & TIOCM_CD) deliverEvent(comEv::kCD);
  if ((changed & TIOCM_RI) && (bits & TIOCM_RI)) deliverEvent(comEv::kRing);
}

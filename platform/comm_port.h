#pragma once
// The serial port on POSIX termios: COM number to device, exclusive open, raw binary
// input through a socket notifier, break and framing errors marked by PARMRK, modem-line
// changes polled on the UI thread. Pseudo-terminals work too; their missing modem lines
// are reported through modemLinesAvailable() and never fail the open.

#include <QString>

#include "platform/comm_link.h"
#include "platform/parmrk_decoder.h"

class QSocketNotifier;

// The message for a device that failed to open with errno `err`; `name` is "COMn (device)".
QString commOpenErrorText(const QString& name, int err);
class QTimer;

class CommPort : public CommLink {
  Q_OBJECT

 public:
  static constexpr int kModemPollMs = 10;

  explicit CommPort(QObject* parent = nullptr);
  ~CommPort() override;

  // The resolved device of the open port.
  QString devicePath() const { return m_device; }
  // False on a device without modem-control lines (a pseudo-terminal).
  bool modemLinesAvailable() const { return m_modemLines; }

 protected:
  Result<> openDevice() override;
  void closeDevice() override;
  Result<> applySettings(const CommSettings& s) override;
  bool driveLine(Line line, bool on) override;
  bool writeDevice(QByteArrayView bytes) override;

 private:
  void readWaiting();
  void flushOutput();
  void pollModemLines();
  void checkOverrun();

  int m_fd = -1;
  QString m_device;
  QSocketNotifier* m_readNotifier = nullptr;
  QSocketNotifier* m_writeNotifier = nullptr;
  QTimer* m_modemTimer = nullptr;
  QByteArray m_pendingOutput;
  ParmrkDecoder m_decoder;
  bool m_modemLines = false;
  int m_lastModemBits = 0;
  bool m_icount = false;
  int m_lastOverruns = 0;     // the UART's
  int m_lastBufOverruns = 0;  // the driver's input buffer
};

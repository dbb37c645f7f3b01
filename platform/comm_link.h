#pragma once
// The serial control the meter link talks to (MSComm1): a numbered port with a settings
// text, binary input handed over as all waiting bytes, DTR/RTS/break, and OnComm events.
// The termios port (CommPort) and the test fake share this base, which keeps the input
// buffer and delivers the events. A receive event hands the waiting bytes over with it;
// without receive events (threshold 0) the buffer holds whatever arrived until it is
// read, up to kMaxHeldInput: past it the oldest bytes go and a kRxOver event says so.
// Otherwise bytes are lost only where the driver reports it (kOverrun, kRxOver).

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include "platform/comm_settings.h"

// CommEvent values of the events.
namespace comEv {
constexpr int kSend = 1;
constexpr int kReceive = 2;
constexpr int kCTS = 3;
constexpr int kDSR = 4;
constexpr int kCD = 5;
constexpr int kRing = 6;
constexpr int kBreak = 1001;
constexpr int kFrame = 1004;
constexpr int kOverrun = 1006;  // the UART lost bytes
constexpr int kRxOver = 1008;   // the driver's input buffer lost bytes
}  // namespace comEv

// Why the last open or settings change failed.
enum class CommError { None, NoDevice, InUse, Permission, NotSerial, Settings, Other };

class CommLink : public QObject {
  Q_OBJECT

 public:
  // Unread input kept without receive events: far more than any frame or capture needs.
  static constexpr qsizetype kMaxHeldInput = 64 * 1024;

  explicit CommLink(QObject* parent = nullptr);

  void setCommPort(int port) { m_port = port; }
  int commPort() const { return m_port; }
  // A malformed text is refused (false, lastError) and the previous settings stay; on an
  // open port the new settings take effect at once.
  bool setSettings(const QString& text);
  QString settings() const { return m_settings.text(); }
  const CommSettings& commSettings() const { return m_settings; }
  // Opening clears the buffers; false with lastError() when the port cannot be opened.
  bool setPortOpen(bool open);
  bool portOpen() const { return m_open; }
  QString lastError() const { return m_lastError; }
  CommError lastErrorKind() const { return m_errorKind; }

  // Receive events come when at least this many bytes wait; 0 = no receive events.
  void setRThreshold(int bytes) { m_rThreshold = bytes; }
  int rThreshold() const { return m_rThreshold; }
  int inBufferCount() const { return int(m_input.size()); }

  // Line signals. False when the device cannot drive the line (a pseudo-terminal): the
  // state is kept anyway, so it reads back as set.
  bool setDTREnable(bool on);
  bool setRTSEnable(bool on);
  bool setBreak(bool on);
  bool dtrEnable() const { return m_dtr; }
  bool rtsEnable() const { return m_rts; }
  bool breakOn() const { return m_break; }

  // Every byte waiting in the input buffer; the buffer is emptied.
  QByteArray input();
  bool output(QByteArrayView bytes);

 signals:
  // One event of the port with the bytes it brings: a receive event (kReceive)
  // hands over every byte waiting, which leaves the input buffer empty; the other
  // events bring none. Emitted on the UI thread.
  void onComm(int event, const QByteArray& input);
  // The port closed itself (the far end hung up or a read failed).
  void closedByError(const QString& text);

 protected:
  // Backends report arrivals and line events through these; events stop when a handler
  // closes the port.
  void deliverBytes(QByteArrayView bytes);
  void deliverEvent(int event);
  // A backend that lost its device closes the port and reports why.
  void failAndClose(const QString& text);

  // On failure: the reason, and when known its kind through setErrorKind.
  virtual Result<> openDevice() = 0;
  void setErrorKind(CommError kind) { m_errorKind = kind; }
  virtual void closeDevice() = 0;
  virtual Result<> applySettings(const CommSettings& s) = 0;
  enum class Line { DTR, RTS, Break };
  virtual bool driveLine(Line line, bool on) = 0;
  virtual bool writeDevice(QByteArrayView bytes) = 0;

 private:
  int m_port = 1;
  CommSettings m_settings;
  bool m_open = false;
  QString m_lastError;
  CommError m_errorKind = CommError::None;
  int m_rThreshold = 0;
  QByteArray m_input;
  bool m_inputOverflowed = false;  // told once until the input is read
  bool m_dtr = false, m_rts = false, m_break = false;
};

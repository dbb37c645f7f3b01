#pragma once
// The meter link: the serial port (MSComm1) and the TCP client (Winsock1) that
// bring the meter's bytes, going on-line and off-line, the COM port search, a
// lost device tried again until it is back, the serial events counted and
// handed to the session's receivers, and the diagnostic modes of the timing
// capture area. app/ makes it with the session it feeds and the port it drives,
// and hands it the settings. What it tells the windows goes out as signals: its
// own for the link's state, PortEvents for the setup window's port fields and
// SearchProgress for the progress window of a search.

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>
#include <cstdint>

#include "core/settings/settings.h"
#include "meter/link/serial_dispatch.h"
#include "meter/link/tcp_client.h"
#include "meter/link_status.h"
#include "platform/result.h"

class CommLink;
class MeterSession;
class QEventLoop;

constexpr int kLostDeviceRetryMs = 3000;

// The meter frame's caption for a COM port that did not open, from the reason the port
// gave ("COM3 (/dev/ttyS2): permission denied; add your user to ..."). The caption ends
// with the reason, where a cut in the middle of a narrow frame leaves it ("Error: Cannot
// open COM3 (/dev/ttyS2): permission denied"); advice after the reason cannot fit beside
// it and stays in the detail, the whole text.
void setCannotOpenCaption(LinkStatus& status, int comPort, const QString& portError);

// What the setup window shows of the port.
class PortEvents : public QObject {
  Q_OBJECT
 signals:
  void comPortChosen(int port);                   // the search put a port in the setting (0 = none)
  void comPortRefused();                          // the COM port setting cannot be opened as a number
  void comSettingRefused();                       // the COM settings text was refused
  void portListChanged(const QList<int>& ports);  // the ports that open, first one selected
  void busy(bool busy);                           // the port list is being built: busy cursor
  void eventCounted(int kind, int32_t count);     // a serial event counter changed (advanced functions)
};

// The progress window of a COM search.
class SearchProgress : public QObject {
  Q_OBJECT
 signals:
  void started(const QString& title);
  void barSet(int bar, double min, double max, const QString& unit);
  void valueSet(int bar, double value);
  void ended();
};

class MeterLink : public QObject {
  Q_OBJECT
 public:
  // The port stays the caller's; it must outlive the link.
  MeterLink(MeterSession& session, CommLink& port, QObject* parent = nullptr);
  ~MeterLink() override;

  void setSettings(const Settings& settings);
  CommLink& port() { return m_port; }
  TcpClient& tcpClient() { return m_tcp; }
  PortEvents& portEvents() { return m_portEvents; }
  SearchProgress& searchProgress() { return m_progress; }

  // --- on-line state ---
  // Switches the link; true when it ended as asked (on-line with the port open, or
  // off-line). An unsupported detector type goes off-line instead. With no COM port set
  // going on-line starts the port search and ends as the search found.
  bool setOnLine(bool goOnline);
  bool online() const;
  // The off-line pulse simulation on or off.
  void showSimulationState(bool simulate);
  bool simulating() const { return m_simulating; }
  // Opens or closes the serial port at the COM port in use; fails with the port's
  // reason for the caller's caption (none for a port number out of range: the caption
  // names the number).
  Result<> openCom(bool open);
  // openCom(false), logging a port that was not open.
  void closeCom();
  // The COM port in use: the setting's, or the one a search tries.
  int16_t comPort() const { return m_comPort; }
  // The effective interface type of the next open: 4 in the two diagnostic modes.
  int16_t effectiveIfType() const;
  // The interface type the port was last opened for (the setting itself never changes).
  int16_t openIfType() const { return m_openIfType; }
  int32_t sensorBaud() const { return m_sensorBaud; }

  // The device behind the open port went away (the far end hung up, a read failed).
  // On-line, the loss is recorded and the same port is tried again until it is back.
  void deviceLost(const QString& why);
  bool deviceLostRetrying() const { return m_lost; }

  const LinkStatus& status() const { return m_status; }
  // Sets the status and announces it.
  void showStatus(const LinkStatus& status);
  // The lines as the port has them (all off while it is closed).
  SerialLines serialLines() const;
  // Drives the port's lines; the boxes follow through serialLinesChanged.
  void setSerialLines(const SerialLines& lines);

  // --- waits ---
  // Runs the program's events (yieldEvents true) or only repaints (false) for ms
  // milliseconds, without spinning. interruptWaits() ends every running wait early.
  void waitMs(int32_t ms, bool yieldEvents);
  void interruptWaits();
  // True once a wait was cut short because the program is ending: the search stops.
  bool programEndingDuringWait() const { return m_programEnding; }
  // Tests shorten every wait (and the lost-device retry) by this divisor (1 = real time).
  void setWaitDivisorForTests(int divisor);

  // --- the COM port search ---
  // Called by setOnLine when no port is set; ends on-line at the port found, or off-line
  // with COM port 0 and a caption that says how to go on.
  void searchComPorts();
  // Lists every port 1..16 that opens (portListChanged).
  void findAvailableComPorts();
  // Ends a running search at its next wait or port; nothing is taken.
  void cancelComSearch();
  bool searchRunning() const { return m_searchRunning; }
  // A wait for the controller: it begins with nobody answered, and ends when a frame
  // comes or the wait is given up (stopWaiting).
  void startWaiting() { m_detectorAnswered = false; }
  void stopWaiting();
  bool detectorAnswered() const { return m_detectorAnswered; }

  // --- serial events ---
  // One event of the serial port with the bytes it brought (MSComm1_OnComm).
  void handleSerialEvent(int event, const QByteArray& input);
  // Forgets the bytes the receivers hold and the wait for a frame.
  void resetSerialReceivers();
  // Zeroes counter index (1..20), or every counter for any other index.
  void clearComEventCounters(int16_t index);
  // The event counters: 0 every event, 1..12 by kind, each modulo 1000000.
  int32_t comEventCounter(int kind) const { return m_counters[kind]; }
  // Tests start a counter near its wrap.
  void setComEventCounterForTests(int kind, int32_t value) { m_counters[kind] = value; }

  // --- the timing capture area's diagnostic modes (they take effect at the next openCom) ---
  void setProtocolAnalyzerMode(bool on) { m_protocolAnalyzer = on; }
  void setDcdCaptureEnabled(bool on) { m_dcdCapture = on; }
  void setTempReceiverMode(bool on) { m_tempReceiver = on; }
  bool protocolAnalyzerMode() const { return m_protocolAnalyzer; }
  bool dcdCaptureEnabled() const { return m_dcdCapture; }
  bool tempReceiverMode() const { return m_tempReceiver; }
  // The carrier-detect capture table: room for maxEvents time stamps, none taken.
  void clearDcdCapture(int32_t maxEvents);
  const QVector<int64_t>& dcdTimes() const { return m_dcdTimes; }
  int32_t dcdCount() const { return m_dcdCount; }
  int32_t maxDcdEvents() const { return m_maxDcdEvents; }
  // Tests start from a table of known stamps.
  void setDcdCaptureForTests(const QVector<int64_t>& times, int32_t count) {
    m_dcdTimes = times;
    m_dcdCount = count;
  }

 signals:
  void statusChanged(const LinkStatus& status);  // caption, colour, ON-LINE box, stale values
  void serialLinesChanged(const SerialLines& lines);  // the line boxes show the port's lines
  void portSwitched(bool open);  // the port opened or closed: a break seen before is old
  void onlineChanged(bool online);  // the setup window locks its COM fields while on-line
  void simulationSwitched(bool on);  // the off-line pulse simulation
  void temperatureTextChanged(const QString& text);  // the temperature label (sensor or cleared)
  void breakDetected();  // a line break on the plain pulse device: the LED shows it

 private:
  struct RunningWait;
  bool startRecording(bool resuming);
  void finishSwitch();
  void stopRetrying();
  void retryLostDevice();
  void publishLines();
  QString comNumber() const { return QString::number(m_comPort); }
  // search
  bool stopSearch() const { return m_programEnding || m_cancelled; }
  void tryPort(int port);
  void listPortsThatOpen(bool showProgress);
  void searchFirstPortThatOpens();
  void searchAnsweringController();
  void showSearchFailed(bool cancelled);
  // dispatch
  void countEvent(int kind);
  void controllerBytes(const QByteArray& data);

  MeterSession& m_session;
  CommLink& m_port;
  TcpClient m_tcp;
  PortEvents m_portEvents;
  SearchProgress m_progress;
  Settings m_settings;
  int16_t m_comPort = 0;

  LinkStatus m_status;
  bool m_simulating = false;
  bool m_lost = false;
  QTimer m_retryTimer;
  int m_waitDivisor = 1;
  bool m_programEnding = false;
  QList<RunningWait*> m_waits;

  bool m_searchRunning = false;
  bool m_cancelled = false;
  bool m_detectorAnswered = false;
  QList<int> m_ports;

  int16_t m_openIfType = 0;
  int32_t m_sensorBaud = 0;
  bool m_protocolAnalyzer = false, m_dcdCapture = false, m_tempReceiver = false;
  QVector<int64_t> m_dcdTimes;
  int32_t m_dcdCount = 0;
  int32_t m_maxDcdEvents = 0;
  int32_t m_counters[kComEventCounters] = {};
  QByteArray m_sensorBytes;
  int32_t m_lastSensorTick = 0;
  // Bytes that never make a valid frame (a wrong interface type): when the first such byte
  // came, and whether the user was told.
  int32_t m_noFrameSince = 0;
  bool m_noFrameSinceSet = false;
  bool m_noFrameWarned = false;
};

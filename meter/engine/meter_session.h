#pragma once
// The meter session: a frame from the link becomes a reading, the count
// processor's arithmetic gives its counts, rate, power and energy, the reading
// goes to the disk (a data-file record and a text-log line) and its result is
// announced as one value. The session owns all of it: the
// frame receivers, the count processor's state, the register and rate, the
// meter panel's state, the text log, the recorder with the data files' section
// indexes, and the engine's timers (Timer3, the idle countdown; Timer1, the
// off-line pulse simulation). The link feeds it bytes and tells it whether it
// is on-line or searching; app/ hands it the settings.

#include <QObject>
#include <QString>
#include <cstdint>

#include "core/settings/settings.h"
#include "core/util/date_value.h"
#include "meter/engine/count_processor.h"
#include "meter/engine/frame_parser.h"
#include "meter/engine/meter_display.h"
#include "meter/engine/pulse_receiver.h"
#include "meter/engine/reading_result.h"
#include "meter/record/data_file.h"
#include "meter/record/recorder.h"
#include "meter/record/text_log.h"
#include "platform/form_timer.h"

class MeterSession : public QObject {
  Q_OBJECT
 public:
  explicit MeterSession(QObject* parent = nullptr);
  ~MeterSession() override;

  // The session's own copy; the file names and meter constants in it are the
  // ones in use.
  void setSettings(const Settings& settings);
  const Settings& settings() const { return m_settings; }

  // --- what the link tells it ---
  // Going on-line starts a recording period (readings count from 0).
  void setOnline(bool online);
  bool online() const { return m_online; }
  // The end of every switch of the link: the simulated pulses start again and,
  // on-line, the count state is cleared.
  void restartCounting();
  // The main window's load: register 0, seconds per count, simulated pulses from the start.
  void resetForLoad();
  // The COM search tests ports: serial frames are read although off-line, and
  // the first one answers the search (detectorAnswered).
  void setSearching(bool searching) { m_searching = searching; }
  bool searching() const { return m_searching; }
  // The rate of the serial port opened last (0: none this run): pulse widths.
  void setPortBaudRate(double baud) { m_portBaud = baud; }
  double portBaudRate() const { return m_portBaud; }
  // The off-line pulse simulation's timer on or off.
  void setSimulating(bool on);

  // --- the receivers ---
  // Controller frames from the serial port (interface types 2 and 3).
  void serialBytes(QByteArrayView data);
  // Controller frames from the TCP link (new format only, on-line only).
  void networkBytes(QByteArrayView data);
  // The port's first receive event starts the plain pulse clocks.
  void noteReceiveEvent() { m_pulses.noteReceiveEvent(); }
  // Bytes of the plain pulse device (interface type 1); the text to add to the
  // receive event's diagnostic line.
  QString plainPulseBytes(QByteArrayView data);
  // The bytes the receivers hold are broken (the driver lost some) or stale.
  void dropSerialBytes() { m_serial.clearBuffer(); }
  void dropPulseBytes() { m_pulses.clearBytes(); }
  const FrameReceiver& serialReceiver() const { return m_serial; }
  const FrameReceiver& networkReceiver() const { return m_network; }

  // --- the data file and the text log ---
  const Recorder& recorder() const { return m_recorder; }
  const DataFileSlots& dataFileSlots() const { return m_slots; }
  // openOutZavDat with the data file of the settings; true when it records.
  bool openDataFile();
  // closeOutZavDat: logs when nothing is open.
  void closeDataFile();
  // loadZavDatNEW of a slot's file of the settings.
  bool loadDataFile(int16_t slot);
  // A line of the register at `time` (a reading's, a rate's or an event's
  // marker), with the latest reading's raw fields kept beside it (registerLogged).
  void writeLogLine(Date time, double energyWh, double power);
  // The register from the text log's last line, continued over the readings
  // the data file holds after it.
  void loadLastLogLine();
  const RegisterRecord& latestRecord() const { return m_record; }

  // --- the engine's steps ---
  // A reading as a receiver hands it over: on-line the latest reading, counted
  // (a change of the controller's reset count clears the count state instead);
  // off-line, during a port search, the answer of the port under test.
  void takeReading(const Reading& reading);
  // Processes a reading; resetCountChanged clears the running state and drops it.
  void newMeterCount(const Reading& reading, bool resetCountChanged = false);
  void clearCountProcessor() { m_count = CountProcessorState{}; }
  // Timer3 while no count arrives, with Timer3's present interval: keeps the shown rate falling.
  void showIdleRate(int32_t timerIntervalMs);
  void Timer3_Timer();
  // The device went away: no idle rate while nothing can come.
  void stopIdleCountdown() { armIdleTimer(0); }
  // Off-line simulation step of Timer1.
  void pulseDetected();
  void Timer1_Timer();
  // Width of a plain pulse from its byte at the port's rate; shows the advice
  // when advanced functions are on.
  double analysePulseWidth(int16_t rxByte);

  // --- the meter panel's events ---
  // Adds the energy of counts to the register and shows it in Text4.
  void showEnergy(int32_t counts);
  // The register takes a value and Text4 shows it.
  void setRegister(double energyWh);
  // Shows a rate in Text2; a valid one becomes mRevTime and gives a new power.
  // A reading's rate comes with the reading instead.
  void showSecondsPerCount(double seconds);
  // The power of mRevTime (a typed or idle rate), announced, and its text-log line.
  void calcPowerFromRevTime();
  // Enter in Text2 (boxText: the box's present text): takes a rate the user
  // typed there; text the program wrote stands for the rate it showed.
  void parseIntervalField(const QString& boxText);
  // Label2 click: seconds per count <-> counts per second.
  void label2Click(const QString& boxText);
  // The meter synchronisation with the user's answer (kWh) given at askedAt.
  // False when the answer is out of range (the caller shows "value is out of range").
  bool synchroniseMeter(const QString& answer, Date askedAt);
  // Background of Text8 and Text2: normal, grey. Nothing calls them; a step that marks
  // the counts and the rate as old, and the reading that renews them, would.
  void setMeterFieldsColor();
  void setMeterFieldsColor2();

  // --- what it holds ---
  const MeterPanelState& panel() const { return m_panel; }
  const Reading& latestReading() const { return m_latest; }
  double energyWh() const { return m_energyWh; }
  double mRevTime() const { return m_mRevTime; }  // seconds per count of the last valid rate, 0 = none
  double totPower() const { return m_totPower; }  // W
  bool countsPerSecondMode() const { return m_panel.countsPerSecond; }
  int32_t readingCount() const { return m_readingCount; }  // readings since going on-line
  const CountProcessorState& countProcessorState() const { return m_count; }
  int32_t idleCountdownMs() const { return m_idleCountdownMs; }
  bool pulsePending() const { return m_pulsePending; }
  int32_t lastProcessTick() const { return m_lastProcessTick; }
  int16_t pulseWidthBits() const { return m_pulseWidthBits; }
  const FormTimer& idleTimer() const { return m_idleTimer; }
  const FormTimer& simulationTimer() const { return m_simulationTimer; }
  // Someone shows the pulse details (the setup window): only then is their text built.
  void setPulseDetailsShown(bool shown) { m_pulseDetailsShown = shown; }
  // Tests start from a plain pulse that waits for Timer3.
  void setPulsePendingForTests(bool pending, int32_t lastProcessTick) {
    m_pulsePending = pending;
    m_lastProcessTick = lastProcessTick;
  }

 signals:
  // A reading was processed (and written): its values, which the panel shows.
  void readingRecorded(const ReadingResult& result);
  void registerLogged(const RegisterRecord& record);  // a line of the register (written or not)
  // Flash the pulse indicator; the width in seconds and in bits of the pulse analysed last.
  void pulseIndicated(double duration, double interval, double pulseWidth, int16_t pulseWidthBits);
  void idleRateShown(double secondsPerCount);  // no count for a while: the power bar falls
  // A new power of a rate (idle, typed); a reading's power comes with the reading.
  void meterPowerChanged(double watts);
  // The panel state changed other than by a reading (idle or typed rate, unit,
  // synchronisation, load, colours): the widgets show it.
  void panelChanged(const MeterPanelState& panel);
  void pulseDetailsShown(const QString& text);  // controller clock and voltage (setup Text17)
  void pulseAnalysed(const QString& text);      // the setup window's pulse analysis text
  void detectorAnswered();                      // a frame answered the COM search

 private:
  void processReading(const Reading& reading);
  void record(ReadingResult& result, QString* text);
  void logPower() const;
  void armIdleTimer(int32_t countdownMs);
  void setSimulationRate();
  void logText2Change() const;
  double text2Value(const QString& boxText);
  void notifyPanel() { emit panelChanged(m_panel); }

  Settings m_settings;
  bool m_online = false;
  bool m_searching = false;
  double m_portBaud = 0;

  FrameReceiver m_serial;
  FrameReceiver m_network;
  PulseReceiver m_pulses;
  Reading m_latest;

  CountProcessorState m_count;
  int32_t m_readingCount = 0;
  int32_t m_lastCountTick = 0;
  int32_t m_lastProcessTick = 0;
  int32_t m_idleCountdownMs = 0;
  bool m_pulsePending = false;
  int16_t m_pulseWidthBits = 0;
  int16_t m_pulseDivider = 1;  // simulated pulses per count
  int16_t m_pulseDivCounter = 0;
  float m_simulatedTurns = 0;
  int32_t m_lastSimulatedTick = 0;

  double m_energyWh = 0;  // wraps from above 1999999999 Wh
  double m_mRevTime = 0;
  double m_totPower = 0;
  MeterPanelState m_panel;
  bool m_pulseDetailsShown = false;

  TextLog m_textLog;
  DataFileSlots m_slots;
  Recorder m_recorder{m_slots, m_textLog};
  RegisterRecord m_record;
  bool m_textLogRefusalTold = false;

  FormTimer m_idleTimer;        // Timer3
  FormTimer m_simulationTimer;  // Timer1
};

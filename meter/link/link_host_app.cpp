// The meter link's adapter to the running program: the main and setup windows' controls,
// the data file and the engine's calls.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include "core/globals.h"
#include "core/settings/ini_writer.h"
#include "core/log/logmsg.h"
#include "core/setup/progress_window.h"
#include "core/setup/setup_window.h"
#include "meter/engine/count_processor.h"
#include "meter/record/data_file.h"
#include "meter/window/form1.h"
#include "meter/window/form1_calls.h"
#include "meter/engine/frame_parser.h"
#include "meter/window/indicators.h"
#include "meter/link/link_host.h"
#include "meter/engine/meter_state.h"
#include "meter/link/online_state.h"
#include "meter/link/serial_dispatch.h"
#include "meter/record/text_log.h"
#include "platform/colour.h"
#include "platform/comm_port.h"

namespace {
class AppLinkHost final : public LinkHost {
 public:
  void setFrame1Caption(const QString& text) override {
    if (Form1* f = form1()) f->Frame1()->setTitle(text);
  }
  void setFrame1ForeColor(int32_t colour) override {
    // A frame's colour is its caption's; the controls inside keep their own.
    if (Form1* f = form1()) {
      f->Frame1()->setStyleSheet(QStringLiteral("QGroupBox#Frame1::title { color: %1; }")
                                     .arg(colourToQColor(colour).name()));
    }
  }
  void setOnlineBox(int value) override {
    if (Form1* f = form1()) f->Check1()->setCheckState(value ? Qt::Checked : Qt::Unchecked);
  }
  void setAutoPlotEnabled(bool enabled) override {
    if (Form1* f = form1()) f->Check3()->setEnabled(enabled);
  }
  void setTemperatureText(const QString& text) override {
    if (Form1* f = form1()) f->Label14()->setText(text);
  }
  int lineBox(int index) const override {
    if (Form1* f = form1()) return f->Check2(index)->checkState() == Qt::Checked ? 1 : 0;
    return m_lineBoxes[index];
  }
  void setLineBox(int index, int value) override {
    if (Form1* f = form1()) {
      f->Check2(index)->setCheckState(value ? Qt::Checked : Qt::Unchecked);  // runs Check2_Click
      return;
    }
    if (m_lineBoxes[index] == value) return;
    m_lineBoxes[index] = value;
    Check2_Click(int16_t(index));
  }
  void setSimulationTimer(bool enabled) override {
    if (Form1* f = form1()) f->Timer1.setEnabled(enabled);
  }
  void setBusyCursor(bool busy) override {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  }
  void stopIdleTimer() override {
    if (Form1* f = form1()) f->indicators().Timer3.setEnabled(false);
  }
  void startIdleTimer(int ms) override {
    if (Form1* f = form1()) {
      f->indicators().Timer3.setInterval(ms);
      f->indicators().Timer3.setEnabled(true);
    }
  }
  void showBreakIndicator() override {
    if (Form1* f = form1()) f->indicators().showBreakIndicator();
  }
  void clearBreakIndicated() override { breakIndicated = false; }
  void setPulseWidthBits(int16_t bits) override { pulseWidthBits = bits; }
  void setPulsePending(int32_t ms) override {
    pulsePending = true;
    idleCountdownMs = ms;
  }

  bool advancedFunctions() const override { return ::advancedFunctions; }
  bool writeToZAVdataFile() const override { return ::writeToZAVdataFile; }
  QString comPortText() const override {
    SetupWindow* s = frmSetup();
    return s ? s->Text1(0)->text() : m_comPortText;
  }
  void setComPortText(const QString& text) override {
    m_comPortText = text;
    if (SetupWindow* s = frmSetup()) s->Text1(0)->setText(text);
  }
  void setComPortColor(int32_t colour) override {
    if (SetupWindow* s = frmSetup()) s->setForeColor(QStringLiteral("Text1(0)"), colour);
  }
  void setComSettingColor(int32_t colour) override {
    if (SetupWindow* s = frmSetup()) s->setForeColor(QStringLiteral("Text1(14)"), colour);
  }
  void clearPortList() override {
    m_ports.clear();
    if (SetupWindow* s = frmSetup()) s->Combo2()->clear();
  }
  void addPortListItem(int port) override {
    m_ports.append(port);
    if (SetupWindow* s = frmSetup()) s->Combo2()->addItem(QString::number(port), port);
  }
  int portListCount() const override {
    SetupWindow* s = frmSetup();
    return s ? s->Combo2()->count() : int(m_ports.size());
  }
  int portListItemData(int index) const override {
    SetupWindow* s = frmSetup();
    return s ? s->Combo2()->itemData(index).toInt() : m_ports.value(index);
  }
  void selectPortListItem(int index) override {
    if (SetupWindow* s = frmSetup()) s->Combo2()->setCurrentIndex(index);
  }
  void addToIniFile(const QString& line) override { ::addToIniFile(line); }
  void meterOnOflineChanged() override {
    if (SetupWindow* s = frmSetup()) s->meterOnOflineChanged();
  }
  void showComEventCount(int index, const QString& text) override {
    if (SetupWindow* s = frmSetup()) {
      if (QLineEdit* t = s->Text16(index)) t->setText(text);
    }
  }
  void showPulseAnalysis(const QString& text) override {
    if (SetupWindow* s = frmSetup()) {
      s->Frame10()->setTitle(QStringLiteral("Pulse analysis"));
      s->Text17()->setPlainText(text);
    }
  }
  std::unique_ptr<LinkProgress> newProgress() override { return std::make_unique<WindowProgress>(); }

  bool dataFileOpen() const override { return zavOutFile > 0; }
  void openDataFile() override { openOutZavDat(); }
  void closeDataFile() override { closeOutZavDat(); }
  void writeLogLine(Date time, double power) override { ::writeLogLine(time, energyWh, power); }
  void newMeterCount(bool resetCountChanged) override {
    if (resetCountChanged) {
      clearCountProcessor();
    } else {
      ::newMeterCount(latestReading());
    }
  }
  void resetReadingCount() override { readingCount = 0; }
  void resetSimulatedPulses() override {
    pulseDivider = 1;
    pulseDivCounter = 0;
  }
  void zavDataArrival(const QByteArray& data) override { ::zavDataArrival(data); }
  void zavDataArrivalNet(const QByteArray& data) override { ::zavDataArrivalNet(data); }
  void setReading(int32_t count, int32_t timer, int16_t temp, int16_t voltCount, int16_t status,
                  int32_t resetCount) override {
    storeLatestReading({count, timer, temp, voltCount, status, resetCount});
  }
  int32_t lastProcessTick() const override { return ::lastProcessTick; }

 private:
  // A new progress window per search; unloaded (deleted) with this object.
  struct WindowProgress final : LinkProgress {
    std::unique_ptr<frmProgBar> window = std::make_unique<frmProgBar>();
    void Reset(const QString& title) override { window->Reset(title); }
    void initBar(int index, double min, double max, const QString& unit) override {
      int32_t used = 0;
      window->initBar(index, min, max, unit, used);
    }
    void update(int index, double value) override { window->update(index, value); }
  };

  int m_lineBoxes[3] = {0, 0, 0};
  QString m_comPortText;
  QList<int> m_ports;
};

LinkHost* g_host = nullptr;
QPointer<CommLink> g_port;

void connectPort(CommLink* port) {
  if (port->property("zavLinkConnected").toBool()) return;
  port->setProperty("zavLinkConnected", true);
  QObject::connect(port, &CommLink::onComm, port, [] { MSComm1_OnComm(); });
  QObject::connect(port, &CommLink::closedByError, port,
                   [](const QString& why) { logMsg(-1, QStringLiteral("MSComm1_OnComm: ERROR ") + why); });
}
}  // namespace

LinkHost& linkHost() {
  static AppLinkHost app;
  return g_host ? *g_host : app;
}

void setLinkHost(LinkHost* host) { g_host = host; }

CommLink& MSComm1() {
  if (!g_port) {
    auto* port = new CommPort(qApp);
    connectPort(port);
    g_port = port;
  }
  return *g_port;
}

void setMSComm1(CommLink* port) {
  if (g_port && g_port->parent() == qApp) delete g_port;
  g_port = port;
  if (port) connectPort(port);
}

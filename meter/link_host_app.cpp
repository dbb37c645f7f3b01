// The meter link's adapter to the running program: the windows' controls by designer
// name, the data file and, once they exist, the engine's calls.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include "core/logmsg.h"
#include "meter/count_processor.h"
#include "meter/data_file.h"
#include "meter/frame_parser.h"
#include "meter/link_host.h"
#include "meter/meter_state.h"
#include "meter/online_state.h"
#include "meter/serial_dispatch.h"
#include "meter/text_log.h"
#include "platform/comm_port.h"

namespace {
QWidget* topLevel(const QString& form) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == form) return w;
  }
  return nullptr;
}

template <class T>
T* control(const char* form, const QString& name) {
  QWidget* w = topLevel(QString::fromLatin1(form));
  return w ? w->findChild<T*>(name) : nullptr;
}

QColor textColour(int32_t colour) {
  if (colour < 0) return QColor(Qt::black);  // system colours: window text
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void setForeColour(QWidget* w, int32_t colour) {
  if (!w) return;
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, textColour(colour));
  p.setColor(QPalette::Text, textColour(colour));
  w->setPalette(p);
}

class AppLinkHost final : public LinkHost {
 public:
  void setFrame1Caption(const QString& text) override {
    if (auto* f = control<QGroupBox>("Form1", "Frame1")) f->setTitle(text);
  }
  void setFrame1ForeColor(int32_t colour) override {
    setForeColour(control<QWidget>("Form1", "Frame1"), colour);
  }
  void setOnlineBox(int value) override {
    if (auto* c = control<QCheckBox>("Form1", "Check1"))
      c->setCheckState(value ? Qt::Checked : Qt::Unchecked);
  }
  void setAutoPlotEnabled(bool enabled) override {
    if (auto* c = control<QWidget>("Form1", "Check3")) c->setEnabled(enabled);
  }
  void setTemperatureText(const QString& text) override {
    if (auto* l = control<QLabel>("Form1", "Label14")) l->setText(text);
  }
  int lineBox(int index) const override {
    const auto* c = control<QCheckBox>("Form1", QStringLiteral("Check2(%1)").arg(index));
    return c ? (c->checkState() == Qt::Checked ? 1 : 0) : m_lineBoxes[index];
  }
  void setLineBox(int index, int value) override {
    if (auto* c = control<QCheckBox>("Form1", QStringLiteral("Check2(%1)").arg(index))) {
      c->setCheckState(value ? Qt::Checked : Qt::Unchecked);  // its handler runs Check2_Click
      return;
    }
    if (m_lineBoxes[index] == value) return;
    m_lineBoxes[index] = value;
    Check2_Click(int16_t(index));
  }
  void setSimulationTimer(bool) override {}
  void setBusyCursor(bool busy) override {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  }
  void stopIdleTimer() override {}
  void startIdleTimer(int) override {}
  void showBreakIndicator() override {}
  void clearBreakIndicated() override {}
  void setPulseWidthBits(int16_t) override {}
  void setPulsePending(int32_t countdownMs) override {
    pulsePending = true;
    idleCountdownMs = countdownMs;
  }

  bool advancedFunctions() const override { return false; }
  bool writeToZAVdataFile() const override { return true; }
  QString comPortText() const override {
    auto* t = control<QLineEdit>("frmSetup", "Text1(0)");
    return t ? t->text() : m_comPortText;
  }
  void setComPortText(const QString& text) override {
    m_comPortText = text;
    if (auto* t = control<QLineEdit>("frmSetup", "Text1(0)")) t->setText(text);
  }
  void setComPortColor(int32_t colour) override {
    setForeColour(control<QWidget>("frmSetup", "Text1(0)"), colour);
  }
  void setComSettingColor(int32_t colour) override {
    setForeColour(control<QWidget>("frmSetup", "Text1(14)"), colour);
  }
  void clearPortList() override {
    m_ports.clear();
    if (auto* c = combo()) c->clear();
  }
  void addPortListItem(int port) override {
    m_ports.append(port);
    if (auto* c = combo()) c->addItem(QString::number(port), port);
  }
  int portListCount() const override { return int(m_ports.size()); }
  int portListItemData(int index) const override { return m_ports.value(index); }
  void selectPortListItem(int index) override {
    if (auto* c = combo()) c->setCurrentIndex(index);
  }
  void addToIniFile(const QString&) override {}
  void meterOnOflineChanged() override {}
  void showComEventCount(int index, const QString& text) override {
    if (auto* t = control<QLineEdit>("frmSetup", QStringLiteral("Text16(%1)").arg(index))) t->setText(text);
  }
  void showPulseAnalysis(const QString& text) override {
    if (auto* f = control<QGroupBox>("frmSetup", "Frame10")) f->setTitle(QStringLiteral("Pulse analysis"));
    if (auto* t = control<QLineEdit>("frmSetup", "Text17")) t->setText(text);
  }
  std::unique_ptr<LinkProgress> newProgress() override { return std::make_unique<NoProgress>(); }

  bool dataFileOpen() const override { return zavOutFile > 0; }
  void openDataFile() override { openOutZavDat(); }
  void closeDataFile() override { closeOutZavDat(); }
  void writeLogLine(Date time, double power) override { ::writeLogLine(time, energyWh, power); }
  void newMeterCount(bool resetCountChanged) override { ::newMeterCount(resetCountChanged); }
  void resetReadingCount() override { readingCount = 0; }
  void resetSimulatedPulses() override {
    pulseDivider = 1;
    pulseDivCounter = 0;
  }
  void zavDataArrival(const QByteArray& data) override { ::zavDataArrival(data); }
  void zavDataArrivalNet(const QByteArray& data) override { ::zavDataArrivalNet(data); }
  QByteArray& rxBuffer() override { return ::rxBuffer; }
  void setReading(int32_t count, int32_t timer, int16_t temp, int16_t voltCount, int16_t status,
                  int32_t resetCount) override {
    thisCount = count;
    thisTimer = timer;
    thisTemp = temp;
    thisVoltCount = voltCount;
    frameStatus = status;
    thisResetCount = resetCount;
  }
  int32_t lastProcessTick() const override { return ::lastProcessTick; }

 private:
  struct NoProgress final : LinkProgress {
    void Reset(const QString&) override {}
    void initBar(int, double, double, const QString&) override {}
    void update(int, double) override {}
  };
  static QComboBox* combo() { return control<QComboBox>("frmSetup", "Combo2"); }

  int m_lineBoxes[3] = {0, 0, 0};
  QString m_comPortText;
  QList<int> m_ports;
};

LinkHost* g_host = nullptr;
QPointer<CommLink> g_port;

void connectPort(CommLink* port) {
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

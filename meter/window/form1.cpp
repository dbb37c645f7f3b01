#include "meter/window/form1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "core/log/logmsg.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window_calls.h"
#include "core/setup/summary_form.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "meter/link_status.h"
#include "meter/meter_events.h"
#include "meter/window/brand.h"
#include "meter/window/calculator_panel.h"
#include "meter/window/caption_frame.h"
#include "meter/window/indicator_widgets.h"
#include "meter/window/indicators.h"
#include "meter/window/main_menus.h"
#include "meter/window/meter_panel.h"
#include "meter/window/protocol_analyzer.h"
#include "meter/window/tcp_client_panel.h"
#include "meter/window/twips.h"
#include "platform/comm_link.h"
#include "platform/message_box.h"
#include "platform/open_document.h"
#include "platform/termination_signals.h"
#include "platform/tick_clock.h"

namespace {
// Designed positions in twips.
constexpr int kMargin = 120;
constexpr int kFrame1Width = 5400;
constexpr int kGap = 90;  // between the last frame and the lower frame, and below it
constexpr int kDebugWidth = 6000;
constexpr int kBarRoom = 400;

void placePx(QWidget* w, int x, int y, int width, int height) {
  placeTw(w, pxToTwips(x), pxToTwips(y), pxToTwips(width), pxToTwips(height));
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  return l;
}

QLineEdit* makeText(QWidget* parent, const QString& name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  return e;
}

QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(name);
  return c;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

int mouseButton(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
  }
}
}  // namespace

Form1::Form1(MeterSession& session, MeterLink& link, SetupValues& values)
    : m_session(session), m_link(link), m_values(values), m_settings(session.settings()) {
  setObjectName(QStringLiteral("Form1"));
  m_menus = new MainMenus(menuBar(), session, link, values, this);
  connect(m_menus, &MainMenus::exitChosen, this, &Form1::confirmExit);
  connect(m_menus, &MainMenus::setupChosen, this, &Form1::setupWindowAsked);
  connect(m_menus, &MainMenus::messagesChosen, this, &Form1::messageWindowAsked);
  m_indicators = new Indicators(this);
  m_indicators->setRingBell(m_settings.ringBell);
  buildControls();
  new MeterPanel(this);
  Timer7.onTimeout([this] { Timer7_Timer(); });
}

void Form1::setSettings(const Settings& settings) {
  m_settings = settings;
  m_indicators->setRingBell(settings.ringBell);
}

Form1::~Form1() = default;

Calculator& Form1::calculator() { return m_calcPanel->calculator(); }

void Form1::buildControls() {
  m_client = new QWidget(this);
  m_client->setObjectName(QStringLiteral("clientArea"));
  setCentralWidget(m_client);
  buildMeterPanel();
  m_calcPanel = new CalculatorPanel(m_client);
  // A price typed into the calculator is the one the settings file keeps.
  connect(&calculator(), &Calculator::priceTyped, this,
          [this](const QString& price) { m_values.setHeldText(QLatin1String("pricePerkWh"), price); });
  buildLowerFrame();
  buildDiagnostics();

  // Designed positions; the lower frame and the window size follow setWindowSize.
  placePx(m_frame1, 8, 8, twipsToPx(kFrame1Width), 108);
  placePx(m_calcPanel->Frame2(), 8, 122, 176, 176);
  placePx(m_calcPanel->Frame3(), 192, 122, 176, 176);
  placePx(m_calcPanel->Frame4(1), 8, 304, 360, 110);
  placePx(m_calcPanel->Frame4(0), 8, 420, 122, 54);
  placePx(m_calcPanel->Frame4(2), 136, 420, 232, 54);
  placePx(m_frame5, 8, 304, 360, 104);
  placePx(m_picture2, 376, 8, 18, 400);

  const Indicators* ind = m_indicators;
  connect(ind, &Indicators::ledChanged, this, [this, ind] { m_shape1->setFill(ind->ledSolid(), ind->ledColor()); });
  connect(ind, &Indicators::shape2Changed, this, [this, ind] { m_shape2->setFill(true, ind->shape2Color()); });
  connect(ind, &Indicators::powerBarPlanned, m_picture2, &PowerBarWidget::showPlan);
  connect(ind, &Indicators::bellRung, this, &Form1::beep);
}

PowerBarInputs Form1::powerBarInputs() const {
  PowerBarInputs in;
  in.wsPerCount = m_settings.WsPerCount;
  in.revsPerkWh = m_settings.revsPerkWh;
  in.maxMeterPower = m_settings.maxMeterPower;
  in.prescale = m_settings.prescale;
  in.referencePower = m_calcPanel->calculator().refPower;
  in.relative = m_calcPanel->Option1(1)->isChecked();
  const QRect g = geometryTw(m_picture2);
  in.boxTwips = QSizeF(g.width(), g.height());
  return in;
}

void Form1::buildMeterPanel() {
  m_frame1 = new CaptionFrame(QStringLiteral("Energy meter"), m_client);
  m_frame1->setObjectName(QStringLiteral("Frame1"));
  m_label12 = makeLabel(m_frame1, QStringLiteral("Label12"), QStringLiteral("energy (kWh) "));
  m_label2 = makeLabel(m_frame1, QStringLiteral("Label2"), QStringLiteral("s/count "));
  m_label8 = makeLabel(m_frame1, QStringLiteral("Label8"), QStringLiteral("counts"));
  m_text4 = makeText(m_frame1, QStringLiteral("Text4"));
  m_text2 = makeText(m_frame1, QStringLiteral("Text2"));
  m_text8 = makeText(m_frame1, QStringLiteral("Text8"));
  QLabel* labels[] = {m_label12, m_label2, m_label8};
  QLineEdit* boxes[] = {m_text4, m_text2, m_text8};
  for (int r = 0; r < 3; ++r) {
    labels[r]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placePx(labels[r], 6, 22 + 28 * r, 100, 24);
    boxes[r]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placePx(boxes[r], 108, 22 + 28 * r, 150, 24);
  }
  m_text4->setReadOnly(true);
  m_text8->setReadOnly(true);
  QFont big = m_text4->font();
  big.setBold(true);
  m_text4->setFont(big);
  m_shape1 = new ShapeWidget(ShapeWidget::Kind::Circle, m_frame1);
  m_shape1->setObjectName(QStringLiteral("Shape1"));
  placePx(m_shape1, 296, 24, 22, 22);
  m_label14 = makeLabel(m_frame1, QStringLiteral("Label14"), QString());
  m_label14->setAlignment(Qt::AlignCenter);
  placePx(m_label14, 264, 78, 90, 24);
  m_picture2 = new PowerBarWidget(m_client);
  m_picture2->setObjectName(QStringLiteral("Picture2"));
}

void Form1::buildLowerFrame() {
  m_frame5 = new QGroupBox(m_client);
  m_frame5->setObjectName(QStringLiteral("Frame5"));
  m_check1 = makeCheck(m_frame5, QStringLiteral("Check1"), QStringLiteral("ON-LINE"));
  m_command1 = makeButton(m_frame5, QStringLiteral("Command1"), QStringLiteral("Setup"));
  m_command3 = makeButton(m_frame5, QStringLiteral("Command3(0)"), QStringLiteral("Plot"));
  m_check3 = makeCheck(m_frame5, QStringLiteral("Check3"), QStringLiteral("Auto Plot"));
  m_option3[0] = new QRadioButton(QStringLiteral("Current Log file"), m_frame5);
  m_option3[1] = new QRadioButton(QStringLiteral("Archive Log file"), m_frame5);
  m_option3[0]->setObjectName(QStringLiteral("Option3(0)"));
  m_option3[1]->setObjectName(QStringLiteral("Option3(1)"));
  placePx(m_check1, 10, 10, 84, 24);
  placePx(m_command1, 100, 8, 70, 26);
  placePx(m_command3, 180, 8, 70, 26);
  placePx(m_check3, 260, 10, 94, 24);
  placePx(m_option3[0], 10, 10, 120, 24);
  placePx(m_option3[1], 140, 10, 120, 24);

  for (int i = 0; i < 4; ++i) {
    QLineEdit* t = makeText(m_frame5, QStringLiteral("Text7(%1)").arg(i));
    t->setFrame(false);
    t->setReadOnly(true);
    t->setStyleSheet(QStringLiteral("background: transparent"));
    m_text7 << t;
  }
  placePx(m_text7[0], 10, 40, 340, 20);
  placePx(m_text7[1], 10, 60, 340, 20);
  placePx(m_text7[2], 10, 80, 92, 20);
  placePx(m_text7[3], 104, 80, 246, 20);
  m_text7[3]->installEventFilter(this);

  connect(m_check1, &QCheckBox::stateChanged, this, [this] { Check1_Click(); });
  connect(m_check3, &QCheckBox::stateChanged, this, [this] { Check3_Click(); });
  for (QRadioButton* o : m_option3) connect(o, &QRadioButton::toggled, this, [this] { Option3_Click(); });
  connect(m_command1, &QPushButton::clicked, this, &Form1::setupWindowAsked);
  connect(m_command3, &QPushButton::clicked, this, [this] { Command3_Click(0); });
}

// The diagnostic frames right of the main controls: the protocol analyzer and the TCP link.
void Form1::buildDiagnostics() {
  const int left = twipsToPx(kMargin + kFrame1Width + kBarRoom + kMargin);
  m_frame6 = new QGroupBox(QStringLiteral("Protocol Analyzer"), m_client);
  m_frame6->setObjectName(QStringLiteral("Frame6"));
  placePx(m_frame6, left, 8, 380, 326);
  buildLineBoxes();
  buildAnalyzerModes();
  buildPulseTest();
  buildDcdCapture();
  buildTestCommands();

  auto* tcpFrame = new QGroupBox(QStringLiteral("TCP link"), m_client);
  tcpFrame->setObjectName(QStringLiteral("FrameTcp"));
  placePx(tcpFrame, left, 340, 380, 236);
  m_tcpPanel = new TcpClientPanel(m_link.tcpClient(), tcpFrame);
  placePx(m_tcpPanel, 8, 20, 364, 208);
}

// Check2(0..2): the serial lines.
void Form1::buildLineBoxes() {
  const char* lines[] = {"TxD BRK - Charge", "DTR - PWR UP", "RTS - TX EN"};
  for (int i = 0; i < 3; ++i) {
    QCheckBox* c = makeCheck(m_frame6, QStringLiteral("Check2(%1)").arg(i), QString::fromLatin1(lines[i]));
    placePx(c, 10, 22 + 24 * i, 160, 22);
    // A click drives the line; the box shows it again when the link announces the lines.
    connect(c, &QCheckBox::stateChanged, this, [this, i] { Check2_Click(i); });
    m_check2 << c;
  }
}

// Check4(0..3): the analyzer's modes.
void Form1::buildAnalyzerModes() {
  const char* modes[] = {"Protocol Analyzer Mode", "enable DCD event capture", "write to file",
                         "TFA temp receiver"};
  for (int i = 0; i < 4; ++i) {
    QCheckBox* c = makeCheck(m_frame6, QStringLiteral("Check4(%1)").arg(i), QString::fromLatin1(modes[i]));
    placePx(c, 180, 22 + 24 * i, 194, 22);
    connect(c, &QCheckBox::stateChanged, this, [this, i] { Check4_Click(i); });
    m_check4 << c;
  }
}

// Pulse test: a white flash of Text12(0) ms every Text12(1) ms.
void Form1::buildPulseTest() {
  m_check5 = makeCheck(m_frame6, QStringLiteral("Check5"), QStringLiteral("Run Pulse test"));
  placePx(m_check5, 10, 94, 124, 22);
  m_shape2 = new ShapeWidget(ShapeWidget::Kind::Rectangle, m_frame6);
  m_shape2->setObjectName(QStringLiteral("Shape2"));
  m_shape2->setFill(true, m_indicators->shape2Color());
  placePx(m_shape2, 138, 94, 30, 22);
  const char* captions[] = {"on (ms)", "period (ms)"};
  const char* defaults[] = {"10", "1000"};
  for (int i = 0; i < 2; ++i) {
    QLabel* l = makeLabel(m_frame6, QStringLiteral("Label13(%1)").arg(i), QString::fromLatin1(captions[i]));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placePx(l, 4 + 180 * i, 120, 80, 24);
    QLineEdit* t = makeText(m_frame6, QStringLiteral("Text12(%1)").arg(i));
    t->setText(QString::fromLatin1(defaults[i]));
    t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placePx(t, 88 + 180 * i, 120, 60, 24);
    m_text12 << t;
  }
  connect(m_check5, &QCheckBox::stateChanged, this, [this] {
    m_indicators->pulseTestChecked(m_check5->isChecked(), m_text12[0]->text(), m_text12[1]->text());
  });
}

// Carrier-detect capture: its commands, counter, capacity and capture file.
void Form1::buildDcdCapture() {
  const char* commands[] = {"clear DCD counter", "show DCD counter", "show DCD timeStamps"};
  for (int i = 0; i < 3; ++i) {
    QPushButton* b =
        makeButton(m_frame6, QStringLiteral("Command4(%1)").arg(i), QString::fromLatin1(commands[i]));
    if (i < 2) {
      placePx(b, 8 + 126 * i, 150, 122, 26);
    } else {
      placePx(b, 8, 180, 160, 26);
    }
    connect(b, &QPushButton::clicked, this, [this, i] { Command4_Click(static_cast<int16_t>(i)); });
    m_command4 << b;
  }
  const QString texts[] = {QStringLiteral("10000"), QStringLiteral("0"), QStringLiteral("001"),
                           m_settings.defDirName + QStringLiteral("PALOG*.txt")};
  for (int i = 0; i < 4; ++i) m_text1 << makeText(m_frame6, QStringLiteral("Text1(%1)").arg(i));
  for (int i = 0; i < 4; ++i) m_text1[i]->setText(texts[i]);
  placePx(m_text1[1], 262, 151, 80, 24);
  placePx(m_text1[2], 174, 181, 44, 24);
  placePx(makeLabel(m_frame6, QStringLiteral("Label17"), QStringLiteral("maxDCDevents")), 10, 210, 100, 24);
  placePx(m_text1[0], 112, 210, 70, 24);
  placePx(m_text1[3], 8, 238, 364, 24);
  m_text1[1]->setReadOnly(true);
  m_text1[1]->setToolTip(QStringLiteral("DCD events"));
  m_text1[2]->setToolTip(QStringLiteral("number of the next capture file"));
  m_text1[3]->setToolTip(QStringLiteral("capture file; \"*\" is replaced by the number"));
}

// The chart-window load test and the controller test frame.
void Form1::buildTestCommands() {
  m_command6 = makeButton(m_frame6, QStringLiteral("Command6"), QStringLiteral("Command6 - test"));
  placePx(m_command6, 8, 266, 122, 26);
  m_text13 << makeText(m_frame6, QStringLiteral("Text13(0)"))
           << makeText(m_frame6, QStringLiteral("Text13(1)"));
  m_text13[0]->setText(QStringLiteral("100"));
  placePx(m_text13[0], 136, 267, 60, 24);
  placePx(m_text13[1], 202, 267, 80, 24);
  m_text13[1]->setReadOnly(true);
  connect(m_command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
  m_command7 = makeButton(m_frame6, QStringLiteral("Command7"), QStringLiteral("Command7 Send"));
  placePx(m_command7, 8, 296, 122, 26);
  m_check6 = makeCheck(m_frame6, QStringLiteral("Check6"), QStringLiteral("use CRC table look-up"));
  placePx(m_check6, 138, 298, 200, 22);
  connect(m_command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
}

void Form1::Check4_Click(int index) {
  const bool on = m_check4[index]->checkState() == Qt::Checked;
  if (index == 0) m_link.setProtocolAnalyzerMode(on);
  if (index == 1) m_link.setDcdCaptureEnabled(on);
  if (index == 3) m_link.setTempReceiverMode(on);
}

void Form1::Command4_Click(int16_t index) {
  if (index == 0) {
    m_link.clearDcdCapture(static_cast<int32_t>(std::clamp(val(m_text1[0]->text()), -1.0, 1e7)));
    m_text1[1]->setText(formatNumber(m_link.dcdCount(), QStringLiteral("#,0")));
  } else if (index == 1) {
    m_text1[1]->setText(formatNumber(m_link.dcdCount(), QStringLiteral("#,0")));
  } else if (index == 2) {
    showDcdTimeStamps();
  }
}

void Form1::showDcdTimeStamps() {
  QString text = dcdReportHeader(dateNow(), m_link.dcdCount());
  const QStringList rows = dcdReportRows(m_link.dcdTimes(), m_link.dcdCount(), kDcdCounterFrequency);
  if (m_check4[2]->checkState() != Qt::Checked) {
    logMsg(1, text + rows.join(QString()) + dcdReportRule());
    return;
  }
  const auto n = static_cast<int32_t>(std::clamp(val(m_text1[2]->text()), 0.0, 999999.0));
  const QString name = captureFileName(m_text1[3]->text(), n);
  m_text1[2]->setText(formatNumber(n + 1, QStringLiteral("000")));
  QFile f(name);
  if (!f.open(QIODevice::Append) || f.write((text + rows.join(QString())).toUtf8()) < 0) {
    logMsg(-1, QStringLiteral("Command4_Click: ERROR cannot write '") + name + QStringLiteral("': ") +
                   f.errorString());
  }
}

void Form1::Command6_Click() {
  const int32_t start = timeGetTime();
  const double n = std::floor(val(m_text13[0]->text()));
  for (double i = 0; i < n && i < 1e6; ++i) emit meterEvents().chartLoadTestRequested();
  m_text13[1]->setText(formatNumber(msElapsed(start, timeGetTime()), QStringLiteral("#,0")));
}

void Form1::Command7_Click() {
  const QByteArray frame = buildTestFrame(m_check6->checkState() == Qt::Checked, m_settings.ZAVdetectorVer);
  if (!m_link.port().output(frame)) {
    logMsg(-1, QStringLiteral("Command7_Click: ERROR ") + m_link.port().lastError());
  }
}

void Form1::Check2_Click(int index) {
  SerialLines lines = m_link.serialLines();
  const bool on = m_check2[index]->checkState() == Qt::Checked;
  if (index == 0) lines.txBreak = on;
  if (index == 1) lines.dtr = on;
  if (index == 2) lines.rts = on;
  m_link.setSerialLines(lines);
}

void Form1::fillAboutBox() {
  for (int i = 0; i < 3; ++i) m_text7[i]->setCursor(Qt::ArrowCursor);
  m_text7[0]->setText(QStringLiteral("Zav ver "));
  m_text7[1]->setText(brandBanner());
  m_text7[2]->setText(QStringLiteral("For help goto:"));
  setWindowIcon(brandIcon(m_settings.appName));
  QLineEdit* link = m_text7[3];
  link->setText(brandHelpAddress(m_settings.appName));
  QPalette pal = link->palette();
  pal.setColor(QPalette::Text, QColor(0, 0, 255));
  link->setPalette(pal);
  QFont f = link->font();
  f.setUnderline(true);
  link->setFont(f);
  link->setCursor(Qt::PointingHandCursor);
  link->setToolTip(QStringLiteral("Click to open in your browser!"));
}

void Form1::formLoad() {
  setWindowIcon(brandIcon(m_settings.appName));
  Command4_Click(int16_t{0});
  m_session.setOnline(false);
  m_session.resetForLoad();
  setStartupFlag(3);
  Calculator& calc = calculator();
  calc.resetForLoad();
  m_text8->clear();
  m_text4->clear();
  m_text2->clear();
  m_calcPanel->box(Calculator::kText3)->setText(QStringLiteral("230"));
  fillAboutBox();
  m_menus->mnuMeter_Select[0]->setVisible(false);
  m_menus->mnuView_Plot->setVisible(false);
  captionText = brandCaptionPrefix(m_settings.appName) + programVersion();
  setWindowTitle(captionText);
  logMsg(4, QStringLiteral("-------- Zav START ") + formatDate(dateNow(), kDateFormat) + kCrLf);
  // The menu bar's share of the window; the window frame is outside Qt's sizes.
  showMenuBar(true);
  menuBarHeight = pxToTwips(menuBar()->sizeHint().height());
  showMenuBar(false);
  frameHeight = pxToTwips(frameGeometry().height() - geometry().height());
  applyWindowOptions();
  applyGlobalVariables();
  m_calcPanel->HScroll1()->setValue(3);
  m_label14->setText(QStringLiteral("temp°C"));
  m_loaded = true;
  m_check3->setChecked(m_settings.startWithAutoPlot);
  m_session.loadLastLogLine();
  show();
  repaint();
  if (m_settings.startOnLine) m_link.setOnLine(true);
  if (m_settings.startMinimized) setWindowState(windowState() | Qt::WindowMinimized);
}

void Form1::showMenuBar(bool show) {
  m_menus->mnuFile->menuAction()->setVisible(show);
  m_menus->mnuMeter->menuAction()->setVisible(show);
  m_menus->mnuView->menuAction()->setVisible(show);
}

void Form1::applyWindowOptions() {
  showMenuBar(true);
  m_menus->mnuFileClose->setVisible(false);
  m_menus->mnuFileOpen->setVisible(false);
  m_menus->mnuFileList1->setVisible(false);
  m_option3[0]->setVisible(false);
  m_option3[1]->setVisible(false);
  m_menus->mnuFileList2->setVisible(false);
  m_menus->mnuFileView->setVisible(false);
  m_check3->setVisible(true);
  m_command3->setVisible(true);
  setWindowSize();
}

void Form1::applyGlobalVariables() { calculator().applyPrice(m_settings.pricePerkWh); }

void Form1::setWindowSize() {
  const bool advanced = m_settings.advancedFunctions;
  const bool debug = m_settings.debugMode > 0;
  for (int i = 0; i < 3; ++i) m_calcPanel->Frame4(i)->setVisible(advanced);
  int b = bottomTw(advanced ? m_calcPanel->Frame4(2) : m_calcPanel->Frame3()) + kGap;
  QRect f5 = geometryTw(m_frame5);
  placeTw(m_frame5, f5.x(), b, f5.width(), f5.height());
  b = bottomTw(m_frame5);
  const QRect bar = geometryTw(m_picture2);
  placeTw(m_picture2, bar.x(), bar.y(), bar.width(), b - bar.y());
  b += kGap;
  const QRect f1 = geometryTw(m_frame1);
  int width = f1.width() + 2 * f1.x() + kBarRoom;
  // The developer frames (protocol analyzer, TCP link) only in debug mode: a larger or
  // maximised window must not uncover them.
  m_frame6->setVisible(debug);
  m_tcpPanel->parentWidget()->setVisible(debug);
  if (debug) {
    width += kDebugWidth;
    // The diagnostic frames stay whole when they reach below the main controls.
    b = std::max(b, bottomTw(m_tcpPanel->parentWidget()) + kGap);
  }
  // Qt's window size leaves out the frame: the client and the menu bar.
  resize(twipsToPx(width), twipsToPx(menuBarHeight + b));
}

void Form1::updateTitlePower(const QString& temperature) {
  setWindowTitle(brandWord(m_settings.appName) + formatNumber(calculator().totPower, QStringLiteral("#,0")) +
                 QStringLiteral(" W  ") + temperature);
}

void Form1::updateTitlePower() { updateTitlePower(m_label14->text()); }

void Form1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (isMinimized()) {
    updateTitlePower(m_label14->text());
  } else {
    setWindowTitle(captionText);
  }
}

void Form1::closeEvent(QCloseEvent* event) {
  // The window closes only through the program's end.
  if (m_ending) return;
  event->ignore();
  confirmExit();
}

void Form1::goOffline() {
  if (m_link.online()) m_link.setOnLine(false);
  // A data file left open by a failed start still gets its section header.
  if (m_session.recorder().isOpen()) m_session.closeDataFile();
}

void Form1::confirmExit() {
  if (msgBox(m_settings.appName + QStringLiteral(": exit program?"), MsgButtons::OkCancel) != MsgResult::Ok) return;
  m_ending = true;
  goOffline();
  shutDownProgram(m_values);
  emit programEnded();
}

void Form1::endWithoutAsking() {
  if (m_ending) return;
  m_ending = true;
  goOffline();
  shutDownProgram(m_values);
  emit programEnded();
}

void Form1::showValuesGrey(bool grey) {
  if (grey == m_valuesGrey) return;
  m_valuesGrey = grey;
  QList<QWidget*> values{m_text4, m_text2, m_text8, m_label14};
  for (int i = 0; i < 3; ++i) values << m_calcPanel->box(Calculator::kText9 + i) << m_calcPanel->box(Calculator::kText11 + i);
  for (int k = 0; k < 9; ++k) values << m_calcPanel->box(Calculator::kText5 + k);
  const QString look = grey ? QStringLiteral("color: gray") : QString();
  for (QWidget* w : std::as_const(values)) w->setStyleSheet(look);
  m_picture2->setGrey(grey);
}

void Form1::Timer7_Timer() {
  timer7Remaining -= 1;
  fillSummaryForm(m_summaryForm, 0, QString(), QString(), timer7Total - timer7Remaining, timer7Total,
                  QString(), 0, 0);
  const Form9* form = m_summaryForm.get();
  if (timer7Remaining <= 0 || (form && form->progressCancelled())) {
    Timer7.setEnabled(false);
    m_link.stopWaiting();
  }
}

void Form1::openHelpLink(int16_t index) {
  if (index == 3) openDocument(helpLinkAddress(m_text7[3]->text(), programVersion()));
}

void Form1::beep() { QApplication::beep(); }

void Form1::setStartupFlag(int16_t value) {
  calcDependentGroup = value;
  calculator().calcDependentGroup = value;
}

void Form1::Check1_Click() {
  if ((m_check1->checkState() == Qt::Checked) != m_link.online()) m_link.setOnLine(!m_link.online());
}

void Form1::Option3_Click() {
  m_plotFileSlot = m_option3[1]->isChecked() ? 1 : 0;
  m_check3->setEnabled(m_plotFileSlot == 0);
}

void Form1::Check3_Click() { m_autoPlot = m_check3->checkState() == Qt::Checked; }

void Form1::Command3_Click(int16_t index) {
  if (index != 0) return;
  const DataFileSlots& indexes = m_session.dataFileSlots();
  if (indexes[m_plotFileSlot].recordCount == 0 && !m_link.online()) m_session.loadDataFile(m_plotFileSlot);
  if (indexes[m_plotFileSlot].recordCount > 0) {
    emit meterEvents().plotRequested();
  } else {
    msgBox(QStringLiteral("File not open"));
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::Quit) {
    endWithoutAsking();
    return false;
  }
  if (watched == m_text7[3]) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
      auto* me = static_cast<QMouseEvent*>(event);
      const double x = me->position().x() * kTwipsPerPixel;
      const int button = mouseButton(me->button());
      if (event->type() == QEvent::MouseButtonPress) {
        m_linkClicks.mouseDown(button, x);
      } else if (m_linkClicks.mouseUp(button, x)) {
        openDocument(helpLinkTarget(m_text7[3]->text(), programVersion()));
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void showMainWindow(Form1& window) {
  Form1* w = &window;
  MeterLink& link = window.link();
  QObject::connect(w, &Form1::programEnded, qApp, [] {
    QCoreApplication::exit(0);
    // An exit asked before the main event loop runs (during the load) is
    // forgotten when that loop starts: ask again from within it.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  });
  watchTerminationSignals([f = QPointer<Form1>(w)](int sig) {
    logMsg(2, QStringLiteral("endWithoutAsking: signal ") + QString::number(sig));
    if (f) f->endWithoutAsking();
  });
  // The session's end and any other way out close the data file properly.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, w, [w] { w->endWithoutAsking(); });
  // A quit asked of the application (not of the window) ends without asking.
  qApp->installEventFilter(w);
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, w, [&link] {
    if (link.online()) link.setOnLine(false);
  });
  w->formLoad();
}

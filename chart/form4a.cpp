#include "chart/form4a.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>

#include "chart/chart_layout.h"
#include "chart/chart_settings.h"
#include "core/log/logmsg.h"
#include "meter/window/twips.h"
#include "platform/colour.h"

// Picture1: shows the core's picture, with the marks of the current pick,
// inside a sunken border.
class ChartPicture : public QFrame {
 public:
  ChartPicture(const ChartCore& core, const PickPicture& pick, QWidget* parent)
      : QFrame(parent), m_core(core), m_pick(pick) {
    setObjectName(QStringLiteral("Picture1"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QFrame::paintEvent(e);
    QPainter p(this);
    p.drawImage(contentsRect().topLeft(), m_pick.shown().isNull() ? m_core.picture1() : m_pick.shown());
  }

 private:
  const ChartCore& m_core;
  const PickPicture& m_pick;
};

namespace {
// A three-position stepper: the two arrows step, the middle is the rest position.
QScrollBar* makeStepper(const QString& name, QWidget* parent) {
  auto* s = new QScrollBar(Qt::Horizontal, parent);
  s->setObjectName(name);
  s->setRange(0, 2);
  s->setValue(1);
  s->setPageStep(1);
  return s;
}
}  // namespace

Form4a::Form4a(const Settings& settings, PlotSource source, QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form4a"));
  setWindowTitle(QStringLiteral("Power and Temperature"));
  // The graph set-up needs the core before the controls show its band.
  // The graph engine asks this window for the text of a picked point.
  m_core = new ChartCore(
      settings, std::move(source), [this](int16_t, int32_t) { return getPntTxt(); }, this);
  m_core->formLoad();
  buildMenus();
  buildControls();
  connect(m_core, &ChartCore::bandChanged, this, &Form4a::showBand);
  connect(m_core, &ChartCore::picture1Changed, this, [this] {
    m_pick.setPersistent(&m_core->picture1());
    m_picture1->update();
  });
  connect(m_core, &ChartCore::xyPlotBuilt, this, [this] {
    setSelXrange();
    fillChannelList();
    showInfoPanel(m_core->chartMode);
  });
  connect(m_core, &ChartCore::selectionRebuilt, this, &Form4a::showKeptSelection);
  connectMenus();
  connectOutput();
  showBand();
  resize(twipsToPx(9600), twipsToPx(7800));
}

Form4a::~Form4a() = default;

QWidget* Form4a::Picture1() const { return m_picture1; }

void Form4a::buildControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);
  m_picture1 = new ChartPicture(*m_core, m_pick, client);
  m_picture3 = new QLabel(client);
  m_picture3->setObjectName(QStringLiteral("Picture3"));
  // The value box only shows: the pointer over it still works the picture beneath.
  m_picture3->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_picture3->hide();

  // The tools panel and the sample panel start hidden.
  m_frame1 = new QGroupBox(client);
  m_frame1->setObjectName(QStringLiteral("Frame1"));
  m_ssTab1 = new QTabWidget(m_frame1);
  m_ssTab1->setObjectName(QStringLiteral("SSTab1"));
  const char* tabs[] = {"Scale", "Options", "Tab 2"};
  for (const char* caption : tabs) m_ssTab1->addTab(new QWidget, QString::fromLatin1(caption));
  m_ssTab1->setTabVisible(2, false);
  buildScaleTab(m_ssTab1->widget(0));
  buildOptionsTab(m_ssTab1->widget(1));
  placeTw(m_frame1, 90, 90, 5400, 4200);
  m_ssTab1->setGeometry(m_frame1->contentsRect());
  m_frame1->hide();
  m_frame4 = new QGroupBox(QStringLiteral("Sample"), client);
  m_frame4->setObjectName(QStringLiteral("Frame4"));
  m_frame4->hide();
  buildGraphMenu();

  m_frame5 = new QGroupBox(client);
  m_frame5->setObjectName(QStringLiteral("Frame5"));
  m_hScroll2 = makeStepper(QStringLiteral("HScroll2"), m_frame5);
  m_hScroll3 = makeStepper(QStringLiteral("HScroll3"), m_frame5);
  m_combo2 = new QComboBox(m_frame5);
  m_combo2->setObjectName(QStringLiteral("Combo2"));
  m_text3 = new QLineEdit(m_frame5);
  m_text3->setObjectName(QStringLiteral("Text3"));
  m_text3->installEventFilter(this);
  m_chkNow = new QCheckBox(QStringLiteral("Now"), m_frame5);
  m_chkNow->setObjectName(QStringLiteral("chkNow"));
  m_text4 = new QLineEdit(m_frame5);
  m_text4->setObjectName(QStringLiteral("Text4"));
  m_command3 = new QPushButton(QStringLiteral("Fetch"), m_frame5);
  m_command3->setObjectName(QStringLiteral("Command3"));
  m_check3 = new QCheckBox(QStringLiteral("at once"), m_frame5);
  m_check3->setObjectName(QStringLiteral("Check3"));
  m_text2 = new QLineEdit(m_frame5);
  m_text2->setObjectName(QStringLiteral("Text2"));
  m_text2->setReadOnly(true);
  placeTw(m_combo2, 0, 0, 1200, 330);
  placeTw(m_hScroll2, 150, 225, 1800, 300);
  placeTw(m_text3, 0, 0, 2700, 300);
  placeTw(m_hScroll3, 0, 225, 3300, 300);
  placeTw(m_chkNow, 0, 240, 900, 300);
  placeTw(m_text4, 2100, 240, 600, 300);
  placeTw(m_command3, 2100, 0, 900, 240);
  placeTw(m_check3, 3100, 0, 1200, 240);
  placeTw(m_text2, 2850, 240, 1500, 300);

  connect(m_combo2, &QComboBox::currentIndexChanged, this, [this](int i) { m_core->chooseSpan(i); });
  connect(m_hScroll2, &QScrollBar::valueChanged, this, [this](int v) {
    if (v == 1) return;
    m_hScroll2->setValue(1);
    m_core->stepSpan(v);
  });
  connect(m_hScroll3, &QScrollBar::valueChanged, this, [this](int v) {
    if (v == 1) return;
    m_hScroll3->setValue(1);
    m_core->stepTime(v);
  });
  connect(m_text3, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (t != m_core->band().endText) m_core->setEndText(t);
  });
  connect(m_chkNow, &QCheckBox::stateChanged, this, [this] { m_core->setNow(m_chkNow->isChecked()); });
  connect(m_check3, &QCheckBox::stateChanged, this, [this] { m_core->setFetchAtOnce(m_check3->isChecked()); });
  connect(m_command3, &QPushButton::clicked, this, [this] { m_core->fetchAndPlot(); });
  // The fetch counter counts on from what the user typed into it.
  connect(m_text4, &QLineEdit::textChanged, this, [this](const QString& t) { m_core->setFetchCount(t); });
}

void Form4a::showBand() {
  const ChartBand& b = m_core->band();
  const QSignalBlocker b1(m_combo2), b2(m_text3), b3(m_chkNow), b4(m_check3), b5(m_text4);
  if (m_combo2->count() != b.spans.size()) {
    m_combo2->clear();
    m_combo2->addItems(b.spans);
  }
  m_combo2->setCurrentIndex(b.spanIndex);
  if (m_text3->text() != b.endText) m_text3->setText(b.endText);
  QPalette pal = m_text3->palette();
  pal.setColor(QPalette::Text, colourToQColor(b.endColour));
  m_text3->setPalette(pal);
  m_chkNow->setChecked(b.now);
  m_check3->setChecked(b.fetchAtOnce);
  m_command3->setEnabled(b.fetchEnabled);
  if (m_text4->text() != b.fetchCount) m_text4->setText(b.fetchCount);
  m_text2->setText(b.status);
}

bool Form4a::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_picture1 && picture1Event(e)) return true;
  // A press on the end time leaves "Now", so what the user types stays.
  if (watched == m_text3 && e->type() == QEvent::MouseButtonPress) m_core->setNow(false);
  return QMainWindow::eventFilter(watched, e);
}

void Form4a::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() != QEvent::ActivationChange || isActiveWindow() == m_formActive) return;
  m_formActive = isActiveWindow();
  logMsg(2, m_formActive ? QStringLiteral("Form4.Activate") : QStringLiteral("Form4.Deactivate"));
}

void Form4a::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  // Every resize lays the window out again, also one back to a size it had: the resize
  // that fitting the window to a fixed picture causes may never arrive, so it cannot be
  // told from the user's. Laid out again at its fitted size the window stays as it is.
  formResize();
}

void Form4a::formResize() {
  if (m_inResize) return;
  m_inResize = true;
  if (m_layoutDone) {
    layoutControls(m_core->settings().fixedPlotSize);
  } else {
    layoutPlotArea();
    layoutControls(true);
    m_layoutDone = true;
  }
  m_inResize = false;
}

// Hidden, a control of the panel would hand the keys on to the next control:
// they go back to the picture, whose keys move the selection. The menu's tick
// follows, so its next click shows the panel.
void Form4a::hideToolsPanel() {
  const bool hadKeys = m_frame1->isAncestorOf(focusWidget());
  m_frame1->hide();
  menuItem("mnuTools_Visible")->setChecked(false);
  if (hadKeys) m_picture1->setFocus();
}

QSize Form4a::pictureBorderTw() const {
  const QSize outer = m_picture1->size(), inner = m_picture1->contentsRect().size();
  return {pxToTwips(outer.width() - inner.width()), pxToTwips(outer.height() - inner.height())};
}

static QSize plotPixels(const Settings& s) {
  return {std::clamp(s.plotWidth, kMinPlotSide, kMaxPlotSide), std::clamp(s.plotHeight, kMinPlotSide, kMaxPlotSide)};
}

void Form4a::layoutPlotArea() {
  const QSize border = pictureBorderTw();
  const QSize px = plotPixels(m_core->settings());
  m_picture1->resize(twipsToPx(pxToTwips(px.width()) + border.width()),
                     twipsToPx(pxToTwips(px.height()) + border.height()));
  m_core->setPicture1Size(m_picture1->contentsRect().size());
}

void Form4a::layoutControls(bool fixedSize) {
  if (m_core->loadAsInvisible() || isMinimized()) return;
  ChartLayoutInput in;
  const QWidget* client = centralWidget();
  in.inner = QSize(pxToTwips(client->width()), pxToTwips(client->height()));
  in.frame = QSize(pxToTwips(width() - client->width()), pxToTwips(height() - client->height()));
  in.pictureBorder = pictureBorderTw();
  in.plotPixels = plotPixels(m_core->settings());
  in.maximised = isMaximized();
  in.fixedSize = fixedSize;
  hideToolsPanel();
  m_frame5->show();
  if (const std::optional<ChartLayout> l = layoutChart(in)) {
    placeTw(m_picture1, l->picture.x(), l->picture.y(), l->picture.width(), l->picture.height());
    if (l->window) {
      const QSize fitted(twipsToPx(l->window->width()), twipsToPx(l->window->height()));
      if (fitted != size()) resize(fitted);
    }
    placeTw(m_frame5, l->band.x(), l->band.y(), l->band.width(), l->band.height());
    m_frame5->setTitle(QString());
    const int fw = l->band.width();
    const QRect now = geometryTw(m_chkNow), s3 = geometryTw(m_hScroll3), s2 = geometryTw(m_hScroll2);
    placeTw(m_hScroll3, fw - s3.width() - now.width() - 300, 225, s3.width(), geometryTw(m_text3).height());
    placeTw(m_chkNow, fw - now.width() - 150, now.y(), now.width(), now.height());
    const QRect c2 = geometryTw(m_combo2);
    placeTw(m_hScroll2, 150, 225, s2.width(), c2.height() - 30);
    placeTw(m_combo2, 150 + (s2.width() - c2.width()) / 2, 225, c2.width(), c2.height());
    const QRect t3 = geometryTw(m_text3), h3 = geometryTw(m_hScroll3);
    placeTw(m_text3, h3.x() + (h3.width() - t3.width()) / 2, h3.y(), t3.width(), t3.height());
    m_combo2->raise();
    m_text3->raise();
    m_core->setPicture1Size(m_picture1->contentsRect().size());
  }
  // The value box stood beside the picture where it was: the selection is marked again where it is now.
  showKeptSelection();
}

// The chart window's menus, the option check boxes of the tools panel and
// their menu mirrors, the series choice and the info panels.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "chart/form4a.h"
#include "chart/series_selection.h"
#include "chart/sign_switches.h"
#include "meter/window/twips.h"
#include "platform/named_colours.h"

namespace {
// The option check boxes and their Chart menu mirrors.
struct ChartOption {
  const char* box;
  const char* boxCaption;
  const char* item;
  const char* itemCaption;
};
constexpr ChartOption kChartOptions[] = {
    {"Check13", "zMaxMin", "mnuChart_yMaxMin", "y min/max"},
    {"Check17", "white bkgd", "mnuChart_whiteBkg", "white bkg"},
    {"Check18", "Marks", "mnuChart_marks", "marks"},
    {"Check19", "X-labels", "mnuChart_xLabels", "x labels"},
};

QAction* addItem(QMenu* m, const char* name, const char* caption, bool checkable = false) {
  QAction* a = m->addAction(QString::fromLatin1(caption));
  a->setObjectName(QString::fromLatin1(name));
  a->setCheckable(checkable);
  return a;
}

QAction* addSeparator(QMenu* m, const char* name) {
  QAction* a = m->addSeparator();
  a->setObjectName(QString::fromLatin1(name));
  return a;
}
}  // namespace

QAction* Form4a::menuItem(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void Form4a::buildMenus() {
  auto menu = [this](const char* name, const QString& caption) {
    QMenu* m = menuBar()->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    return m;
  };
  QMenu* file = menu("mnuFile", QStringLiteral("&File"));
  addItem(file, "mnuFileLoad", "Load")->setEnabled(m_core->settings().debugMode >= 1);
  addItem(file, "mnuFileSave", "Save")->setEnabled(m_core->settings().debugMode >= 1);
  addSeparator(file, "mnuFile_list1");
  addItem(file, "mnuFileCopy", "Copy");
  addItem(file, "mnuFilePrint", "Print");

  QMenu* chart = menu("mnuChart", QStringLiteral("&Chart"));
  for (const ChartOption& o : kChartOptions) addItem(chart, o.item, o.itemCaption, true);

  QMenu* tools = menu("mnuTools", QStringLiteral("&Tools"));
  addItem(tools, "mnuTools_Visible", "Visible", true)->setChecked(false);
  addSeparator(tools, "mnuTools_list1")->setVisible(false);
  addItem(tools, "mnuTools_Rec", "Record")->setVisible(false);
  addItem(tools, "mnuTools_Cha", "Channels")->setVisible(false);
  addItem(tools, "mnuTools_Smpl", "Sample")->setVisible(false);

  QMenu* box = menu("mnuTxtBox", QStringLiteral("Text &Box"));
  box->menuAction()->setVisible(false);
  // The value box is on until the user turns it off in the Graph Menu.
  addItem(box, "mnuTxtBox_Visible", "Visible", true)->setChecked(true);
  addSeparator(box, "mnuTxtBox_list1")->setVisible(false);
  addItem(box, "mnuTxtBox_BatName", "Battery", true)->setVisible(false);
  addItem(box, "mnuTxtBox_Cha", "Channel", true)->setVisible(false);
  addSeparator(box, "mnuTxtBox_list2");
  addItem(box, "mnuTxtBox_AbsPoint", "Abs Point", true);
  addItem(box, "mnuTxtBox_RelPoint", "Rel Point", true);
  addSeparator(box, "mnuTxtBox_list3");
  addItem(box, "mnuTxtBox_AbsRecord", "Abs Record", true);
  addItem(box, "mnuTxtBox_RelRecord", "Rel Record", true);
  addSeparator(box, "mnuTxtBox_list4");
  addItem(box, "mnuTxtBox_AbsTime", "Abs Time", true)->setChecked(true);
  addItem(box, "mnuTxtBox_RelTime", "Rel Time", true);
  addSeparator(box, "mnuTxtBox_list5");
  addItem(box, "mnuTxtBox_AbsVal", "Abs Value", true)->setChecked(true);
  addItem(box, "mnuTxtBox_RelVal", "Rel Value", true);
}

void Form4a::buildOptionsTab(QWidget* page) {
  int top = 120;
  for (const ChartOption& o : kChartOptions) {
    auto* c = new QCheckBox(QString::fromLatin1(o.boxCaption), page);
    c->setObjectName(QString::fromLatin1(o.box));
    placeTw(c, 120, top, 1500, 285);
    top += 300;
  }
  findChild<QCheckBox*>(QStringLiteral("Check18"))->setChecked(true);
  findChild<QCheckBox*>(QStringLiteral("Check19"))->setChecked(true);

  auto* combo1 = new QComboBox(page);
  combo1->setObjectName(QStringLiteral("Combo1"));
  combo1->setEditable(true);
  placeTw(combo1, 1740, 120, 2400, 315);
  const char* boxes[] = {"Text36", "Text38", "Text39"};
  for (int i = 0; i < 3; ++i) {
    auto* e = new QLineEdit(QStringLiteral("0"), page);
    e->setObjectName(QString::fromLatin1(boxes[i]));
    e->setReadOnly(i > 0);
    placeTw(e, 1740 + i * 540, 540, 480, 300);
  }

  auto* frame2 = new QGroupBox(QStringLiteral("Cursor tracking"), page);
  frame2->setObjectName(QStringLiteral("Frame2"));
  placeTw(frame2, 1740, 900, 3000, 2000);
  for (int i = 0; i < 6; ++i) {
    auto* caption = new QLabel(frame2);
    caption->setObjectName(QStringLiteral("Frame2Caption(%1)").arg(i));
    placeTw(caption, 90, 240 + i * 270, 1350, 255);
    auto* second = new QLabel(frame2);
    second->setObjectName(QStringLiteral("Frame2Caption2(%1)").arg(i));
    placeTw(second, 1500, 240 + i * 270, 1400, 255);
  }
  frame2->hide();
  auto* frame3 = new QGroupBox(QStringLiteral("X-scale"), page);
  frame3->setObjectName(QStringLiteral("Frame3"));
  placeTw(frame3, 120, 1380, 1500, 1100);
  const char* xScales[] = {"point", "record", "time"};
  for (int i = 0; i < 3; ++i) {
    auto* o = new QRadioButton(QString::fromLatin1(xScales[i]), frame3);
    o->setObjectName(QStringLiteral("Option2(%1)").arg(i));
    o->setChecked(i == 2);
    placeTw(o, 90, 240 + i * 270, 1300, 255);
  }
}

void Form4a::connectMenus() {
  // The sample panel: its controls have no effect on the time chart.
  auto* repeat = new QCheckBox(QStringLiteral("repeat"), m_frame4);
  repeat->setObjectName(QStringLiteral("Check1"));
  auto* overlay = new QCheckBox(QStringLiteral("overlay"), m_frame4);
  overlay->setObjectName(QStringLiteral("Check14"));
  auto* sample = new QPushButton(QStringLiteral("Sample"), m_frame4);
  sample->setObjectName(QStringLiteral("Command1"));
  placeTw(repeat, 120, 240, 1200, 285);
  placeTw(overlay, 120, 540, 1200, 285);
  placeTw(sample, 120, 840, 1200, 330);
  placeTw(m_frame4, 5580, 90, 1500, 1300);

  QMenu* chart = findChild<QMenu*>(QStringLiteral("mnuChart"));
  connect(chart, &QMenu::aboutToShow, this, [this] {
    for (const ChartOption& o : kChartOptions)
      menuItem(o.item)->setChecked(findChild<QCheckBox*>(QString::fromLatin1(o.box))->isChecked());
  });
  for (const ChartOption& o : kChartOptions) {
    QCheckBox* box = findChild<QCheckBox*>(QString::fromLatin1(o.box));
    // The item's own click has turned its check mark; the box follows and does the work.
    connect(menuItem(o.item), &QAction::triggered, box, &QCheckBox::setChecked);
  }
  auto* check17 = findChild<QCheckBox*>(QStringLiteral("Check17"));
  connect(check17, &QCheckBox::toggled, this, [this](bool white) {
    if (m_core->chartMode == 0) return;
    m_core->setPicture1BackColour(white ? kSysColorWindowBackground : kSysColorButtonFace);
    m_core->redrawPlot();
  });
  connect(findChild<QCheckBox*>(QStringLiteral("Check18")), &QCheckBox::toggled, this, [this](bool shown) {
    if (m_core->chartMode != 2 && m_core->chartMode != 3) return;
    showSeriesMarks(m_core->graphDef, m_core->chartMode, shown,
                    findChild<QLineEdit*>(QStringLiteral("Text36"))->text());
    m_core->redrawPlot();
  });
  connect(findChild<QCheckBox*>(QStringLiteral("Check19")), &QCheckBox::toggled, this, [this](bool shown) {
    if (m_core->chartMode < 1) return;
    flipTimeLabelLayers(m_core->graphDef, m_core->chartMode, shown);
    m_core->redrawPlot();
  });

  connect(menuItem("mnuTools_Visible"), &QAction::triggered, this, [this](bool checked) {
    if (checked) {
      m_frame1->show();
      m_frame1->raise();
    } else {
      hideToolsPanel();
    }
    if (m_core->chartMode != 0) m_core->redrawPlot();
  });
  connect(menuItem("mnuTools_Rec"), &QAction::triggered, this, [this] { showInfoPanel(1); });
  connect(menuItem("mnuTools_Cha"), &QAction::triggered, this, [this] { showInfoPanel(2); });
  connect(menuItem("mnuTools_Smpl"), &QAction::triggered, this, [this] { showInfoPanel(3); });

  auto* combo1 = findChild<QComboBox*>(QStringLiteral("Combo1"));
  connect(combo1, &QComboBox::activated, this, [this] { selectSeries(); });
  // While the user types, no entry is chosen: nothing changes until the text names one.
  connect(combo1, &QComboBox::editTextChanged, this, [this, combo1](const QString& text) {
    if (combo1->itemText(combo1->currentIndex()) == text) selectSeries();
  });
  connect(findChild<QLineEdit*>(QStringLiteral("Text36")), &QLineEdit::textChanged, this,
          [this] { showSelectedSeriesAxes(); });
  for (int i = 0; i < 3; ++i)
    connect(findChild<QRadioButton*>(QStringLiteral("Option2(%1)").arg(i)), &QRadioButton::clicked, this, [this] {
      if (m_core->chartMode == 0) return;
      QApplication::setOverrideCursor(Qt::WaitCursor);
      QApplication::restoreOverrideCursor();
    });
}

void Form4a::selectSeries() {
  auto* combo1 = findChild<QComboBox*>(QStringLiteral("Combo1"));
  const int i = combo1->currentIndex();
  const std::optional<SeriesChoice> choice =
      ::selectSeries(i, i < 0 ? 0 : combo1->itemData(i).toInt());
  if (!choice) return;
  findChild<QLineEdit*>(QStringLiteral("Text36"))->setText(choice->seriesText);
  m_selSeriesMask = choice->selSeriesMask;
  m_selSeriesIndex = choice->selSeriesIndex;
}

void Form4a::showSelectedSeriesAxes() {
  if (m_core->chartMode < 1) return;
  const SeriesAxes axes =
      seriesAxisTexts(m_core->graphDef, findChild<QLineEdit*>(QStringLiteral("Text36"))->text());
  findChild<QLineEdit*>(QStringLiteral("Text38"))->setText(axes.yAxis);
  findChild<QLineEdit*>(QStringLiteral("Text39"))->setText(axes.xAxis);
}

void Form4a::showInfoPanel(int kind) {
  if (kind < 1 || kind > 3) return;
  findChild<QGroupBox*>(QStringLiteral("Frame2"))->show();
  findChild<QGroupBox*>(QStringLiteral("Frame3"))->hide();
  findChild<QCheckBox*>(QStringLiteral("Check18"))->setEnabled(kind != 1);
  m_frame4->setVisible(kind == 3);
  if (kind == 1 && !m_recordTexts.isEmpty()) {
    // The record shown by plotRec, one text a line.
    for (int i = 0; i < 6; ++i) {
      findChild<QLabel*>(QStringLiteral("Frame2Caption(%1)").arg(i))->setText(m_recordTexts.value(i));
      findChild<QLabel*>(QStringLiteral("Frame2Caption2(%1)").arg(i))->clear();
    }
  }
  if (kind != 2) return;
  const char* captions[] = {"record ", "Mcount ", "Lcount ", "date time ", "time ", "date "};
  const char* captions2[] = {"cha", "adr,nch", "typ:tix", "bty_mtp'mix", "BlkRng", "chatxt"};
  for (int i = 0; i < 6; ++i) {
    findChild<QLabel*>(QStringLiteral("Frame2Caption(%1)").arg(i))->setText(QString::fromLatin1(captions[i]));
    findChild<QLabel*>(QStringLiteral("Frame2Caption2(%1)").arg(i))->setText(QString::fromLatin1(captions2[i]));
  }
}

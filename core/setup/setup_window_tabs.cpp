// The eight tabs of the setup window, built in code with the designer names.
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "core/setup/setup_window.h"
#include "platform/twips_units.h"

namespace {
QWidget* page(QLayout* layout) {
  auto* w = new QWidget;
  w->setLayout(layout);
  return w;
}
QLineEdit* narrow(QLineEdit* e, int width = 80) {
  e->setMaximumWidth(width);
  return e;
}
}  // namespace

QWidget* SetupWindow::buildGeneralTab() {
  auto* grid = new QGridLayout;

  auto* fields = new QFormLayout;
  fields->addRow(makeLabel("Label1(0)", "COM-port (1-16)"), narrow(makeEdit(ctl("Text1", 0))));
  fields->addRow(makeLabel("Label1(15)", "COM-setting"), narrow(makeEdit(ctl("Text1", 14)), 120));
  fields->addRow(makeLabel("Label1(12)", "Imp/kWh"), narrow(makeEdit(ctl("Text1", 13))));
  fields->addRow(makeLabel("Label1(3)", "message level"), narrow(makeEdit(ctl("Text1", 3))));
  fields->addRow(makeLabel("Label1(24)", "max Power (W)"), narrow(makeEdit(ctl("Text1", 24))));
  fields->addRow(makeLabel("Label1(44)", "min Interval (s)"), narrow(makeEdit(ctl("Text1", 31))));
  fields->addRow(makeLabel("Label1(45)", "max Interval (s)"), narrow(makeEdit(ctl("Text1", 32))));
  grid->addLayout(fields, 0, 0);

  auto* f1 = makeFrame("Frame1", "Detector interface && type");
  auto* f1l = new QGridLayout(f1);
  for (int i = 0; i < 4; ++i) f1l->addWidget(makeOption("Option1", i), i, 0, 1, 2);
  f1l->addWidget(makeLabel("Label1(19)", "Zav-Controller version"), 4, 0);
  f1l->addWidget(narrow(makeEdit(ctl("Text1", 19))), 4, 1);
  f1l->addWidget(makeLabel("Label1(20)", "Zav meter ID"), 5, 0);
  f1l->addWidget(narrow(makeEdit(ctl("Text1", 20))), 5, 1);
  grid->addWidget(f1, 0, 1);

  auto* f20 = makeFrame("Frame20", "Startup Options");
  auto* f20l = new QVBoxLayout(f20);
  f20l->addWidget(makeCheck(ctl("Check1", 10)));
  f20l->addWidget(makeCheck(ctl("Check1", 7)));
  f20l->addWidget(makeCheck(ctl("Check1", 1)));
  f20l->addWidget(makeCheck(ctl("Check1", 4)));
  grid->addWidget(f20, 0, 2);

  auto* misc = new QVBoxLayout;
  misc->addWidget(makeCheck(ctl("Check1", 0)));
  misc->addWidget(makeCheck(ctl("Check1", 2)));
  auto* search = makeButton("Command11", "Search ports");
  search->setToolTip(QStringLiteral("Search COM-ports for Zav detector"));
  misc->addWidget(search);
  misc->addWidget(makeLabel("Label1(46)", "tested COM-ports"));
  misc->addWidget(reg(QStringLiteral("Combo2"), new QComboBox));
  misc->addStretch();
  grid->addLayout(misc, 1, 0);

  auto* f2 = makeFrame("Frame2", "Timer type");
  auto* f2l = new QVBoxLayout(f2);
  for (int i = 0; i < 5; ++i) f2l->addWidget(makeOption("Option2", i));
  grid->addWidget(f2, 1, 1);

  auto* f10 = makeFrame("Frame10", setupCaption("Frame10"));
  auto* f10l = new QVBoxLayout(f10);
  auto* pulse = reg(QStringLiteral("Text17"), new QPlainTextEdit);
  pulse->setReadOnly(true);
  f10l->addWidget(pulse);
  grid->addWidget(f10, 1, 2);

  auto* f11 = makeFrame("Frame11", "COM Status");
  auto* f11l = new QGridLayout(f11);
  const char* events[] = {"Total events",     "Send",         "Receive",        "Framing error",
                          "Break detect",     "Port overrun", "Buffer overrun", "CTS changed",
                          "DSR changed",      "DCD changed",  "RI detected",    "Undefined",
                          "Ignored (offline)"};
  for (int i = 0; i < 13; ++i) {
    f11l->addWidget(makeLabel(ctl("Label18", i), events[i]), i % 7, (i / 7) * 2);
    auto* e = narrow(makeEdit(ctl("Text16", i)), 70);
    e->setReadOnly(true);
    f11l->addWidget(e, i % 7, (i / 7) * 2 + 1);
  }
  grid->addWidget(f11, 2, 0, 1, 3);
  grid->setRowStretch(3, 1);
  return page(grid);
}

QWidget* SetupWindow::buildMeterScaleTab() {
  auto* g = new QGridLayout;
  auto result = [&](int k) {
    auto* e = narrow(makeEdit(ctl("Text5", k)), 100);
    if (k != 7 && k != 14) e->setReadOnly(true);
    if (k == 11 || k == 12) e->setFixedWidth(twipsToPx(1200));  // the resolution figures' width
    return e;
  };
  auto setting = [&](int k) { return narrow(makeEdit(ctl("Text1", k)), 100); };
  int row = 0;
  auto line = [&](const char* caption, QWidget* a, QWidget* b, const char* right, QWidget* c = nullptr) {
    g->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
    if (a) g->addWidget(a, row, 1);
    if (b) g->addWidget(b, row, 2);
    g->addWidget(new QLabel(QString::fromUtf8(right)), row, 3);
    if (c) g->addWidget(c, row, 4);
    ++row;
  };
  line("Meter constant: r/kWh", setting(15), result(0), "Ws/r");
  line("pulses/rev", setting(12), result(6), "Ws/p");
  line("counter prescale (pulses/count)", setting(1), result(9), "Ws/count");
  line("word lenght (bits)", result(14), result(13), "wrap interval (kWh)");
  line("timer clock frequency Hz", setting(29), setting(30), "clock divisor");
  line("timer tick frequency Hz", setting(11), result(5), "resolution (us)");
  line("word lenght (bits)", result(7), result(8), "wrap interval (s)");
  g->addWidget(new QLabel(QStringLiteral("Power (W)")), row, 1);
  g->addWidget(new QLabel(QStringLiteral("Time (s)")), row, 2);
  g->addWidget(new QLabel(QStringLiteral("resulution (W)")), row, 4);
  ++row;
  line("max Meter scale", setting(16), result(1), "min count interval", result(11));
  line("max updated Power", result(2), setting(17), "min update interval");
  line("min updated Power", result(3), setting(18), "max update interval");
  line("min Meter scale", result(10), result(4), "max count interval", result(12));
  g->setRowStretch(row, 1);
  g->setColumnStretch(5, 1);
  return page(g);
}

QWidget* SetupWindow::buildPlotScaleTab() {
  auto* g = new QGridLayout;
  auto* width = makeFrame("Frame8", "Graph time width");
  auto* wl = new QVBoxLayout(width);
  wl->addWidget(m_slider.build(width));
  m_controls.insert(QStringLiteral("Slider1"), m_slider.slider());
  g->addWidget(width, 0, 0, 1, 3);

  auto* size = new QGridLayout;
  size->addWidget(makeCheck(ctl("Check1", 3)), 0, 0);
  size->addWidget(makeLabel("Label1(25)", "width"), 0, 1);
  size->addWidget(narrow(makeEdit(ctl("Text1", 25)), 60), 0, 2);
  size->addWidget(makeLabel("Label1(26)", "height"), 0, 3);
  size->addWidget(narrow(makeEdit(ctl("Text1", 26)), 60), 0, 4);
  size->addWidget(makeLabel("Label1(27)", "Frame back color:"), 1, 0);
  size->addWidget(narrow(makeEdit(ctl("Text1", 27)), 90), 1, 1, 1, 2);
  size->addWidget(makeCheck(ctl("Check1", 5)), 2, 0);
  size->addWidget(makeCheck(ctl("Check1", 8)), 3, 0);
  size->addWidget(makeCheck(ctl("Check1", 9)), 4, 0);
  size->addWidget(makeLabel("Label1(30)", "Reference power end time:"), 5, 0);
  size->addWidget(narrow(makeEdit(QStringLiteral("Text24")), 150), 5, 1, 1, 3);
  g->addLayout(size, 1, 0);

  auto* f3 = makeFrame("Frame3", "Reduce points method");
  auto* f3l = new QGridLayout(f3);
  for (int i = 0; i < 3; ++i) f3l->addWidget(makeOption("Option3", i), i, 0, 1, 2);
  f3l->addWidget(makeLabel("Label1(2)", "maxPlotPoints "), 3, 0);
  f3l->addWidget(narrow(makeEdit(ctl("Text1", 2)), 70), 3, 1);
  g->addWidget(f3, 1, 1);

  auto* f6 = makeFrame("Frame6", "Y-scale");
  auto* f6l = new QHBoxLayout(f6);
  auto scale = [&](const char* frame, const char* caption, const char* group, int maxField) {
    auto* f = makeFrame(QString::fromLatin1(frame), QString::fromLatin1(caption));
    auto* l = new QGridLayout(f);
    for (int i = 0; i < 3; ++i) l->addWidget(makeOption(group, i), i, 0, 1, 2);
    l->addWidget(new QLabel(QStringLiteral("Max")), 3, 0);
    l->addWidget(narrow(makeEdit(ctl("Text1", maxField)), 70), 3, 1);
    l->addWidget(new QLabel(QStringLiteral("Min")), 4, 0);
    l->addWidget(narrow(makeEdit(ctl("Text1", maxField + 1)), 70), 4, 1);
    f6l->addWidget(f);
  };
  scale("Frame7", "Power Scale", "Option5", 5);
  scale("Frame17", "Temperature Scale", "Option6", 7);
  g->addWidget(f6, 2, 0, 1, 2);

  auto* mouse = new QVBoxLayout;
  auto* f4 = makeFrame("Frame4", "Mouse Pointer");
  auto* f4l = new QVBoxLayout(f4);
  f4l->addWidget(makeCheck(ctl("Check4", 0)));
  f4l->addWidget(makeCheck(ctl("Check4", 1)));
  mouse->addWidget(f4);
  auto* f5 = makeFrame("Frame5", "Mouse Measure");
  auto* f5l = new QVBoxLayout(f5);
  for (int i = 0; i < 6; ++i) f5l->addWidget(makeCheck(ctl("Check5", i)));
  mouse->addWidget(f5);
  mouse->addStretch();
  g->addLayout(mouse, 1, 2, 2, 1);
  g->setRowStretch(3, 1);
  return page(g);
}

QWidget* SetupWindow::buildFilesTab() {
  auto* v = new QVBoxLayout;
  auto* files = new QGridLayout;
  auto fileRow = [&](int row, int check, int field, int button) {
    files->addWidget(makeCheck(ctl("Check8", check)), row, 0);
    files->addWidget(makeEdit(ctl("Text2", field)), row, 1);
    files->addWidget(makeButton(ctl("Command1", button), "Select"), row, 2);
  };
  fileRow(0, 0, 2, 0);
  fileRow(1, 1, 5, 4);
  fileRow(2, 2, 7, 5);
  v->addLayout(files);

  auto* f9 = makeFrame("Frame9", "");
  auto* f9l = new QFormLayout(f9);
  f9l->addRow(makeLabel("Label2(0)", "Current Directory:"), makeEdit(ctl("Text2", 0)));
  f9l->addRow(makeLabel("Label2(1)", "iniFile:"), makeEdit(ctl("Text2", 1)));
  f9l->addRow(makeLabel("Label2(3)", "zavFileView:"), makeEdit(ctl("Text2", 3)));
  f9l->addRow(makeLabel("Label2(4)", "hlpFile:"), makeEdit(ctl("Text2", 4)));
  f9l->addRow(makeLabel("Label1(4)", "max .ZAV file size (MB)"), narrow(makeEdit(ctl("Text1", 4))));
  v->addWidget(f9);

  auto* f12 = makeFrame("Frame12", "Zav text file write interval");
  auto* f12l = new QGridLayout(f12);
  for (int i = 0; i < 10; ++i) f12l->addWidget(makeOption("Option7", i), i / 5, i % 5);
  f12l->addWidget(makeLabel("Label1(28)", "zavTextFile min save interval:"), 2, 0, 1, 2);
  f12l->addWidget(narrow(makeEdit(ctl("Text1", 28)), 90), 2, 2);
  f12l->addWidget(makeLabel("Label1(29)", "days | h:m[:s]"), 2, 3);
  f12l->addWidget(makeLabel("Label1(31)", "0 or empty = no limit"), 3, 2, 1, 3);
  f12l->addWidget(makeCheck(ctl("Check1", 6)), 4, 0, 1, 5);
  v->addWidget(f12);
  v->addStretch();
  return page(v);
}

QWidget* SetupWindow::buildAppLogTab() {
  auto* g = new QGridLayout;
  g->addWidget(makeLabel("Label3", "AppLogMode"), 0, 0);
  auto* modes = reg(QStringLiteral("Combo1"), new QComboBox);
  g->addWidget(modes, 0, 1);
  g->addWidget(makeLabel("Label2(6)", "AppLogFile:"), 1, 0);
  g->addWidget(makeEdit(ctl("Text2", 6)), 1, 1, 1, 3);
  g->addWidget(makeCheck(ctl("Check2", 0), "VbLogOverwrite"), 2, 1);
  g->addWidget(makeCheck(ctl("Check2", 1), "VbLogThreadID"), 2, 2);
  g->addWidget(makeButton("Command2", "Set"), 2, 3);
  g->addWidget(makeCheck(ctl("Check3", 0), "Check3"), 3, 1);
  g->addWidget(makeCheck(ctl("Check3", 1), "Check3"), 3, 2);
  g->addWidget(makeLabel("Label4", "Send Message to Windows Event Log"), 4, 0, 1, 4);
  const char* kinds[] = {"Error", "Warning", "Information"};
  const char* types[] = {"1", "2", "4"};
  for (int i = 0; i < 3; ++i) {
    g->addWidget(makeLabel(ctl("Label5", i), kinds[i]), 5 + i, 0);
    g->addWidget(
        makeEdit(ctl("Text3", i), QString::fromLatin1(kinds[i]) + QStringLiteral(" Text3(%1)").arg(i)), 5 + i,
        1);
    g->addWidget(narrow(makeEdit(ctl("Text4", i), types[i]), 40), 5 + i, 2);
    g->addWidget(makeButton(ctl("Command3", i), "send"), 5 + i, 3);
  }
  auto* f13 = makeFrame("Frame13", "");
  auto* f13l = new QHBoxLayout(f13);
  f13l->addWidget(new QScrollBar(Qt::Horizontal));
  for (int i = 1; i <= 8; ++i) f13l->addWidget(new QLabel(QString::number(i)));
  g->addWidget(f13, 8, 0, 1, 4);
  g->setRowStretch(9, 1);
  return page(g);
}

QWidget* SetupWindow::buildDetectorTab() {
  auto* v = new QVBoxLayout;
  auto* f16 = makeFrame("Frame16", "EEPROM");
  auto* g = new QGridLayout(f16);
  const char* captions[] = {"Test tx ID", "Last Passed tx ID", "Test Result", "Test Limits",
                            "Pulses to test"};
  for (int r = 0; r < 5; ++r) g->addWidget(new QLabel(QString::fromLatin1(captions[r])), r, 0);
  for (int i = 0; i < 30; ++i) g->addWidget(narrow(makeEdit(ctl("Text21", i)), 60), i % 5, 1 + i / 5);
  g->addWidget(makeCheck(ctl("Check10", 0), "Auto increment when passed"), 5, 0, 1, 3);
  g->addWidget(makeCheck(ctl("Check10", 1), "Write Test tx ID to EEP"), 6, 0, 1, 3);
  g->addWidget(makeButton("Command10", "Command10"), 7, 0);
  v->addWidget(f16);
  v->addStretch();
  return page(v);
}

QWidget* SetupWindow::buildWebTab() {
  auto* v = new QVBoxLayout;
  auto* f14 = makeFrame("Frame14", "Web Server Options and Staus");
  auto* g = new QGridLayout(f14);
  g->addWidget(makeCheck("Check9"), 0, 0, 1, 2);
  g->addWidget(makeLabel("Label27(0)", "Listen for incoming connections at TCP port"), 1, 0);
  g->addWidget(narrow(makeEdit("Text18"), 70), 1, 1);
  auto* hint = makeLabel("Label27(2)",
                         "Port 80 is standard for http, but this may already be in use. "
                         "You may enter any value from 80 to 65535.");
  hint->setWordWrap(true);
  g->addWidget(hint, 2, 0, 1, 3);
  g->addWidget(makeLabel("Label27(1)", "Webserver root directrory:"), 3, 0);
  g->addWidget(makeEdit("txtWebRoot"), 3, 1);
  g->addWidget(makeButton(ctl("Command9", 0), "Select"), 3, 2);
  g->addWidget(makeCheck("cheLogging"), 4, 0);
  g->addWidget(makeEdit("txtWebLogFile"), 4, 1);
  g->addWidget(makeButton(ctl("Command9", 1), "select"), 4, 2);
  g->addWidget(makeLabel("lblServerStatus", setupCaption("lblServerStatus")), 5, 0);
  g->addWidget(makeLabel("lblServerURL", ""), 5, 1, 1, 2);
  v->addWidget(f14);

  auto* row = new QHBoxLayout;
  auto* f15 = makeFrame("Frame15", "Incoming connections");
  auto* f15l = new QFormLayout(f15);
  const char* counters[] = {"Requests", "Accepted", "Active", "Peak active", "Errors"};
  for (int i = 0; i < 5; ++i)
    f15l->addRow(new QLabel(QString::fromLatin1(counters[i])), narrow(makeEdit(ctl("Text22", i))));
  row->addWidget(f15);
  auto* f19 = makeFrame("Frame19", "Socket status");
  auto* f19l = new QGridLayout(f19);
  f19l->addWidget(new QLabel(QStringLiteral("socket state  index")), 0, 0, 1, 3);
  f19l->addWidget(narrow(makeEdit(ctl("Text19", 0)), 40), 1, 0);
  f19l->addWidget(narrow(makeEdit(ctl("Text20", 0)), 40), 1, 1);
  f19l->addWidget(narrow(makeEdit(ctl("Text23", 0)), 40), 1, 2);
  f19l->addWidget(makeButton("Command8", "Update All"), 2, 0, 1, 3);
  row->addWidget(f19);
  v->addLayout(row);
  v->addStretch();
  return page(v);
}

QWidget* SetupWindow::buildUnitsTab() {
  auto* v = new QVBoxLayout;
  auto* f21 = makeFrame("Frame21", "Units");
  auto* g = new QGridLayout(f21);
  g->addWidget(new QLabel(QStringLiteral("Value Type")), 0, 0);
  g->addWidget(new QLabel(QStringLiteral("Standard")), 0, 1, 1, 4);
  g->addWidget(new QLabel(QStringLiteral("User defined")), 0, 5, 1, 5);
  const char* heads[] = {"title", "factor", "dec", "unit"};
  for (int k = 0; k < 4; ++k) {
    g->addWidget(new QLabel(QString::fromLatin1(heads[k])), 1, 1 + k);
    g->addWidget(new QLabel(QString::fromLatin1(heads[k])), 1, 6 + k);
  }
  g->addWidget(new QLabel(QStringLiteral("use")), 1, 5);
  const char* rows[] = {"Energy (Wh)", "Power (W)"};
  for (int r = 0; r < 2; ++r) {
    g->addWidget(new QLabel(QString::fromLatin1(rows[r])), 2 + r, 0);
    for (int k = 0; k < 4; ++k) {
      g->addWidget(narrow(makeEdit(ctl("Text1", 33 + 4 * r + k)), k == 0 ? 120 : 60), 2 + r, 1 + k);
      g->addWidget(narrow(makeEdit(ctl("Text1", 41 + 4 * r + k)), k == 0 ? 120 : 60), 2 + r, 6 + k);
    }
    g->addWidget(makeCheck(ctl("Check11", r)), 2 + r, 5);
  }
  v->addWidget(f21);
  v->addStretch();
  return page(v);
}

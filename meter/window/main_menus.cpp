#include "meter/window/main_menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "core/settings/setup_values.h"
#include "core/setup/setup_file_dialog.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "meter/meter_events.h"
#include "platform/message_box.h"

namespace {
QAction* item(QMenu* menu, const QString& name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

QAction* separator(QMenu* menu, const QString& name) {
  QAction* a = menu->addSeparator();
  a->setObjectName(name);
  return a;
}

// The three pickers: refused while on-line, otherwise a save dialog on the current name.
bool pickFile(const MeterLink& link, const QString& kind, const QString& refusal, QString& name) {
  if (link.online()) {
    msgBox(refusal);
    return false;
  }
  return mainFileDialog(kind, name, true);
}

// A picked file becomes the setting's file (the settings announce it to its users).
void takeFileName(SetupValues& values, const char* key, const QString& name) {
  values.setHeldText(QLatin1String(key), name);
}
}  // namespace

bool mainFileDialog(const QString& kind, QString& fileName, bool saveDialog) {
  FileDialogRequest req;
  req.fileName = fileName;
  req.save = saveDialog;
  req.overwritePrompt = false;
  const QString all = QStringLiteral("|all files (*.*)|*.*");
  if (kind == u"zav") {
    req.defaultExt = QStringLiteral("zav");
    req.filter = QStringLiteral("Zav data files (*.zav)|*.zav") + all;
  } else if (kind == u"txt") {
    req.defaultExt = QStringLiteral("txt");
    req.filter = QStringLiteral("Zav text files (*.txt)|*.txt") + all;
  } else if (kind == u"pic") {
    req.defaultExt = QStringLiteral("gif");
    req.filter = QStringLiteral("Plot picture files (*.bmp;*.gif;*.png)|*.bmp;*.gif;*.png") + all;
  }
  return runFileDialog(req, fileName);
}

void selZavdataFile(MeterSession& session, const MeterLink& link, SetupValues& values) {
  QString name = session.settings().zavDatFileName[0];
  if (!pickFile(link, QStringLiteral("zav"), QStringLiteral("cannot change data file while ON-LINE"), name)) return;
  session.closeDataFile();
  takeFileName(values, "zavDatFileName(0)", name);
  session.openDataFile();
}

void selZavtextFile(MeterSession& session, const MeterLink& link, SetupValues& values) {
  QString name = session.settings().zavLogFileName;
  if (!pickFile(link, QStringLiteral("txt"), QStringLiteral("cannot change text file while ON-LINE"), name)) return;
  takeFileName(values, "zavLogFileName", name);
  session.loadLastLogLine();
}

void selPlotPictureFile(const MeterLink& link, SetupValues& values) {
  QString name = values.settings().zavPlotFileName;
  if (!pickFile(link, QStringLiteral("pic"), QStringLiteral("cannot change plot file while ON-LINE"), name)) return;
  takeFileName(values, "zavPlotFileName", name);
}

MainMenus::MainMenus(QMenuBar* bar, MeterSession& session, MeterLink& link, SetupValues& values,
                     QObject* parent)
    : QObject(parent), m_session(session), m_link(link), m_values(values) {
  mnuFile = bar->addMenu(QStringLiteral("File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuFileOpen = item(mnuFile, QStringLiteral("mnuFileOpen"), QStringLiteral("Open..."));
  mnuFileClose = item(mnuFile, QStringLiteral("mnuFileClose"), QStringLiteral("Close"));
  mnuFileSave = item(mnuFile, QStringLiteral("mnuFileSave"), QStringLiteral("Save"));
  mnuFileSaveAs = item(mnuFile, QStringLiteral("mnuFileSaveAs"), QStringLiteral("Save As..."));
  mnuFileList1 = separator(mnuFile, QStringLiteral("mnuFileList1"));
  mnuFileView = item(mnuFile, QStringLiteral("mnuFileView"), QStringLiteral("View..."));
  mnuFileList2 = separator(mnuFile, QStringLiteral("mnuFileList2"));
  mnuFileExit = item(mnuFile, QStringLiteral("mnuFileExit"), QStringLiteral("Exit"));
  mnuFileSave->setVisible(false);
  mnuFileSaveAs->setVisible(false);

  mnuMeter = bar->addMenu(QStringLiteral("Meter"));
  mnuMeter->setObjectName(QStringLiteral("mnuMeter"));
  mnuMeter_Select[0] = item(mnuMeter, QStringLiteral("mnuMeter_Select(0)"), QStringLiteral("Simulate"));
  mnuMeter_Select[1] = item(mnuMeter, QStringLiteral("mnuMeter_Select(1)"), QStringLiteral("On Line"));
  for (QAction* a : mnuMeter_Select) a->setCheckable(true);

  mnuComPort = bar->addMenu(QStringLiteral("ComPort"));
  mnuComPort->setObjectName(QStringLiteral("mnuComPort"));
  const char* ports[] = {"Simulate", "Com1", "Com2", "Com3", "Com4"};
  for (int i = 0; i < 5; ++i) {
    mnuComPort_Select << item(mnuComPort, QStringLiteral("mnuComPort_Select(%1)").arg(i),
                              QString::fromLatin1(ports[i]));
  }
  mnuComPort->menuAction()->setVisible(false);

  mnuView = bar->addMenu(QStringLiteral("View"));
  mnuView->setObjectName(QStringLiteral("mnuView"));
  mnuView_Messages = item(mnuView, QStringLiteral("mnuView_Messages"), QStringLiteral("Messages"));
  mnuView_Setup = item(mnuView, QStringLiteral("mnuView_Setup"), QStringLiteral("Setup"));
  mnuView_Plot = item(mnuView, QStringLiteral("mnuView_Plot"), QStringLiteral("Plot"));

  connect(mnuFile, &QMenu::aboutToShow, this, [this] { mnuFile_Click(); });
  connect(mnuMeter, &QMenu::aboutToShow, this, [this] { mnuMeter_Click(); });
  connect(mnuFileOpen, &QAction::triggered, this, [this] { selZavdataFile(m_session, m_link, m_values); });
  connect(mnuFileClose, &QAction::triggered, this, [this] { m_session.closeDataFile(); });
  connect(mnuFileSave, &QAction::triggered, this, [this] { m_session.closeDataFile(); });
  connect(mnuFileSaveAs, &QAction::triggered, this, [this] { mnuFileSaveAs_Click(); });
  connect(mnuFileView, &QAction::triggered, this, [this] { mnuFileView_Click(); });
  connect(mnuFileExit, &QAction::triggered, this, &MainMenus::exitChosen);
  for (int i = 0; i < 2; ++i) {
    connect(mnuMeter_Select[i], &QAction::triggered, this, [this, i] { mnuMeter_Select_Click(i); });
  }
  connect(mnuView_Messages, &QAction::triggered, this, &MainMenus::messagesChosen);
  connect(mnuView_Setup, &QAction::triggered, this, &MainMenus::setupChosen);
  connect(mnuView_Plot, &QAction::triggered, this, [] { emit meterEvents().chartWindowRequested(); });
}

void MainMenus::mnuFile_Click() {
  mnuFileOpen->setEnabled(!m_link.online());
  mnuFileClose->setEnabled(!m_link.online());
}

void MainMenus::mnuMeter_Click() {
  mnuMeter_Select[0]->setChecked(m_link.simulating());
  mnuMeter_Select[1]->setChecked(m_link.online());
  mnuMeter_Select[0]->setEnabled(!m_link.online());
  mnuMeter_Select[1]->setEnabled(!m_link.simulating());
}

void MainMenus::mnuMeter_Select_Click(int index) {
  if (index == 0) {
    m_link.showSimulationState(!m_link.simulating());
  } else {
    m_link.setOnLine(!m_link.online());
  }
  // The check marks follow the state, not the click.
  mnuMeter_Click();
}

void MainMenus::mnuFileSaveAs_Click() {
  QString name = m_session.settings().zavDatFileName[0];
  if (!mainFileDialog(QStringLiteral("zav"), name, true)) return;
  takeFileName(m_values, "zavDatFileName(0)", name);
  msgBox(QStringLiteral("not implemented"));
  emit messagesChosen();
}

void MainMenus::mnuFileView_Click() {
  QString name = m_session.settings().zavDatFileName[1];
  if (!mainFileDialog(QStringLiteral("zav"), name, false)) return;
  takeFileName(m_values, "zavDatFileName(1)", name);
}

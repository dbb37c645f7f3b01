#include "meter/window/main_menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/log/message_window.h"
#include "meter/meter_events.h"
#include "meter/record/data_file.h"
#include "core/setup/setup_window_calls.h"
#include "meter/link/link_state.h"
#include "meter/link/online_state.h"
#include "meter/engine/register_log.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"

namespace {
constexpr int kCancelError = 32755;  // the dialog's "user cancelled" number

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
bool pickFile(const QString& kind, const QString& refusal, QString& name) {
  if (meterOnline) {
    msgBox(refusal);
    return false;
  }
  return mainFileDialog(kind, name, true);
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
  QString chosen;
  if (!fileDialog(req, chosen)) {
    logMsg(2, QStringLiteral("selectFileDialog: ERROR= ") + QString::number(kCancelError));
    logMsg(2, QStringLiteral("selectFileDialog: cdlCancel= ") + QString::number(kCancelError));
    return false;
  }
  if (!chosen.isEmpty()) fileName = chosen;
  logMsg(2, QStringLiteral("selectFileDialog: NO ERROR= 0"));
  return true;
}

void selZavdataFile() {
  QString name = zavDatFileName[0];
  if (!pickFile(QStringLiteral("zav"), QStringLiteral("cannot change data file while ON-LINE"), name)) return;
  closeOutZavDat();
  zavDatFileName[0] = name;
  openOutZavDat();
}

void selZavtextFile() {
  QString name = zavLogFileName;
  if (!pickFile(QStringLiteral("txt"), QStringLiteral("cannot change text file while ON-LINE"), name)) return;
  zavLogFileName = name;
  loadLastLogLine();
}

void selPlotPictureFile() {
  QString name = zavPlotFileName;
  if (!pickFile(QStringLiteral("pic"), QStringLiteral("cannot change plot file while ON-LINE"), name)) return;
  zavPlotFileName = name;
}

MainMenus::MainMenus(QMenuBar* bar, QObject* parent) : QObject(parent) {
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
  connect(mnuFileOpen, &QAction::triggered, this, [] { selZavdataFile(); });
  connect(mnuFileClose, &QAction::triggered, this, [] { closeOutZavDat(); });
  connect(mnuFileSave, &QAction::triggered, this, [] { closeOutZavDat(); });
  connect(mnuFileSaveAs, &QAction::triggered, this, [this] { mnuFileSaveAs_Click(); });
  connect(mnuFileView, &QAction::triggered, this, [this] { mnuFileView_Click(); });
  connect(mnuFileExit, &QAction::triggered, this, &MainMenus::exitChosen);
  for (int i = 0; i < 2; ++i) {
    connect(mnuMeter_Select[i], &QAction::triggered, this, [this, i] { mnuMeter_Select_Click(i); });
  }
  connect(mnuView_Messages, &QAction::triggered, this, [] { showMessageWindow(); });
  connect(mnuView_Setup, &QAction::triggered, this, [] { showSetupWindow(); });
  connect(mnuView_Plot, &QAction::triggered, this, [] { emit meterEvents().chartWindowRequested(); });
}

void MainMenus::mnuFile_Click() {
  mnuFileOpen->setEnabled(!meterOnline);
  mnuFileClose->setEnabled(!meterOnline);
}

void MainMenus::mnuMeter_Click() {
  mnuMeter_Select[0]->setChecked(simulating);
  mnuMeter_Select[1]->setChecked(meterOnline);
  mnuMeter_Select[0]->setEnabled(!meterOnline);
  mnuMeter_Select[1]->setEnabled(!simulating);
}

void MainMenus::mnuMeter_Select_Click(int index) {
  if (index == 0) {
    showSimulationState(!simulating);
  } else {
    setOnLine(!meterOnline);
  }
  // The check marks follow the state, not the click.
  mnuMeter_Click();
}

void MainMenus::mnuFileSaveAs_Click() {
  QString name = zavDatFileName[0];
  if (!mainFileDialog(QStringLiteral("zav"), name, true)) return;
  zavDatFileName[0] = name;
  msgBox(QStringLiteral("not implemented"));
  showMessageWindow();
}

void MainMenus::mnuFileView_Click() {
  QString name = zavDatFileName[1];
  if (!mainFileDialog(QStringLiteral("zav"), name, false)) return;
  zavDatFileName[1] = name;
}

#pragma once
// The main window's menus and the three file pickers the setup window also uses.

#include <QObject>
#include <QString>
#include <QVector>

class MeterLink;
class MeterSession;
class QAction;
class QMenu;
class QMenuBar;
class SetupValues;

// File pickers: refused while on-line; otherwise the chosen name replaces the setting
// in the settings values. The data file is closed and opened again at the new name; the
// register is read from the new text log.
void selZavdataFile(MeterSession& session, const MeterLink& link, SetupValues& values);
void selZavtextFile(MeterSession& session, const MeterLink& link, SetupValues& values);
void selPlotPictureFile(const MeterLink& link, SetupValues& values);

// The main window's common file dialog. kind "zav", "txt", "pic" picks the
// default extension and filter. fileName in: the current name; out: the chosen
// one. Returns false when the user cancelled.
bool mainFileDialog(const QString& kind, QString& fileName, bool saveDialog);

class MainMenus : public QObject {
  Q_OBJECT
 public:
  MainMenus(QMenuBar* bar, MeterSession& session, MeterLink& link, SetupValues& values,
            QObject* parent = nullptr);

  QMenu* mnuFile;
  QMenu* mnuMeter;
  QMenu* mnuComPort;
  QMenu* mnuView;
  QAction* mnuFileOpen;
  QAction* mnuFileClose;
  QAction* mnuFileSave;
  QAction* mnuFileSaveAs;
  QAction* mnuFileList1;
  QAction* mnuFileView;
  QAction* mnuFileList2;
  QAction* mnuFileExit;
  QAction* mnuMeter_Select[2];
  QVector<QAction*> mnuComPort_Select;
  QAction* mnuView_Messages;
  QAction* mnuView_Setup;
  QAction* mnuView_Plot;

  // Handlers (also reachable from tests).
  void mnuFile_Click();
  void mnuMeter_Click();
  void mnuMeter_Select_Click(int index);
  void mnuFileSaveAs_Click();
  void mnuFileView_Click();

 signals:
  void exitChosen();      // File/"Exit"
  void setupChosen();     // View/"Setup"
  void messagesChosen();  // View/"Messages", and after File/"Save As..."

 private:
  MeterSession& m_session;
  MeterLink& m_link;
  SetupValues& m_values;
};

#include "core/setup/setup_file_dialog.h"

#include "core/log/logmsg.h"

namespace {
constexpr int kCancelError = 32755;  // the dialog's "user cancelled" number
const QString kAllFiles = QStringLiteral("all files (*.*)|*.*");
}  // namespace

FileDialogRequest selectFileRequest(const QString& kind, const QString& fileName, int16_t mode) {
  FileDialogRequest r;
  r.fileName = fileName;
  if (kind == u"zav") {
    r.defaultExt = QStringLiteral("zav");
    r.filter = QStringLiteral("Zav data files (*.zav)|*.zav|") + kAllFiles;
  } else if (kind == u"txt") {
    r.defaultExt = QStringLiteral("txt");
    r.filter = QStringLiteral("Zav text files (*.txt)|*.txt|") + kAllFiles;
  } else if (kind == u"pic") {
    r.defaultExt = QStringLiteral("gif");
    r.filter = QStringLiteral("Plot picture files (*.bmp;*.gif)|*.bmp;*.gif|") + kAllFiles;
  } else if (mode == 3) {
    r.filter = kAllFiles;
  }
  // Mode 3 picks a name that need not exist: only a save dialog accepts one.
  r.save = !(mode == 0);
  r.overwritePrompt = false;
  return r;
}

bool runFileDialog(const FileDialogRequest& req, QString& fileName) {
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

void selectFileDialog(const QString& kind, QString& fileName, int16_t mode, int16_t& cancelled) {
  cancelled = runFileDialog(selectFileRequest(kind, fileName, mode), fileName) ? 0 : -1;
}

#pragma once
// The file pickers' dialog run and the setup window's picker.

#include <QString>
#include <cstdint>

#include "platform/file_dialog.h"

// Shows the dialog and logs how it ended; true when the user chose a file (fileName then holds it).
bool runFileDialog(const FileDialogRequest& req, QString& fileName);

// The dialog request for a file kind ("zav", "txt", "pic", other) and mode
// (0 and 3 open, others save; 3 also accepts a name that does not exist).
FileDialogRequest selectFileRequest(const QString& kind, const QString& fileName, int16_t mode);

// Lets the user pick a file. cancelled: 0 chosen (fileName updated), -1 cancelled, -2 other failure.
void selectFileDialog(const QString& kind, QString& fileName, int16_t mode, int16_t& cancelled);

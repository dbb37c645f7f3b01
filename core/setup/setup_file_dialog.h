#pragma once
// The setup window's file picker.

#include <QString>
#include <cstdint>

#include "platform/file_dialog.h"

// The dialog request for a file kind ("zav", "txt", "pic", other) and mode
// (0 and 3 open, others save; 3 also accepts a name that does not exist).
FileDialogRequest selectFileRequest(const QString& kind, const QString& fileName, int16_t mode);

// Lets the user pick a file. cancelled: 0 chosen (fileName updated), -1 cancelled, -2 other failure.
void selectFileDialog(const QString& kind, QString& fileName, int16_t mode, int16_t& cancelled);

#pragma once
// File dialogs; in a headless run they are cancelled unless ZAV_TEST_FILE names the file.

#include <QString>

struct FileDialogRequest {
  QString title;
  QString fileName;  // initial file name (path)
  QString filter;    // "Text (*.txt)|*.txt|All (*.*)|*.*" style or Qt style
  QString defaultExt;
  bool save = false;
  bool overwritePrompt = false;
};

// Returns false when the user cancelled; otherwise the chosen path in `chosen`.
bool fileDialog(const FileDialogRequest& req, QString& chosen);

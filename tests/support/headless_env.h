#pragma once
// Puts the process into the headless seam for one test: message boxes are
// answered by default and logged, with every shown message, to a private file.

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

class HeadlessLog {
 public:
  HeadlessLog();
  ~HeadlessLog();
  QStringList lines() const;  // the file's lines so far
  QString path() const { return m_dir.filePath("log.txt"); }

 private:
  QTemporaryDir m_dir;
  QByteArray m_oldLog, m_oldHeadless;
};

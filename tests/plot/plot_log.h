#pragma once
// What was logged while a HeadlessLog lives, without the blank lines between messages.

#include "support/headless_env.h"

inline QStringList loggedLines(const HeadlessLog& log) {
  QStringList lines = log.lines();
  lines.removeAll(QString());
  return lines;
}
inline bool logged(const HeadlessLog& log, const QString& part) {
  return log.lines().join('\n').contains(part);
}

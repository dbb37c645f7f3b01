#include "plot/plot_size_setting.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

QString setupWindowFieldText(int field) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() != u"frmSetup") continue;
    if (auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Text1(%1)").arg(field))) return edit->text();
  }
  return field == 25 ? QStringLiteral("600") : field == 26 ? QStringLiteral("400") : QString();
}

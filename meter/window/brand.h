#pragma once
// The two brands of the program: "Falvor" when the program's name (appName) is
// exactly that, else "Zav".

#include <QIcon>
#include <QString>

bool isFalvorBrand(const QString& appName);
// "Zav " or "Falvor ": the product word of the minimised caption.
QString brandWord(const QString& appName);
// "Zav ver " or "Falvor ver ".
QString brandCaptionPrefix(const QString& appName);
// The help address shown in the about box.
QString brandHelpAddress(const QString& appName);
// The banner line of the about box.
QString brandBanner();
QIcon brandIcon(const QString& appName);
// "1.3.0"
QString programVersion();

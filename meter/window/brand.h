#pragma once
// The two brands of the program: "Falvor" when appName is exactly that, else "Zav".

#include <QIcon>
#include <QString>

bool isFalvorBrand();
// "Zav " or "Falvor ": the product word of the minimised caption.
QString brandWord();
// "Zav ver " or "Falvor ver ".
QString brandCaptionPrefix();
// The help address shown in the about box.
QString brandHelpAddress();
// The banner line of the about box.
QString brandBanner();
QIcon brandIcon();
// "1.3.0"
QString programVersion();

#pragma once
// The setup window's settings controls as data: how many elements each control
// array has, the captions the field rules log, and the designer's start texts.
// The settings values and the window both take them from here.

#include <QString>
#include <QStringList>

// Elements of a control array ("Option7" has 10, "Text1" 49); 0 for an unknown array.
int setupArrayCount(const QString& array);
// Caption of an option button, a settings check box or a frame; empty when it has none.
QString setupCaption(const QString& name);
// The text a field holds before anything is written into it ("Text5(7)" holds "32").
QString setupStartText(const QString& name);
// The controls that start hidden, and those "Advanced functions" shows, in the order shown.
const QStringList& setupHiddenAtStart();
const QStringList& advancedControls();
// The controls whose content is a settings value (fields, boxes, option buttons).
bool isSetupValue(const QString& name);
// Every Text1 index in the array's order.
const QList<int>& text1Indexes();

// "Text1" and 13 give "Text1(13)".
inline QString ctl(const char* array, int index) {
  return QString::fromLatin1(array) + u'(' + QString::number(index) + u')';
}
// "Text1(13)" gives "Text1"; a name without an index is its own array.
QString arrayOf(const QString& name);
// "Text1(13)" gives 13; -1 for a name without an index.
int indexOf(const QString& name);

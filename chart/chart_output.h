#pragma once
// The chart's output without widgets: the graph drawn again onto a page, the
// saved picture loaded back into Picture1, and the picture saved as a file.

#include <QString>
#include <QVector>
#include <cstdint>

class ChartCore;
class QImage;
class QPaintDevice;

// The picture that "Load" shows, in the default directory.
extern const QString kLoadablePictureName;  // "Zav-pic001.gif"

// The window's graph drawn onto `page` at its origin in Picture1's size, by
// the same drawing as the window's own picture. The page's resolution gives
// the size: at the screen's resolution the chart prints as large as it shows.
// A chart larger than the page is scaled down to fit it, keeping its proportions.
// False when the page cannot be painted on.
bool drawChartOnPage(ChartCore& core, QPaintDevice& page);

// Picture1 shows the settings' defDirName + "Zav-pic001.gif" at its origin
// until the next drawing. A missing or unreadable file is logged with why and
// changes nothing (false).
bool loadChartPicture(ChartCore& core);

// The chart picture as a file: GIF by the name's extension (any case),
// otherwise a bitmap file; logged with the time it took and, on failure, why.
void savePic(ChartCore& core, const QString& fileName);
// Encodes pic as a GIF file; logs its length or why it was not written.
void savePicAsGif1(const QImage& pic, const QString& fileName);

// The files the program names (fileTable): a name and an extension each.
struct fileTableEntry {
  QString name;
  QString extension;
};
// The marks' file: the first entry of the chart's file table (ChartCore::fileTable),
// which nothing fills, so the marks have no target until an entry is added.
QString marksFileTarget(const QVector<fileTableEntry>& fileTable);

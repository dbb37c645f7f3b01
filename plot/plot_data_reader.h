#pragma once
// Reads recorded meter data back by time range into plot series: power (W),
// temperature (°C) and a compare series, thinned by one of three methods.

#include <QString>
#include <QVector>
#include <cstdint>

#include "core/util/date_value.h"
#include "meter/record/data_file.h"
#include "plot/graph_request.h"

class PlotFileView;

// Values below zero are codes, not measurements.
constexpr float kPowerNoPrevious = -2;  // first point of a continuous recording
constexpr float kPowerTooClose = -5;    // records less than kMinPowerSeconds apart
constexpr double kMinPowerSeconds = 0.027;
// Beyond this gap the PC clock times an interval instead of the controller ticks.
constexpr double kMaxTickIntervalSeconds = 21600;
// Methods 0 and 1 hold at most this many points; longer ranges are read by method 2.
constexpr int32_t kMaxPlotRecords = 2000000;

enum ReduceMethod : int16_t { kReduceOff = 0, kReduceKeepMaxMin = 1, kReduceSkip = 2 };

struct plotPoint {
  int32_t recordNr = 0;  // 1-based over the whole file
  float value = 0;
  Date recTime = 0;
  int32_t count = 0;  // power and compare series only
  int32_t ticks = 0;
};

// Where the points of a power series enter another data-file section: its
// counts start anew there (a new recording, or a controller reset).
struct seriesSection {
  int32_t firstPoint = 0;
  int32_t WsPerCount = 0;
  int32_t ticksPerSec = 0;
};

struct plotSeries {
  QVector<plotPoint> points{1};  // (0 To 0) when empty
  float minValue = 0;
  float maxValue = 0;
  int32_t WsPerCount = 0;  // of the section at the last break
  int32_t ticksPerSec = 0;
  int16_t seriesType = 0;  // 1 power, 2 compare, 3 temperature
  // The sections of a power series read from a file, in point order; empty:
  // all points of one section at WsPerCount and ticksPerSec.
  QVector<seriesSection> sections{};
};

// The series published for drawing (element 0 unused) and the valid
// temperature points of the last read.
extern QVector<plotSeries> plotData;
extern int32_t validTempPoints;

// A copy of one slot's section index as a read works on it, with the file it
// has open and the results of searchRecTime.
struct plotFileIndex {
  dataFileIndex index;
  QString fileName;
  PlotFileView* file = nullptr;  // set while getZavFileData reads
  Date searchFirstTime = 0;
  Date searchLastTime = 0;
  int32_t searchFirstRec = 0;
  int32_t searchLastRec = 0;
};

// Fills series() for the request and writes the data ranges and seriesInfo
// back into param. Reads the plotted slot's file.
void getPlotData(plotParamRecord& param, QVector<plotSeries>& series);
// Reads one time range into series[powerSeries] and, when tempSeries > 0,
// series[tempSeries]. Opens index.fileName for the time of the call.
void getZavFileData(plotFileIndex& index, Date fromTime, Date toTime, int16_t reduceMethod,
                    int32_t maxPlotPoints, int16_t powerSeries, int16_t tempSeries,
                    QVector<plotSeries>& series);
// The first record at or after (searchFirst) or the last at or before a time,
// within one section; needs index.file open.
void searchRecTime(plotFileIndex& index, int32_t fromRecordNr, int32_t toRecordNr, Date searchDateTime,
                   bool searchFirst);
// Thins points so that elements 1..maxPoints hold the kept points in order:
// of three neighbours the one whose value lies between the other two goes,
// and a peak or valley between two equal values stays, so the largest and
// smallest values survive; element 0 stays. The array is not resized. False
// (and nothing changed) for maxPoints below 2.
bool reducePoints(QVector<plotPoint>& points, int32_t maxPoints);
void setPlotRecord(const QVector<plotSeries>& series);

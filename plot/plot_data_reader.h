#pragma once
// Reads recorded meter data back by time range into plot series: power (W),
// temperature (°C) and a compare series, thinned by one of three methods.

#include <QString>
#include <QVector>
#include <cstdint>
#include <memory>

#include "core/util/date_value.h"
#include "meter/record/data_file.h"
#include "platform/result.h"
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

// The plotted data file as a read takes it: its name, a copy of its section
// index, and how its records are read. A read touches nothing else.
struct PlotFile {
  QString fileName;
  dataFileIndex index;
  bool byteTemperature = true;  // temperatures as one byte (detectors from kNewFrameDetectorVer on)
  bool lapTimes = false;        // log the reader's lap times (debug level 4 and up)
};

// The memory of long reads, kept by whoever reads again and again (the chart),
// so a scan writes into memory that is already there. One read at a time.
struct PlotReadScratch;
std::shared_ptr<PlotReadScratch> makePlotReadScratch();

// A copy of the plotted file's section index as a read works on it, with the
// file it has open and the results of searchRecTime.
struct plotFileIndex {
  dataFileIndex index;
  QString fileName;
  bool byteTemperature = true;
  bool lapTimes = false;
  PlotFileView* file = nullptr;  // set while getZavFileData reads
  Date searchFirstTime = 0;
  Date searchLastTime = 0;
  int32_t searchFirstRec = 0;
  int32_t searchLastRec = 0;
};

// Fills series for the request from the file and writes the data ranges and
// seriesInfo back into param. Returns the valid temperature points of the
// range (validTempPoints); the temperature series is kept only when there are some.
// A file that is not there, or holds no records in the range, reads as no
// series; one that is there but cannot be opened is refused, with why.
Result<int32_t> getPlotData(plotParamRecord& param, QVector<plotSeries>& series, const PlotFile& file,
                            PlotReadScratch& scratch);
Result<int32_t> getPlotData(plotParamRecord& param, QVector<plotSeries>& series, const PlotFile& file);

// One time range read into series[powerSeries] and, when tempSeries > 0, series[tempSeries].
struct PlotRange {
  Date fromTime = 0;
  Date toTime = 0;
  int16_t reduceMethod = kReduceOff;
  int32_t maxPlotPoints = 0;
  int16_t powerSeries = 1;
  int16_t tempSeries = 0;
};
// Opens index.fileName for the time of the call; returns the valid temperature
// points read. A missing file reads nothing; one that cannot be opened is refused.
Result<int32_t> getZavFileData(plotFileIndex& index, const PlotRange& range, QVector<plotSeries>& series,
                               PlotReadScratch& scratch);
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

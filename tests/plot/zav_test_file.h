#pragma once
// An independent writer of data files for the plot tests: sections of a
// 38-byte header and 18-byte records, little-endian, written byte by byte.

#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>

#include "core/settings/settings.h"
#include "core/util/date_value.h"
#include "meter/record/data_file.h"
#include "plot/plot_data_reader.h"
#include "plot/plot_source.h"

struct TestRecord {
  Date time = 0;
  uint32_t count = 0;
  uint32_t ticks = 0;
  int16_t temp = 0;
};

struct TestSection {
  int32_t version = 1003000;
  int32_t ticksPerSec = 1000;
  int32_t WsPerCount = 3600;
  int32_t resetCount = 1;
  QVector<TestRecord> records;
  int32_t headerRecords = -1;  // what the header says; -1: the real count
};

QByteArray testFileBytes(const QVector<TestSection>& sections);
// The index a loader would build from these sections (each header's record count as written).
dataFileIndex testFileIndex(const QVector<TestSection>& sections);
// The plotted files as a plot or chart test sets them up: the data files'
// names, the detector and the debug level in settings (what the reader is
// handed), the slots' section indexes (the program's session keeps them), and
// the main window's choices (plotted slot, "Auto Plot").
struct TestPlotFiles {
  Settings settings;
  DataFileSlots indexes;
  int16_t plotFileSlot = 0;
  bool autoPlot = false;

  // Writes the file into a fresh temp dir and installs it as slot `slot` (name and index).
  QString install(const QVector<TestSection>& sections, int slot = 0);
  // The plotted slot's file as the chart hands it to the reader: the slot's name
  // and index and the detector's temperature coding.
  PlotFile plotted() const;
  // What a chart or the auto-plot draws from: these slots and choices, read when asked.
  PlotSource source() const;
};

// A local date and time as a Date.
Date testTime(int y, int mo, int d, int h = 0, int mi = 0, double s = 0);

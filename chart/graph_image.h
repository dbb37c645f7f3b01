#pragma once
// The web's graph picture as a function of its request. A job is made on the
// UI thread from the query, the picture type and the settings; it holds all a
// picture needs, and any thread turns it into picture bytes: it reads the
// plotted file's index and records by itself, draws into an image of its own
// and encodes it. Nothing global is read or written on the way.

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <optional>

#include "chart/zav_graph.h"
#include "core/settings/settings.h"
#include "imaging/gdiplus_layer.h"
#include "platform/result.h"
#include "plot/graph/graph_record.h"
#include "plot/graph_request.h"
#include "plot/plot_data_reader.h"

// Picture sizes of web images.
constexpr int32_t kMinWebImageSide = 20;
constexpr int32_t kMaxWebImageSide = 4096;
// Grid divisions per axis of a request.
constexpr int16_t kMinGridDivisions = 1;
constexpr int16_t kMaxGridDivisions = 100;
// Pictures drawn at once by startGraphImage; the others wait their turn.
constexpr int kMaxGraphImagesAtOnce = 2;

struct GraphImageJob {
  plotParamRecord request;  // the query over the defaults; its times are completed from the file
  int32_t requestFlags = 0;  // what the query's items set (kGraph...Set)
  QString type;             // the picture type asked: "gif", "png", ...
  std::optional<ImageCodecInfo> encoder;  // the encoder of that type; none: no picture
  QString dataFileName;     // the plotted data file
  bool byteTemperature = true;
  GraphLook look;
  bool lapTimes = false;  // the reader's lap times are logged (debug level 4 and up)
  Date now = 0;           // the time the query's "now" meant
};

// On the UI thread: the query parsed (rejected items are logged there) over
// the settings' defaults, the encoder of the type looked up, and the settings
// the drawing needs kept. plottedSlot: the data-file slot the graph shows.
GraphImageJob makeGraphImageJob(const QString& query, const QString& type, const Settings& settings, Date now,
                                int16_t plottedSlot = 0);

// The background a web picture is drawn on: its "b" colour, or the button
// face for every colour below 0 (none, and the system colours alike).
int32_t webGraphBackColour(int32_t colorB);

// Asked between the steps of a drawing: true when nobody waits for it any more.
using GraphImageCancelled = std::function<bool()>;

// A job's picture as drawn, before it is encoded.
struct GraphImage {
  plotParamRecord param;  // the request with its times and ranges as drawn
  QVector<plotSeries> series;
  graphRecord graph;
  QImage picture;
};
// Any thread: the data file's index and records read, the graph set up and
// drawn; no picture when it was cancelled once the records were read.
GraphImage drawGraphImage(const GraphImageJob& job, const GraphImageCancelled& cancelled = {});
// Any thread: the picture drawn and written in the job's type into picBuffer
// (writeImage, image_writer.h), which a failed encoding, or a cancel before
// it, leaves as it was.
void renderAndWriteImage(const GraphImageJob& job, QByteArray& picBuffer,
                         const GraphImageCancelled& cancelled = {});
// Any thread: the picture in the job's type; a failure when the type has no
// encoder (nothing is drawn or logged then), when it was cancelled before it
// was encoded, or when the encoding failed.
Result<QByteArray> renderGraphImage(const GraphImageJob& job, const GraphImageCancelled& cancelled = {});
// renderGraphImage on a pool of kMaxGraphImagesAtOnce threads of its own. A
// picture whose future is cancelled before its turn is not drawn, and one
// cancelled while it is drawn stops at its next step. The future's progress
// becomes 1 when the drawing begins: from then on it takes memory until it
// finishes.
QFuture<Result<QByteArray>> startGraphImage(GraphImageJob job);

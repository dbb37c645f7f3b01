#include "chart/graph_image.h"

#include <QCoreApplication>
#include <QFile>
#include <QPromise>
#include <QThreadPool>
#include <algorithm>
#include <memory>

#include "chart/image_writer.h"
#include "core/log/logmsg.h"
#include "core/settings/detector_types.h"
#include "imaging/gdip.h"
#include "meter/record/data_file.h"
#include "platform/named_colours.h"
#include "plot/graph/picture_canvas.h"
#include "plot/plot_requests.h"

namespace {
QThreadPool& graphImagePool() {
  static QThreadPool* pool = [] {
    auto* p = new QThreadPool(QCoreApplication::instance());
    p->setMaxThreadCount(kMaxGraphImagesAtOnce);
    return p;
  }();
  return *pool;
}
}  // namespace

GraphImageJob makeGraphImageJob(const QString& query, const QString& type, const Settings& settings, Date now,
                                int16_t plottedSlot) {
  GraphImageJob job;
  // The time range defaults to the file's, which the job reads when it runs.
  setWebGraphDefaults(job.request, settings);
  job.requestFlags = applyGraphQuery(job.request, query, now);
  job.request.imageFileName.clear();
  job.request.imageType = type;
  job.type = type;
  if (const ImageCodecInfo* codec = gdipEncoderForType(type)) job.encoder = *codec;
  job.dataFileName = settings.zavDatFileName[plottedSlot == 1 ? 1 : 0];
  job.byteTemperature = settings.ZAVdetectorVer >= kNewFrameDetectorVer;
  job.look = GraphLook::of(settings);
  job.lapTimes = settings.debugLevel >= 4;
  job.now = now;
  return job;
}

int32_t webGraphBackColour(int32_t colorB) { return colorB > -1 ? colorB : kSysColorButtonFace; }

GraphImage drawGraphImage(const GraphImageJob& job, const GraphImageCancelled& cancelled) {
  logMsg(2, QStringLiteral("Form4.makeZavGraph"));
  GraphImage out;
  // An unreadable file draws as an empty one (the graph has no series); the log tells them apart.
  Result<DataFileIndexRead> read = readDataFileIndex(job.dataFileName);
  if (!read && QFile::exists(job.dataFileName))
    logMsg(-1, QStringLiteral("makeZavGraph: ERROR cannot open ") + job.dataFileName + QStringLiteral(": ") +
                   read.error());
  const dataFileIndex index = read ? std::move(read).value().index : dataFileIndex{};
  plotParamRecord& param = out.param;
  param = job.request;
  if (!(job.requestFlags & kGraphStartSet)) param.fromTime = index.firstRecordTime;
  if (!(job.requestFlags & kGraphEndSet)) param.toTime = index.lastRecordTime;
  completeGraphTimes(param, job.requestFlags);
  dropUnusableCompareRange(param);
  // A request's grid divisions: 0 would divide by zero, huge counts would never end.
  param.timeDivisions = std::clamp(param.timeDivisions, kMinGridDivisions, kMaxGridDivisions);
  param.yDivisions = std::clamp(param.yDivisions, kMinGridDivisions, kMaxGridDivisions);

  const Result<int32_t> plotted = getPlotData(param, out.series,
                                              PlotFile{.fileName = job.dataFileName,
                                                       .index = index,
                                                       .byteTemperature = job.byteTemperature,
                                                       .lapTimes = job.lapTimes});
  if (!plotted) logMsg(-1, QStringLiteral("makeZavGraph: ERROR ") + plotted.error());
  if (cancelled && cancelled()) return out;
  initZavGraph(out.graph, param, out.series, job.look);
  out.picture = QImage(std::clamp(param.width, kMinWebImageSide, kMaxWebImageSide),
                       std::clamp(param.height, kMinWebImageSide, kMaxWebImageSide), QImage::Format_RGB32);
  TextLayouts layouts;
  drawGraphInto(out.picture, webGraphBackColour(param.colorB), out.graph, out.series, nullptr, &layouts);
  return out;
}

void renderAndWriteImage(const GraphImageJob& job, QByteArray& picBuffer,
                         const GraphImageCancelled& cancelled) {
  const QImage picture = drawGraphImage(job, cancelled).picture;
  if (cancelled && cancelled()) return;
  // Each picture starts a picture layer of its own, as each chart does.
  cGDIP gdip;
  QObject::connect(&gdip, &cGDIP::Error, &gdip_Error);
  writeImage(&gdip, picture, job.type, QString(), picBuffer);
}

Result<QByteArray> renderGraphImage(const GraphImageJob& job, const GraphImageCancelled& cancelled) {
  if (!job.encoder) return Failure(QStringLiteral("no picture encoder for the type \"%1\"").arg(job.type));
  QByteArray picBuffer;
  renderAndWriteImage(job, picBuffer, cancelled);
  if (cancelled && cancelled()) return Failure(QStringLiteral("the picture is no longer awaited"));
  if (picBuffer.isEmpty()) return Failure(QStringLiteral("the %1 picture could not be encoded").arg(job.type));
  return picBuffer;
}

QFuture<Result<QByteArray>> startGraphImage(GraphImageJob job) {
  auto promise = std::make_shared<QPromise<Result<QByteArray>>>();
  QFuture<Result<QByteArray>> future = promise->future();
  promise->start();
  graphImagePool().start([promise, job = std::move(job)] {
    // The drawing begins (the progress says so) unless nobody waits for it;
    // a cancel that came first leaves the progress at 0.
    promise->setProgressValue(1);
    if (!promise->isCanceled())
      promise->addResult(renderGraphImage(job, [&] { return promise->isCanceled(); }));
    promise->finish();
  });
  return future;
}

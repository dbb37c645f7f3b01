// Draws the standard power and temperature chart (640 x 480, 300 points per
// series, grid, labels, marks, 3D frame) into a QImage and compares with
// filling the same image once, measured in the same run. An optional argument
// names a file to save the picture to.
//
// Then web graph pictures of 4096 x 4096 (GIF, a day of readings a minute
// apart) drawn as the web asks for them: on the UI thread one after another
// as the hidden chart window drew them, and through the chart's pool, while a
// 1 ms timer on the UI thread notes the longest time it was kept waiting.
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "chart/graph_image.h"
#include "core/settings/detector_types.h"
#include "core/util/format_pattern.h"
#include "meter/record/zav_format.h"
#include "platform/colour.h"
#include "platform/named_colours.h"
#include "plot/graph/graph_record.h"
#include "plot/graph/picture_canvas.h"
#include "plot/graph/plot_graph.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kPoints = 300, kRounds = 200;
constexpr Date kStart = 45000.25;  // a quarter past midnight ... a day later

QVector<plotSeries> chartData() {
  QVector<plotSeries> data(3);
  for (int i = 1; i <= kPoints; ++i) {
    const Date t = kStart + i / double(kPoints);
    const float power = i % 50 == 0 ? -2.0f : static_cast<float>(1500 + 1200 * std::sin(i / 9.0));
    data[1].points.append({.recordNr = i, .value = power, .recTime = t});
    data[2].points.append(
        {.recordNr = i, .value = static_cast<float>(18 + 4 * std::cos(i / 23.0)), .recTime = t});
  }
  data[1].seriesType = 1;
  data[2].seriesType = 3;
  return data;
}

graphRecord chartGraph(const QVector<plotSeries>& data) {
  graphRecord g;
  initTimeGraph({.title = "Used 12.3 kWh",
                 .seriesCount = 2,
                 .xMin = kStart,
                 .xMax = kStart + 1,
                 .xStep = 0.125,
                 .yMax = 3000,
                 .showMarks = true},
                data, g);
  g.fontSpec = "Arial, 3%, 10";
  g.frame3D = 1;
  g.plotBackColour = rgbColour(255, 255, 240);
  g.marginLeft = g.marginRight = 0.13f;
  g.texts[1].fontSpec = "Arial, 5%, 16";
  g.texts[1].posY = 0.05f;
  g.texts.append(
      {.layer = 4, .text = "Power (W)", .colour = kRed, .posY = 0.05f, .posX = 0.08f, .fontSpec = ""});
  g.texts.append(
      {.layer = 4, .text = "Temp \u00b0C", .colour = kBlue, .posY = 0.05f, .posX = 0.93f, .fontSpec = ""});
  g.texts.append({.layer = 4, .text = "footer line", .posY = 0.98f, .posX = 0.15f, .fontSpec = ",3%,10"});
  g.axes[1].labels[1].numberFormat = kDateTimeFormat;
  g.axes[1].labels[1].divisions = 2;
  g.axes[1].ticks[1].divisions = 2;
  g.axes[2].labels[1].numberFormat = " #,0.;-#0.; 0.";
  g.axes[3].minValue = -30;
  g.axes[3].maxValue = 50;
  g.axes[3].labels[1].numberFormat = "+#0;-#0;  0";
  g.series[2].yAxis = 3;
  return g;
}

double micros(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - since).count();
}

double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// A day of readings a minute apart, power and temperature changing.
bool writeDay(const QString& path) {
  constexpr int kReadings = 1440;
  fileSection h{.startTime = kStart,
                .version = 1003000,
                .sensorVer = kNewFrameDetectorVer,
                .ticksPerSec = 1000,
                .WsPerCount = 60,
                .resetCount = 1,
                .records = kReadings};
  QByteArray bytes = packSection(h);
  double counts = 0;
  for (int i = 0; i < kReadings; ++i) {
    meterRecord r;
    r.recTime = kStart + i / 1440.0;
    counts += 1500 + 1200 * std::sin(i / 37.0);
    r.count = int32_t(counts);
    r.ticks = int32_t(i * 60000);
    r.temp = int16_t(2 * (20 + 8 * std::cos(i / 91.0)) - 40);
    bytes += packRecord(r);
  }
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What the UI thread's 1 ms timer saw while pictures were drawn: its longest wait.
struct UiWait {
  double maxGapMs = 0;
  int ticks = 0;
};

constexpr int kBigImages = 8, kBigSide = 4096;

void bigPictures() {
  QTemporaryDir dir;
  Settings settings;
  settings.zavDatFileName[0] = dir.filePath("day.ZAV");
  settings.ZAVdetectorVer = kNewFrameDetectorVer;
  settings.reduceMethod = 0;
  settings.maxPlotPoints = 2000;
  settings.maxMeterPower = 3000;
  if (!writeDay(settings.zavDatFileName[0])) return;
  const QString query = QStringLiteral("w=%1&h=%1&m=1").arg(kBigSide);
  const auto job = [&] { return makeGraphImageJob(query, QStringLiteral("gif"), settings, kStart + 1); };

  // As the hidden window did: one after another on the UI thread, which waits for each.
  QElapsedTimer t;
  t.start();
  double onThreadGap = 0;
  for (int i = 0; i < kBigImages; ++i) {
    QElapsedTimer one;
    one.start();
    if (!renderGraphImage(job())) return;
    onThreadGap = std::max(onThreadGap, one.nsecsElapsed() / 1e6);
  }
  const double onThreadMs = t.nsecsElapsed() / 1e6;

  // Through the pool while the UI thread's timer runs.
  QVector<QFuture<Result<QByteArray>>> futures;
  UiWait wait;
  QElapsedTimer sinceTick;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    wait.maxGapMs = std::max(wait.maxGapMs, sinceTick.nsecsElapsed() / 1e6);
    ++wait.ticks;
    sinceTick.start();
  });
  t.start();
  for (int i = 0; i < kBigImages; ++i) futures.append(startGraphImage(job()));
  sinceTick.start();
  timer.start(1);
  const auto done = [&] {
    return std::all_of(futures.begin(), futures.end(), [](const auto& f) { return f.isFinished(); });
  };
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const double pooledMs = t.nsecsElapsed() / 1e6;
  timer.stop();
  for (const auto& f : futures)
    if (!f.result()) return;
  std::printf("BENCH render_offthread images=%d size=%dx%d pool=%d ui_thread_ms_per_image=%.1f "
              "pool_ms_per_image=%.1f ui_wait_max_ms_on_thread=%.1f ui_wait_max_ms_pool=%.1f ui_ticks=%d\n",
              kBigImages, kBigSide, kBigSide, kMaxGraphImagesAtOnce, onThreadMs / kBigImages,
              pooledMs / kBigImages, onThreadGap, wait.maxGapMs, wait.ticks);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // No message window: the engine's log line goes nowhere, so this measures the drawing.
  QGuiApplication app(argc, argv);
  const QVector<plotSeries> data = chartData();
  graphRecord graph = chartGraph(data);
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  TextLayouts layouts;  // kept between drawings, as the chart keeps them

  // Rounds of both alternate, so a busy machine slows both alike.
  std::vector<double> fills, draws;
  for (int r = 0; r < kRounds; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    img.fill(Qt::white);
    fills.push_back(micros(t0));
    t0 = std::chrono::steady_clock::now();
    {
      PictureCanvas pic(&img, &layouts);
      pic.setBackColor(kWhite);
      pic.clear();
      plotJtGraphToPicture(graph, pic, data);
    }
    draws.push_back(micros(t0));
  }
  const double fill = median(fills), draw = median(draws);
  std::printf("BENCH render_vs_fill draw_us=%.1f fill_us=%.1f ratio=%.1f\n", draw, fill, draw / fill);
  if (argc > 1) img.save(QString::fromLocal8Bit(argv[1]));
  bigPictures();
  return 0;
}

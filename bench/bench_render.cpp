// Draws the standard power and temperature chart (640 x 480, 300 points per
// series, grid, labels, marks, 3D frame) into a QImage and compares with
// filling the same image once, measured in the same run. An optional argument
// names a file to save the picture to.
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/colour.h"
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
    data[1].points.append({i, power, t});
    data[2].points.append({i, static_cast<float>(18 + 4 * std::cos(i / 23.0)), t});
  }
  data[1].seriesType = 1;
  data[2].seriesType = 3;
  return data;
}

graphRecord chartGraph(const QVector<plotSeries>& data) {
  graphRecord g;
  initTimeGraph("Used 12.3 kWh", 2, kPointsOverTime, kStart, kStart + 1, 0.125, 0, 3000, g, data, true);
  g.fontSpec = "Arial, 3%, 10";
  g.frame3D = 1;
  g.plotBackColour = rgbColour(255, 255, 240);
  g.marginLeft = g.marginRight = 0.13f;
  g.texts[1].fontSpec = "Arial, 5%, 16";
  g.texts[1].posY = 0.05f;
  g.texts.append({4, "Power (W)", rgbColour(255, 0, 0), 0.05f, 0.08f, ""});
  g.texts.append({4, "Temp \u00b0C", rgbColour(0, 0, 255), 0.05f, 0.93f, ""});
  g.texts.append({4, "footer line", 0, 0.98f, 0.15f, ",3%,10"});
  g.axes[1].labels[1].numberFormat = "yyyy-mm-dd hh:nn:ss";
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

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // No message window: the engine's log line goes nowhere, so this measures the drawing.
  QGuiApplication app(argc, argv);
  const QVector<plotSeries> data = chartData();
  graphRecord graph = chartGraph(data);
  QImage img(kWidth, kHeight, QImage::Format_RGB32);

  // Rounds of both alternate, so a busy machine slows both alike.
  std::vector<double> fills, draws;
  for (int r = 0; r < kRounds; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    img.fill(Qt::white);
    fills.push_back(micros(t0));
    t0 = std::chrono::steady_clock::now();
    {
      PictureCanvas pic(&img);
      pic.setBackColor(rgbColour(255, 255, 255));
      pic.clear();
      plotJtGraphToPicture(graph, pic, data);
    }
    draws.push_back(micros(t0));
  }
  const double fill = median(fills), draw = median(draws);
  std::printf("BENCH render_vs_fill draw_us=%.1f fill_us=%.1f ratio=%.1f\n", draw, fill, draw / fill);
  if (argc > 1) img.save(QString::fromLocal8Bit(argv[1]));
  return 0;
}

#include "app/graph_renderer.h"

#include "chart/graph_image.h"

std::function<QFuture<Result<QByteArray>>(const QString&, const QString&)> graphRenderer(
    std::function<const Settings&()> settings, PlotSource source) {
  return [settings = std::move(settings), source = std::move(source)](const QString& query,
                                                                      const QString& type) {
    return startGraphImage(makeGraphImageJob(query, type, settings(), dateNow(), source.slot()));
  };
}

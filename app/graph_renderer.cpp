#include "app/graph_renderer.h"

#include "app/wiring.h"
#include "chart/graph_image.h"
#include "core/settings/setup_values.h"

namespace {
GraphImageJob jobFor(const QString& query, const QString& type) {
  return makeGraphImageJob(query, type, setupValues().settings(), dateNow(), mainWindowPlotFileSlot());
}
}  // namespace

std::function<QFuture<Result<QByteArray>>(const QString&, const QString&)> graphRendererFromSettings() {
  return [](const QString& query, const QString& type) { return startGraphImage(jobFor(query, type)); };
}

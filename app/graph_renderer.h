#pragma once
// The web server's graph renderer: for a query and a picture type, a job made
// from the current settings and the plotted slot on the UI thread, drawn on
// the chart's own pool; the future holds the picture bytes or what went wrong.

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <functional>

#include "platform/result.h"

std::function<QFuture<Result<QByteArray>>(const QString& query, const QString& type)> graphRendererFromSettings();

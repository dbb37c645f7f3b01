#pragma once
// The web server's graph renderer: for a query and a picture type, a job made
// on the UI thread from the server's own settings and the plotted slot, drawn
// on the chart's own pool; the future holds the picture bytes or what went wrong.

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <functional>

#include "core/settings/settings.h"
#include "platform/result.h"
#include "plot/plot_source.h"

// settings: the server's copy, read when a request comes; source: whose slot is plotted.
std::function<QFuture<Result<QByteArray>>(const QString& query, const QString& type)> graphRenderer(
    std::function<const Settings&()> settings, PlotSource source);

#pragma once
// Setup controls in a map, with no handlers: records every write in order.

#include <QHash>
#include <QStringList>

#include "core/settings/settings.h"
#include "core/settings/setup_controls.h"

class FakeSetupControls : public SetupControls {
 public:
  QHash<QString, QString> texts;
  QHash<QString, int> values;
  QHash<QString, int> counts;
  QStringList writes;  // "name=value" in write order
  int slider = 0;
  Settings held;

  QString text(const QString& n) const override { return texts.value(n); }
  void setText(const QString& n, const QString& t) override {
    texts[n] = t;
    writes << n + u'=' + t;
  }
  int value(const QString& n) const override { return values.value(n); }
  void setValue(const QString& n, int v) override {
    const QString group = n.section(u'(', 0, 0);
    if (group.startsWith(u"Option"))
      for (int i = 0; i < counts.value(group); ++i) values[group + QStringLiteral("(%1)").arg(i)] = 0;
    values[n] = v;
    writes << n + u'=' + QString::number(v);
  }
  int count(const QString& a) const override { return counts.value(a); }
  void setForeColor(const QString&, int32_t) override {}
  void setBackColor(const QString&, int32_t) override {}
  void setToolTip(const QString& n, const QString& t) override { writes << n + QStringLiteral(".tip=") + t; }
  void setEnabled(const QString&, bool) override {}
  void setVisible(const QString&, bool) override {}
  QString caption(const QString& n) const override { return n; }
  int sliderValue() const override { return slider; }
  void setSliderQuietly(int p) override {
    slider = p;
    writes << QStringLiteral("Slider1=") + QString::number(p);
  }
  Settings& typedSettings() override { return held; }
  const Settings& typedSettings() const override { return held; }
  void settingsWritten() override {}
};

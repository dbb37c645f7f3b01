#include "plot/plot_size_setting.h"

#include "core/settings/setup_layout.h"
#include "core/settings/setup_values.h"

QString setupWindowFieldText(int field) { return setupValues().text(ctl("Text1", field)); }

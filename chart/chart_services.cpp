#include "chart/chart_services.h"

void showChartWindow() {}
void releasePlotForm() {}
void loadAndUnloadChartWindow() {}

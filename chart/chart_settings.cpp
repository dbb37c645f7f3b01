#include "chart/chart_settings.h"

bool fixedPlotSize = false;
int32_t plotWidth = 600;
int32_t plotHeight = 400;
bool DrawOrthogonalLines = false;
bool DrawPowerInBackground = false;
QString ReferencePowerEndTime;
int16_t viewRange = 13;

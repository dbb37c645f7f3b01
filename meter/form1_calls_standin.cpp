// Stand-ins until the parts that own these calls define them.
#include "meter/form1_calls.h"

void initCrcTables() {}
void newMeterCount(bool&) {}
void showIdleRate() {}
void openOutZavDat() {}
void closeOutZavDat() {}
bool loadZavDatNEW(int16_t) { return false; }
void loadLastLogLine() {}
int32_t dataFileSlotRecords(int16_t) { return 0; }
void setOnLine(bool&) {}
void showSimulationState(bool&) {}
void Command4_Click(int16_t) {}
void showSetupWindow() {}
bool setupStartOnLine() { return false; }
bool setupStartMinimized() { return false; }
bool setupStartWithAutoPlot() { return false; }
bool setupRingBell() { return false; }
void shutDownProgram() {}
void showMessageWindow() {}
void plotFile(bool) {}
void pulseDetected() {}
void Check2_Click(int16_t) {}

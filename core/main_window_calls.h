#pragma once
// What the setup window asks of the main window and the meter link. The
// stand-ins left in core/main_window_calls_standin.cpp do nothing until the
// main window defines them.

#include <cstdint>

void applyGlobalVariables();
void setWindowSize();
// File pickers of the main window (meter/window/main_menus.cpp); each sets its global file name.
void selZavdataFile();
void selZavtextFile();
void selPlotPictureFile();
// COM-port search without a progress window (meter/link/com_search.cpp).
void findAvailableComPorts();
// Zeroes one comm-event counter, or all of them for an index outside 1..20 (meter/link/serial_dispatch.cpp).
void clearComEventCounters(int16_t index);

// Stand-ins until the main window provides these; the main window's owner deletes this file.
#include "core/main_window_calls.h"

void applyGlobalVariables() {}
void setWindowSize() {}

// Stand-in until the setup window exists.
#include "core/app_windows.h"

void loadSetupWindowHidden() {}

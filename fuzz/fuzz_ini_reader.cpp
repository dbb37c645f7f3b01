// The INI reader on arbitrary files, applied to the settings values that a
// (hidden) setup window shows, each from the factory settings so that an input
// does the same on its own.
#include "core/settings/ini_reader.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const StartValues& start = fuzzWidgetsApp();
  [[maybe_unused]] static SetupWindow* w = [&] {
    auto* created = new SetupWindow;
    created->formLoad(start, false);
    return created;
  }();
  setupValues().applySetupSettings(true);
  loadINIfile(fuzzScratchFile(data, size, "zav.INI"), setupValues());
  return 0;
}

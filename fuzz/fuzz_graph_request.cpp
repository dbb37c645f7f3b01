// The graph request parser on arbitrary request strings.
#include "fuzz/fuzz_support.h"
#include "plot/graph_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietProcess();
  plotParamRecord param;
  setWebGraphDefaults(param, Settings{}, 45000, 45001);
  parseGraphQuery(param, QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
  return 0;
}

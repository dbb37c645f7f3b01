// The data-file loader on arbitrary files: whatever it keeps must lie inside the file.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "meter/record/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietProcess();
  DataFileSlots indexes;
  indexes.load(0, fuzzScratchFile(data, size, "pwrData.ZAV"));
  const dataFileIndex& index = indexes[0];
  for (int32_t s = 1; s <= index.sectionCount; ++s) {
    const int64_t end = index.sectionFilePos[s] - 1 + kSectionBytes +
                        int64_t(index.sectionHeaders[s].records) * kRecordBytes;
    if (index.sectionHeaders[s].records < 0 || end > int64_t(size)) abort();
  }
  return 0;
}

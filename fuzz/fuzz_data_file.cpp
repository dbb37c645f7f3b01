// The data-file loader on arbitrary files: whatever it keeps must lie inside
// the file, sections one behind the other, and the index read alone and the
// register's walk must find the same sections.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "meter/record/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietProcess();
  const QString name = fuzzScratchFile(data, size, "pwrData.ZAV");
  DataFileSlots indexes;
  indexes.load(0, name);
  const dataFileIndex& index = indexes[0];
  int64_t behind = 1;  // first byte behind the section before
  for (int32_t s = 1; s <= index.sectionCount; ++s) {
    const int64_t end = index.sectionFilePos[s] - 1 + kSectionBytes +
                        int64_t(index.sectionHeaders[s].records) * kRecordBytes;
    if (index.sectionHeaders[s].records < 1 || index.sectionFilePos[s] < behind || end > int64_t(size))
      abort();
    behind = end + 1;
  }
  const Result<DataFileIndexRead> alone = readDataFileIndex(name);
  if (!alone || alone->index.sectionFilePos != index.sectionFilePos) abort();
  const DataFileWalk walk(name);
  if (walk.sections().size() != index.sectionCount) abort();
  return 0;
}

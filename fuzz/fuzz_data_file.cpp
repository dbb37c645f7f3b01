// The data-file loader on arbitrary files: whatever it keeps must lie inside
// the file, sections and their parts one behind the other, every record kept
// dated as a reading, and the index read alone and the register's walk must
// find the same parts.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "meter/record/data_file.h"
#include "meter/record/data_file_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietProcess();
  const QString name = fuzzScratchFile(data, size, "pwrData.ZAV");
  DataFileSlots indexes;
  indexes.load(0, name);
  const dataFileIndex& index = indexes[0];
  int64_t behind = 1;  // first byte behind the part before
  for (int32_t s = 1; s <= index.sectionCount; ++s) {
    const int64_t first = firstRecordPos(index, s);
    const int64_t end = first - 1 + int64_t(index.sectionHeaders[s].records) * kRecordBytes;
    const bool placed = continuesSection(index, s) ? first > behind : index.sectionFilePos[s] >= behind;
    if (index.sectionHeaders[s].records < 1 || !placed || first < index.sectionFilePos[s] + kSectionBytes ||
        end > int64_t(size))
      abort();
    for (int64_t pos = first; pos < end; pos += kRecordBytes)
      if (!recordIsReading(data + pos - 1)) abort();
    behind = end + 1;
  }
  const Result<DataFileIndexRead> alone = readDataFileIndex(name);
  if (!alone || alone->index.sectionFilePos != index.sectionFilePos) abort();
  const DataFileWalk walk(name, {});
  if (walk.sections().size() != index.sectionCount) abort();
  return 0;
}

// The data-file loader on arbitrary files: whatever it keeps must lie inside
// the file, sections one behind the other, each with runs of readings that a
// record that is none separates, every record kept dated as a reading and
// numbered in file order, and the index read alone and the register's walk
// must find the same sections. The open's cut of the torn tail changes only
// the end and disowns no reading: the walk after it finds what the load found.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "meter/record/data_file.h"
#include "meter/record/data_file_io.h"

namespace {
QVector<int64_t> positions(const QVector<DataSection>& sections) {
  QVector<int64_t> out;
  for (const DataSection& s : sections) out << s.from;
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietProcess();
  const QString name = fuzzScratchFile(data, size, "pwrData.ZAV");
  DataFileSlots indexes;
  indexes.load(0, name);
  const dataFileIndex& index = indexes[0];
  int64_t behind = 1;  // first byte behind the section before
  int32_t r = 0;       // readings before
  for (const DataSection& s : index.sections) {
    if (s.from < behind || s.runs.isEmpty() || s.before != r || s.records > (int64_t(size) - s.from - 37) / kRecordBytes)
      abort();
    int64_t next = 0;  // the first record a run may start at
    for (qsizetype j = 0; j < s.runs.size(); ++j) {
      const int64_t end = s.recordOf(s.runs[j].end, j);
      if (s.runs[j].first < next || end <= s.runs[j].first || (j + 1 == s.runs.size() && end != s.records)) abort();
      for (int64_t place = s.runs[j].first; place < end; ++place) {
        if (!recordIsReading(data + s.recordPos(place) - 1) || recordFilePos(index, ++r) != s.recordPos(place))
          abort();
      }
      next = end + 1;
    }
    behind = s.recordPos(s.records);
  }
  if (r != index.recordCount || index.sectionCount != index.sections.size()) abort();
  const Result<DataFileIndexRead> alone = readDataFileIndex(name);
  if (!alone || positions(alone->index.sections) != positions(index.sections)) abort();
  const DataFileWalk walk(name, {});
  if (positions(walk.sections()) != positions(index.sections)) abort();

  const int fd = ::open(QFile::encodeName(name).constData(), O_RDWR | O_CLOEXEC);
  const Result<zavio::TailCut> cut = zavio::cutTornTail(fd, {});
  const int64_t left = zavio::fileLength(fd);
  ::close(fd);
  if (!cut) return 0;
  QVector<int64_t> after;
  int32_t kept = 0;
  for (const zavio::FileStretch& s : cut->walk) {
    if (!s.isSection) continue;
    after << s.from;
    kept += s.readings();
  }
  QFile file(name);
  const QByteArray now = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  const int64_t cutAt = cut->from > 0 ? cut->from - 1 : int64_t(size);
  if (left != cutAt || now.size() != cutAt || std::memcmp(now.constData(), data, now.size()) != 0 ||
      after != positions(index.sections) || kept != r)
    abort();
  return 0;
}

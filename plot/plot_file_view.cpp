#include "plot/plot_file_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace {
std::atomic<bool> g_mappingDisabled{false};  // read by reads on any thread
// Scattered reads fetch one page around the record: the last probes of a
// binary search and neighbouring points then need no further reads.
constexpr int64_t kSmallBlockBytes = 4096;
constexpr int64_t kScanBlockBytes = 1 << 20;
}  // namespace

void PlotFileView::setMappingDisabledForTests(bool disabled) { g_mappingDisabled = disabled; }

Result<> PlotFileView::open(const QString& path) {
  close();
  m_file.setFileName(path);
  if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return Failure(m_file.errorString());
  m_size = m_file.size();
  m_blockBytes = kSmallBlockBytes;
  // Scattered records (the search by time, sparse points) need no read-ahead.
  posix_fadvise(m_file.handle(), 0, 0, POSIX_FADV_RANDOM);
  return {};
}

void PlotFileView::prepareScan(int64_t offset, int64_t length, bool inOrder) {
  if (!m_file.isOpen() || m_map) return;
  // Reads in order need only the system's own read-ahead, which keeps
  // fetching while the records are worked on; asking for the whole range up
  // front was measured to delay the first bytes.
  posix_fadvise(m_file.handle(), 0, 0, POSIX_FADV_NORMAL);
  if (!inOrder) posix_fadvise(m_file.handle(), offset, length, POSIX_FADV_WILLNEED);
  if (!inOrder && !g_mappingDisabled && m_size > 0) m_map = m_file.map(0, m_size);
  if (!m_map) {
    m_blockBytes = inOrder ? kInOrderReadBytes : kScanBlockBytes;
    m_scanEnd = inOrder ? offset + length : m_size;
  }
}

void PlotFileView::endScan() { m_blockBytes = kSmallBlockBytes; }

void PlotFileView::close() {
  if (m_map) m_file.unmap(m_map);
  m_map = nullptr;
  m_file.close();
  m_size = 0;
  m_block.clear();
  m_blockStart = -1;
  m_blockSize = 0;
}

const uchar* PlotFileView::readBlock(int64_t offset, int len) {
  m_blockStart = -1;
  m_blockSize = 0;
  const bool scanning = m_blockBytes != kSmallBlockBytes;
  const int64_t start = scanning ? offset : offset - offset % kSmallBlockBytes;
  // A scan fetches nothing past its end.
  const int64_t want = std::max<int64_t>(scanning ? std::min(m_blockBytes, m_scanEnd - start) : m_blockBytes,
                                         offset - start + len);
  m_block.resize(want);
  int64_t got = 0;
  while (got < want) {
    const ssize_t n =
        ::pread(m_file.handle(), m_block.data() + got, static_cast<size_t>(want - got), start + got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  if (got < offset - start + len) return nullptr;
  m_blockStart = start;
  m_blockSize = got;
  return reinterpret_cast<const uchar*>(m_block.constData()) + (offset - start);
}

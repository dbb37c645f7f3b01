#include "plot/plot_file_view.h"

#include <algorithm>

namespace {
bool g_mappingDisabled = false;
// Block reads serve both the scattered reads of a skipping reduction (small
// blocks waste little) and sequential scans (few system calls).
constexpr int64_t kBlockBytes = 256 * 1024;
}  // namespace

void PlotFileView::setMappingDisabledForTests(bool disabled) { g_mappingDisabled = disabled; }

bool PlotFileView::open(const QString& path) {
  close();
  m_file.setFileName(path);
  if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
  m_size = m_file.size();
  if (!g_mappingDisabled && m_size > 0) m_map = m_file.map(0, m_size);
  return true;
}

void PlotFileView::close() {
  if (m_map) m_file.unmap(m_map);
  m_map = nullptr;
  m_file.close();
  m_size = 0;
  m_block.clear();
  m_blockStart = -1;
}

const uchar* PlotFileView::blockBytes(int64_t offset, int len) {
  if (m_blockStart < 0 || offset < m_blockStart || offset + len > m_blockStart + m_block.size()) {
    const int64_t want = std::max<int64_t>(kBlockBytes, len);
    m_blockStart = -1;
    if (!m_file.seek(offset)) return nullptr;
    m_block.resize(want);
    const qint64 got = m_file.read(m_block.data(), want);
    if (got < len) return nullptr;
    m_block.resize(got);
    m_blockStart = offset;
  }
  return reinterpret_cast<const uchar*>(m_block.constData()) + (offset - m_blockStart);
}

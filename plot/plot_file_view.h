#pragma once
// Read access to a data file for plotting, with 64-bit offsets: small reads
// for scattered records, blocks for scans of every record in order, and for
// other scans the whole file mapped into memory or, where mapping fails, read
// in large blocks.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

#include "platform/result.h"

class PlotFileView {
 public:
  PlotFileView() = default;
  PlotFileView(const PlotFileView&) = delete;
  PlotFileView& operator=(const PlotFileView&) = delete;
  ~PlotFileView() { close(); }

  // The failure says why the file cannot be read.
  Result<> open(const QString& path);
  void close();
  // Prepares for reading many neighbouring records, the bytes
  // [offset, offset + length). `inOrder`: each record once and in order; large
  // reads then copy them at the speed of memory, where a mapping would pay a
  // page fault for every page. Otherwise the file is mapped and the system
  // starts fetching the bytes while the first ones are worked on.
  void prepareScan(int64_t offset, int64_t length, bool inOrder);
  // Scattered records again after an in-order scan: small reads.
  void endScan();
  // What one read of an in-order scan fetches: small enough to stay in the
  // processor's cache until worked on, and measured to let the system's
  // read-ahead keep the disk busier than reads of a mebibyte.
  static constexpr int64_t kInOrderReadBytes = 128 * 1024;
  bool isOpen() const { return m_file.isOpen(); }
  int64_t size() const { return m_size; }
  int handle() const { return m_file.handle(); }
  bool mapped() const { return m_map != nullptr; }

  // `len` bytes at the 0-based offset, valid until the next call; nullptr
  // when they are not all inside the file.
  const uchar* bytes(int64_t offset, int len) {
    if (offset < 0 || len < 0 || offset > m_size - len) return nullptr;
    if (m_map) return m_map + offset;
    if (offset >= m_blockStart && offset + len <= m_blockStart + m_blockSize)
      return reinterpret_cast<const uchar*>(m_block.constData()) + (offset - m_blockStart);
    return readBlock(offset, len);
  }

  // Tests read through the block path as on a system where mapping fails.
  static void setMappingDisabledForTests(bool disabled);

 private:
  const uchar* readBlock(int64_t offset, int len);

  QFile m_file;
  uchar* m_map = nullptr;
  int64_t m_size = 0;
  int64_t m_blockBytes = 0;  // how much one read fetches
  int64_t m_scanEnd = 0;     // large reads stop here
  QByteArray m_block;
  int64_t m_blockStart = -1;
  int64_t m_blockSize = 0;
};

#pragma once
// cFile: a thin wrapper over a file handle with explicit access, sharing and
// creation values. A failed system call gives back the system's code and text,
// such as "ERROR 112 There is not enough space on the disk.". The GIF encoder
// writes its files through it.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "platform/result.h"

class cFile {
 public:
  // The access, sharing and creation values callers pass.
  static constexpr uint32_t kGenericRead = 0x80000000u;
  static constexpr uint32_t kGenericWrite = 0x40000000u;
  static constexpr uint32_t kShareRead = 1;
  static constexpr uint32_t kShareWrite = 2;
  static constexpr uint32_t kCreateNew = 1;
  static constexpr uint32_t kCreateAlways = 2;
  static constexpr uint32_t kOpenExisting = 3;
  static constexpr uint32_t kOpenAlways = 4;
  static constexpr uint32_t kTruncateExisting = 5;

  cFile() = default;
  ~cFile() { CloseFile(); }
  cFile(const cFile&) = delete;
  cFile& operator=(const cFile&) = delete;

  // A file still open is closed first. Without a share mode the file is locked
  // against every other opener, and taken before it is truncated.
  Result<> OpenFile(const QString& fileName, uint32_t access, uint32_t shareMode, uint32_t disposition);
  // All of the bytes, or the failure.
  Result<> WriteToFile(const QByteArray& bytes);
  // Cuts the file at the current position (a device has no end to cut).
  Result<> SetFileEnd();
  void CloseFile();

 private:
  int32_t m_handle = 0;  // the file descriptor; 0 = no file open
};

#pragma once
// cFile: a thin wrapper over a file handle with explicit access, sharing and
// creation values. Every failed system call raises FileError with the system's
// code and text, such as 112 "There is not enough space on the disk."; the
// operation answers False or 0. The GIF encoder writes its files through it.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>

class cFile : public QObject {
  Q_OBJECT

 public:
  // The access, sharing, creation, flag and move values callers pass.
  static constexpr uint32_t kGenericRead = 0x80000000u;
  static constexpr uint32_t kGenericWrite = 0x40000000u;
  static constexpr uint32_t kShareRead = 1;
  static constexpr uint32_t kShareWrite = 2;
  static constexpr uint32_t kCreateNew = 1;
  static constexpr uint32_t kCreateAlways = 2;
  static constexpr uint32_t kOpenExisting = 3;
  static constexpr uint32_t kOpenAlways = 4;
  static constexpr uint32_t kTruncateExisting = 5;
  static constexpr uint32_t kFlagSequentialScan = 0x08000000u;
  static constexpr int kFileBegin = 0, kFileCurrent = 1, kFileEnd = 2;

  explicit cFile(QObject* parent = nullptr);
  ~cFile() override;  // closes the file and releases a mapping left open

  int32_t FileHandle() const { return m_handle; }
  uint32_t FileSize() const;  // 0 without a file
  int32_t Flush();            // the file's bytes to the disk; non-zero = success
  // The handle, or 0. A file still open is closed first. Without a share mode the
  // file is locked against every other opener, and taken before it is truncated.
  int32_t OpenFile(const QString& fileName, uint32_t access, uint32_t shareMode, uint32_t disposition,
                   uint32_t flags = 0);
  // The file made `size` bytes long, its room taken on the disk, and mapped for
  // writing; nullptr when that fails (a disk without the room: 112).
  // One mapping exists at a time in the process (the next fails with 183).
  uint8_t* OpenFileMapped(const QString& fileName, uint32_t size, uint32_t access, uint32_t shareMode,
                          uint32_t disposition, uint32_t flags, bool zeroFill);
  bool UnMapFile();  // releases view, mapping and file; True when it closed a file
  bool WriteToFile(const QByteArray& bytes, int32_t count, int32_t& written);
  bool WriteByteToFile(uint8_t value, int32_t& written);
  bool WriteIntegerToFile(int16_t value, int32_t& written);  // low byte first
  // Ends the file at the current position, taking the disk's room when it grows
  // (a device has no end to set).
  bool SetFileEnd();
  // Fills the array from the current position; a short read at the end is still a success.
  bool ReadFromFile(QByteArray& bytes, int32_t& read);
  // True when the new position is not 0; a failed move reports and answers True.
  bool ChangeFilePointer(int32_t distance, int moveMethod);
  void CloseFile();
  static QString getApiErrorText(int32_t code);  // "Unknown Error" when the code has no text

 signals:
  void FileError(int32_t number, const QString& description);

 private:
  bool writeBytes(const uint8_t* data, int32_t count, int32_t& written);
  void reportErrno(int err, const QString& path = QString());
  void reportCode(int32_t code);
  void releaseMapping();

  int32_t m_handle = 0;  // the file descriptor; 0 = no file open
  uint8_t* m_view = nullptr;
  uint32_t m_viewSize = 0;
  bool m_mapping = false;  // this object holds the process's one mapping
};

#pragma once
// cFile: a thin wrapper over a file handle with explicit access, sharing and
// creation values; every failed system call raises FileError with the system's
// code and text. The GIF encoder writes its files through it.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>

class cFile : public QObject {
  Q_OBJECT

 public:
  // The access, sharing, creation and flag values callers pass.
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
  ~cFile() override;

  int32_t FileHandle() const { return m_handle; }
  uint32_t FileSize() const;
  int32_t Flush();  // non-zero = success
  int32_t OpenFile(const QString& fileName, uint32_t access, uint32_t shareMode, uint32_t disposition,
                   uint32_t flags);
  uint8_t* OpenFileMapped(const QString& fileName, uint32_t size, uint32_t access, uint32_t shareMode,
                          uint32_t disposition, uint32_t flags, bool zeroFill);
  bool UnMapFile();
  bool WriteToFile(const QByteArray& bytes, int32_t count, int32_t& written);
  bool WriteToFile(const uint8_t* data, int32_t count, int32_t& written);
  bool WriteByteToFile(uint8_t value, int32_t& written);
  bool WriteIntegerToFile(int16_t value, int32_t& written);
  bool SetFileEnd();
  bool ReadFromFile(QByteArray& bytes, int32_t& read);
  bool ChangeFilePointer(int32_t distance, int moveMethod);
  void CloseFile();
  static QString getApiErrorText(int32_t code);

 signals:
  void FileError(int32_t number, const QString& description);

 private:
  void reportErrno(int err, const QString& path = QString());
  void reportCode(int32_t code);
  void releaseMapping();

  int32_t m_handle = 0;  // the file descriptor; 0 = no file open
  uint8_t* m_view = nullptr;
  uint32_t m_viewSize = 0;
  bool m_mapping = false;
};

#pragma once
// The file wrapper reports failures by fixed numbers with their texts, so its log
// lines read the same on every system ("ERROR 112 There is not enough space on the
// disk."). errno values map onto those numbers here; an errno with no number of
// its own travels as kErrnoCodeBase + errno with the system's text.

#include <QString>
#include <cstdint>

namespace syserr {
constexpr int32_t kFileNotFound = 2;
constexpr int32_t kPathNotFound = 3;
constexpr int32_t kTooManyOpenFiles = 4;
constexpr int32_t kAccessDenied = 5;
constexpr int32_t kInvalidHandle = 6;
constexpr int32_t kNotEnoughMemory = 8;
constexpr int32_t kWriteProtect = 19;
constexpr int32_t kSharingViolation = 32;
constexpr int32_t kFileExists = 80;
constexpr int32_t kInvalidParameter = 87;
constexpr int32_t kDiskFull = 112;
constexpr int32_t kNegativeSeek = 131;
constexpr int32_t kAlreadyExists = 183;
constexpr int32_t kFilenameTooLong = 206;
constexpr int32_t kFileTooLarge = 223;
constexpr int32_t kIoDevice = 1117;
constexpr int32_t kErrnoCodeBase = 0x20000000;  // above every fixed number, so the two never meet
}  // namespace syserr

// The code for an errno; `path` (of a failed open) tells a missing folder from a missing file.
int32_t systemErrorFromErrno(int err, const QString& path = QString());
// The text for a code, with its CR LF, or an empty text when there is none.
QString systemErrorText(int32_t code);
// The operating system's own words for an errno, such as "No space left on device".
QString systemErrorReason(int err);

#pragma once
// A picture file is written beside its target under a temporary name, flushed,
// and renamed over the target only once complete: a save that fails (a full
// disk, a folder that cannot be written) leaves the picture that was there and
// says why in the system's words. A target that is no regular file (a device,
// a pipe) cannot be replaced and is written in place. A picture that could not
// be written into (made read-only) is not replaced either: the rename would
// need only the folder's permission.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <sys/types.h>

#include "platform/result.h"

struct PictureFilePlan {
  QString target;     // the file the picture is for, symbolic links followed
  QString writeName;  // where the bytes go first
  int refused = 0;    // the errno a write into the target would meet; then nothing is written
  bool replaces() const { return writeName != target; }
};

// A new temporary name beside the target, or the target itself when it is no regular file;
// refused when the target may not be written.
PictureFilePlan planPictureFile(const QString& fileName);
// After the bytes are complete and flushed: the temporary takes the target's
// permissions and then its name. 0, or the errno of the rename.
int commitPictureFile(const PictureFilePlan& plan);
// Removes the temporary of a save that failed.
void abandonPictureFile(const PictureFilePlan& plan);

// The bytes as the file fileName, replacing it only when all are written.
Result<> writePictureFile(const QString& fileName, const QByteArray& bytes);

// Every file write of the picture library goes through here.
ssize_t imagingWrite(int fd, const void* data, size_t n);
// Takes the disk's room for `length` bytes from `offset` on, so what is later
// written there (through a mapped view too) cannot meet a full disk. 0, or the errno.
int imagingReserve(int fd, off_t offset, off_t length);
// Test seam: after `bytes` more bytes the writes and reservations fail as on a
// full disk (ENOSPC); negative: never.
void failImagingWritesAfterForTest(int64_t bytes);

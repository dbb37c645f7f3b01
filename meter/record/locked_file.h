#pragma once
// The files the recording writes (data file, text log) are held with an
// exclusive lock, so a second copy of the program leaves them alone.

#include <QString>

#include "platform/result.h"

namespace zavio {

// The text of errno as it stands.
QString errnoText();
// Why a file could not be locked while another program holds it.
inline const QString kInUse = QStringLiteral("in use by another program");
// Opens the file (creating it) with the open flags and takes its exclusive lock
// without waiting; the error is errno's text, or kInUse.
Result<int> openLocked(const QString& name, int flags);

}  // namespace zavio

#include "core/log/message_log.h"

#include <cstdlib>

#include "core/globals.h"

MessageLog::Step MessageLog::accept(int level) {
  if (level == 0) return Step::Clear;
  if (std::abs(level) > msgLevel) return Step::Drop;
  // The text is never trimmed; growth is bounded by showing less, but never less than
  // the errors (level 1): only the user silences them.
  if (m_chars > logMaxChars && msgLevel > kLowestAutomaticLevel) --msgLevel;
  return Step::Append;
}

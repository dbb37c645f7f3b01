#pragma once
// The message window's rules without the window: level filtering, the
// logMaxChars rule that lowers msgLevel (down to errors only), and the text
// length it watches.

#include <QString>
#include <cstdint>

class MessageLog {
 public:
  static constexpr int kLowestAutomaticLevel = 1;
  enum class Step { Clear, Drop, Append };
  // What to do with a message of this level; lowers msgLevel when the text
  // is already longer than logMaxChars (the message itself still goes in).
  Step accept(int level);
  void appended(qsizetype chars) { m_chars += chars; }
  void cleared() { m_chars = 0; }
  qint64 chars() const { return m_chars; }

 private:
  qint64 m_chars = 0;
};

// The window side: created hidden on first use. Defined with the window, so
// the writer itself includes no widgets.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void clearText() = 0;
  virtual void appendText(const QString& text, int32_t colour) = 0;  // text as is, CR LF = line break
  virtual void appendCourier(const QString& text) = 0;
};
MessageSink& messageSink();

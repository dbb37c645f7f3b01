#pragma once
// The message window's text without the window: level filtering, the
// logMaxChars rule that lowers msgLevel (down to errors only), and the text
// itself, bounded: past its limit the oldest lines go and are counted. The
// window shows what is held and follows what this announces.

#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>

class MessageLog : public QObject {
  Q_OBJECT
 public:
  static constexpr int kLowestAutomaticLevel = 1;
  // Whatever logMaxChars says, the text never holds more than this.
  static constexpr qint64 kMaxHeldChars = 4'000'000;

  // One message (or fixed-pitch block) as appended: its text with its own
  // line breaks (CR LF, CR or LF each end a line).
  struct Entry {
    QString text;
    int32_t colour = 0;
    bool courier = false;
    qsizetype lineBreaks = 0;
    bool endsLine() const { return !text.isEmpty() && (text.back() == u'\n' || text.back() == u'\r'); }
  };

  enum class Step { Clear, Drop, Append };
  // What to do with a message of this level; lowers msgLevel when the text
  // is already longer than logMaxChars (the message itself still goes in).
  Step accept(int level);

  void append(const QString& text, int32_t colour, bool courier = false);
  void clear();

  // The level shown (msgLevel: the settings field Text1(3) and the window's Level menu
  // set it; any thread reads it, so it is written here) and the size limit of the rule
  // above (logMaxChars).
  static int16_t level();
  static void setLevel(int16_t level);
  static void setMaxChars(int32_t chars);

  // Characters held, as logMaxChars counts them (CR LF counts two).
  qint64 chars() const { return m_chars; }
  // Past this many characters the oldest lines go, down to half of it: twice
  // logMaxChars, so the level rule still sees the text grow beyond logMaxChars.
  static qint64 heldLimit();
  const std::deque<Entry>& entries() const { return m_entries; }
  // Lines dropped since the last clear, and the line that says so ("" when none).
  qint64 droppedLines() const { return m_droppedLines; }
  QString droppedNotice() const;

 signals:
  void appended(const MessageLog::Entry& entry);
  void cleared();
  // The oldest entries went, ending with a line break: `lines` lines in all.
  void linesDropped(qint64 lines);

 private:
  void dropOldest();

  std::deque<Entry> m_entries;
  qint64 m_chars = 0;
  qint64 m_droppedLines = 0;
};

// The program's one message log, which logMsg writes.
MessageLog& messageLog();

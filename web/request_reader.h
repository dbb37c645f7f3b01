#pragma once
// Reads one HTTP request from the bytes a connection has collected so far.
// A pure function: the connection feeds it its buffer after every arrival.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

enum class RequestStatus {
  NeedMore,     // the headers have not ended yet
  TooLarge,     // no end of headers within kMaxRequestHead bytes (answered 431)
  LineTooLong,  // "ERROR 1": the request line is 1,000 characters or more (answered 414)
  BadLine,      // "ERROR 2": the request line is not method, target, version
  Ok,
};

struct HttpRequest {
  RequestStatus status = RequestStatus::NeedMore;
  QString received;     // the request as 8-bit text, up to the end of its headers plus what came along
  QString headerBlock;  // request line and header lines, without the closing empty line
  QString body;         // what arrived after the empty line (not used)
  QString method;       // as sent; only HEAD changes the answer
  QString page;         // the path less its first character, not decoded
  QString query;        // after the first "?", raw
  qsizetype consumed = 0;  // bytes up to and including the empty line
};

// The longest request line: its line end must start within the first 1,000 characters.
constexpr qsizetype kMaxRequestLine = 999;
// The longest request head; the time limits are WebServer's WebLimits.
constexpr qsizetype kMaxRequestHead = 16 * 1024;

HttpRequest readRequest(QByteArrayView bytes);

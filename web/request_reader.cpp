#include "web/request_reader.h"

#include <QStringList>
#include <algorithm>

#include "core/util/text_helpers.h"

namespace {
// An absolute-form target ("http://host:port/path?query", as sent to a proxy)
// names the same resource as its path and query: the scheme and the authority
// go. Any other target is left as it is.
QString originForm(const QString& target) {
  const auto letter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  const auto schemeChar = [&](QChar c) {
    return letter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
  };
  const qsizetype colon = target.indexOf(QStringLiteral("://"));
  if (colon <= 0 || !letter(target[0]) || !std::all_of(target.begin(), target.begin() + colon, schemeChar))
    return target;
  qsizetype end = colon + 3;
  while (end < target.size() && target[end] != u'/' && target[end] != u'?') ++end;
  return end < target.size() && target[end] == u'/' ? target.mid(end) : u'/' + target.mid(end);
}
}  // namespace

HttpRequest readRequest(QByteArrayView bytes) {
  HttpRequest r;
  const qsizetype end = bytes.indexOf(QByteArrayView("\r\n\r\n"));
  if (end < 0) {
    // A request line that is already too long need not wait for the rest.
    if (bytes.size() >= kMaxRequestLine + 2 && bytes.first(kMaxRequestLine + 2).indexOf(QByteArrayView("\r\n")) < 0)
      r.status = RequestStatus::LineTooLong;
    else
      r.status = bytes.size() > kMaxRequestHead ? RequestStatus::TooLarge : RequestStatus::NeedMore;
    return r;
  }
  if (end + 4 > kMaxRequestHead) {
    r.status = RequestStatus::TooLarge;
    return r;
  }
  r.consumed = end + 4;
  r.received = QString::fromLatin1(bytes.data(), bytes.size());
  r.headerBlock = r.received.left(end);
  r.body = r.received.mid(end + 4);

  // A request without header lines ends its request line with the empty line.
  const qsizetype lineEnd = r.headerBlock.indexOf(kCrLf);
  const QString line = lineEnd < 0 ? r.headerBlock : r.headerBlock.left(lineEnd);
  if (line.size() > kMaxRequestLine) {
    r.status = RequestStatus::LineTooLong;
    return r;
  }
  const QStringList parts = line.split(u' ');
  if (parts.size() != 3) {
    r.status = RequestStatus::BadLine;
    return r;
  }
  r.method = parts[0];
  const QString target = originForm(parts[1]);
  const qsizetype q = target.indexOf(u'?');
  const QString path = q < 0 ? target : target.left(q);
  r.query = q < 0 ? QString() : target.mid(q + 1);
  r.page = path == u"/" ? QString() : path.mid(1);
  r.status = RequestStatus::Ok;
  return r;
}

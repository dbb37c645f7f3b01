// The server's pure pieces: request reading, dates, paths, port rule, log entries.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

#include "web/http_response.h"
#include "web/request_reader.h"
#include "web/web_log.h"
#include "web/web_paths.h"
#include "web/web_services.h"

TEST(RequestReader, aRequestCutAnywhereWaitsForTheRest) {
  const QByteArray request = "GET /x/y.asp?r=3?z HTTP/1.1\r\nHost: zav\r\n\r\nbody";
  const qsizetype headEnd = request.indexOf("\r\n\r\n") + 4;
  for (qsizetype cut = 1; cut < request.size(); ++cut) {
    const HttpRequest r = readRequest(QByteArrayView(request.constData(), cut));
    EXPECT_EQ(r.status, cut < headEnd ? RequestStatus::NeedMore : RequestStatus::Ok) << cut;
  }
  const HttpRequest r = readRequest(request);
  EXPECT_EQ(r.page, QStringLiteral("x/y.asp"));
  EXPECT_EQ(r.query, QStringLiteral("r=3?z"));
  EXPECT_EQ(r.headerBlock, QStringLiteral("GET /x/y.asp?r=3?z HTTP/1.1\r\nHost: zav"));
  EXPECT_EQ(r.body, QStringLiteral("body"));
  EXPECT_EQ(r.consumed, headEnd);
}

TEST(RequestReader, limitsAndMalformedLines) {
  const struct {
    QByteArray bytes;
    RequestStatus status;
  } rows[] = {
      {"GET / HTTP/1.0\r\n\r\n", RequestStatus::Ok},
      {"POST /index.asp HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", RequestStatus::Ok},
      {"GET /a b HTTP/1.1\r\n\r\n", RequestStatus::BadLine},
      {"\r\n\r\n", RequestStatus::BadLine},
      {"GET /" + QByteArray(985, 'a') + " HTTP/1.1\r\n\r\n", RequestStatus::Ok},  // 999 characters
      {"GET /" + QByteArray(986, 'a') + " HTTP/1.1\r\n\r\n", RequestStatus::LineTooLong},
      {"GET / HTTP/1.1\r\nX: " + QByteArray(16 * 1024, 'b'), RequestStatus::TooLarge},
      {"GET / HTTP/1.1\r\nX: " + QByteArray(16 * 1024, 'b') + "\r\n\r\n", RequestStatus::TooLarge},
      {"GET / HTTP/1.1\r\nX: " + QByteArray(16 * 1024 - 24, 'b') + "\r\n\r\n", RequestStatus::Ok},
      // An open request line is judged as soon as it cannot end in time.
      {"GET /" + QByteArray(992, 'a') + " H\r", RequestStatus::NeedMore},     // 1,000 bytes: its end may follow
      {"GET /" + QByteArray(993, 'a') + " H\r", RequestStatus::LineTooLong},  // 1,001 bytes, no line end
      {"GET /" + QByteArray(985, 'a') + " HTTP/1.1\r\nX", RequestStatus::NeedMore},
      {QByteArray(20 * 1024, '\0'), RequestStatus::LineTooLong},
  };
  for (const auto& row : rows) EXPECT_EQ(readRequest(row.bytes).status, row.status) << row.bytes.left(30).constData();
  EXPECT_EQ(readRequest("GET / HTTP/1.0\r\n\r\n").page, QString());
  EXPECT_EQ(readRequest("HEAD /a HTTP/1.0\r\n\r\n").method, QStringLiteral("HEAD"));
}

TEST(StyleValues, onlyColoursLengthsAndPathsPass) {
  enum Rule { Colour, Length, Lengths, Path };
  const struct {
    Rule rule;
    const char* text;
    bool ok;
  } rows[] = {
      {Colour, "", true},          {Colour, "Transparent", true},  {Colour, "#aBcD", true},
      {Colour, "C0C0C0", true},    {Colour, "RGBA(0, 0, 0, 50%)", true}, {Colour, "hsl(120 50% 50% / .5)", true},
      {Colour, "#abcde", false},   {Colour, "red;}body{x:y}", false},   {Colour, "rgb(0,0,0);x:y", false},
      {Colour, "url(x)", false},   {Colour, "rgb(0,0,0)x", false},      {Colour, "12632256", false},
      {Length, "0", true},         {Length, "1.5", true},   {Length, ".5", true},   {Length, "1.", false},
      {Length, "-1", false},       {Length, "3px", false},  {Length, "0;x:url(y)", false},
      {Lengths, "300, 200", true}, {Lengths, "300,", false}, {Lengths, "300;x", false},
      {Path, "", true},            {Path, "/meter/8080", true}, {Path, "/a-b_c.d~e%20f", true},
      {Path, "//evil.example", false}, {Path, "javascript:alert(1)//", false}, {Path, "meter", false},
      {Path, "/a b", false},       {Path, "/a\"b", false},    {Path, "/a\\b", false},
  };
  for (const auto& row : rows) {
    const QString text = QString::fromLatin1(row.text);
    const bool ok = row.rule == Colour    ? isCssColour(text)
                    : row.rule == Length  ? isCssLength(text)
                    : row.rule == Lengths ? isCssLengthList(text)
                                          : isLocalPath(text);
    EXPECT_EQ(ok, row.ok) << int(row.rule) << " " << row.text;
  }
}

namespace {
// A window as unloadObject sees it: a close() slot that may refuse.
class FakeForm : public QObject {
  Q_OBJECT
 public:
  explicit FakeForm(bool refuse) : m_refuse(refuse) {}
  int closes = 0;
 public slots:
  bool close() { return ++closes, !m_refuse; }

 private:
  bool m_refuse;
};
}  // namespace

TEST(UnloadObject, aWindowMayRefuseAndAControlGoes) {
  FakeForm refusing(true);
  QPointer<QObject> closing(new FakeForm(false)), control(new QObject);
  EXPECT_FALSE(unloadObject(&refusing));
  EXPECT_TRUE(unloadObject(closing));
  EXPECT_TRUE(unloadObject(control));
  EXPECT_FALSE(unloadObject(nullptr));
  EXPECT_EQ(refusing.closes, 1);
  EXPECT_EQ(static_cast<FakeForm*>(closing.data())->closes, 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closing.isNull());
  EXPECT_TRUE(control.isNull());
}

#include "web_units_test.moc"

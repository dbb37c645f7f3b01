#include "platform/result.h"

#include <gtest/gtest.h>

#include <QByteArray>

namespace {
Result<int> half(int n) {
  if (n % 2) return Failure(QStringLiteral("odd: %1").arg(n));
  return n / 2;
}

Result<QByteArray> quarterAsText(int n) {
  const Result<int> h = half(n);
  if (!h) return h.failure();
  const Result<int> q = half(*h);
  if (!q) return q.failure();
  return QByteArray::number(*q);
}
}  // namespace

TEST(Result, aValueOrTheTextOfWhatWentWrong) {
  const Result<int> good = half(8);
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(*good, 4);
  EXPECT_TRUE(good.error().isEmpty());

  const Result<int> bad = half(7);
  EXPECT_FALSE(bad);
  EXPECT_EQ(bad.error(), "odd: 7");
  EXPECT_EQ(bad.valueOr(-1), -1);
}

TEST(Result, aFailureTravelsUpThroughAnotherResultType) {
  EXPECT_EQ(quarterAsText(12).value(), QByteArray("3"));
  EXPECT_EQ(quarterAsText(6).error(), "odd: 3");
  EXPECT_EQ(quarterAsText(5).error(), "odd: 5");
}

TEST(Result, aTextValueIsNotMistakenForAnError) {
  const Result<QString> text = QStringLiteral("not an error");
  EXPECT_TRUE(text.ok());
  EXPECT_EQ(text.value(), "not an error");
  const Result<QString> failed = Failure(QString());
  EXPECT_FALSE(failed.ok());  // a failure without words is still a failure
}

TEST(Result, voidResultsSaySuccessOrWhy) {
  const Result<> done;
  EXPECT_TRUE(done.ok());
  const Result<> refused = Failure(QStringLiteral("disk full"));
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.error(), "disk full");
  const Result<int> passedOn = refused.failure();
  EXPECT_EQ(passedOn.error(), "disk full");
}

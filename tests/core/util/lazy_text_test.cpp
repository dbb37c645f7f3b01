// A text formatted when read: once per change, and a plain text replaces a pending number.
#include <gtest/gtest.h>

#include "core/util/lazy_text.h"

namespace {

int g_formats = 0;
QString counted(double v) {
  ++g_formats;
  return QString::number(v);
}

TEST(LazyText, FormatsOnFirstReadAfterAChange) {
  g_formats = 0;
  LazyText t;
  EXPECT_EQ(t, "");
  t.setValue(1, counted);
  t.setValue(2.5, counted);
  EXPECT_EQ(g_formats, 0);
  EXPECT_EQ(t, "2.5");
  EXPECT_EQ(t.text(), QStringLiteral("2.5"));
  EXPECT_EQ(g_formats, 1);
  t = QStringLiteral("typed");
  EXPECT_EQ(t, "typed");
  t.setValue(3, counted);
  const QString& read = t;
  EXPECT_EQ(read, "3");
  EXPECT_EQ(g_formats, 2);
}

}  // namespace

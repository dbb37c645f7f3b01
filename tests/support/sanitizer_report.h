#pragma once
// A child `zav` built with the sanitizers reports on its stderr; a test of the
// built program fails when that report is there.

#include <QString>
#include <gtest/gtest.h>

inline void expectNoSanitizerReport(const QString& stdErr) {
  const bool report = stdErr.contains(QStringLiteral("runtime error:")) ||
                      stdErr.contains(QStringLiteral("ERROR: AddressSanitizer")) ||
                      stdErr.contains(QStringLiteral("ERROR: LeakSanitizer"));
  EXPECT_FALSE(report) << stdErr.toStdString();
}

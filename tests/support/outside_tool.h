#pragma once
// Tests that check our output with an outside program (a browser, giflib's decoder,
// poppler's pdfinfo). scripts/debian-packages.txt installs each of them, so a missing
// one is skipped with the reason on a developer's machine but fails where
// ZAV_REQUIRE_TOOLS=1 (CI), so no check goes quietly unrun there.

#include <gtest/gtest.h>

#include <QString>
#include <initializer_list>

// The first of the names found on the PATH, empty when none is.
QString outsideTool(std::initializer_list<const char*> names);
// CI asks for every tool a test uses.
bool outsideToolsRequired();

// Ends the test when the tool is not `present`: a failure under CI, else a skip.
#define ZAV_NEED_TOOL(present, why)                                  \
  do {                                                               \
    if (!(present)) {                                                \
      if (outsideToolsRequired()) FAIL() << "missing tool: " << why; \
      GTEST_SKIP() << why;                                           \
    }                                                                \
  } while (0)

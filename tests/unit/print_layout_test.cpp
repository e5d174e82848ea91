// The page arithmetic of the printed guide: line height, lines per page, page breaks, line
// positions and the cut of long lines, on ordinary and degenerate printers.
#include "ui/print_layout.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(PrintLayout, LineHeightAddsTheLeadingAndRefusesNoHeight) {
  EXPECT_EQ(PrintLineHeight(50, 0), 50);
  EXPECT_EQ(PrintLineHeight(50, 4), 54);
  EXPECT_EQ(PrintLineHeight(0, 0), 0);
  EXPECT_EQ(PrintLineHeight(-10, 2), 0);
  EXPECT_EQ(PrintLineHeight(INT32_MAX, 1), 0);  // would wrap into a negative height
}

TEST(PrintLayout, LinesPerPageLeaveTheFirstLineEmpty) {
  EXPECT_EQ(PrintLinesPerPage(3300, 50), 65);
  EXPECT_EQ(PrintLinesPerPage(100, 20), 4);
  EXPECT_EQ(PrintLinesPerPage(119, 20), 4);  // integer division, then one less
  EXPECT_EQ(PrintLinesPerPage(120, 20), 5);
}

TEST(PrintLayout, APageHoldsAtLeastOneLineAndNoHeightHoldsNone) {
  EXPECT_EQ(PrintLinesPerPage(30, 20), 1);
  EXPECT_EQ(PrintLinesPerPage(0, 20), 1);
  EXPECT_EQ(PrintLinesPerPage(3300, 0), 0);
  EXPECT_EQ(PrintLinesPerPage(3300, -5), 0);
}

TEST(PrintLayout, PagesBreakAfterEveryFullPage) {
  const int32_t per_page = 4;
  for (uint32_t line = 0; line < 13; ++line) {
    EXPECT_EQ(PrintPageBreakBefore(line, per_page), line == 4 || line == 8 || line == 12) << line;
  }
  EXPECT_FALSE(PrintPageBreakBefore(0, 1));
  EXPECT_TRUE(PrintPageBreakBefore(1, 1));
  EXPECT_FALSE(PrintPageBreakBefore(5, 0));
}

TEST(PrintLayout, LinesStartOneLineHeightDownOnEveryPage) {
  EXPECT_EQ(PrintLineY(0, 4, 20), 20);
  EXPECT_EQ(PrintLineY(3, 4, 20), 80);
  EXPECT_EQ(PrintLineY(4, 4, 20), 20);  // the first line of page 2
  EXPECT_EQ(PrintLineY(9, 4, 20), 40);
  EXPECT_EQ(PrintLineY(7, 1, 20), 20);
  EXPECT_EQ(PrintLineY(7, 0, 20), 0);
}

TEST(PrintLayout, LinesAreCutTo127Characters) {
  EXPECT_EQ(PrintLineLength(0), 0);
  EXPECT_EQ(PrintLineLength(-1), 0);
  EXPECT_EQ(PrintLineLength(60), 60);
  EXPECT_EQ(PrintLineLength(127), 127);
  EXPECT_EQ(PrintLineLength(128), 127);
  EXPECT_EQ(PrintLineLength(100000), 127);
}

}  // namespace

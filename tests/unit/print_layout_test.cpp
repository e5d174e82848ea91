// The page arithmetic of the printed guide: line height, lines per page, page breaks, line
// positions, tabs and paragraphs, and the cut of long lines, on ordinary and degenerate printers.
#include "ui/print_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// Tabs become blanks up to the next multiple of 8 columns, counted from each line's start; the
// paragraphs end at CR LF, LF or CR, and the text after the last break is one more paragraph.
TEST(PrintLayout, TabsExpandToEveryEighthColumnAndParagraphsEndAtLineBreaks) {
  struct Case {
    const char* text;
    const char* expanded;
  };
  for (const Case& c : {Case{"", ""}, Case{"\t", "        "}, Case{"ab\tc", "ab      c"},
                        Case{"1234567\t8", "1234567 8"}, Case{"12345678\t9", "12345678        9"},
                        Case{"a\t\tb", "a               b"}, Case{"xy\r\n\tz", "xy\r\n        z"},
                        Case{"a\nbc\t|", "a\nbc      |"}, Case{"no tabs", "no tabs"}}) {
    SCOPED_TRACE(c.text);
    ASSERT_EQ(PrintExpandedLength(c.text), strlen(c.expanded));
    std::string out(strlen(c.expanded) + 1, '#');
    PrintExpandTabs(c.text, &out[0]);
    EXPECT_EQ(std::string(out.c_str()), c.expanded);
  }
  struct Split {
    const char* text;
    std::vector<std::string> paragraphs;
  };
  for (const Split& c : {Split{"", {""}}, Split{"one", {"one"}}, Split{"a\r\nb", {"a", "b"}},
                         Split{"a\nb\rc", {"a", "b", "c"}}, Split{"a\r\n", {"a", ""}},
                         Split{"\r\n\r\n", {"", "", ""}}, Split{"a\n\rb", {"a", "", "b"}}}) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> found;
    int next = 0;
    for (const char* at = c.text; next >= 0; at += next) {
      int length = PrintParagraph(at, &next);
      found.push_back(std::string(at, length));
      ASSERT_LE(found.size(), 8u);
    }
    EXPECT_EQ(found, c.paragraphs);
  }
}

// Fixed-pitch (context: the width of every character) and proportional (5 to 11 by character)
// fonts for the row cut.
int32_t FixedPitch(void* context, const char*, int count) {
  return count * *static_cast<int32_t*>(context);
}

int32_t Proportional(void*, const char* text, int count) {
  int32_t width = 0;
  for (int i = 0; i < count; ++i) width += 5 + static_cast<unsigned char>(text[i]) % 7;
  return width;
}

// Random lines of words and blanks, every width, both fonts: each row fits (or is a single
// character), ends at a blank when one lets it, drops only blanks, and the rows together are the
// whole line.
TEST(PrintLayout, RowsFitThePrintableWidthAndKeepEveryCharacter) {
  std::mt19937 random(7);
  int32_t pitch = 7;
  for (int round = 0; round < 400; ++round) {
    std::string line;
    int length = static_cast<int>(random() % 128);
    for (int i = 0; i < length; ++i) {
      line += random() % 5 == 0 ? ' ' : static_cast<char>('a' + random() % 26);
    }
    int32_t width = static_cast<int32_t>(random() % 300);
    PrintMeasure measure = round % 2 == 0 ? FixedPitch : Proportional;
    void* context = &pitch;
    int start = 0;
    int rows = 0;
    do {
      const char* text = line.c_str() + start;
      int rest = length - start;
      int shown = -1;
      int next = -1;
      PrintRowCut(text, rest, width, measure, context, &shown, &next);
      ASSERT_LE(shown, next) << line;
      ASSERT_LE(next, rest);
      for (int i = shown; i < next; ++i) ASSERT_EQ(text[i], ' ') << line << " " << width;
      if (rest > 0) {
        ASSERT_GE(shown, 1) << line << " " << width;
      }
      if (width <= 0 || measure(context, text, rest) <= width) {
        ASSERT_EQ(shown, rest);
      } else {
        ASSERT_TRUE(shown == 1 || measure(context, text, shown) <= width) << line << " " << width;
        int fit = shown;
        while (fit < rest && measure(context, text, fit + 1) <= width) ++fit;
        if (next == shown && text[shown] != ' ') {
          // Cut inside a word: no blank after a word among the characters that fit.
          for (int i = 1; i <= fit && i < rest; ++i) {
            ASSERT_FALSE(text[i] == ' ' && text[i - 1] != ' ') << line << " " << width;
          }
        } else {
          // Cut at a blank: the last one after a word among the characters that fit.
          for (int i = next + 1; i <= fit && i < rest; ++i) {
            ASSERT_FALSE(text[i] == ' ' && text[i - 1] != ' ') << line << " " << width;
          }
        }
      }
      start += next;
      ASSERT_LE(++rows, 128);
    } while (start < length);
  }
}

}  // namespace

// The bounded wsprintfA-style formatter: conversions, flags, 32-bit "l", cutting.
#include <gtest/gtest.h>

#include <string>

#include "platform/format.h"

namespace {

std::string Format(const char* format, ...) {
  char out[512];
  va_list args;
  va_start(args, format);
  int length = FormatTextV(out, sizeof out, format, args);
  va_end(args);
  EXPECT_EQ(length, static_cast<int>(std::string(out).size()));
  return out;
}

TEST(FormatText, ConversionsAsWsprintf) {
  EXPECT_EQ(Format("Fatal error #%u", 1021u), "Fatal error #1021");
  EXPECT_EQ(Format("%d|%i|%d", -5, 42, 0), "-5|42|0");
  EXPECT_EQ(Format("%lu %ld", 4294967295u, -2147483647 - 1), "4294967295 -2147483648");
  EXPECT_EQ(Format("%x %X %#x %#X", 0xbeefu, 0xbeefu, 255u, 255u), "beef BEEF 0xff 0XFF");
  EXPECT_EQ(Format("build %0X", 0x82u), "build 82");
  EXPECT_EQ(Format("Drive %c: x", 'C'), "Drive C: x");
  EXPECT_EQ(Format("%s -> %s", "A", "B"), "A -> B");
  EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%hu %hd", 0x12345u, 0xFFFF), "9029 -1");
  EXPECT_EQ(Format("%q"), "q");
  EXPECT_EQ(Format("trailing %"), "trailing ");
}

TEST(FormatText, WidthPrecisionAndFlags) {
  EXPECT_EQ(Format("[%5d][%-5d][%05d][%03u]", 42, 42, -42, 7u), "[   42][42   ][-0042][007]");
  EXPECT_EQ(Format("\\%03u", 9u), "\\009");
  EXPECT_EQ(Format("[%.3s][%6s][%-4s]", "abcdef", "ab", "ab"), "[abc][    ab][ab  ]");
  EXPECT_EQ(Format("[%.4u][%08X]", 12u, 0xABCu), "[0012][00000ABC]");
  EXPECT_EQ(Format("[%05s]", "ab"), "[   ab]");
}

TEST(FormatText, CutsAtTheBufferAndNeverOverruns) {
  char out[8];
  memset(out, 'x', sizeof out);
  EXPECT_EQ(FormatText(out, 6, "%s and more", "long text"), 5);
  EXPECT_STREQ(out, "long ");
  EXPECT_EQ(out[6], 'x');

  char big[600];
  std::string long_text(700, 'a');
  EXPECT_EQ(FormatText(big, 512, "%s", long_text.c_str()), 511);
  EXPECT_EQ(std::string(big), std::string(511, 'a'));
  EXPECT_EQ(FormatText(big, 512, "%1000d", 5), 511);

  EXPECT_EQ(FormatText(out, 1, "abc"), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(FormatText(out, sizeof out, nullptr), -1);
  EXPECT_STREQ(out, "");
}

}  // namespace

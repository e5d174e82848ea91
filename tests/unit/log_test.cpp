// The update log: escaping, the buffer's growth and flushes, crash mode and the file chosen.
#include <gtest/gtest.h>

#include <string>

#include "services/setup_state.h"
#include "services/update_log.h"
#include "tests/support/setup_test.h"

namespace {

class LogTest : public SetupTest {
 protected:
  void UseDestination() {
    PutFile("C:\\VELNET\\VNT.EXE", "x");
    strcpy(g_setup.dest_dir, "C:\\VELNET");
  }
};

std::string Escaped(const std::string& text) {
  char out[1536];
  EscapeLogText(text.c_str(), out, sizeof out);
  return out;
}

TEST(LogEscaping, EveryByteClass) {
  EXPECT_EQ(Escaped("plain ~ text \\ here"), "plain ~ text \\ here");
  EXPECT_EQ(Escaped("one\ntwo\rthree"), "one\\ntwo\\rthree");
  EXPECT_EQ(Escaped("tab\there"), "tab\\009here");
  EXPECT_EQ(Escaped("\xE9t\xE9"), "\\233t\\233");
  EXPECT_EQ(Escaped("\x7F\x01\x1F\xFF"), "\\127\\001\\031\\255");
}

TEST(LogEscaping, NeverSplitsAnEscapeWhenCut) {
  char out[8];
  EXPECT_EQ(EscapeLogText("ab\tcd", out, sizeof out), 7u);
  EXPECT_STREQ(out, "ab\\009c");
  EXPECT_EQ(EscapeLogText("abcd\t", out, 8), 4u);  // "\009" would need 4 more and the NUL
  EXPECT_STREQ(out, "abcd");
}

TEST_F(LogTest, LinesGoToDestinationWithCrLf) {
  UseDestination();
  LogLine("Opt: Install file = %s", "C:\\X\\SETUP.EX_");
  LogLine("Message with\nline feed");
  FlushLog();
  EXPECT_EQ(GetFile("C:\\VELNET\\UPDATE.LOG"),
            "Opt: Install file = C:\\X\\SETUP.EX_\r\nMessage with\\nline feed\r\n");
  EXPECT_FALSE(Exists("C:\\update.log"));
  EXPECT_EQ(g_setup.log_buffer, nullptr);
  EXPECT_EQ(g_setup.log_written, 1);
}

TEST_F(LogTest, FatalErrorSendsTheLogToDriveCOnly) {
  UseDestination();
  LogLine("Fatal error #%u", 5u);
  g_setup.error_number = 5;
  FlushLog();
  EXPECT_EQ(GetFile("C:\\update.log"), "Fatal error #5\r\n");
  EXPECT_FALSE(Exists("C:\\VELNET\\update.log"));
}

TEST_F(LogTest, NoDestinationAndNoErrorWritesNothing) {
  LogLine("Peak handles = %u", 3u);
  FlushLog();
  EXPECT_FALSE(Exists("C:\\update.log"));
  strcpy(g_setup.dest_dir, "C:\\MISSING");
  LogLine("again");
  FlushLog();
  EXPECT_FALSE(Exists("C:\\MISSING\\update.log"));
  EXPECT_EQ(g_setup.log_written, 1);
}

TEST_F(LogTest, FirstWriteStartsAfreshLaterWritesAppend) {
  UseDestination();
  PutFile("C:\\VELNET\\update.log", "old run's text\r\n");
  LogLine("first");
  FlushLog();
  LogLine("second");
  FlushLog();
  EXPECT_EQ(GetFile("C:\\VELNET\\update.log"), "first\r\nsecond\r\n");
}

TEST_F(LogTest, BufferGrowsInStepsOf4000) {
  UseDestination();
  std::string text(98, 'a');  // 100 bytes a line with CR LF
  for (int i = 0; i < 39; ++i) LogLine("%s", text.c_str());
  EXPECT_EQ(g_setup.log_capacity, 4000);
  EXPECT_EQ(g_setup.log_used, 3900);
  LogLine("%s", text.c_str());  // 4000 bytes: no room for the NUL, so the buffer grows
  EXPECT_EQ(g_setup.log_capacity, 8000);
  EXPECT_EQ(g_setup.log_used, 4000);
  EXPECT_EQ(strlen(g_setup.log_buffer), 4000u);
}

TEST_F(LogTest, LongRunIsWrittenIn64000BytePiecesWithNothingButLogText) {
  UseDestination();
  std::string expected;
  std::string text(498, 'b');
  for (int i = 0; i < 300; ++i) {
    std::string line = std::to_string(i) + text.substr(std::to_string(i).size());
    LogLine("%s", line.c_str());
    expected += line + "\r\n";
    EXPECT_LT(g_setup.log_used, 64000);
  }
  EXPECT_TRUE(Exists("C:\\VELNET\\update.log"));  // the first pieces are out already
  FlushLog();
  EXPECT_EQ(GetFile("C:\\VELNET\\update.log"), expected);
}

TEST_F(LogTest, LongMessagesAreCutNotOverrun) {
  UseDestination();
  std::string text(600, 'c');
  LogLine("%s", text.c_str());
  std::string tabs(600, '\t');
  LogLine("%s", tabs.c_str());
  FlushLog();
  std::string log = GetFile("C:\\VELNET\\update.log");
  std::string expected = std::string(511, 'c') + "\r\n";
  for (int i = 0; i < 383; ++i) expected += "\\009";  // 1532 characters of whole escapes
  expected += "\r\n";
  EXPECT_EQ(log, expected);
}

TEST_F(LogTest, CrashModeWritesEveryLineAtOnce) {
  PutFile("C:\\update.log", "stale text from an earlier run\r\n");
  g_setup.crash_mode = 1;
  LogLine("Opt: Crash mode");
  EXPECT_EQ(GetFile("C:\\update.log"), "Opt: Crash mode\r\n");
  LogLine("Installing files");
  EXPECT_EQ(GetFile("C:\\update.log"), "Opt: Crash mode\r\nInstalling files\r\n");
  EXPECT_EQ(g_setup.log_buffer, nullptr);
  FlushLog();
  EXPECT_EQ(g_setup.log_handle, kPlatNoFile);
  EXPECT_EQ(g_setup.log_written, 0);
  EXPECT_EQ(GetFile("C:\\update.log"), "Opt: Crash mode\r\nInstalling files\r\n");
}

// Whichever reopen fails, once or for a while, the file keeps every line written before it.
TEST_F(LogTest, CrashModeReopenThatFailsNeverWipesTheLinesBefore) {
  for (uint32_t nth = 2; nth <= 6; ++nth) {
    for (int persistent = 0; persistent <= 1; ++persistent) {
      ResetSetupState();
      PutFile("C:\\update.log", "stale text from an earlier run\r\n");
      HostFaultClear();
      HostFaultAdd({kFaultCannotOpen, nth, persistent, "update.log"});
      g_setup.crash_mode = 1;
      std::string written;
      for (int line = 1; line <= 6; ++line) {
        if (persistent && line == 5) HostFaultClear();
        std::string text = "Line " + std::to_string(line);
        LogLine("%s", text.c_str());
        std::string file = GetFile("C:\\update.log");
        if (file.size() > written.size()) written += text + "\r\n";
        ASSERT_EQ(file, written) << "open " << nth << " persistent " << persistent;
      }
      EXPECT_EQ(written.find("Line 1\r\n"), 0u);
      EXPECT_NE(written.find("Line 6\r\n"), std::string::npos);
      FlushLog();
    }
  }
}

TEST_F(LogTest, BadFormatRecordsNothing) {
  UseDestination();
  LogLine(nullptr);
  EXPECT_EQ(g_setup.log_buffer, nullptr);
}

}  // namespace

// Message boxes (styles, beeps, answers), the fatal-error report and AllocBlock's counters,
// retry and fatal exit.
#include <gtest/gtest.h>

#include <string>

#include "platform/host/host_machine.h"
#include "services/errors.h"
#include "services/fatal_report.h"
#include "services/memory.h"
#include "services/setup_state.h"
#include "tests/support/setup_test.h"

namespace {

class ErrorsTest : public SetupTest {
 protected:
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
};

TEST_F(ErrorsTest, BoxesCarryTheirStylesBeepsAndCaption) {
  SetAnswers("box OK\nbox RETRY\nbox YES\n");
  EXPECT_EQ(ShowError("Disk %c is full", 'C'), 1);
  EXPECT_EQ(AskRetryCancel("again?"), 1);
  EXPECT_EQ(AskYesNo("sure?"), 1);
  std::string transcript = Transcript();
  EXPECT_NE(transcript.find("0x2010"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find("0x2015"), std::string::npos);
  EXPECT_NE(transcript.find("0x2024"), std::string::npos);
  EXPECT_NE(transcript.find("Disk C is full"), std::string::npos);
  EXPECT_NE(transcript.find("beep 0x30"), std::string::npos);
  EXPECT_NE(transcript.find("beep 0x20"), std::string::npos);
  EXPECT_NE(transcript.find("\"Setup\""), std::string::npos);
}

TEST_F(ErrorsTest, AnythingButRetryOrYesIsCancelOrNo) {
  SetAnswers("box CANCEL\nbox ABORT\nbox NO\nbox OK\n");
  EXPECT_EQ(AskRetryCancel("a"), 0);
  EXPECT_EQ(AskRetryCancel("b"), 0);
  EXPECT_EQ(AskYesNo("c"), 0);
  EXPECT_EQ(AskYesNo("d"), 0);
  EXPECT_EQ(AskRetryCancel("unanswered"), 0);  // no script left: the default is Cancel
}

TEST_F(ErrorsTest, BadFormatShowsNoBox) {
  EXPECT_EQ(ShowError(nullptr), 0);
  EXPECT_EQ(AskYesNo(nullptr), 0);
  EXPECT_FALSE(Recorded("beep"));
}

TEST_F(ErrorsTest, FixedQuestionsAndTheFatalReport) {
  SetAnswers("box RETRY\nbox CANCEL\nbox OK\n");
  EXPECT_EQ(AskMoreDiskSpace(), 1);
  EXPECT_EQ(AskMoreMemory(), 0);
  EXPECT_TRUE(
      Recorded("Setup needs more disk space.\\n\\nPlease make more space available and "
               "select 'Retry' below."));
  EXPECT_TRUE(
      Recorded("There isn't enough memory available to continue.\\n\\nClose one or more "
               "applications and select 'Retry' below."));

  g_setup.error_number = 1000 + 39;
  ReportFatalError();
  EXPECT_TRUE(
      Recorded("An error (#1039) has occurred, and Setup is unable to continue.\\n\\n"
               "This problem could be caused by a corrupted copy of the Setup program or "
               "by a bad disk.  It might be helpful to reset your system and try again.  "
               "If the problem persists, please contact Velnet Customer Relations at "
               "1-800-555-0142 for assistance."));
  FlushLog();
  EXPECT_EQ(GetFile("C:\\update.log"), "Fatal error #1039\r\n");
}

TEST_F(ErrorsTest, NoReportWithoutAnError) {
  ReportFatalError();
  EXPECT_EQ(g_setup.log_buffer, nullptr);
  EXPECT_FALSE(Recorded("An error"));
}

TEST_F(ErrorsTest, FirstErrorNumberStays) {
  EXPECT_EQ(FailWith(kErrorSignature), 0);
  FailWith(kErrorHeaderField);
  EXPECT_EQ(g_setup.error_number, kErrorSignature);
}

TEST_F(ErrorsTest, BlocksAreZeroedAndCounted) {
  uint8_t* a = static_cast<uint8_t*>(AllocBlock(100));
  void* b = AllocBlock(0);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(a[i], 0);
  EXPECT_EQ(g_setup.live_blocks, 2);
  FreeBlock(a);
  void* c = AllocBlock(10);
  EXPECT_EQ(g_setup.peak_blocks, 2);
  FreeBlock(b);
  FreeBlock(c);
  EXPECT_EQ(g_setup.live_blocks, 0);
  EXPECT_EQ(g_setup.peak_blocks, 2);
}

TEST_F(ErrorsTest, MemoryShortageAsksUntilTheUserStopsRetrying) {
  SetAnswers("box RETRY\nbox RETRY\n");
  HostFaultAdd({kFaultAllocFails, 1, 0, nullptr});
  HostFaultAdd({kFaultAllocFails, 2, 0, nullptr});
  void* block = AllocBlock(64);
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(HostFaultCalls(kFaultAllocFails), 3u);
  EXPECT_TRUE(Recorded("There isn't enough memory available to continue."));
  FreeBlock(block);
}

TEST_F(ErrorsTest, DeclinedMemoryRetryEndsTheProgram) {
  SetAnswers("box CANCEL\n");
  HostFaultAdd({kFaultAllocFails, 1, 1, nullptr});
  EXPECT_EXIT(AllocBlock(64), ::testing::ExitedWithCode(65), "Setup cannot continue.");
}

}  // namespace

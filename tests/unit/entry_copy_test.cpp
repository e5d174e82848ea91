// Entry copying: blocks of 32,768 bytes (counted through the writes the machine sees), the
// disk-full retry of WriteBlock through the fault plan, and errors 7, 8 and 9.
#include <gtest/gtest.h>

#include <string>

#include "payload/entry_copy.h"
#include "payload/payload_reader.h"
#include "services/errors.h"
#include "services/file_writing.h"
#include "services/setup_state.h"
#include "tests/support/archive_tools.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"
#include "ui/confirmations.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/dialog_procs.h"
#include "ui/gauge.h"

namespace {

class EntryCopyTest : public SetupTest {
 protected:
  // Opens a payload holding the given data blocks as entries E0, E1, ...
  void OpenWith(const std::vector<std::string>& blocks) {
    PayloadLayout layout;
    for (size_t i = 0; i < blocks.size(); ++i) {
      layout.files.push_back(
          {"E" + std::to_string(i), blocks[i], static_cast<uint32_t>(blocks[i].size())});
    }
    UsePayloadFile(BuildPayload(layout));
    ASSERT_EQ(OpenPayload(), 1);
    ASSERT_EQ(ReadPayloadHeader(), 1);
  }

  // Copies entry index into C:\OUT.BIN and returns CopyEntryData's result.
  int CopyTo(uint16_t index) {
    PlatFile out = PlatCreateFile("C:\\OUT.BIN");
    EXPECT_NE(out, kPlatNoFile);
    int result = CopyEntryData(out, *g_payload.entries[index]);
    PlatCloseFile(out);
    return result;
  }

  void ArmDiskFull(uint32_t nth) {
    HostFault fault = {kFaultDiskFull, nth, 0, "OUT.BIN"};
    ASSERT_EQ(HostFaultAdd(fault), 1);
  }
};

TEST_F(EntryCopyTest, CopiesWholeBlocksThenTheRemainder) {
  const std::string sizes[] = {"", MixedData(32768, 1), MixedData(65536, 2), MixedData(32769, 3),
                               MixedData(100, 4)};
  OpenWith({sizes[0], sizes[1], sizes[2], sizes[3], sizes[4]});
  const uint32_t writes[] = {0, 1, 2, 2, 1};
  for (uint16_t i = 0; i < 5; ++i) {
    HostFaultClear();
    ASSERT_EQ(CopyTo(i), 1) << "entry " << i;
    EXPECT_EQ(HostFaultCalls(kFaultDiskFull), writes[i]) << "writes of entry " << i;
    EXPECT_EQ(GetFile("C:\\OUT.BIN"), sizes[i]) << "entry " << i;
  }
  EXPECT_EQ(g_setup.error_number, 0);
}

// The gauge shows where the block that was just written began: (base + copied before) / divisor.
TEST_F(EntryCopyTest, TheGaugeFollowsEachBlock) {
  ASSERT_TRUE(RegisterGaugeClass());
  OpenWith({MixedData(70000, 8)});
  const struct {
    uint32_t base, divisor;
    const char* shown;
  } cases[] = {
      {0, 1, "gauge=65536/200000"}, {1000, 10, "gauge=6653/200000"}, {0, 0, "gauge=65536/200000"}};
  for (const auto& c : cases) {
    PlatWindow progress = OpenModelessDialog(kDialogUpdateProgress, ProgressDialogProc);
    ASSERT_NE(progress, nullptr);
    SendGaugeRange(progress, 200000);
    PlatFile out = PlatCreateFile("C:\\OUT.BIN");
    EXPECT_EQ(CopyEntryDataWithProgress(out, *g_payload.entries[0], progress, c.base, c.divisor),
              1);
    PlatCloseFile(out);
    EXPECT_TRUE(CloseModelessDialog(kDialogUpdateProgress));
    EXPECT_NE(Transcript().find(std::string("dialog-close 200 ") + c.shown), std::string::npos)
        << c.shown << "\n"
        << Transcript();
  }
}

TEST_F(EntryCopyTest, RetryWritesTheSameBlockAtTheSamePosition) {
  std::string data = MixedData(80000, 5);
  SetAnswers("box RETRY\n");  // before the payload is opened: answering reopens the machine
  OpenWith({data});
  snprintf(g_setup.disk_full_program, kDiskFullProgramCapacity, "%s", "CLEANUP.EXE");
  ArmDiskFull(2);
  ASSERT_EQ(CopyTo(0), 1);
  EXPECT_EQ(GetFile("C:\\OUT.BIN"), data);
  EXPECT_EQ(HostFaultCalls(kFaultDiskFull), 4u);  // three blocks, the second written twice
  EXPECT_NE(Transcript().find("answer=RETRY"), std::string::npos);
  EXPECT_NE(Transcript().find("Setup needs more disk space."), std::string::npos);
  EXPECT_EQ(g_setup.install_stopped, 0);
  EXPECT_EQ(g_setup.offer_disk_full_program, 0);
  EXPECT_EQ(g_setup.error_number, 0);
}

TEST_F(EntryCopyTest, CancelStopsTheInstallationWithError9) {
  SetAnswers("box RETRY\nbox CANCEL\n");
  OpenWith({MixedData(40000, 6)});
  HostFault fault = {kFaultDiskFull, 1, 1, "OUT.BIN"};
  ASSERT_EQ(HostFaultAdd(fault), 1);
  EXPECT_EQ(CopyTo(0), 0);
  EXPECT_EQ(g_setup.error_number, kErrorMemberWrite);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_EQ(g_setup.offer_disk_full_program, 0);  // the payload names no disk-full program
}

// Cancel clicked while a large entry is copied: confirmed, the copy stops after the block in
// hand (no error of its own, the run's stop decides); declined, the copy goes on to the end.
TEST_F(EntryCopyTest, CancelDuringALargeEntryIsAnsweredAtTheNextBlock) {
  SetAnswers("box NO\nbox YES\n");
  ASSERT_TRUE(RegisterGaugeClass());
  const std::string data = MixedData(40 * 32768 + 5, 9);
  OpenWith({data});
  for (int confirmed = 0; confirmed < 2; ++confirmed) {
    PlatWindow progress = OpenModelessDialog(kDialogUpdateProgress, ProgressDialogProc);
    ASSERT_NE(progress, nullptr);
    HostPostMessage(progress, kWmCommand, kButtonCancel, 0);
    PlatFile out = PlatCreateFile("C:\\OUT.BIN");
    int copied = CopyEntryDataWithProgress(out, *g_payload.entries[0], progress, 0, 1);
    PlatCloseFile(out);
    EXPECT_TRUE(CloseModelessDialog(kDialogUpdateProgress));
    EXPECT_EQ(copied, !confirmed) << "confirmed " << confirmed;
    EXPECT_EQ(g_setup.install_stopped, confirmed);
    EXPECT_EQ(g_setup.error_number, 0);
    EXPECT_EQ(GetFile("C:\\OUT.BIN"), confirmed ? data.substr(0, 32768) : data);
  }
}

TEST_F(EntryCopyTest, CancelOffersTheDiskFullProgramWhenThereIsOne) {
  SetAnswers("box CANCEL\n");
  OpenWith({MixedData(100, 7)});
  snprintf(g_setup.disk_full_program, kDiskFullProgramCapacity, "%s", "CLEANUP.EXE");
  ArmDiskFull(1);
  EXPECT_EQ(CopyTo(0), 0);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_EQ(g_setup.offer_disk_full_program, 1);
}

TEST_F(EntryCopyTest, WriteBlockOfNothingWritesNothing) {
  PlatFile out = PlatCreateFile("C:\\OUT.BIN");
  HostFaultClear();
  EXPECT_EQ(WriteBlock(out, "", 0), 1);
  EXPECT_EQ(HostFaultCalls(kFaultDiskFull), 0u);
  PlatCloseFile(out);
}

TEST_F(EntryCopyTest, UnreachableOrShortDataGivesErrors7And8) {
  OpenWith({"abc"});
  PayloadEntry entry = *g_payload.entries[0];
  entry.data_offset = 0xFFFFFFFFu;
  PlatFile out = PlatCreateFile("C:\\OUT.BIN");
  EXPECT_EQ(CopyEntryData(out, entry), 0);
  EXPECT_EQ(g_setup.error_number, kErrorMemberSeek);

  g_setup.error_number = 0;
  entry = *g_payload.entries[0];
  entry.packed_size = 40000;  // runs past the end of the payload file
  EXPECT_EQ(CopyEntryData(out, entry), 0);
  EXPECT_EQ(g_setup.error_number, kErrorMemberRead);
  PlatCloseFile(out);
}

}  // namespace

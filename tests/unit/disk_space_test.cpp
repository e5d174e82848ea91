// Disk-space estimation: cluster spans, the need with IDB\MERGE.DB twice, the savings of
// existing files, the fit decision and its log lines, and the per-write room test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "payload/disk_space.h"
#include "platform/files.h"
#include "services/file_writing.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"

namespace {

TEST(ClusterSpan, WholeClustersAndOneMore) {
  EXPECT_EQ(ClusterSpan(0, 4096), 4096u);
  EXPECT_EQ(ClusterSpan(4095, 4096), 4096u);
  EXPECT_EQ(ClusterSpan(4096, 4096), 8192u);
  EXPECT_EQ(ClusterSpan(4097, 4096), 8192u);
  EXPECT_EQ(ClusterSpan(0xFFFFFFF0u, 32768), 0xFFFFFFFFu);  // held, not wrapped to 0
}

class DiskSpaceTest : public SetupTest {
 protected:
  // The C: drive has 4096-byte clusters and the given free bytes.
  void Drive(uint64_t free_bytes) {
    WriteMachineIni("[free]\nC=" + std::to_string(free_bytes) + "\nC.cluster=4096\n");
  }
  void Load(const std::vector<PayloadFile>& files, uint16_t extra_kb = 0,
            std::vector<std::string> pieces_a = {}) {
    PayloadLayout layout;
    layout.files = files;
    layout.extra_space_kb = extra_kb;
    layout.db_pieces_a = pieces_a;
    UsePayloadFile(BuildPayload(layout));
    ASSERT_TRUE(OpenPayload() && ReadPayloadHeader());
  }
  std::string Log() {
    g_setup.error_number = 1;  // sends the log to c:\update.log
    FlushLog();
    g_setup.error_number = 0;
    return GetFile("C:\\update.log");
  }
};

TEST_F(DiskSpaceTest, NeedCountsClustersMergeTwiceAndExtraSpace) {
  Load({{"A.EXE", "", 0}, {"IDB\\MERGE.DB", "", 5000}, {"B.DAT", "", 4096}}, 2);
  // 4096 + 2 x 8192 + 8192 + 2048
  EXPECT_EQ(ComputeSpaceNeeded(4096), 4096u + 16384 + 8192 + 2048);
}

TEST_F(DiskSpaceTest, SavingsCreditTheSmallerSpanAndNeverTheMainIndex) {
  Load({{"BIG.EXE", "", 100},
        {"SMALL.EXE", "", 9000},
        {"IDB\\MAIN.IDX", "", 9000},
        {"NEW.EXE", "", 10}});
  PutFile("C:\\OLD\\BIG.EXE", std::string(9000, 'b'));  // larger than its replacement
  PutFile("C:\\OLD\\SMALL.EXE", "s");                   // smaller
  PutFile("C:\\OLD\\IDB\\MAIN.IDX", std::string(9000, 'i'));
  EXPECT_EQ(ComputeExistingSavings(4096, "C:\\OLD"), 4096 + 4096);
  EXPECT_EQ(ComputeExistingSavings(4096, "C:\\NONE"), 0);
}

TEST_F(DiskSpaceTest, FitsWhenTheNetNeedIsBelowTheFreeSpace) {
  Load({{"A.EXE", "", 10000}, {"B.EXE", "", 100}});  // 12288 + 4096 = 16384
  PutFile("C:\\OLD\\B.EXE", "b");                    // credits 4096
  Drive(12289);                                      // 3 clusters: 12288 bytes free
  uint32_t need = 1;
  EXPECT_EQ(EstimateDiskSpace(2, "C:\\OLD", &need), 0);  // 12288 free, need 12288: no
  EXPECT_EQ(need, 12288u);
  Drive(16384);
  EXPECT_EQ(EstimateDiskSpace(2, "C:\\OLD", &need), 1);
  EXPECT_EQ(Log(),
            "Drive C: cluster size = 4096, free space = 12288\r\n"
            "Space needed = 16384, extra from old = 0, existing savings = 4096\r\n"
            "Total = 12288\r\n"
            "Won't fit\r\n"
            "Drive C: cluster size = 4096, free space = 16384\r\n"
            "Space needed = 16384, extra from old = 0, existing savings = 4096\r\n"
            "Total = 12288\r\n"
            "It'll fit\r\n");
}

TEST_F(DiskSpaceTest, SavingsAtLeastTheNeedLeaveTheGrossNeed) {
  Load({{"A.EXE", "", 100}});
  PutFile("C:\\OLD\\A.EXE", "a");
  Drive(1 << 20);
  uint32_t need = 0;
  EXPECT_EQ(EstimateDiskSpace(2, "C:\\OLD", &need), 1);
  EXPECT_EQ(need, 4096u);
}

TEST_F(DiskSpaceTest, MergePiecesAddFiveMegabytes) {
  Load({{"A.EXE", "", 100}}, 0, {"PIECE.DB"});
  Drive(64u << 20);
  uint32_t need = 0;
  EstimateDiskSpace(2, "C:\\OLD", &need);
  EXPECT_EQ(need, 4096u + 5242880u);
}

TEST_F(DiskSpaceTest, ReadOnlyOrUnknownDrivesNeverFit) {
  Load({{"A.EXE", "", 100}});
  uint32_t need = 7;
  EXPECT_EQ(EstimateDiskSpace(16, "Q:\\OLD", &need), 0);  // no such drive
  EXPECT_EQ(need, 0u);
  EXPECT_EQ(Log(), "Q:\\ not writable\r\n");
}

TEST_F(DiskSpaceTest, BigDisksReadAsFullestThirtyTwoBitFigure) {
  Load({{"A.EXE", "", 100}});
  Drive(5ull << 30);
  EXPECT_EQ(EstimateDiskSpace(2, "C:\\OLD", nullptr), 1);
  EXPECT_NE(Log().find("free space = 4294963200\r\n"), std::string::npos);
}

// Needs of several gigabytes, savings from big existing files (sparse on the host) and free
// space below 4 GB: the verdict is the one of the whole figures, the logged ones held.
TEST_F(DiskSpaceTest, NetNeedsPastFourGigabytesAreComparedWhole) {
  const uint64_t kGiB = 1ull << 30;
  struct Case {
    uint32_t new_a, new_b, old_a;
    uint64_t free_bytes;
  };
  const Case cases[] = {{3500u << 20, 3500u << 20, 2000u << 20, 3 * kGiB},
                        {3500u << 20, 3500u << 20, 3500u << 20, 3 * kGiB},
                        {3500u << 20, 1000u << 20, 2000u << 20, 3 * kGiB},
                        {4000u << 20, 4000u << 20, 0, 3 * kGiB},
                        {2000u << 20, 2000u << 20, 1000u << 20, 3 * kGiB + kGiB / 2},
                        {2000u << 20, 2000u << 20, 1000u << 20, 2 * kGiB}};
  for (const Case& c : cases) {
    Load({{"A.DAT", "", c.new_a}, {"B.DAT", "", c.new_b}});
    if (c.old_a != 0) {
      PutFile("C:\\OLD\\A.DAT", "a");
      ASSERT_EQ(truncate(HostPath("C:\\OLD\\A.DAT").c_str(), c.old_a), 0);
    }
    Drive(c.free_bytes);
    uint64_t gross = ClusterSpan(c.new_a, 4096) + uint64_t{ClusterSpan(c.new_b, 4096)};
    uint64_t savings =
        c.old_a == 0 ? 0 : std::min(ClusterSpan(c.old_a, 4096), ClusterSpan(c.new_a, 4096));
    uint64_t net = gross > savings ? gross - savings : gross;
    uint32_t need = 0;
    EXPECT_EQ(EstimateDiskSpace(2, "C:\\OLD", &need), net < c.free_bytes ? 1 : 0) << net;
    EXPECT_EQ(need, net > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(net));
    std::string log = Log();
    std::string needed = std::to_string(gross > 0xFFFFFFFF ? 0xFFFFFFFFu : gross);
    EXPECT_NE(log.find("Space needed = " + needed + ","), std::string::npos) << log;
    PlatDeleteFile("C:\\update.log");
    PlatDeleteFile("C:\\OLD\\A.DAT");
    ClosePayload();
    ReleasePayloadHeader();
  }
}

TEST_F(DiskSpaceTest, SingleWritesFitByWholeClusters) {
  Drive(3 * 4096);
  EXPECT_EQ(FitsOnDrive(2, 4096), 1);         // 9 sectors, 2 clusters of 3 free
  EXPECT_EQ(FitsOnDrive(2, 8192), 0);         // 17 sectors, 3 clusters
  EXPECT_EQ(FitsOnDrive(2, 0xFFFFFFFFu), 0);  // never wraps into "fits"
  EXPECT_EQ(FitsOnDrive(16, 1), 0);
}

}  // namespace

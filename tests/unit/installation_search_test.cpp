// The installation search and the candidate verdict: registry, profile and drive scan, the
// accepted builds, time stamps, pruning below installations, and the user leaving.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "database/db_format.h"
#include "integration/registry_entries.h"
#include "platform/profile.h"
#include "search/candidate_verdict.h"
#include "search/installation_search.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"
#include "tools/vntdb/database_writer.h"

namespace {

const uint32_t kEarly = (10u << 25) | (1u << 21) | (1u << 16);  // 1990-01-01
const uint32_t kLate = (20u << 25) | (1u << 21) | (1u << 16);   // 2000-01-01

class SearchTest : public SetupTest {
 protected:
  // The payload accepts these builds.
  void Accept(const std::vector<uint16_t>& builds) {
    PayloadLayout layout;
    layout.accepted_builds = builds;
    UsePayloadFile(BuildPayload(layout));
    ASSERT_TRUE(OpenPayload() && ReadPayloadHeader());
  }
  // An installation: DIZI.EXE and IDB\MAIN.IDX whose version record holds build and minor,
  // last written at dos_time (0: leave the file's own time).
  void Install(const std::string& dir, uint8_t build, uint8_t minor, uint32_t dos_time,
               bool with_version = true) {
    PutFile((dir + "\\DIZI.EXE").c_str(), "client");
    DatabaseLayout database;
    if (with_version) {
      database.records.push_back(MakeRecord(
          kGidVersion, std::string{'\0', static_cast<char>(build), static_cast<char>(minor)}));
    }
    std::string index = dir + "\\IDB\\MAIN.IDX";
    PutFile(index.c_str(), BuildDatabase(database));
    if (dos_time != 0) {
      PlatFile file = PlatOpenFile(index.c_str(), kOpenWrite);
      ASSERT_EQ(PlatSetFileDosTime(file, dos_time), 1);
      PlatCloseFile(file);
    }
  }
  std::string Log() {
    g_setup.error_number = 1;
    FlushLog();
    g_setup.error_number = 0;
    return GetFile("C:\\update.log");
  }
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
};

TEST_F(SearchTest, VerdictFollowsTheAcceptedBuilds) {
  Accept({0x81, 0x82, 0x0183});
  Install("C:\\A", 0x82, 5, kLate);
  Install("C:\\B", 0x83, 1, kLate);
  Install("C:\\C", 0x83, 2, kLate);
  Install("C:\\D", 0, 0, kLate, false);
  EXPECT_TRUE(JudgeBuild("C:\\A\\IDB\\MAIN.IDX"));
  EXPECT_TRUE(JudgeBuild("C:\\B\\IDB\\MAIN.IDX"));
  EXPECT_FALSE(JudgeBuild("C:\\C\\IDB\\MAIN.IDX"));
  EXPECT_FALSE(JudgeBuild("C:\\D\\IDB\\MAIN.IDX"));
  std::string log = Log();
  EXPECT_TRUE(Has(log, "IAB:Verdict for C:\\A\\IDB\\MAIN.IDX (build 82) = yes\r\n")) << log;
  EXPECT_TRUE(Has(log, "IAB:Verdict for C:\\C\\IDB\\MAIN.IDX (build 83) = no\r\n"));
  EXPECT_TRUE(Has(log, "IAB:Verdict for C:\\D\\IDB\\MAIN.IDX (build 0) = no\r\n"));
}

TEST_F(SearchTest, MissingVersionIsBuildZeroAndReadOnlyDatabasesFail) {
  Accept({0});
  Install("C:\\D", 0, 0, kLate, false);
  EXPECT_TRUE(JudgeBuild("C:\\D\\IDB\\MAIN.IDX"));
  ASSERT_EQ(PlatSetFileAttributes("C:\\D\\IDB\\MAIN.IDX", kAttrReadOnly), 1);
  EXPECT_FALSE(JudgeBuild("C:\\D\\IDB\\MAIN.IDX"));
  EXPECT_TRUE(Has(Log(), "IAB:DBO failed on C:\\D\\IDB\\MAIN.IDX\r\n"));
}

TEST_F(SearchTest, CandidatesWithoutATimeAreFoundButNotJudged) {
  Accept({0x82});
  Install("C:\\A", 0x82, 0, kLate);
  HostFaultAdd({kFaultInUse, 1, 1, "MAIN.IDX"});  // the client has it open
  EXPECT_TRUE(CheckCandidate("C:\\A"));
  EXPECT_FALSE(CheckChosenDirectory("C:\\A"));
  EXPECT_FALSE(CheckCandidate("C:\\NONE"));
  EXPECT_FALSE(Has(Log(), "CFA:"));
}

TEST_F(SearchTest, RegistryInstallationWinsWithoutLookingFurther) {
  Accept({0x82});
  Install("C:\\REG", 0x82, 0, kEarly);
  Install("C:\\NEWER", 0x82, 0, kLate);
  ASSERT_EQ(RegWriteString(kRegLocalMachine, kVelnetKey, kAppPathValue, "C:\\REG"), 0u);
  char found[kStatePath];
  ASSERT_TRUE(FindInstallation(found));
  EXPECT_STREQ(found, "C:\\REG");
  std::string log = Log();
  EXPECT_TRUE(Has(log, "AppPath = C:\\REG\r\n")) << log;
  EXPECT_FALSE(Has(log, "C:\\NEWER"));
  EXPECT_TRUE(Has(log, "Most recent = C:\\REG\r\n"));
}

TEST_F(SearchTest, RejectedRegistryInstallationLeadsToTheDriveScanNotTheProfile) {
  Accept({0x82});
  Install("C:\\OLD", 0x40, 0, kLate);
  Install("C:\\PROFILE", 0x82, 0, kLate);
  Install("C:\\APPS\\VELNET", 0x82, 0, kEarly);
  ASSERT_EQ(RegWriteString(kRegLocalMachine, kVelnetKey, kAppPathValue, "C:\\OLD"), 0u);
  ASSERT_EQ(PlatWriteProfileString("DIZI", "AppPath", "C:\\PROFILE"), 1);
  char found[kStatePath];
  ASSERT_TRUE(FindInstallation(found));
  EXPECT_STREQ(found, "C:\\PROFILE");  // found by the scan: the newest accepted
  EXPECT_EQ(Log().find("AppPath = C:\\PROFILE"), std::string::npos);
}

TEST_F(SearchTest, ProfileInstallationWithoutRegistryValue) {
  Accept({0x82});
  Install("C:\\PROFILE", 0x82, 0, kEarly);
  Install("C:\\NEWER", 0x82, 0, kLate);
  ASSERT_EQ(PlatWriteProfileString("DIZI", "AppPath", "C:\\PROFILE"), 1);
  char found[kStatePath];
  ASSERT_TRUE(FindInstallation(found));
  EXPECT_STREQ(found, "C:\\PROFILE");
}

TEST_F(SearchTest, ScanPrunesBelowDatabasesAndSkipsDotFolders) {
  Accept({0x82});
  Install("C:\\A", 0x40, 0, kEarly);  // not accepted: nothing below it is searched
  Install("C:\\A\\INNER", 0x82, 0, kLate);
  PutFile("C:\\B\\DIZI.EXE", "no database: go deeper");
  Install("C:\\B\\DEEPER", 0x82, 0, kEarly);
  Install("C:\\.HIDDEN", 0x82, 0, kLate);
  char found[kStatePath];
  ASSERT_TRUE(FindInstallation(found));
  EXPECT_STREQ(found, "C:\\B\\DEEPER");
}

// The one enumeration of a directory finds the program file in any letters and leads into deep
// and wide trees; a folder named like the program file makes a candidate too, whose folders
// are searched when it has no database.
TEST_F(SearchTest, ScanFindsTheProgramFileInAnyLettersThroughDeepAndWideTrees) {
  Accept({0x82});
  std::string deep = "C:\\TREE";
  for (int level = 0; level < 12; ++level) deep += "\\Level" + std::to_string(level);
  Install(deep, 0x82, 0, kEarly);
  for (int wide = 0; wide < 300; ++wide) {
    PutFile(("C:\\WIDE\\Folder" + std::to_string(wide) + "\\file.dat").c_str(), "x");
  }
  Install("C:\\WIDE\\Folder299", 0x82, 0, kLate + 1);
  ASSERT_EQ(rename(HostPath("C:\\WIDE\\Folder299\\DIZI.EXE").c_str(),
                   (root_ + "/C/WIDE/Folder299/dizi.exe").c_str()),
            0);
  HostForgetListings();
  PutFile("C:\\ZDIR\\Dizi.Exe\\inside", "a folder of that name");
  Install("C:\\ZDIR\\X", 0x82, 0, kLate);
  char found[kStatePath];
  ASSERT_TRUE(FindInstallation(found));
  EXPECT_STREQ(found, "C:\\WIDE\\Folder299");
}

TEST_F(SearchTest, EqualTimesKeepTheFirstFound) {
  Accept({0x82});
  Install("C:\\FIRST", 0x82, 0, kLate);
  Install("C:\\SECOND", 0x82, 0, kLate);
  char found[kStatePath];
  ASSERT_TRUE(FindInstallation(found));
  EXPECT_STREQ(found, "C:\\FIRST");
}

TEST_F(SearchTest, OnlyFixedDrivesAreScanned) {
  WriteMachineIni("[drives]\nD=cdrom\n");
  Accept({0x82});
  Install("D:\\VELNET", 0x82, 0, kLate);
  char found[kStatePath] = "untouched";
  EXPECT_FALSE(FindInstallation(found));
  EXPECT_STREQ(found, "");
  EXPECT_TRUE(Has(Log(), "No previous ver found\r\n"));
}

TEST_F(SearchTest, LeavingTheSearchGivesUpEvenAfterAFind) {
  SetAnswers("dialog 202 403\ndialog 205 403\n");
  Accept({0x82});
  Install("C:\\A", 0x82, 0, kLate);
  char found[kStatePath];
  EXPECT_FALSE(FindInstallation(found));
  EXPECT_EQ(g_setup.setup_aborted, 1);
  std::string log = Log();
  EXPECT_TRUE(Has(log, "User exit\r\n")) << log;
  EXPECT_TRUE(Has(log, "User aborted disk search\r\n"));
}

}  // namespace

// Destination preparation: subdirectories, preserve patterns, the carry-over renaming, and
// their rollback after a failed installation.
#include <gtest/gtest.h>

#include <string>

#include "payload/destination.h"
#include "payload/payload_reader.h"
#include "services/rollback.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"

namespace {

class DestinationTest : public SetupTest {
 protected:
  // Reads a payload with these carry-over pairs, subdirectories and entries; dest is C:\VELNET.
  void Load(const TextPairs& carry_over, const std::vector<std::string>& subdirs = {},
            const std::vector<std::string>& entries = {}) {
    PayloadLayout layout;
    layout.carry_over = carry_over;
    layout.dest_subdirs = subdirs;
    for (const std::string& name : entries) layout.files.push_back({name, "x", 1});
    UsePayloadFile(BuildPayload(layout));
    ASSERT_TRUE(OpenPayload() && ReadPayloadHeader());
    strcpy(g_setup.dest_dir, "C:\\VELNET");
    PutFile("C:\\VELNET\\VNT.EXE", "old program");
  }
  std::string Log() {
    FlushLog();
    return GetFile("C:\\VELNET\\update.log");
  }
};

TEST_F(DestinationTest, PreservePatternsCompareShortNamesInTheSameDirectory) {
  Load({{"VNT.INI", ""}, {"IDB\\*.USR", ""}, {"SCRIPTS\\LOGON.*", ""}, {"OLD.DB", "NEW.DB"}});
  EXPECT_TRUE(IsPreserved("vnt.ini"));
  EXPECT_FALSE(IsPreserved("VNT.EXE"));
  EXPECT_FALSE(IsPreserved("SUB\\VNT.INI"));  // another directory
  EXPECT_TRUE(IsPreserved("IDB\\ANYONE.USR"));
  EXPECT_FALSE(IsPreserved("IDB\\ANYONE.DAT"));
  EXPECT_FALSE(IsPreserved("ANYONE.USR"));
  EXPECT_TRUE(IsPreserved("SCRIPTS\\LOGON.SCR"));
  EXPECT_TRUE(IsPreserved("SCRIPTS\\LOGON"));
  EXPECT_FALSE(IsPreserved("OLD.DB"));  // a pair with a replacement preserves nothing
  // Short names: eight characters of base name, extensions of at most three.
  EXPECT_TRUE(IsPreserved("VNT.INI"));
  EXPECT_FALSE(IsPreserved("VNT.INIX"));
}

TEST_F(DestinationTest, AsteriskOnlyCountsAtTheStart) {
  Load({{"A*.TXT", ""}});
  EXPECT_TRUE(IsPreserved("A*.TXT"));
  EXPECT_FALSE(IsPreserved("AB.TXT"));
}

TEST_F(DestinationTest, PreparationMakesAMissingDestination) {
  Load({});
  strcpy(g_setup.dest_dir, "C:\\NEW\\VELNET");
  PrepareDestDir();
  EXPECT_TRUE(Exists("C:\\NEW\\VELNET"));
}

TEST_F(DestinationTest, PreparationMakesSubdirectoriesAndLogs) {
  Load({}, {"IDB", "SCRIPTS\\NEW"});
  PrepareDestDir();
  EXPECT_EQ(g_setup.dest_prepared, 1);
  EXPECT_TRUE(Exists("C:\\VELNET\\IDB"));
  EXPECT_TRUE(Exists("C:\\VELNET\\SCRIPTS\\NEW"));
  EXPECT_EQ(Log(), "Preparing dest dir\r\n");
}

TEST_F(DestinationTest, SubdirectoriesLeadingOutOfTheDestinationAreNotMade) {
  const std::vector<std::string> outside = {
      "..\\OUTSIDE", "IDB\\..\\..\\UP", "../SLASH", "A/../../MIXED", "..", "C:\\ROOTED", "\\TOP"};
  std::vector<std::string> subdirs = outside;
  subdirs.push_back("KEPT\\..B");
  Load({}, subdirs);
  PrepareDestDir();
  for (const char* path : {"C:\\OUTSIDE", "C:\\UP", "C:\\SLASH", "C:\\MIXED", "C:\\ROOTED",
                           "C:\\TOP", "C:\\VELNET\\TOP", "C:\\VELNET\\C:"}) {
    EXPECT_FALSE(Exists(path)) << path;
  }
  EXPECT_TRUE(Exists("C:\\VELNET\\KEPT\\..B"));  // an ordinary name
}

TEST_F(DestinationTest, CarryOverRenamesWithinTheDestinationWhileMergeDirIsEmpty) {
  Load({{"*.OLD", "*.BAK"}, {"IDB\\MAIN.IDX", "MAIN.SAV"}, {"KEEP.INI", ""}});
  PutFile("C:\\VELNET\\A.OLD", "a");
  PutFile("C:\\VELNET\\B.OLD", "b");
  PutFile("C:\\VELNET\\B.BAK", "stale");
  PutFile("C:\\VELNET\\IDB\\MAIN.IDX", "index");
  PutFile("C:\\A.OLD", "in the current directory: never touched");
  PrepareDestDir();
  EXPECT_EQ(GetFile("C:\\VELNET\\A.BAK"), "a");
  EXPECT_EQ(GetFile("C:\\VELNET\\B.BAK"), "b");
  EXPECT_EQ(GetFile("C:\\VELNET\\IDB\\MAIN.SAV"), "index");
  EXPECT_FALSE(Exists("C:\\VELNET\\A.OLD"));
  EXPECT_EQ(GetFile("C:\\A.OLD"), "in the current directory: never touched");
  std::string log = Log();
  EXPECT_NE(log.find("Rename: C:\\VELNET\\A.OLD -> C:\\VELNET\\A.BAK\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Rename: C:\\VELNET\\IDB\\MAIN.IDX -> C:\\VELNET\\IDB\\MAIN.SAV\r\n"),
            std::string::npos);
  EXPECT_EQ(log.find("Rename failed"), std::string::npos);
}

TEST_F(DestinationTest, CarryOverTakesFilesFromMergeDir) {
  Load({{"USER.DAT", "USER.OLD"}});
  PutFile("C:\\PREVIOUS\\USER.DAT", "settings");
  strcpy(g_setup.merge_dir, "C:\\PREVIOUS");
  CarryOverFiles();
  EXPECT_EQ(GetFile("C:\\VELNET\\USER.OLD"), "settings");
  EXPECT_FALSE(Exists("C:\\PREVIOUS\\USER.DAT"));
}

TEST_F(DestinationTest, RenamingOntoItselfKeepsTheFile) {
  Load({{"README", "*.TXT"}, {"NOTES.TXT", "notes.txt"}});
  PutFile("C:\\VELNET\\README", "no dot: keeps its name");
  PutFile("C:\\VELNET\\NOTES.TXT", "same name in other letters");
  CarryOverFiles();
  EXPECT_EQ(GetFile("C:\\VELNET\\README"), "no dot: keeps its name");
  EXPECT_EQ(GetFile("C:\\VELNET\\NOTES.TXT"), "same name in other letters");
}

TEST_F(DestinationTest, FailedMovesAndUnsafeNamesAreLoggedAndSkipped) {
  Load({{"LOCKED.DAT", "LOCKED.OLD"},
        {"..\\WIN.INI", "WIN.OLD"},
        {"USER.DAT", "..\\..\\USER.DAT"},
        {"~RB*.RBK", "*.OLD"},
        {"NOTES.TXT", "VNTSETUP.RBK"},
        {"NEXT.DAT", "NEXT.OLD"}});
  // The program's own files are neither renamed nor renamed onto.
  PutFile("C:\\VELNET\\~RB00001.RBK", "set aside by a run");
  PutFile("C:\\VELNET\\NOTES.TXT", "notes");
  PutFile("C:\\VELNET\\LOCKED.DAT", "held");
  PutFile("C:\\WIN.INI", "windows settings");
  PutFile("C:\\VELNET\\USER.DAT", "user");
  PutFile("C:\\VELNET\\NEXT.DAT", "next");
  HostFaultAdd({kFaultReadOnly, 1, 1, "LOCKED.DAT"});
  CarryOverFiles();
  EXPECT_EQ(GetFile("C:\\VELNET\\LOCKED.DAT"), "held");
  EXPECT_EQ(GetFile("C:\\WIN.INI"), "windows settings");
  EXPECT_EQ(GetFile("C:\\VELNET\\USER.DAT"), "user");
  EXPECT_EQ(GetFile("C:\\VELNET\\NEXT.OLD"), "next");  // the renaming went on
  EXPECT_EQ(GetFile("C:\\VELNET\\~RB00001.RBK"), "set aside by a run");
  EXPECT_EQ(GetFile("C:\\VELNET\\NOTES.TXT"), "notes");
  EXPECT_FALSE(Exists("C:\\VELNET\\~RB00001.OLD"));
  EXPECT_FALSE(Exists("C:\\VELNET\\VNTSETUP.RBK"));
  std::string log = Log();
  size_t failures = 0;
  for (size_t at = log.find("Rename failed"); at != std::string::npos;
       at = log.find("Rename failed", at + 1)) {
    ++failures;
  }
  EXPECT_EQ(failures, 5u) << log;
}

TEST_F(DestinationTest, ARolledBackPreparationLeavesTheFolderAsItWas) {
  // Carry-over renames over an existing file, new subdirectories and a new destination below
  // an existing folder: all of it is put back, and the directories made are removed.
  for (const char* dest : {"C:\\VELNET", "C:\\NEW\\VELNET"}) {
    SCOPED_TRACE(dest);
    Load({{"*.OLD", "*.NEW"}}, {"IDB", "SCRIPTS\\SUB"});
    strcpy(g_setup.dest_dir, dest);
    PutFile("C:\\VELNET\\A.OLD", "the member's file");
    PutFile("C:\\VELNET\\A.NEW", "an older copy");
    ASSERT_EQ(BeginRollback(g_setup.dest_dir), 1);
    PrepareDestDir();
    if (strcmp(dest, "C:\\VELNET") == 0) {
      EXPECT_EQ(GetFile("C:\\VELNET\\A.NEW"), "the member's file");
      EXPECT_FALSE(Exists("C:\\VELNET\\A.OLD"));
    }
    EXPECT_TRUE(Exists((std::string(dest) + "\\SCRIPTS\\SUB").c_str()));
    RollBackRun();
    EXPECT_EQ(g_setup.rollback_result, 1);
    EXPECT_EQ(GetFile("C:\\VELNET\\A.OLD"), "the member's file");
    EXPECT_EQ(GetFile("C:\\VELNET\\A.NEW"), "an older copy");
    EXPECT_FALSE(Exists("C:\\VELNET\\IDB"));
    EXPECT_FALSE(Exists("C:\\NEW"));
    EXPECT_FALSE(Exists("C:\\VELNET\\VNTSETUP.RBK"));
    ClosePayload();
    ReleasePayloadHeader();
    FlushLog();
    ResetSetupState();
  }
}

}  // namespace

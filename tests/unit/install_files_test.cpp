// The installation loop on a simulated machine with the host dunzipnt.dll: files land with
// their bytes, preserved and stored entries, SYSTEM files, the PIF, the gauge, every stop and
// failure, and the deletion of obsolete files.
#include <gtest/gtest.h>

#include <string>

#include "payload/install_files.h"
#include "payload/payload_reader.h"
#include "services/errors.h"
#include "services/rollback.h"
#include "tests/support/archive_tools.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"
#include "tools/vntpack/member_archive.h"
#include "ui/gauge.h"

namespace {

const uint32_t kOld = (20u << 25) | (1u << 21) | (1u << 16);  // 2000-01-01
const uint32_t kNew = (26u << 25) | (6u << 21) | (1u << 16);  // 2006-06-01

PayloadFile Library() {
  const std::string& bytes = ExtractionLibraryBytes();
  return {"dunzipnt.dll", bytes, static_cast<uint32_t>(bytes.size())};
}

PayloadFile Member(const std::string& name, const std::string& data, uint32_t dos_time = kOld) {
  std::string archive;
  EXPECT_TRUE(MakeMemberArchive(MemberNameOf(name), data, dos_time, &archive));
  return {name, archive, static_cast<uint32_t>(data.size())};
}

class InstallTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    strcpy(g_setup.dest_dir, "C:\\VELNET");
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
    PutFile("C:\\VELNET\\OLD.TXT", "from the installation before");
  }
  void TearDown() override {
    UnregisterGaugeClass();
    SetupTest::TearDown();
  }
  // Reads the payload. Scripted answers and machine descriptions come first: they reopen the
  // machine, which closes its files and forgets its window classes.
  void Load(const PayloadLayout& layout) {
    RegisterGaugeClass();
    UsePayloadFile(BuildPayload(layout));
    ASSERT_TRUE(OpenPayload() && ReadPayloadHeader());
  }
  std::string Log() { return DestinationLog(); }
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
  // No temporary archive is left in dest_dir.
  bool NoTemporaryFiles() {
    PlatFindData found;
    PlatFind find = PlatFindFirst("C:\\VELNET\\DEC*.TMP", &found);
    if (find != nullptr) PlatFindClose(find);
    return find == nullptr;
  }
};

// Whichever archive's deletion fails, it is the one left after the loop, and the retry at the
// end of the run removes it.
TEST_F(InstallTest, ArchivesThatCouldNotBeDeletedAreTriedAgainAtTheEnd) {
  for (uint16_t failing = 1; failing <= 3; ++failing) {
    PayloadLayout layout;
    layout.files = {Library(), Member("A.EXE", "a"), Member("B.EXE", "b"), Member("C.EXE", "c")};
    Load(layout);
    char archive[16];
    snprintf(archive, sizeof archive, "DEC%04X.TMP", failing);
    HostFaultClear();
    ASSERT_EQ(HostFaultAdd({kFaultReadOnly, 2, 0, archive}), 1);  // its create, then its delete
    ASSERT_EQ(InstallFiles(), 1) << g_setup.error_number;
    EXPECT_TRUE(Exists((std::string("C:\\VELNET\\") + archive).c_str())) << archive;
    EXPECT_EQ(GetFile("C:\\VELNET\\C.EXE"), "c");
    DeleteLeftArchives();
    EXPECT_TRUE(NoTemporaryFiles()) << archive;
    ClosePayload();
    ReleasePayloadHeader();
  }
}

TEST_F(InstallTest, EveryFileLandsWithItsBytes) {
  PayloadLayout layout;
  std::string big = MixedData(100000, 7);
  layout.guide_entry = "GUIDE.TXT";
  layout.dest_subdirs = {"IDB"};
  layout.files = {Library(),
                  Member("VNT.EXE", big),
                  Member("SCRIPTS\\logon.scr", "script text"),
                  Member("IDB\\MERGE.DB", "records"),
                  Member("EMPTY.DAT", ""),
                  {"GUIDE.TXT", "The guide, stored as it is.", 27}};
  Load(layout);
  ASSERT_EQ(InstallFiles(), 1) << g_setup.error_number;
  EXPECT_EQ(GetFile("C:\\VELNET\\VNT.EXE"), big);
  EXPECT_EQ(GetFile("C:\\VELNET\\SCRIPTS\\LOGON.SCR"), "script text");
  EXPECT_EQ(GetFile("C:\\VELNET\\IDB\\MERGE.DB"), "records");
  EXPECT_TRUE(Exists("C:\\VELNET\\EMPTY.DAT"));
  EXPECT_EQ(GetFile("C:\\VELNET\\GUIDE.TXT"), "The guide, stored as it is.");
  EXPECT_EQ(GetFile("C:\\VELNET\\OLD.TXT"), "from the installation before");
  EXPECT_STREQ(g_setup.merge_dir, "C:\\VELNET");
  EXPECT_TRUE(NoTemporaryFiles());
  // The library's size counts as done, and the gauge reaches its end.
  uint32_t total = g_payload.total_unpacked;
  EXPECT_TRUE(
      Recorded("dialog-close 200 gauge=" + std::to_string(total) + "/" + std::to_string(total)))
      << Transcript();
  EXPECT_EQ(Log(), "Preparing dest dir\r\nInstalling files\r\n");
}

TEST_F(InstallTest, LibraryAlreadyInPlaceAndWithoutIt) {
  PutFile("C:\\VELNET\\dunzipnt.dll", ExtractionLibraryBytes());
  PayloadLayout layout;
  layout.files = {Member("A.TXT", "a")};
  Load(layout);
  EXPECT_EQ(InstallFiles(), 1);
  EXPECT_EQ(GetFile("C:\\VELNET\\A.TXT"), "a");

  ClosePayload();
  ASSERT_EQ(PlatDeleteFile("C:\\VELNET\\dunzipnt.dll"), 1);
  ASSERT_TRUE(OpenPayload() && ReadPayloadHeader());
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorLibraryLoad);
}

TEST_F(InstallTest, PreservedFilesAreLeftAloneAndStillCounted) {
  PutFile("C:\\VELNET\\VNT.INI", "the user's settings");
  PayloadLayout layout;
  layout.carry_over = {{"*.INI", ""}};
  layout.files = {Library(), Member("VNT.INI", "defaults"), Member("VNT.EXE", "program")};
  Load(layout);
  ASSERT_EQ(InstallFiles(), 1);
  EXPECT_EQ(GetFile("C:\\VELNET\\VNT.INI"), "the user's settings");
  EXPECT_EQ(GetFile("C:\\VELNET\\VNT.EXE"), "program");
  uint32_t total = g_payload.total_unpacked;
  EXPECT_TRUE(Recorded("gauge=" + std::to_string(total) + "/" + std::to_string(total)));
  EXPECT_TRUE(Has(Log(), "Not installing VNT.INI (preserved)\r\n"));
}

TEST_F(InstallTest, DosGameGetsItsPifOnlyAtTheTop) {
  PayloadLayout layout;
  layout.files = {Library(), Member("GAMES\\DOSGAME.EXE", "nested"), Member("dosgame.exe", "game")};
  Load(layout);
  ASSERT_EQ(InstallFiles(), 1);
  std::string pif = GetFile("C:\\WINDOWS\\DOSGAME.PIF");
  ASSERT_EQ(pif.size(), 545u);
  EXPECT_EQ(pif.substr(0x24, 21), std::string("C:\\VELNET\\DOSGAME.EXE\0", 21));
  EXPECT_EQ(Log().find("Created C:\\WINDOWS\\DOSGAME.PIF"),
            Log().rfind("Created C:\\WINDOWS\\DOSGAME.PIF"));
}

class SystemFileTest : public InstallTest {
 protected:
  void PutSystemFile(const char* name, uint32_t dos_time) {
    std::string path = std::string("C:\\WINDOWS\\SYSTEM\\") + name;
    PutFile(path.c_str(), "installed version");
    PlatFile file = PlatOpenFile(path.c_str(), kOpenWrite);
    ASSERT_EQ(PlatSetFileDosTime(file, dos_time), 1);
    PlatCloseFile(file);
  }
  void Install(uint32_t member_time) {
    PayloadLayout layout;
    layout.files = {Library(), Member("SYSTEM\\VNTCTL.DLL", "new version", member_time)};
    Load(layout);
  }
};

TEST_F(SystemFileTest, NewerFileReplacesAndAsksForARestart) {
  PutSystemFile("VNTCTL.DLL", kOld);
  Install(kNew);
  ASSERT_EQ(InstallFiles(), 1);
  EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL"), "new version");
  EXPECT_FALSE(Exists("C:\\VELNET\\VNTCTL.DLL"));
  EXPECT_EQ(g_setup.reboot_requested, 1);
  std::string log = Log();
  EXPECT_TRUE(Has(log, "System file C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL exists (current=" +
                           std::to_string(kOld) + ", install=" + std::to_string(kNew) +
                           ")\r\n"
                           "Replacing existing\r\n"
                           "Copy C:\\VELNET\\VNTCTL.DLL -> C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL\r\n"))
      << log;
}

// A file or folder of dest_dir under the SYSTEM file's own name is no part of the SYSTEM entry:
// the file is extracted into a folder of the program's own, which goes once the file is copied,
// and in a failed run the rollback leaves both as they were.
TEST_F(SystemFileTest, WhatDestDirHoldsUnderTheSystemFilesNameIsLeftAlone) {
  for (int folder : {0, 1}) {
    for (int fails : {0, 1}) {
      SCOPED_TRACE(testing::Message()
                   << (folder ? "a folder" : "a file") << (fails ? ", failed run" : ""));
      ResetSetupState();
      strcpy(g_setup.dest_dir, "C:\\VELNET");
      strcpy(g_setup.windows_dir, "C:\\WINDOWS");
      PutSystemFile("VNTCTL.DLL", kOld);
      PutFile(folder ? "C:\\VELNET\\VNTCTL.DLL\\INSIDE.TXT" : "C:\\VELNET\\VNTCTL.DLL", "mine");
      PayloadLayout layout;
      layout.files = {Library(), Member("SYSTEM\\VNTCTL.DLL", "new version", kNew)};
      if (fails) layout.files.push_back(Member("B.TXT", "b"));
      SetAnswers(fails ? "box CANCEL\n" : "");
      Load(layout);
      if (fails) HostFaultAdd({kFaultDiskFull, 1, 1, "DEC0002"});
      EXPECT_EQ(InstallFiles(), fails ? 0 : 1);
      EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL"), "new version");
      EXPECT_FALSE(Exists("C:\\VELNET\\~RBSYS.RBK"));
      EXPECT_TRUE(Has(Log(),
                      "Copy C:\\VELNET\\~RBSYS.RBK\\VNTCTL.DLL -> "
                      "C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL\r\n"))
          << Log();
      ClosePayload();
      ReleasePayloadHeader();
      if (fails) {
        RollBackRun();
        EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL"), "installed version");
      } else {
        EXPECT_EQ(CommitRun(), 1);
      }
      EXPECT_EQ(GetFile(folder ? "C:\\VELNET\\VNTCTL.DLL\\INSIDE.TXT" : "C:\\VELNET\\VNTCTL.DLL"),
                "mine");
      EXPECT_FALSE(Exists("C:\\VELNET\\VNTSETUP.RBK"));
      FlushLog();
      ASSERT_EQ(system(("rm -rf '" + HostPath("C:\\VELNET\\VNTCTL.DLL") + "'").c_str()), 0);
      HostForgetListings();
    }
  }
}

TEST_F(SystemFileTest, OlderOrEqualFileIsRetained) {
  const uint32_t older = (19u << 25) | (12u << 21) | (31u << 16);  // 1999-12-31
  for (uint32_t member_time : {kOld, older}) {
    PutSystemFile("VNTCTL.DLL", kOld);
    Install(member_time);
    ASSERT_EQ(InstallFiles(), 1);
    EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL"), "installed version");
    EXPECT_FALSE(Exists("C:\\VELNET\\VNTCTL.DLL"));
    EXPECT_EQ(g_setup.reboot_requested, 0);
    EXPECT_TRUE(Has(Log(), "Retaining existing\r\n"));
    ClosePayload();
    ReleasePayloadHeader();
  }
}

TEST_F(SystemFileTest, MissingFileIsCopiedWithoutARestart) {
  WriteMachineIni("[machine]\nsystem_dir=C:\\WINDOWS\\SYSTEM32\n");
  Install(kOld);
  ASSERT_EQ(InstallFiles(), 1);
  EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL"), "new version");
  EXPECT_EQ(g_setup.reboot_requested, 0);
}

// Where the system directory is not windows_dir\SYSTEM, a copy in the folder that the file would
// go to is never overwritten by an older one.
TEST_F(SystemFileTest, TheFileThatWouldBeReplacedIsTheOneTested) {
  WriteMachineIni("[machine]\nsystem_dir=C:\\WINDOWS\\SYSTEM32\n");
  for (uint32_t member_time : {kOld, kNew}) {
    PutSystemFile("VNTCTL.DLL", kOld);
    Install(member_time);
    ASSERT_EQ(InstallFiles(), 1);
    int newer = member_time > kOld;
    EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL"),
              newer ? "new version" : "installed version");
    EXPECT_EQ(g_setup.reboot_requested, newer);
    EXPECT_TRUE(Has(Log(), "System file C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL exists (current="))
        << Log();
    EXPECT_FALSE(Exists("C:\\WINDOWS\\SYSTEM32\\VNTCTL.DLL"));
    ClosePayload();
    ReleasePayloadHeader();
  }
}

TEST_F(SystemFileTest, FileInUseAsksAndCancelStopsTheInstall) {
  WriteMachineIni("[modules]\nmodule=VNTCTL.DLL\n");
  SetAnswers("box RETRY\nbox CANCEL\n");
  PutSystemFile("VNTCTL.DLL", kOld);
  Install(kNew);
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL.DLL"), "installed version");
  EXPECT_TRUE(Exists("C:\\VELNET\\VNTCTL.DLL"));
  EXPECT_TRUE(Recorded("currently in use.\\n\\nPlease close any open applications"));
  EXPECT_TRUE(Recorded("dialog-open 212"));
  std::string log = Log();
  EXPECT_TRUE(Has(log, "In use; prompt\r\nIn use; prompt\r\nUser stopped install\r\n")) << log;
}

TEST_F(SystemFileTest, FailedCopyIsError30) {
  strcpy(g_setup.windows_dir, "C:\\GONE");  // its SYSTEM folder cannot take the copy
  Install(kOld);
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorSystemCopy);
  EXPECT_TRUE(Has(Log(), "Copy failed\r\n"));
}

TEST_F(InstallTest, DiskFullDuringACopyRetriesOrStops) {
  PayloadLayout layout;
  layout.files = {Library(), Member("A.TXT", std::string(40000, 'a')), Member("B.TXT", "b")};
  SetAnswers("box RETRY\nbox CANCEL\n");
  Load(layout);
  HostFaultAdd({kFaultDiskFull, 1, 0, "DEC"});
  ASSERT_EQ(InstallFiles(), 1);
  EXPECT_EQ(GetFile("C:\\VELNET\\A.TXT"), std::string(40000, 'a'));

  HostFaultClear();
  HostFaultAdd({kFaultDiskFull, 1, 1, "DEC"});
  PlatDeleteFile("C:\\VELNET\\B.TXT");
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_EQ(g_setup.error_number, kErrorMemberWrite);
  EXPECT_FALSE(Exists("C:\\VELNET\\B.TXT"));
}

// An entry whose archive holds a member of another name (45), or whose file would replace a
// folder or needs a folder where a file is (46), ends the installation before anything changes: no
// journal, no library placed, no temporary archive, the installation as it was.
TEST_F(InstallTest, EntriesThatWouldWriteElsewhereFailBeforeAnythingChanges) {
  PayloadFile renamed = Member("NEW.TXT", "x");
  ASSERT_TRUE(MakeMemberArchive("OLD.TXT", "x", kOld, &renamed.data));
  struct Case {
    PayloadFile entry;
    uint16_t error;
    const char* log;
  };
  const Case cases[] = {
      {renamed, kErrorMemberName, "Not installing NEW.TXT: it holds OLD.TXT\r\n"},
      {Member("IDB", "x"), kErrorEntryIsFolder, "Not installing C:\\VELNET\\IDB: a folder\r\n"},
      {Member("IDB.", "x"), kErrorEntryIsFolder, "Not installing C:\\VELNET\\IDB: a folder\r\n"},
      {Member("OLD.TXT\\SUB\\X", "x"), kErrorEntryIsFolder,
       "Not installing C:\\VELNET\\OLD.TXT: a file\r\n"},
  };
  PutFile("C:\\VELNET\\IDB\\MAIN.IDX", "the database");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry.name);
    ResetSetupState();
    strcpy(g_setup.dest_dir, "C:\\VELNET");
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
    PayloadLayout layout;
    layout.files = {Library(), Member("A.TXT", "a"), c.entry};
    Load(layout);
    EXPECT_EQ(InstallFiles(), 0);
    EXPECT_EQ(g_setup.error_number, c.error);
    EXPECT_EQ(g_setup.changes_begun, 0);
    EXPECT_TRUE(Has(Log(), c.log)) << Log();
    EXPECT_FALSE(Exists("C:\\VELNET\\VNTSETUP.RBK"));
    EXPECT_FALSE(Exists("C:\\VELNET\\dunzipnt.dll"));
    EXPECT_FALSE(Exists("C:\\VELNET\\A.TXT"));
    EXPECT_TRUE(NoTemporaryFiles());
    EXPECT_EQ(GetFile("C:\\VELNET\\OLD.TXT"), "from the installation before");
    EXPECT_EQ(GetFile("C:\\VELNET\\IDB\\MAIN.IDX"), "the database");
    ClosePayload();
    ReleasePayloadHeader();
    FlushLog();
  }
}

TEST_F(InstallTest, DiskFullInInstallModeIsRolledBack) {
  g_setup.install_mode = 1;
  PayloadLayout layout;
  layout.files = {Library(), Member("A.TXT", "a"), Member("B.TXT", "b")};
  SetAnswers("box CANCEL\n");
  Load(layout);
  PutFile("C:\\VELNET\\A.TXT", "the old A");
  HostFaultAdd({kFaultDiskFull, 1, 1, "DEC0002"});
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(GetFile("C:\\VELNET\\A.TXT"), "a");
  ClosePayload();  // the library is let go before its file is removed
  RollBackRun();
  EXPECT_EQ(GetFile("C:\\VELNET\\A.TXT"), "the old A");
  EXPECT_FALSE(Exists("C:\\VELNET\\dunzipnt.dll"));
  EXPECT_TRUE(Exists("C:\\VELNET\\OLD.TXT"));
  EXPECT_TRUE(Recorded("dialog-open 220"));
  EXPECT_FALSE(Recorded("dialog-open 212"));
  std::string log = Log();
  EXPECT_TRUE(Has(log, "Rolling back (error #9)\r\n")) << log;
  EXPECT_TRUE(Has(log, "Restored C:\\VELNET\\A.TXT\r\n")) << log;
  EXPECT_TRUE(Has(log, "Rollback done: ")) << log;
}

TEST_F(InstallTest, ExtractionShortagesAskAndRetry) {
  PayloadLayout layout;
  layout.disk_full_program = "FREESPC.EXE";
  layout.files = {Library(), Member("A.TXT", "a"), Member("B.TXT", "b")};
  SetAnswers("box RETRY\nbox RETRY\nbox CANCEL\n");
  Load(layout);
  // The output file cannot be made once (code 28), then memory runs out once (code 4).
  HostFaultAdd({kFaultCannotOpen, 1, 0, "VELNET\\A.TXT"});
  HostFaultAdd({kFaultAllocFails, 3, 0, nullptr});
  ASSERT_EQ(InstallFiles(), 1) << g_setup.error_number << Transcript();
  EXPECT_EQ(GetFile("C:\\VELNET\\B.TXT"), "b");
  EXPECT_TRUE(Recorded("Setup needs more disk space."));

  HostFaultClear();
  HostFaultAdd({kFaultDiskFull, 1, 1, "VELNET\\A.TXT"});
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorUnzipBase + 50);
  EXPECT_EQ(g_setup.offer_disk_full_program, 1);
}

TEST_F(InstallTest, WrongSizeIsError21) {
  PayloadLayout layout;
  PayloadFile member = Member("A.TXT", "abc");
  member.unpacked_size = 4;
  layout.files = {Library(), member};
  Load(layout);
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorSizeMismatch);
}

TEST_F(InstallTest, DamagedMemberIsAnExtractionError) {
  PayloadLayout layout;
  PayloadFile damaged = Member("B.TXT", "bbbb");
  damaged.data[damaged.data.size() / 2] ^= 0x5A;
  layout.files = {Library(), damaged};
  Load(layout);
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_GT(g_setup.error_number, kErrorUnzipBase);
}

TEST_F(InstallTest, TemporaryArchiveThatCannotBeMadeIsError19) {
  PayloadLayout layout;
  layout.files = {Library(), Member("A.TXT", "a")};
  Load(layout);
  HostFaultAdd({kFaultCannotOpen, 1, 1, "DEC0001.TMP"});
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorTempCreate);
}

TEST_F(InstallTest, CancelInTheProgressDialogStopsBetweenFiles) {
  g_setup.install_mode = 1;
  PayloadLayout layout;
  layout.files = {Library(), Member("A.TXT", "a"), Member("B.TXT", "b"), Member("C.TXT", "c")};
  SetAnswers("dialog 220 406\nbox YES\n");
  Load(layout);
  EXPECT_EQ(InstallFiles(), 0);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_FALSE(Exists("C:\\VELNET\\C.TXT"));
  ClosePayload();
  RollBackRun();
  EXPECT_FALSE(Exists("C:\\VELNET\\A.TXT"));
  EXPECT_TRUE(Has(Log(), "User stopped install\r\nRolling back (stopped)\r\n"));
}

TEST_F(InstallTest, LargeRangesMoveTheGaugeInTensOfBytes) {
  PayloadLayout layout;
  PayloadFile big = Member("BIG.DAT", "");
  big.unpacked_size = 10000001;  // the size check fails, after the range was set
  layout.files = {Library(), big};
  Load(layout);
  InstallFiles();
  uint32_t range = (10000001 + static_cast<uint32_t>(ExtractionLibraryBytes().size())) / 10;
  EXPECT_TRUE(Recorded("/" + std::to_string(range) + " ")) << Transcript();
}

TEST_F(InstallTest, CurrentFileShowsTheTailOfLongPaths) {
  PayloadLayout layout;
  layout.files = {Library(), Member("SCRIPTS\\SUBSCRIPTS\\longname.scr", "s"),
                  Member("SYSTEM\\verylongsystemname.dll", "d")};
  Load(layout);
  InstallFiles();
  EXPECT_TRUE(Recorded("text503=\"VERYLONGSYSTEMNAME.DLL\"")) << Transcript();
  ClosePayload();
  ReleasePayloadHeader();
  layout.files.pop_back();
  Load(layout);
  InstallFiles();
  EXPECT_TRUE(Recorded("text503=\"...\\SUBSCRIPTS\\LONGNAME.SCR\""));
}

TEST_F(InstallTest, DeletesListedFilesAndLogsOnlyWhatWentAway) {
  PayloadLayout layout;
  layout.windows_deletes = {"VNT*.TMP", "..\\AUTOEXEC.BAT"};
  layout.dest_deletes = {"*.BAK", "OLD\\*.*"};
  Load(layout);
  PutFile("C:\\WINDOWS\\VNT1.TMP", "");
  PutFile("C:\\WINDOWS\\OTHER.TMP", "");
  PutFile("C:\\AUTOEXEC.BAT", "outside the Windows directory");
  PutFile("C:\\VELNET\\A.BAK", "");
  PutFile("C:\\VELNET\\KEEP.BAK", "");
  ASSERT_EQ(PlatSetFileAttributes("C:\\VELNET\\KEEP.BAK", kAttrReadOnly), 1);
  PutFile("C:\\VELNET\\OLD\\X.DAT", "");
  PutFile("C:\\VELNET\\OLD\\SUB\\Y.DAT", "");
  DeleteListedFiles();
  EXPECT_FALSE(Exists("C:\\WINDOWS\\VNT1.TMP"));
  EXPECT_TRUE(Exists("C:\\WINDOWS\\OTHER.TMP"));
  EXPECT_TRUE(Exists("C:\\AUTOEXEC.BAT"));
  EXPECT_FALSE(Exists("C:\\VELNET\\A.BAK"));
  EXPECT_TRUE(Exists("C:\\VELNET\\KEEP.BAK"));
  EXPECT_TRUE(Exists("C:\\VELNET\\OLD\\SUB\\Y.DAT"));
  EXPECT_EQ(Log(),
            "Deleted file C:\\WINDOWS\\VNT1.TMP\r\n"
            "Deleted file C:\\VELNET\\A.BAK\r\n"
            "Deleted file C:\\VELNET\\OLD\\X.DAT\r\n");
}

}  // namespace

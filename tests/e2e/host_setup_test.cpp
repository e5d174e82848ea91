// The host `setup` program run as a user would run it, on a simulated machine: the start of the
// run, its fatal-error report and log, payloads given by -X and payloads carried in the program.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "database/database.h"
#include "platform/files.h"
#include "services/memory.h"
#include "tests/support/archive_tools.h"
#include "tests/support/payload_writer.h"
#include "tests/support/test_machine.h"

namespace {

const char kMainDatabase[] = "C:\\VELNET\\IDB\\MAIN.IDX";

class HostSetupTest : public MachineTest {
 protected:
  // Runs a program on this machine with the given blank-separated arguments (each passed as
  // one word, backslashes untouched); returns its exit status.
  int Run(const std::string& program, const std::string& arguments) {
    std::string command = "VNT_MACHINE='" + root_ + "' '" + program + "'";
    std::istringstream words(arguments);
    for (std::string word; words >> word;) command += " '" + word + "'";
    command += " </dev/null >/dev/null 2>&1";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int RunSetup(const std::string& arguments) { return Run(HOST_SETUP_PROGRAM, arguments); }

  bool Shown(const std::string& text) { return Transcript().find(text) != std::string::npos; }
};

TEST_F(HostSetupTest, NoPayloadEndsWithError1) {
  EXPECT_EQ(RunSetup(""), 1);
  EXPECT_TRUE(Shown("An error (#1) has occurred, and Setup is unable to continue."));
  std::string log = GetFile("C:\\update.log");
  EXPECT_NE(log.find("Peak handles = "), std::string::npos) << log;
  EXPECT_NE(log.find("\r\nFatal error #1\r\n"), std::string::npos) << log;
}

TEST_F(HostSetupTest, DamagedPayloadFilesGiveTheirErrors) {
  PutFile("C:\\BAD.BIN", "MZ not a payload");
  EXPECT_EQ(RunSetup("-X C:\\BAD.BIN"), 1);
  EXPECT_TRUE(Shown("An error (#18) has occurred"));
  EXPECT_NE(GetFile("C:\\update.log").find("Opt: Install file = C:\\BAD.BIN\r\n"),
            std::string::npos);

  PutFile("C:\\CUT.BIN", std::string("RS\x05\x00", 4) + "ab");
  EXPECT_EQ(RunSetup("/x C:\\CUT.BIN -c"), 1);
  EXPECT_TRUE(Shown("An error (#5) has occurred"));
  std::string log = GetFile("C:\\update.log");
  EXPECT_EQ(log.find("Opt: Crash mode\r\nOpt: Install file = C:\\CUT.BIN\r\n"), 0u) << log;
  EXPECT_NE(log.find("Fatal error #5\r\n"), std::string::npos);

  EXPECT_EQ(RunSetup("-X C:\\MISSING.BIN"), 1);
  EXPECT_TRUE(Shown("An error (#3) has occurred"));
}

TEST_F(HostSetupTest, SoundPayloadFileRunsWithoutComplaint) {
  PayloadLayout layout;
  layout.frame_title = "Velnet Setup";
  layout.files = {{"README.TXT", "hello", 5}};
  PutFile("C:\\GOOD.BIN", BuildPayload(layout));
  EXPECT_EQ(RunSetup("-X C:\\GOOD.BIN"), 8);  // nothing to update: nothing found, Exit in 215
  EXPECT_FALSE(Shown("An error"));
  EXPECT_FALSE(Exists("C:\\update.log"));  // no destination yet and no error: no log file
}

TEST_F(HostSetupTest, ProgramReadsThePayloadItCarries) {
  std::string program = ReadHostFile(HOST_SETUP_PROGRAM);
  ASSERT_FALSE(program.empty());
  PayloadLayout layout;
  layout.files = {{"README.TXT", "hello", 5}};
  std::string with_payload;
  ASSERT_TRUE(AttachPayload(program, BuildPayload(layout), "", &with_payload));
  PutFile("C:\\DISK1\\SETUP.EXE", with_payload);
  std::string host_program = HostPath("C:\\DISK1\\SETUP.EXE");
  ASSERT_EQ(system(("chmod +x '" + host_program + "'").c_str()), 0);
  EXPECT_EQ(Run(host_program, ""), 8);  // nothing to update
  EXPECT_FALSE(Shown("An error"));

  // The same program with a damaged header proves that it was its own payload it read.
  std::string damaged;
  ASSERT_TRUE(AttachPayload(program, "RS\x40", "", &damaged));
  PutFile("C:\\DISK2\\SETUP.EXE", damaged);
  host_program = HostPath("C:\\DISK2\\SETUP.EXE");
  ASSERT_EQ(system(("chmod +x '" + host_program + "'").c_str()), 0);
  EXPECT_EQ(Run(host_program, ""), 1);
  EXPECT_TRUE(Shown("An error (#5) has occurred"));
}

TEST_F(HostSetupTest, UnreachablePayloadOffsetIsError4) {
  PayloadLayout layout;
  std::string program;
  ASSERT_TRUE(AttachPayload(ReadHostFile(HOST_SETUP_PROGRAM), BuildPayload(layout), "", &program));
  size_t marker = program.find(std::string("_DaduZ_", 8));
  program.replace(marker + 8, 4, "\xFF\xFF\xFF\xFF");  // beyond any position a file can reach
  PutFile("C:\\DISK1\\SETUP.EXE", program);
  std::string host_program = HostPath("C:\\DISK1\\SETUP.EXE");
  ASSERT_EQ(system(("chmod +x '" + host_program + "'").c_str()), 0);
  EXPECT_EQ(Run(host_program, ""), 1);
  EXPECT_TRUE(Shown("An error (#4) has occurred"));
}

TEST_F(HostSetupTest, ProgramNameLongerThanAPathIsError2) {
  std::string program;
  ASSERT_TRUE(
      AttachPayload(ReadHostFile(HOST_SETUP_PROGRAM), BuildPayload(PayloadLayout()), "", &program));
  // The program's own name, seen from the machine (Z:\...), runs past 256 characters.
  std::string folder = root_ + "/deep";
  for (int i = 0; i < 30; ++i) folder += "/directory";
  ASSERT_EQ(system(("mkdir -p '" + folder + "'").c_str()), 0);
  std::string host_program = folder + "/SETUP.EXE";
  std::ofstream(host_program, std::ios::binary) << program;
  ASSERT_EQ(system(("chmod +x '" + host_program + "'").c_str()), 0);
  EXPECT_EQ(Run(host_program, ""), 1);
  EXPECT_TRUE(Shown("An error (#2) has occurred"));
}

TEST_F(HostSetupTest, AnotherSetupOrARunningClientEndsTheRunAtOnce) {
  WriteMachineIni("[windows]\nclass=_VNTSETUP_Frame\nclass=VNT Frame\n");
  EXPECT_EQ(RunSetup("-C"), 0);
  EXPECT_TRUE(Shown("set-foreground \"_VNTSETUP_Frame\""));
  EXPECT_FALSE(Shown("box "));
  EXPECT_FALSE(Exists("C:\\update.log"));  // not even crash mode has started

  for (const char* running : {"[windows]\nclass=VNT Frame25\n", "[modules]\nmodule=DIZI.EXE\n"}) {
    SCOPED_TRACE(running);
    WriteMachineIni(running);
    EXPECT_EQ(RunSetup("-C"), 0);
    EXPECT_TRUE(Shown("Please exit Velnet before running the Setup program."));
    EXPECT_FALSE(Exists("C:\\update.log"));
  }
}

TEST_F(HostSetupTest, FrameStandsFromTheHeaderToTheEnd) {
  PayloadLayout layout;
  layout.frame_title = "Velnet Update";
  layout.files = {{"README.TXT", "hello", 5}};
  PutFile("C:\\GOOD.BIN", BuildPayload(layout));
  EXPECT_EQ(RunSetup("-C -X C:\\GOOD.BIN"), 8);
  std::string transcript = Transcript();
  size_t created =
      transcript.find("window-create class=\"_VNTSETUP_Frame\" title=\"Velnet Update\"");
  size_t destroyed = transcript.find("window-destroy class=\"_VNTSETUP_Frame\"");
  ASSERT_NE(created, std::string::npos) << transcript;
  EXPECT_GT(destroyed, created);
  EXPECT_NE(GetFile("C:\\update.log").find("Bits per pixel = 24\r\n"), std::string::npos);

  // No frame for a payload whose header cannot be read.
  PutFile("C:\\BAD.BIN", "MZ not a payload");
  EXPECT_EQ(RunSetup("-X C:\\BAD.BIN"), 1);
  EXPECT_EQ(Transcript().find("window-create", destroyed), std::string::npos);
}

TEST_F(HostSetupTest, AnOldOleEndsTheRunAfterItsMessage) {
  WriteMachineIni("[machine]\nole_build=0x00160280\n");
  PutFile("C:\\GOOD.BIN", BuildPayload(PayloadLayout()));
  EXPECT_EQ(RunSetup("-X C:\\GOOD.BIN"), 3);
  EXPECT_TRUE(Shown("text=\"A newer version of OLE is need to create a shortcut.\""));
  EXPECT_FALSE(Shown("An error"));
  EXPECT_TRUE(Shown("window-destroy class=\"_VNTSETUP_Frame\""));
}

TEST_F(HostSetupTest, EveryRunClosesWhatItOpened) {
  PayloadLayout layout;
  layout.files = {{"README.TXT", "hello", 5}};
  PutFile("C:\\GOOD.BIN", BuildPayload(layout));
  RunSetup("-C -X C:\\GOOD.BIN");
  RunSetup("-X C:\\MISSING.BIN");
  EXPECT_FALSE(Shown("file-left-open")) << Transcript();
}

// The demo payload, installed with -P into C:\VELNET where the demo's old installation has
// left its main database.
class DemoInstallTest : public HostSetupTest {
 protected:
  void SetUp() override {
    HostSetupTest::SetUp();
    ASSERT_EQ(Run(VNTPACK_PROGRAM,
                  "build " DEMO_DIRECTORY "/payload.ini --for-host -o " + HostPath("C:\\DEMO.PAY")),
              0);
    PutFile(kMainDatabase, ReadHostFile(DEMO_DIRECTORY "/old/IDB/MAIN.IDX"));
  }
  // The record's data in the main database, or "<none>".
  std::string MainRecord(uint32_t gid) {
    Database* db = nullptr;
    if (DbOpen(kMainDatabase, &db) != 0) return "<no database>";
    uint32_t length = 0;
    uint8_t* data = DbRead(db, gid, nullptr, 0, &length);
    std::string text =
        data != nullptr ? std::string(reinterpret_cast<char*>(data), length) : "<none>";
    FreeBlock(data);
    DbClose(db);
    return text;
  }
  // Demo files as the installation must leave them: their bytes, under the destination.
  void ExpectDemoInstalled(const std::string& dest) {
    const std::string demo = DEMO_DIRECTORY "/files/";
    for (const char* name :
         {"VNT.EXE", "DOSGAME.EXE", "GUIDE.TXT", "SCRIPTS/CONNECT.SCR", "RM_VNT.EXE"}) {
      std::string windows_name = name;
      for (char& c : windows_name) c = c == '/' ? '\\' : c;
      EXPECT_EQ(GetFile((dest + "\\" + windows_name).c_str()), ReadHostFile(demo + name)) << name;
    }
  }
};

TEST_F(DemoInstallTest, InstallModeInstallsTheDemoPayload) {
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 0);
  ExpectDemoInstalled("C:\\VELNET");
  EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM\\VNTCTL32.DLL"),
            ReadHostFile(DEMO_DIRECTORY "/files/SYSTEM/VNTCTL32.DLL"));
  EXPECT_FALSE(Exists("C:\\VELNET\\VNTCTL32.DLL"));
  EXPECT_EQ(GetFile("C:\\WINDOWS\\DOSGAME.PIF").size(), 545u);
  std::string log = GetFile("C:\\VELNET\\update.log");
  EXPECT_NE(log.find("Preparing dest dir\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("It'll fit\r\n"), std::string::npos);
  EXPECT_NE(log.find("Installing files\r\n"), std::string::npos);
  EXPECT_NE(log.find("Created C:\\WINDOWS\\DOSGAME.PIF\r\n"), std::string::npos);
  EXPECT_FALSE(Exists("C:\\update.log"));

  // The merge: the ten records of the merge file in the main database, its own records kept,
  // the version stamped (0x0384) and the version text written; the merge file deleted.
  EXPECT_NE(log.find("Old version: 0.0\r\nWrote GID 65537 (size 21)\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Wrote GID 196610 (size 30)\r\nNew version: 132.3\r\n"), std::string::npos)
      << log;
  EXPECT_EQ(MainRecord(0x00010001), "Welcome to Velnet 2.5");
  EXPECT_EQ(MainRecord(0x00030001), "Phone book updated for 2.5");
  EXPECT_EQ(MainRecord(0x00020003), std::string("\x01\x00\x02\x00\x19\x00", 6));
  EXPECT_EQ(MainRecord(0x00030002), "Thank you for choosing Velnet.");
  EXPECT_EQ(MainRecord(0x01000010), "Member profile: AUSTIN");
  EXPECT_EQ(MainRecord(0x00050001), "Saved settings of the member");
  EXPECT_EQ(MainRecord(kGidVersion), std::string("\x00\x84\x03\x00", 4));
  EXPECT_EQ(MainRecord(kGidVersionText), "2.5");
  EXPECT_FALSE(Exists("C:\\VELNET\\IDB\\MERGE.DB"));
  EXPECT_NE(GetFile("C:\\WINDOWS\\WIN.INI").find("AppPath=C:\\VELNET"), std::string::npos);
  std::string transcript = Transcript();
  EXPECT_NE(transcript.find("dialog-open 220"), std::string::npos) << transcript;
  EXPECT_EQ(transcript.find("file-left-open"), std::string::npos);
}

TEST_F(DemoInstallTest, WithoutAMainDatabaseTheInstallationIsUndoneWithError22) {
  ASSERT_TRUE(PlatDeleteFile(kMainDatabase));
  EXPECT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 4);
  EXPECT_TRUE(Shown("An error (#22) has occurred"));
  EXPECT_NE(GetFile("C:\\update.log").find("Fatal error #22\r\n"), std::string::npos);
  EXPECT_FALSE(Exists("C:\\VELNET\\VNT.EXE"));
  EXPECT_FALSE(Exists("C:\\VELNET\\IDB\\MERGE.DB"));  // a payload file: cleaned up too
}

TEST_F(DemoInstallTest, WindowsNtIsRefusedBeforeInstalling) {
  WriteMachineIni("[machine]\nplatform=2\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 3);
  EXPECT_TRUE(Shown("This version of Velnet will only run under"));
  EXPECT_FALSE(Exists("C:\\VELNET\\VNT.EXE"));
}

// WIN.INI spelled in lower case, as Wine's prefix spells it, comes back under its own name when
// a failed write of it is rolled back, and with its bytes.
TEST_F(DemoInstallTest, ARollbackPutsWinIniBackUnderTheNameItHad) {
  const std::string before = "[windows]\r\nload=\r\n";
  PutFile("C:\\WINDOWS\\win.ini", before);
  WriteMachineIni("[faults]\ncannot_open = 1 WIN.INI.new\n");
  EXPECT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 4);
  EXPECT_NE(GetFile("C:\\update.log").find("Fatal error #44\r\n"), std::string::npos);
  std::string names;
  DIR* folder = opendir(HostPath("C:\\WINDOWS").c_str());
  ASSERT_NE(folder, nullptr);
  for (dirent* entry = readdir(folder); entry != nullptr; entry = readdir(folder)) {
    if (strcasecmp(entry->d_name, "win.ini") == 0) names += std::string(entry->d_name) + " ";
  }
  closedir(folder);
  EXPECT_EQ(names, "win.ini ");
  EXPECT_EQ(GetFile("C:\\WINDOWS\\WIN.INI"), before);
}

TEST_F(DemoInstallTest, NoRoomAndNoRetryGivesUpBeforeInstalling) {
  WriteMachineIni("[free]\nC=65536\n");
  SetAnswers("box RETRY\nbox CANCEL\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 2);
  EXPECT_FALSE(Exists("C:\\VELNET\\VNT.EXE"));
  EXPECT_TRUE(Shown("There is not enough disk space to update Velnet.  At least "));
  EXPECT_TRUE(Shown("answer=RETRY"));
}

TEST_F(DemoInstallTest, UserCancelInInstallModeCleansUp) {
  SetAnswers("dialog 220 406\nbox YES\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 5);
  EXPECT_FALSE(Exists("C:\\VELNET\\SCRIPTS\\ACCOUNT.SCR"));
  std::string log = GetFile("C:\\VELNET\\update.log");
  EXPECT_NE(log.find("User stopped install\r\nRolling back (stopped)\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Rollback done: "), std::string::npos) << log;
  EXPECT_TRUE(Shown("Your computer has been left as it was"));
}

TEST_F(DemoInstallTest, TheProgramItemGoesToProgramManagerAfterTheFiles) {
  WriteMachineIni("[windows]\nclass=Progman\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 0);
  std::string transcript = Transcript();
  size_t group = transcript.find("command=\"[CreateGroup(Velnet)]\" result=accepted");
  size_t item =
      transcript.find("command=\"[AddItem(C:\\VELNET\\VNT.EXE,Velnet)]\" result=accepted");
  size_t shown = transcript.find("command=\"[ShowGroup(Velnet,7)]\" result=accepted");
  ASSERT_NE(shown, std::string::npos) << transcript;
  EXPECT_LT(transcript.find("dialog-close 220"), group);
  EXPECT_LT(group, item);
  EXPECT_LT(item, shown);
  EXPECT_EQ(transcript.find("atom-left"), std::string::npos);
  EXPECT_EQ(transcript.find("dde-memory-left"), std::string::npos);
  std::string log = GetFile("C:\\VELNET\\update.log");
  EXPECT_EQ(log.find("DDE"), std::string::npos) << log;
  EXPECT_EQ(log.find("Group failed"), std::string::npos) << log;
}

TEST_F(DemoInstallTest, TheEndOfTheSessionAfterTheInstallationKeepsTheLog) {
  WriteMachineIni("[machine]\nend_session=1\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 0);
  EXPECT_TRUE(Shown("end-session-query"));
  std::string log = GetFile("C:\\VELNET\\update.log");
  EXPECT_NE(log.find("Installing files\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Peak handles = "), std::string::npos) << log;
}

TEST_F(DemoInstallTest, OptionDLeavesProgramManagerAlone) {
  WriteMachineIni("[windows]\nclass=Progman\n");
  ASSERT_EQ(RunSetup("-D -X C:\\DEMO.PAY -P C:\\VELNET"), 0);
  EXPECT_TRUE(Exists("C:\\VELNET\\VNT.EXE"));
  EXPECT_EQ(Transcript().find("dde-initiate"), std::string::npos);
}

TEST_F(DemoInstallTest, WithoutProgramManagerTheRunGoesOn) {
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY -P C:\\VELNET"), 0);
  EXPECT_TRUE(Exists("C:\\VELNET\\VNT.EXE"));
  EXPECT_NE(GetFile("C:\\VELNET\\update.log").find("Couldn't create DDE client window\r\n"),
            std::string::npos);
}

// The update of an existing installation, as a user runs it: no -P, the search finds C:\VELNET,
// the Welcome dialog's Update installs, the completion dialog ends the run.
class UpdateRunTest : public DemoInstallTest {
 protected:
  void SetUp() override {
    DemoInstallTest::SetUp();
    PutFile("C:\\VELNET\\DIZI.EXE", "the installed client");
    PutFile("C:\\VELNET\\VNTPHONE.DAT", "the member's own phone list");
  }
};

TEST_F(UpdateRunTest, SearchWelcomeUpdateAndCompletion) {
  SetAnswers("dialog 201 401\ndialog 213 408\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY"), 0);
  ExpectDemoInstalled("C:\\VELNET");
  EXPECT_EQ(GetFile("C:\\VELNET\\VNTPHONE.DAT"), "the member's own phone list");
  std::string log = GetFile("C:\\VELNET\\update.log");
  EXPECT_NE(log.find("IAB:Verdict for C:\\VELNET\\IDB\\MAIN.IDX (build 83) = yes\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Most recent = C:\\VELNET\r\n"), std::string::npos);
  EXPECT_NE(log.find("Not installing VNTPHONE.DAT (preserved)\r\n"), std::string::npos);
  std::string transcript = Transcript();
  for (const char* shown :
       {"dialog-open 202", "dialog-open 201", "dialog-open 200", "dialog-open 213"}) {
    EXPECT_NE(transcript.find(shown), std::string::npos) << shown << "\n" << transcript;
  }
  EXPECT_EQ(transcript.find("file-left-open"), std::string::npos);
}

// The exact SETUP.EXE users get, with the demo payload attached, given with -X: its payload is
// found through the marker resource, as the program finds its own. The program without a
// payload, and copies cut short or damaged in their headers, end with an error and change
// nothing. VNT_SETUP_EXE names the built program (the test command sets it).
TEST_F(UpdateRunTest, TheShippedProgramsPayloadRunsHere) {
  const char* exe = getenv("VNT_SETUP_EXE");
  if (exe == nullptr) GTEST_SKIP() << "VNT_SETUP_EXE names no built SETUP.EXE";
  std::string program = ReadHostFile(exe);
  ASSERT_GT(program.size(), 1024u);
  // Built as a release is: the demo payload with the Win32 library built beside the program.
  std::string library =
      std::string(exe).substr(0, std::string(exe).rfind('/')) + "/unzip/dunzipnt.dll";
  ASSERT_EQ(Run(VNTPACK_PROGRAM, "build " DEMO_DIRECTORY "/payload.ini --library " + library +
                                     " -o " + HostPath("C:\\RELEASE.PAY")),
            0);
  ASSERT_EQ(Run(VNTPACK_PROGRAM, std::string("attach ") + exe + " " + HostPath("C:\\RELEASE.PAY") +
                                     " -o " + HostPath("C:\\SHIPPED.EXE")),
            0);
  std::string shipped = GetFile("C:\\SHIPPED.EXE");

  uint32_t pe = static_cast<uint8_t>(program[60]) | static_cast<uint8_t>(program[61]) << 8;
  struct Damage {
    const char* what;
    std::string bytes;
  };
  std::vector<Damage> damaged = {{"no payload", program},
                                 {"cut in its headers", shipped.substr(0, pe + 100)},
                                 {"cut in its sections", shipped.substr(0, program.size() / 2)}};
  // The image's start, its signature, the optional header's kind and the resources' address.
  uint32_t resources = pe + 24 + (program[pe + 25] == 0x02 ? 112 : 96) + 16;
  for (uint32_t at : {60u, pe, pe + 24, resources}) {
    std::string bytes = shipped;
    for (uint32_t i = at; i < at + 4; ++i) bytes[i] = '\xFF';
    damaged.push_back({"a header field overwritten", bytes});
  }
  for (const Damage& d : damaged) {
    SCOPED_TRACE(d.what);
    PutFile("C:\\SETUP.EXE", d.bytes);
    EXPECT_EQ(RunSetup("-S -X C:\\SETUP.EXE"), 1);
    EXPECT_NE(GetFile("C:\\update.log").find("Fatal error #"), std::string::npos);
    EXPECT_FALSE(Exists("C:\\VELNET\\VNT.EXE"));
  }

  PutFile("C:\\SETUP.EXE", shipped);
  ASSERT_EQ(RunSetup("-S -X C:\\SETUP.EXE"), 0);
  ExpectDemoInstalled("C:\\VELNET");
  EXPECT_NE(GetFile("C:\\VELNET\\update.log").find("Opt: Install file = C:\\SETUP.EXE\r\n"),
            std::string::npos);
}

TEST_F(UpdateRunTest, ExitInTheWelcomeDialogChangesNothing) {
  SetAnswers("dialog 201 403\ndialog 205 403\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY"), 2);
  EXPECT_FALSE(Exists("C:\\VELNET\\VNT.EXE"));
  EXPECT_NE(GetFile("C:\\VELNET\\update.log").find("User exit\r\n"), std::string::npos);
  EXPECT_EQ(Transcript().find("dialog-open 213"), std::string::npos);
}

TEST_F(UpdateRunTest, NothingFoundAsksForTheDirectory) {
  PlatDeleteFile("C:\\VELNET\\DIZI.EXE");  // the scan looks for the client's program
  SetAnswers("text 501 C:\\VELNET\ndialog 215 408\ndialog 201 401\ndialog 213 408\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY"), 0);
  EXPECT_NE(GetFile("C:\\VELNET\\update.log").find("No previous ver found\r\n"), std::string::npos);
  ExpectDemoInstalled("C:\\VELNET");
}

// Silent runs (-S): the same run with nothing shown, no dialog and no box in the transcript, each
// question answered the way that never risks the user's data, and an exit status that says
// what happened.
class SilentRunTest : public UpdateRunTest {
 protected:
  // An older copy of the SYSTEM file, loaded nowhere: replacing it needs a restart.
  void PutOlderSystemFile() {
    const uint32_t k1996 = (16u << 25) | (1u << 21) | (1u << 16);
    PutFile("C:\\WINDOWS\\SYSTEM\\VNTCTL32.DLL", "an older copy");
    PlatFile file = PlatOpenFile("C:\\WINDOWS\\SYSTEM\\VNTCTL32.DLL", kOpenWrite);
    ASSERT_EQ(PlatSetFileDosTime(file, k1996), 1);
    PlatCloseFile(file);
  }
  void ExpectNothingShown() {
    std::string transcript = Transcript();
    for (const char* shown : {"dialog-open", "box ", "beep"}) {
      EXPECT_EQ(transcript.find(shown), std::string::npos) << shown << " in\n" << transcript;
    }
  }
};

TEST_F(SilentRunTest, UpdatesAndCompletesWithoutShowingAnything) {
  ASSERT_EQ(RunSetup("-S -X C:\\DEMO.PAY"), 0);
  ExpectDemoInstalled("C:\\VELNET");
  ExpectNothingShown();
  std::string log = GetFile("C:\\VELNET\\update.log");
  EXPECT_NE(log.find("Dialog 201 answered 401 without being shown\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Dialog 213 answered 408 without being shown\r\n"), std::string::npos);
}

TEST_F(SilentRunTest, ARestartIsDeclinedUnlessOrdered) {
  PutOlderSystemFile();
  ASSERT_EQ(RunSetup("-S -X C:\\DEMO.PAY"), 7);
  ExpectNothingShown();
  EXPECT_EQ(Transcript().find("exit-windows"), std::string::npos);
  EXPECT_NE(GetFile("C:\\VELNET\\update.log").find("Dialog 218 answered 406"), std::string::npos);
}

TEST_F(SilentRunTest, WithROrderedTheRestartHappens) {
  PutOlderSystemFile();
  ASSERT_EQ(RunSetup("-S -R -X C:\\DEMO.PAY"), 0);
  ExpectNothingShown();
  EXPECT_NE(Transcript().find("exit-windows"), std::string::npos) << Transcript();
}

TEST_F(SilentRunTest, ADiskFullCancelsAndRollsBackWith4) {
  std::string before = GetFile(kMainDatabase);
  WriteMachineIni("[faults]\ndisk_full = 1 persistent\n");
  EXPECT_EQ(RunSetup("-S -X C:\\DEMO.PAY"), 4);
  ExpectNothingShown();
  EXPECT_FALSE(Exists("C:\\VELNET\\VNT.EXE"));
  EXPECT_EQ(GetFile(kMainDatabase), before);
}

// A destination where the journal cannot be made (a folder or a read-only file has its name, or
// its path would pass 259 characters) ends the run before anything changes, with exit status 1
// and the reason in update.log, whether it was found by the search or given with -P; what stands
// under the journal's name is left as it is.
TEST_F(SilentRunTest, ADestinationThatCannotHoldTheJournalEndsWith1BeforeAnythingChanges) {
  std::string deep = "C:\\DEEP";
  while (deep.size() < 240) deep += "\\DIRECTORY";
  deep = deep.substr(0, 250);  // fits a -P directory; its journal's path would not
  struct Case {
    const char* what;
    std::string options;
    std::string dir;
    const char* reason;
  };
  const Case cases[] = {
      {"a folder, found", "-S -X C:\\DEMO.PAY", "C:\\VELNET", "a folder has its name"},
      {"a folder, -P", "-S -X C:\\DEMO.PAY -P C:\\VELNET", "C:\\VELNET", "a folder has its name"},
      {"a read-only file, found", "-S -X C:\\DEMO.PAY", "C:\\VELNET", "a file there is read-only"},
      {"a read-only file, -P", "-S -X C:\\DEMO.PAY -P C:\\VELNET", "C:\\VELNET",
       "a file there is read-only"},
      {"a long path, -P", "-S -X C:\\DEMO.PAY -P " + deep, deep, "the path is too long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string journal = HostPath("C:\\VELNET\\VNTSETUP.RBK");
    ASSERT_EQ(system(("rm -rf '" + journal + "' '" + HostPath("C:\\update.log") + "'").c_str()), 0);
    if (strstr(c.reason, "folder") != nullptr) {
      PutFile("C:\\VELNET\\VNTSETUP.RBK\\MINE.TXT", "the member's own folder");
    } else if (strstr(c.reason, "read-only") != nullptr) {
      PutFile("C:\\VELNET\\VNTSETUP.RBK", "the member's own file");
      ASSERT_EQ(chmod(journal.c_str(), 0444), 0);
    }
    std::string phone = GetFile("C:\\VELNET\\VNTPHONE.DAT");
    EXPECT_EQ(RunSetup(c.options), 1);
    std::string log = GetFile("C:\\update.log");
    EXPECT_NE(log.find("No journal can be kept in " + c.dir + ": " + c.reason), std::string::npos)
        << log;
    EXPECT_NE(log.find("Fatal error #42"), std::string::npos) << log;
    EXPECT_FALSE(Exists("C:\\VELNET\\VNT.EXE"));
    EXPECT_FALSE(Exists("C:\\VELNET\\dunzipnt.dll"));
    EXPECT_EQ(GetFile("C:\\VELNET\\VNTPHONE.DAT"), phone);
    EXPECT_FALSE(Exists("C:\\VELNET\\VNTSETUP.001"));
    if (strstr(c.reason, "folder") != nullptr) {
      EXPECT_EQ(GetFile("C:\\VELNET\\VNTSETUP.RBK\\MINE.TXT"), "the member's own folder");
    } else if (strstr(c.reason, "read-only") != nullptr) {
      EXPECT_EQ(GetFile("C:\\VELNET\\VNTSETUP.RBK"), "the member's own file");
      chmod(journal.c_str(), 0644);
    }
  }
}

// An administrator's script runs `setup -S -L C:\ADMIN.LOG` on machines in every state and
// reads the exit status and the logs alone: each state must be told from every other. Nothing
// is shown in any of them, every state leaves a log (c:\update.log when there is no
// destination), and the -L copy holds the run's heading, its lines and its exit status.
TEST_F(SilentRunTest, EveryMachineStateIsToldApartByExitStatusAndLog) {
  enum Prepare { kAsIs, kTwice, kNoInstallation, kNoDatabase, kTooOld, kDamaged };
  struct State {
    const char* what;
    Prepare prepare;
    const char* machine_ini;
    int status;
    const char* log;   // where the run's log goes
    const char* line;  // the line that names the state
    bool installed;    // the update's files are there afterwards
  };
  const State states[] = {
      {"updated", kAsIs, "", 0, "C:\\VELNET\\update.log",
       "Candidate C:\\VELNET: can be updated (build 83)", true},
      {"already current", kTwice, "", 8, "C:\\update.log",
       "Candidate C:\\VELNET: already up to date (build 84)", true},
      {"not installed", kNoInstallation, "", 8, "C:\\update.log", "No previous ver found", false},
      {"no database", kNoDatabase, "", 8, "C:\\update.log", "Candidate C:\\VELNET: no database",
       false},
      {"too old", kTooOld, "", 8, "C:\\update.log",
       "Candidate C:\\VELNET: too old for this update (build 70)", false},
      {"damaged database", kDamaged, "", 8, "C:\\update.log",
       "Candidate C:\\VELNET: its database is damaged", false},
      {"disk full", kAsIs, "[free]\nC=4096\n", 2, "C:\\VELNET\\update.log",
       "Message not shown: There is not enough", false},
      {"file in use", kAsIs, "[faults]\nin_use = 1 persistent C:\\VELNET\\VNT.EXE\n", 4,
       "C:\\update.log", "Cannot install C:\\VELNET\\VNT.EXE: another program is using it", false},
      {"client running", kAsIs, "[modules]\nmodule=DIZI.EXE\n", 9, "C:\\update.log",
       "Message not shown: Please exit Velnet before running the Setup program.", false},
      {"second setup", kAsIs, "[windows]\nclass=_VNTSETUP_Frame\n", 9, "C:\\update.log",
       "Another setup is running; nothing was done", false},
      {"Windows NT", kAsIs, "[machine]\nplatform=2\n", 3, "C:\\update.log",
       "Message not shown: This version of Velnet will only run under", false},
  };
  const std::string old_database = GetFile(kMainDatabase);
  const std::string old_client = GetFile("C:\\VELNET\\DIZI.EXE");
  std::set<std::pair<int, std::string>> told;
  for (const State& state : states) {
    SCOPED_TRACE(state.what);
    ASSERT_EQ(system(("rm -rf '" + HostPath("C:\\VELNET") + "' '" + HostPath("C:\\update.log") +
                      "' '" + HostPath("C:\\ADMIN.LOG") + "'")
                         .c_str()),
              0);
    PutFile(kMainDatabase, old_database);
    PutFile("C:\\VELNET\\DIZI.EXE", old_client);
    WriteMachineIni("");
    if (state.prepare == kTwice) {
      ASSERT_EQ(RunSetup("-S -X C:\\DEMO.PAY"), 0);
    }
    if (state.prepare == kNoInstallation || state.prepare == kNoDatabase) {
      std::remove(HostPath(kMainDatabase).c_str());
    }
    if (state.prepare == kNoInstallation) std::remove(HostPath("C:\\VELNET\\DIZI.EXE").c_str());
    if (state.prepare == kDamaged) PutFile(kMainDatabase, "R2D2 and nothing that follows");
    if (state.prepare == kTooOld) {  // an installation of build 70, which the update does not take
      ASSERT_EQ(
          Run(VNTDB_PROGRAM, "create " + HostPath(kMainDatabase) +
                                 " --kind 0x01000401 --record 0x14000006=\\x00\\x70\\x03\\x00"),
          0);
    }
    WriteMachineIni(state.machine_ini);
    std::string before = Transcript();

    EXPECT_EQ(RunSetup("-S -L C:\\ADMIN.LOG -X C:\\DEMO.PAY"), state.status);
    std::string shown = Transcript().substr(before.size());
    for (const char* seen : {"dialog-open", "box ", "beep"}) {
      EXPECT_EQ(shown.find(seen), std::string::npos) << seen << " in\n" << shown;
    }
    std::string log = GetFile(state.log);
    EXPECT_NE(log.find(state.line), std::string::npos) << log;
    EXPECT_EQ(Exists("C:\\VELNET\\VNT.EXE"), state.installed);
    std::string copy = GetFile("C:\\ADMIN.LOG");
    EXPECT_EQ(copy.find("Setup run of "), 0u) << copy;
    EXPECT_NE(copy.find("\r\nCommand line: -S -L C:\\ADMIN.LOG -X C:\\DEMO.PAY\r\n"),
              std::string::npos)
        << copy;
    EXPECT_NE(copy.find(state.line), std::string::npos) << copy;
    std::string last = "Exit status: " + std::to_string(state.status) + "\r\n";
    EXPECT_EQ(copy.rfind(last), copy.size() - last.size()) << copy;
    EXPECT_TRUE(told.insert({state.status, state.line}).second);
  }
}

// -L copies the log and changes nothing else: an interactive update with and without it writes
// the same update.log and the same files; the copy begins with the heading and the version.
TEST_F(UpdateRunTest, TheLogCopyChangesNothingElse) {
  const std::string kept = root_ + ".before";
  ASSERT_EQ(system(("rm -rf '" + kept + "' && cp -a '" + root_ + "' '" + kept + "'").c_str()), 0);
  SetAnswers("dialog 201 401\ndialog 213 408\n");
  ASSERT_EQ(RunSetup("-X C:\\DEMO.PAY"), 0);
  std::string plain = GetFile("C:\\VELNET\\update.log");
  std::string merged = GetFile(kMainDatabase);

  ASSERT_EQ(system(("rm -rf '" + root_ + "' && mv '" + kept + "' '" + root_ + "'").c_str()), 0);
  SetAnswers("dialog 201 401\ndialog 213 408\n");
  ASSERT_EQ(RunSetup("-L C:\\COPY.LOG -X C:\\DEMO.PAY"), 0);
  EXPECT_EQ(GetFile("C:\\VELNET\\update.log"), plain);
  EXPECT_EQ(GetFile(kMainDatabase), merged);
  ExpectDemoInstalled("C:\\VELNET");
  std::string copy = GetFile("C:\\COPY.LOG");
  size_t lines = copy.find("\r\nVersion: 2.5\r\n");
  ASSERT_NE(lines, std::string::npos) << copy;
  lines += strlen("\r\nVersion: 2.5\r\n");
  EXPECT_EQ(copy.substr(lines), plain + "Exit status: 0\r\n");
}

}  // namespace

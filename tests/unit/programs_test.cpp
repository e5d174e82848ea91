// Starting other programs, the product library's restart verdict and the restart of Windows.
#include <gtest/gtest.h>

#include <string>

#include "driver/programs.h"
#include "tests/support/archive_tools.h"
#include "tests/support/setup_test.h"

namespace {

class ProgramsTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    strcpy(g_setup.dest_dir, "C:\\VELNET");
    PutFile("C:\\VELNET\\VNT.EXE", "program");
  }
  void UseProductLibrary(const char* variant) {
    PutFile("C:\\VELNET\\insmac32.dll", ReadHostFile(std::string(PRODUCT_LIBRARIES) +
                                                    "/insmac_" + variant + "/insmac32.dll"));
  }
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
};

TEST_F(ProgramsTest, ProductLibraryDecidesTheRestart) {
  CallProductLibrary();  // no library: nothing changes
  EXPECT_EQ(g_setup.reboot_requested, 0);

  UseProductLibrary("quiet");
  CallProductLibrary();
  EXPECT_EQ(g_setup.reboot_requested, 0);

  UseProductLibrary("restart");  // the last entry point's verdict counts
  CallProductLibrary();
  EXPECT_EQ(g_setup.reboot_requested, 1);
}

TEST_F(ProgramsTest, LibraryWithoutEntryPointsAsksForARestart) {
  UseProductLibrary("silent");
  CallProductLibrary();
  EXPECT_EQ(g_setup.reboot_requested, 1);
}

TEST_F(ProgramsTest, LibraryThatWillNotLoadChangesNothing) {
  UseProductLibrary("restart");
  HostFaultAdd({kFaultModuleLoad, 1, 1, "insmac32"});
  CallProductLibrary();
  EXPECT_EQ(g_setup.reboot_requested, 0);
}

TEST_F(ProgramsTest, ProgramsStartWhenTheyExist) {
  PlatProcess process = RunProgram("C:\\VELNET\\VNT.EXE", nullptr, kShowNormal);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(PlatWaitForProcess(process, 500), 1);
  PlatCloseProcess(process);
  EXPECT_EQ(RunProgram("C:\\VELNET\\NONE.EXE", nullptr, kShowNormal), nullptr);
  EXPECT_TRUE(Recorded("run-program \"C:\\VELNET\\VNT.EXE\" command=\"\" show=1 started"));
  EXPECT_TRUE(Recorded("run-program \"C:\\VELNET\\NONE.EXE\" command=\"\" show=1 not-found"));
}

TEST_F(ProgramsTest, RestartForcesWindowsToReboot) {
  RestartWindows();
  EXPECT_TRUE(Recorded("exit-windows 0x6"));
}

}  // namespace

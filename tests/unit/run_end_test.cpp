// The end of the run: the success and failure branches with their dialogs, the version file, the
// follow-on program's command line, the disk-full program, and the browser's build number.
#include <gtest/gtest.h>

#include <string>

#include "driver/browser.h"
#include "driver/run_end.h"
#include "services/update_log.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"

namespace {

class RunEndTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    strcpy(g_setup.dest_dir, "C:\\VELNET");
    PutFile("C:\\VELNET\\VNT.EXE", "program");
  }
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
};

TEST(BrowserBuild, ReadAsTheLeadingNumber) {
  EXPECT_EQ(BuildNumberOf("1300"), 1300);
  EXPECT_EQ(BuildNumberOf("  4.71.1712.6"), 4);
  EXPECT_EQ(BuildNumberOf("+12x"), 12);
  EXPECT_EQ(BuildNumberOf("-7"), -7);
  EXPECT_EQ(BuildNumberOf("IE4"), 0);
  EXPECT_EQ(BuildNumberOf(""), 0);
  EXPECT_EQ(BuildNumberOf("99999999999999"), 0x7FFFFFFF);
}

TEST_F(RunEndTest, SuccessShowsTheCompletionDialogAndWritesTheVersionFile) {
  g_setup.write_version_file = 1;
  strcpy(g_setup.version_text, "2.5");
  EXPECT_EQ(FinishRun(), 1);
  EXPECT_TRUE(Recorded("dialog-open 213"));
  EXPECT_FALSE(Recorded("dialog-open 218"));
  std::string version = GetFile("C:\\VELNET\\VERSION.INF");
  EXPECT_NE(version.find("[Application Information]"), std::string::npos) << version;
  EXPECT_NE(version.find("Application=vnt.exe"), std::string::npos);
  EXPECT_NE(version.find("Version=2.5"), std::string::npos);
}

TEST_F(RunEndTest, InstallModeSaysInstalledAndTheRestartQuestionDecides) {
  SetAnswers("dialog 221 408\ndialog 218 406\n");
  g_setup.install_mode = 1;
  g_setup.reboot_requested = 1;
  FinishRun();
  EXPECT_TRUE(Recorded("dialog-open 221"));
  EXPECT_TRUE(Recorded("dialog-open 218"));
  EXPECT_EQ(g_setup.reboot_requested, 0);  // Restart Later
}

TEST_F(RunEndTest, SuppressedFinishStillAsksAboutTheRestart) {
  SetAnswers("dialog 218 408\n");
  g_setup.suppress_finish = 1;
  g_setup.reboot_requested = 1;
  FinishRun();
  EXPECT_FALSE(Recorded("dialog-open 213"));
  EXPECT_EQ(g_setup.reboot_requested, 1);  // Restart Now
}

TEST_F(RunEndTest, FailureInInstallModeEndsWithTheUnfinishedBoxAndLogsTheError) {
  g_setup.install_mode = 1;
  g_setup.install_stopped = 1;
  g_setup.error_number = 21;
  FinishRun();
  EXPECT_FALSE(Recorded("dialog-open 222"));  // it would say that Velnet was installed
  EXPECT_TRUE(Recorded("text=\"Setup did not finish.\\n\\nYour computer has been left as it"));
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_EQ(g_setup.cleared_error, 21);
  ReportUnfinishedRun();  // shown once only
  EXPECT_EQ(Transcript().find("Setup did not finish"), Transcript().rfind("Setup did not finish"));
  EXPECT_FALSE(Exists("C:\\VELNET\\VERSION.INF"));
  FlushLog();
  EXPECT_EQ(GetFile("C:\\VELNET\\update.log"), "Fatal error #21\r\n");

  ResetSetupState();
  g_setup.install_mode = 1;
  g_setup.setup_aborted = 1;
  g_setup.suppress_finish = 1;
  FinishRun();
  EXPECT_EQ(Transcript().find("Setup did not finish"), Transcript().rfind("Setup did not finish"));
}

TEST_F(RunEndTest, FailureOutsideInstallModeShowsNothingHere) {
  g_setup.setup_aborted = 1;
  g_setup.write_version_file = 1;
  FinishRun();
  EXPECT_FALSE(Recorded("dialog-open"));
  EXPECT_FALSE(Exists("C:\\VELNET\\VERSION.INF"));
}

TEST_F(RunEndTest, FatalErrorSkipsTheStepsThatActOnTheInstallation) {
  g_setup.error_number = 1039;
  g_setup.write_version_file = 1;
  FinishRun();
  EXPECT_FALSE(Exists("C:\\VELNET\\VERSION.INF"));
  EXPECT_FALSE(Recorded("dialog-open 213"));
  EXPECT_EQ(g_setup.error_number, 1039);
}

TEST_F(RunEndTest, DiskFullProgramOfferClearsTheError) {
  g_setup.offer_disk_full_program = 1;
  g_setup.install_stopped = 1;
  g_setup.error_number = 9;
  FinishRun();
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_TRUE(Recorded("dialog-missing 226"));  // no template: the program is not started
  EXPECT_FALSE(Recorded("run-program"));
}

TEST_F(RunEndTest, FollowOnProgramWithoutItsDialogIsNotStarted) {
  strcpy(g_setup.follow_on_program, "NEXT.EXE");
  FinishRun();
  EXPECT_TRUE(Recorded("dialog-missing 219"));
  EXPECT_EQ(g_setup.follow_on_launched, 0);
  EXPECT_FALSE(Recorded("winexec"));
  EXPECT_TRUE(Recorded("dialog-open 213"));
}

TEST_F(RunEndTest, BrowserInstallersOutsideTheDestinationAreNotStarted) {
  PayloadLayout layout;
  layout.ie_build_required = 1300;
  layout.ie_installers = {"..\\OTHER\\KEEP.TXT", "IE\\..\\..\\UP.EXE", "\\ROOT.EXE",
                          "C:\\DRIVE.EXE",       "IE/../../SLASH.EXE", "IE\\SETUP.EXE"};
  UsePayloadFile(BuildPayload(layout));
  ASSERT_TRUE(OpenPayload() && ReadPayloadHeader());
  for (const char* path : {"C:\\OTHER\\KEEP.TXT", "C:\\UP.EXE", "C:\\ROOT.EXE", "C:\\DRIVE.EXE",
                           "C:\\SLASH.EXE", "C:\\VELNET\\IE\\SETUP.EXE"}) {
    PutFile(path, "program");
  }
  SetAnswers("box NO\n");
  InstallBrowser();
  std::string transcript = Transcript();
  size_t started = 0;
  for (size_t at = transcript.find("run-program"); at != std::string::npos;
       at = transcript.find("run-program", at + 1)) {
    ++started;
  }
  EXPECT_EQ(started, 1u) << transcript;
  EXPECT_TRUE(Recorded("run-program \"C:\\VELNET\\IE\\SETUP.EXE\""));
}

}  // namespace

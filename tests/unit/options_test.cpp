// The command line: the program name skipped at start-up, switches, the -P and -X arguments,
// separators, and the option log lines.
#include <gtest/gtest.h>

#include <string>

#include "driver/options.h"
#include "platform/command_line.h"
#include "services/errors.h"
#include "services/setup_state.h"
#include "tests/support/setup_test.h"

namespace {

class OptionsTest : public SetupTest {};

TEST(ProgramNameTest, TheOptionsBeginBehindTheName) {
  struct Case {
    const char* line;
    const char* options;
  };
  const Case kCases[] = {
      {"SETUP.EXE -C -R", "-C -R"},
      {"\"C:\\SETUP.EXE\"-C -X C:\\NOPE.PAY", "-C -X C:\\NOPE.PAY"},
      {"\"C:\\PROGRAM FILES\\SETUP.EXE\"  -P C:\\A B", "-P C:\\A B"},
      {"SETUP\"A B\" -C -R", "B\" -C -R"},
      {"\"C:\\NO END", ""},
      {"SETUP.EXE\t-C", "-C"},
      {"SETUP.EXE \t \x01-D", "-D"},
      {"SETUP.EXE", ""},
      {"", ""},
      {"  -C", "-C"},
  };
  for (const Case& c : kCases) EXPECT_STREQ(SkipProgramName(c.line), c.options) << c.line;
}

TEST_F(OptionsTest, EmptyAndBlankLinesSetNothing) {
  g_setup.crash_mode = 1;
  ParseOptions(nullptr);
  EXPECT_EQ(g_setup.crash_mode, 1);
  ResetSetupState();
  ParseOptions("");
  ParseOptions("     ");
  EXPECT_EQ(g_setup.crash_mode + g_setup.suppress_finish + g_setup.skip_modem +
                g_setup.install_mode + g_setup.reboot_requested + g_setup.write_version_file,
            0);
  EXPECT_STREQ(g_setup.install_file, "");
}

TEST_F(OptionsTest, SwitchesInEitherFormAndCase) {
  ParseOptions("-c /d -M /r -v");
  EXPECT_EQ(g_setup.crash_mode, 1);
  EXPECT_EQ(g_setup.suppress_finish, 1);
  EXPECT_EQ(g_setup.skip_modem, 1);
  EXPECT_EQ(g_setup.reboot_requested, 1);
  EXPECT_EQ(g_setup.write_version_file, 1);
  EXPECT_EQ(g_setup.install_mode, 0);
}

TEST_F(OptionsTest, RestOfAWordIsIgnoredAndUnknownWordsAreSkipped) {
  ParseOptions("-Crash -q -- - setup.exe /Z");
  EXPECT_EQ(g_setup.crash_mode, 1);
  EXPECT_EQ(g_setup.install_file[0], '\0');
  ResetSetupState();
  ParseOptions("- -C");
  EXPECT_EQ(g_setup.crash_mode, 1);
}

TEST_F(OptionsTest, InstallFileFollowsTheLetterOrBlanks) {
  ParseOptions("/x   A:\\SETUP.PAY -c");
  EXPECT_STREQ(g_setup.install_file, "A:\\SETUP.PAY");
  EXPECT_EQ(g_setup.crash_mode, 1);
  ResetSetupState();
  ParseOptions("-XC:\\P.BIN");
  EXPECT_STREQ(g_setup.install_file, "C:\\P.BIN");
}

// -S and -L are read before the options themselves; -L's argument is one word, as -X's is, and
// never read as an option of its own; after -P nothing is an option. ParseOptions then leaves
// the early options as they were read and takes the rest of the line as before.
TEST_F(OptionsTest, EarlyOptionsAreReadBeforeTheRest) {
  struct Case {
    const char* line;
    int silent;
    const char* log_copy;
    const char* install_file;
  };
  const std::string long_name(300, 'L');
  const std::string overlong = "-L C:\\" + long_name + " -S";
  const Case kCases[] = {
      {"-S -L C:\\A.LOG -X C:\\P.PAY", 1, "C:\\A.LOG", "C:\\P.PAY"},
      {"/l   C:\\A.LOG /silent", 1, "C:\\A.LOG", ""},
      {"-L -S", 0, "-S", ""},
      {"-X -S -L C:\\A.LOG", 0, "C:\\A.LOG", "-S"},
      {"-P C:\\DIR -S -L C:\\A.LOG", 0, "", ""},
      {"-L", 0, "", ""},
      {overlong.c_str(), 1, "", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    ResetSetupState();
    ReadEarlyOptions(c.line);
    EXPECT_EQ(g_setup.silent, c.silent);
    EXPECT_STREQ(g_setup.log_copy_path, c.log_copy);
    ParseOptions(c.line);
    EXPECT_STREQ(g_setup.log_copy_path, c.log_copy);
    EXPECT_STREQ(g_setup.install_file, c.install_file);
  }
}

TEST_F(OptionsTest, TabsBelongToWords) {
  ParseOptions("-X\tA:\\P.BIN");
  EXPECT_STREQ(g_setup.install_file, "\tA:\\P.BIN");
}

TEST_F(OptionsTest, InstallDirectoryRunsToTheEndOfTheLine) {
  ParseOptions("-C -P C:\\Program Files\\Velnet -R");
  EXPECT_EQ(g_setup.install_mode, 1);
  EXPECT_STREQ(g_setup.install_dir, "C:\\Program Files\\Velnet -R");
  EXPECT_EQ(g_setup.reboot_requested, 0);
  EXPECT_EQ(g_setup.crash_mode, 1);
}

TEST_F(OptionsTest, OverlongArgumentsAreRefusedNotShortened) {
  std::string file(256, 'f');
  ParseOptions(("-X " + file).c_str());
  EXPECT_EQ(strlen(g_setup.install_file), 256u);
  EXPECT_EQ(g_setup.error_number, 0);

  ResetSetupState();
  ParseOptions(("-X " + file + "g -C").c_str());
  EXPECT_STREQ(g_setup.install_file, "");
  EXPECT_EQ(g_setup.error_number, kErrorPayloadOpen);
  EXPECT_EQ(g_setup.crash_mode, 1);

  ResetSetupState();
  SetAnswers("box OK\n");
  ParseOptions(("-P C:\\" + std::string(260, 'd')).c_str());
  EXPECT_STREQ(g_setup.install_dir, "");
  EXPECT_EQ(g_setup.setup_aborted, 1);
  EXPECT_NE(Transcript().find("You've entered a directory name that is not valid."),
            std::string::npos);
}

TEST_F(OptionsTest, MissingOrOverlongInstallDirectoryGivesUpWithoutInstalling) {
  const std::string overlong = "-P C:\\" + std::string(254, 'd');
  for (const std::string& line : {std::string("-P"), std::string("-C -P   "), std::string("/p"),
                                  overlong, std::string("-D ") + overlong + " -R"}) {
    ResetSetupState();
    SetAnswers("box OK\n");
    size_t before = Transcript().size();
    ParseOptions(line.c_str());
    EXPECT_STREQ(g_setup.install_dir, "") << line;
    EXPECT_EQ(g_setup.install_mode, 0) << line;
    EXPECT_EQ(g_setup.setup_aborted, 1) << line;
    std::string transcript = Transcript().substr(before);
    EXPECT_NE(transcript.find("You've entered a directory name that is not valid."),
              std::string::npos)
        << line;
    EXPECT_EQ(transcript.find("free bytes"), std::string::npos) << line;
  }
}

TEST_F(OptionsTest, OptionLogLinesInOrder) {
  ParseOptions("-X C:\\P.BIN -M -C");
  LogOptions();
  FlushLog();
  EXPECT_EQ(GetFile("C:\\update.log"),
            "Opt: Crash mode\r\nOpt: Skip modem\r\nOpt: Install file = C:\\P.BIN\r\n");
}

}  // namespace

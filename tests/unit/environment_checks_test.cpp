// The machine tests: the platform refusals, and when the processor and memory test asks about the
// 16-bit setup.
#include <gtest/gtest.h>

#include <string>

#include "driver/environment_checks.h"
#include "tests/support/setup_test.h"

namespace {

class EnvironmentTest : public SetupTest {
 protected:
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
};

TEST_F(EnvironmentTest, Windows95AndUnknownPlatformsAreAccepted) {
  for (const char* platform : {"1", "3"}) {
    WriteMachineIni(std::string("[machine]\nplatform=") + platform + "\n");
    EXPECT_EQ(CheckPlatform(), 1) << platform;
  }
  EXPECT_EQ(g_setup.setup_aborted, 0);
  EXPECT_FALSE(Recorded("box "));
}

TEST_F(EnvironmentTest, Win32sAndWindowsNtAreRefused) {
  WriteMachineIni("[machine]\nplatform=0\n");
  EXPECT_EQ(CheckPlatform(), 0);
  EXPECT_EQ(g_setup.setup_aborted, 1);
  EXPECT_TRUE(
      Recorded("This version of Velnet must be installed on\\nthe Windows 95 operating "
               "system or higher."));
  ResetSetupState();
  WriteMachineIni("[machine]\nplatform=2\n");
  EXPECT_EQ(CheckPlatform(), 0);
  EXPECT_EQ(g_setup.setup_aborted, 1);
  EXPECT_TRUE(
      Recorded("This version of Velnet will only run under\\nthe Windows 95 operating "
               "system."));
  EXPECT_EQ(g_setup.error_number, 0);
}

TEST_F(EnvironmentTest, SmallMachinesAreOfferedTheOldSetupFirst) {
  const struct {
    const char* machine;
    bool below;
  } cases[] = {{"processor=486\nmemory=33554432\n", true},
               {"processor=586\nmemory=15999999\n", true},
               {"processor=586\nmemory=16000000\n", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.machine);
    WriteMachineIni(std::string("[machine]\n") + c.machine);
    size_t before = Transcript().size();
    CheckHardware();
    std::string shown = Transcript().substr(before);
    EXPECT_EQ(shown.find("dialog-missing 227") != std::string::npos, c.below);
    EXPECT_NE(shown.find("dialog-missing 228"), std::string::npos);  // asked whatever the figures
    EXPECT_EQ(g_setup.setup_aborted, 0);  // without the templates the run goes on
  }
}

}  // namespace

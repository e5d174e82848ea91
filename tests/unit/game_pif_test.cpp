// DOSGAME.PIF: the template byte for byte, the program path and checksum, and the file written
// into the Windows directory.
#include <gtest/gtest.h>

#include <string>

#include "integration/game_pif.h"
#include "tests/support/setup_test.h"

namespace {

std::string Image(const char* program) {
  uint8_t image[kGamePifSize];
  if (!BuildGamePif(program, image)) return "";
  return std::string(reinterpret_cast<char*>(image), kGamePifSize);
}

uint16_t Word(const std::string& image, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(image[at]) | static_cast<uint8_t>(image[at + 1])
                                                                     << 8);
}

TEST(GamePifTemplate, FieldsAsListed) {
  std::string t = Image("D.EXE");
  ASSERT_EQ(t.size(), 545u);
  EXPECT_EQ(t[0], '\0');
  EXPECT_EQ(static_cast<uint8_t>(t[1]), 0x13);  // the template's own checksum
  EXPECT_EQ(t.substr(2, 30), "DOS Game" + std::string(22, ' '));
  EXPECT_EQ(Word(t, 0x20), 128);
  EXPECT_EQ(Word(t, 0x22), 128);
  EXPECT_EQ(t.substr(0x24, 63), std::string("D.EXE\0", 6) + std::string(57, ' '));
  EXPECT_EQ(static_cast<uint8_t>(t[0x63]), 0x10);
  EXPECT_EQ(t.substr(0x65, 64), std::string(1, '\0') + std::string(63, ' '));
  EXPECT_EQ(t.substr(0xA5, 64), std::string(6, '\0') + std::string(58, ' '));
  EXPECT_EQ(t.substr(0xE5, 8), std::string("\x7F\x01\x00\xFF\x19\x50\x00\x00", 8));
  EXPECT_EQ(Word(t, 0xED), 7);
  EXPECT_EQ(t.substr(0xEF, 128), std::string(128, '\0'));
  EXPECT_EQ(t.substr(0x16F, 2), "\xE0\x60");
  EXPECT_EQ(t.substr(0x171, 16), std::string("MICROSOFT PIFEX\0", 16));
  EXPECT_EQ(Word(t, 0x181), 0x0187);
  EXPECT_EQ(Word(t, 0x183), 0x0000);
  EXPECT_EQ(Word(t, 0x185), 0x0171);
  EXPECT_EQ(t.substr(0x187, 16), std::string("WINDOWS 386 3.0\0", 16));
  EXPECT_EQ(Word(t, 0x197), 0x0205);
  EXPECT_EQ(Word(t, 0x199), 0x019D);
  EXPECT_EQ(Word(t, 0x19B), 0x0068);
  const uint16_t words[] = {0xFFFF, 0xFFFF, 1000, 50, 1024, 0, 1024, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Word(t, 0x19D + 2 * i), words[i]) << i;
  EXPECT_EQ(t.substr(0x1AD, 8), std::string("\x0C\x20\x02\x00\xC9\x00\x00\x00", 8));
  EXPECT_EQ(t.substr(0x1B5, 18), std::string(18, '\0'));
  EXPECT_EQ(t.substr(0x1C7, 62), std::string(62, ' '));
  EXPECT_EQ(t.substr(0x205, 16), std::string("WINDOWS 286 3.0\0", 16));
  EXPECT_EQ(Word(t, 0x215), 0xFFFF);
  EXPECT_EQ(Word(t, 0x217), 0x021B);
  EXPECT_EQ(Word(t, 0x219), 0x0006);
  EXPECT_EQ(t.substr(0x21B, 6), std::string(6, '\0'));
}

TEST(GamePifTemplate, OnlyThePathAndTheChecksumChange) {
  std::string t = Image("D.EXE");
  std::string p = Image("C:\\GAMES\\DOSGAME.EXE");
  EXPECT_EQ(p.substr(0x24, 21), std::string("C:\\GAMES\\DOSGAME.EXE\0", 21));
  EXPECT_EQ(p.substr(0x24 + 21), t.substr(0x24 + 21));
  EXPECT_EQ(p.substr(2, 0x22), t.substr(2, 0x22));
  uint8_t sum = 0;
  for (size_t i = 2; i <= 0x170; ++i) sum = static_cast<uint8_t>(sum + p[i]);
  EXPECT_EQ(static_cast<uint8_t>(p[1]), sum);
}

TEST(GamePifTemplate, PathFieldHolds62Characters) {
  std::string longest(62, 'P');
  std::string p = Image(longest.c_str());
  ASSERT_EQ(p.size(), 545u);
  EXPECT_EQ(p.substr(0x24, 63), longest + std::string(1, '\0'));
  EXPECT_EQ(static_cast<uint8_t>(p[0x63]), 0x10);  // the next field is untouched
  EXPECT_EQ(Image(std::string(63, 'P').c_str()), "");
}

class GamePifTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  }
};

TEST_F(GamePifTest, WritesTheFileIntoTheWindowsDirectory) {
  strcpy(g_setup.dest_dir, "C:\\GAMES");
  PutFile("C:\\GAMES\\X", "");
  PutFile("C:\\WINDOWS\\DOSGAME.PIF", std::string(1000, 'o'));
  EXPECT_EQ(CreateGamePif(), 1);
  EXPECT_EQ(GetFile("C:\\WINDOWS\\DOSGAME.PIF"), Image("C:\\GAMES\\DOSGAME.EXE"));
  FlushLog();
  EXPECT_EQ(GetFile("C:\\GAMES\\update.log"), "Created C:\\WINDOWS\\DOSGAME.PIF\r\n");
}

TEST_F(GamePifTest, LongProgramPathWritesNoPif) {
  std::string dest = "C:\\" + std::string(60, 'G');
  strcpy(g_setup.dest_dir, dest.c_str());
  PutFile((dest + "\\X").c_str(), "");
  EXPECT_EQ(CreateGamePif(), 0);
  EXPECT_FALSE(Exists("C:\\WINDOWS\\DOSGAME.PIF"));
  FlushLog();
  EXPECT_EQ(GetFile((dest + "\\update.log").c_str()), "Couldn't create game PIF\r\n");
}

TEST_F(GamePifTest, UncreatableFileAndGivenUpWrite) {
  strcpy(g_setup.dest_dir, "C:\\GAMES");
  PutFile("C:\\GAMES\\X", "");
  HostFaultAdd({kFaultCannotOpen, 1, 0, "DOSGAME.PIF"});
  EXPECT_EQ(CreateGamePif(), 0);

  SetAnswers("box CANCEL\n");
  HostFaultAdd({kFaultDiskFull, 1, 1, "DOSGAME.PIF"});
  EXPECT_EQ(CreateGamePif(), 0);
  EXPECT_EQ(g_setup.install_stopped, 1);
  FlushLog();
  EXPECT_EQ(GetFile("C:\\GAMES\\update.log"), "Couldn't create game PIF\r\n");
}

}  // namespace

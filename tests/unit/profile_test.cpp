// Profile strings on the simulated machine (WIN.INI and other INI files, Windows' rules) and the
// help contents registration in Help\Windows.cnt.
#include <gtest/gtest.h>

#include <string>

#include "integration/help_contents.h"
#include "platform/profile.h"
#include "tests/support/setup_test.h"

namespace {

const char kWinIni[] = "C:\\WINDOWS\\WIN.INI";

class ProfileTest : public MachineTest {
 protected:
  std::string Get(const char* section, const char* key, const char* default_text = "none",
                  uint32_t size = 64) {
    char out[256];
    uint32_t length = PlatGetProfileString(section, key, default_text, out, size);
    EXPECT_EQ(length, std::string(out).size());
    return out;
  }
};

TEST_F(ProfileTest, ReadsSectionsAndKeysWithoutRegardToCase) {
  PutFile(kWinIni,
          "[windows]\r\nload=\r\n\r\n[Dizi]\r\n  AppPath =  C:\\VELNET  \r\nInstalled=US\r\n"
          "Quoted=\"  spaced  \"\r\nOdd=\"one\r\n[dizi]\r\nSecond=ignored\r\n");
  EXPECT_EQ(Get("DIZI", "apppath"), "C:\\VELNET");
  EXPECT_EQ(Get("dizi", "INSTALLED"), "US");
  EXPECT_EQ(Get("DIZI", "Quoted"), "  spaced  ");  // matching quotes are taken off
  EXPECT_EQ(Get("DIZI", "Odd"), "\"one");
  EXPECT_EQ(Get("windows", "load"), "");
  EXPECT_EQ(Get("DIZI", "Second"), "none");  // only the first section of a name counts
  EXPECT_EQ(Get("Missing", "AppPath", ""), "");
  EXPECT_EQ(Get("DIZI", "Missing", nullptr), "");
}

TEST_F(ProfileTest, ATextThatDoesNotFitIsNotShortened) {
  PutFile(kWinIni, "[DIZI]\nAppPath=C:\\VELNET\n");
  EXPECT_EQ(Get("DIZI", "AppPath", "", 10), "C:\\VELNET");
  EXPECT_EQ(Get("DIZI", "AppPath", "", 9), "");
  EXPECT_EQ(Get("DIZI", "Other", "123456789", 9), "");
}

TEST_F(ProfileTest, WritesCreateTheFileAndTheSection) {
  EXPECT_EQ(PlatWriteProfileString("DIZI", "Installed", "US"), 1);
  EXPECT_EQ(GetFile(kWinIni), "[DIZI]\r\nInstalled=US\r\n");
  EXPECT_EQ(PlatWriteProfileString("dizi", "AppPath", "C:\\VELNET"), 1);
  EXPECT_EQ(GetFile(kWinIni), "[DIZI]\r\nInstalled=US\r\nAppPath=C:\\VELNET\r\n");
  EXPECT_EQ(PlatWriteProfileString("Other", "Key", "v"), 1);
  EXPECT_EQ(GetFile(kWinIni),
            "[DIZI]\r\nInstalled=US\r\nAppPath=C:\\VELNET\r\n\r\n[Other]\r\nKey=v\r\n");
}

TEST_F(ProfileTest, AValueIsReplacedInPlaceAndTheRestIsKept) {
  PutFile(kWinIni,
          "; comment\n[windows]\nload=\n\n[Dizi]\n  appPATH = C:\\OLD\nInstalled=UK\n\n\n"
          "[fonts]\nArial=ARIAL.FON");
  EXPECT_EQ(PlatWriteProfileString("DIZI", "AppPath", "C:\\VELNET"), 1);
  EXPECT_EQ(PlatWriteProfileString("DIZI", "Extra", "1"), 1);
  EXPECT_EQ(PlatWriteProfileString("FONTS", "Courier", "COURE.FON"), 1);
  EXPECT_EQ(GetFile(kWinIni),
            "; comment\n[windows]\nload=\n\n[Dizi]\nappPATH=C:\\VELNET\r\nInstalled=UK\n"
            "Extra=1\r\n\n\n[fonts]\nArial=ARIAL.FON\r\nCourier=COURE.FON\r\n");
  EXPECT_EQ(Get("DIZI", "APPPATH"), "C:\\VELNET");
}

TEST_F(ProfileTest, PrivateFilesAndWhatCannotBeWritten) {
  EXPECT_EQ(PlatWritePrivateProfileString("Application Information", "Application", "vnt.exe",
                                          "C:\\VELNET\\VERSION.INF"),
            0);  // the directory does not exist
  PutFile("C:\\VELNET\\README.TXT", "");
  EXPECT_EQ(PlatWritePrivateProfileString("Application Information", "Application", "vnt.exe",
                                          "c:\\velnet\\version.inf"),
            1);
  EXPECT_EQ(GetFile("C:\\VELNET\\VERSION.INF"),
            "[Application Information]\r\nApplication=vnt.exe\r\n");
  EXPECT_EQ(PlatWritePrivateProfileString("S", "K", "V", "SYSTEM.INI"), 1);
  EXPECT_EQ(GetFile("C:\\WINDOWS\\SYSTEM.INI"), "[S]\r\nK=V\r\n");
  // Texts that would break the file's lines are refused, and nothing is written.
  EXPECT_EQ(PlatWriteProfileString("S]", "K", "V"), 0);
  EXPECT_EQ(PlatWriteProfileString("S", "K=", "V"), 0);
  EXPECT_EQ(PlatWriteProfileString("S", "K", "two\r\nlines"), 0);
  EXPECT_EQ(PlatWriteProfileString("", "K", "V"), 0);
  EXPECT_FALSE(Exists(kWinIni));
  // A read-only WIN.INI is not changed.
  PutFile(kWinIni, "[S]\r\nK=old\r\n");
  ASSERT_EQ(PlatSetFileAttributes(kWinIni, kAttrReadOnly), 1);
  EXPECT_EQ(PlatWriteProfileString("S", "K", "new"), 0);
  EXPECT_EQ(GetFile(kWinIni), "[S]\r\nK=old\r\n");
}

// A disk that is full, a create, delete or move that fails, at any of the write's calls: WIN.INI
// is either as it was or wholly the new text, never cut, and no new file is left beside it.
TEST_F(ProfileTest, AFailedWriteLeavesWinIniAsItWas) {
  const std::string before = "[Desktop]\r\nWallpaper=(None)\r\nTileWallpaper=0\r\n";
  const std::string after =
      "[Desktop]\r\nWallpaper=(None)\r\nTileWallpaper=0\r\n\r\n"
      "[DIZI]\r\nAppPath=C:\\VELNET\r\n";
  for (HostFaultKind kind : {kFaultDiskFull, kFaultCannotOpen, kFaultReadOnly}) {
    for (uint32_t nth = 1; nth <= 6; ++nth) {
      PutFile(kWinIni, before);
      HostFaultClear();
      ASSERT_EQ(HostFaultAdd({kind, nth, 0, "WIN.INI"}), 1);
      int written = PlatWriteProfileString("DIZI", "AppPath", "C:\\VELNET");
      std::string text = GetFile(kWinIni);
      EXPECT_EQ(text, written ? after : before) << kind << " " << nth;
      EXPECT_FALSE(Exists("C:\\WINDOWS\\WIN.INI.new")) << kind << " " << nth;
    }
  }
  HostFaultClear();
}

TEST_F(ProfileTest, WinIniFollowsTheWindowsDirectory) {
  WriteMachineIni("[machine]\nwindows_dir=D:\\WIN95\n");
  PutFile("D:\\WIN95\\WIN.INI", "[DIZI]\r\nAppPath=D:\\VNT\r\n");
  EXPECT_EQ(Get("DIZI", "AppPath"), "D:\\VNT");
  EXPECT_EQ(PlatWriteProfileString("DIZI", "Installed", "US"), 1);
  EXPECT_EQ(GetFile("D:\\WIN95\\WIN.INI"), "[DIZI]\r\nAppPath=D:\\VNT\r\nInstalled=US\r\n");
}

// ---- Help contents.

const char kContents[] = "C:\\WINDOWS\\HELP\\WINDOWS.CNT";
const char kLines[] =
    ":Index Velnet Help=vnt95f.hlp\r\n:Link vnt95f.hlp\r\n:include vnt95f.cnt\r\n";

class HelpContentsTest : public SetupTest {};

TEST_F(HelpContentsTest, TheLinesAreAddedOnce) {
  const std::string original = ":Base windows.hlp\r\n:Title Windows Help\r\n";
  PutFile(kContents, original);
  EXPECT_EQ(RegisterHelpContents(), 1);
  EXPECT_EQ(GetFile(kContents), original + kLines);
  EXPECT_EQ(RegisterHelpContents(), 1);
  EXPECT_EQ(GetFile(kContents), original + kLines);
}

TEST_F(HelpContentsTest, TheMarkerAnywhereCountsButOnlyInItsOwnCase) {
  PutFile(kContents, ":Link other.hlp\r\n; see vnt95f.cnt\r\n");
  EXPECT_EQ(RegisterHelpContents(), 1);
  EXPECT_EQ(GetFile(kContents), ":Link other.hlp\r\n; see vnt95f.cnt\r\n");
  PutFile(kContents, ":include VNT95F.CNT");
  EXPECT_EQ(RegisterHelpContents(), 1);
  // Appended right after the last byte: the first new line continues the old last line.
  EXPECT_EQ(GetFile(kContents), std::string(":include VNT95F.CNT") + kLines);
}

TEST_F(HelpContentsTest, AMissingEmptyOrLockedFileIsLeftAlone) {
  EXPECT_EQ(RegisterHelpContents(), 0);
  EXPECT_FALSE(Exists(kContents));
  PutFile(kContents, "");
  EXPECT_EQ(RegisterHelpContents(), 0);
  EXPECT_EQ(GetFile(kContents), "");
  PutFile(kContents, ":Base windows.hlp\r\n");
  ASSERT_EQ(PlatSetFileAttributes(kContents, kAttrReadOnly), 1);
  EXPECT_EQ(RegisterHelpContents(), 0);
  ASSERT_EQ(PlatSetFileAttributes(kContents, 0), 1);
  EXPECT_EQ(GetFile(kContents), ":Base windows.hlp\r\n");
}

// Whatever holds the file open (to read, to write, alone), or takes it between the size test
// and the open (the open finds it in use), it is neither read nor amended; once let go, the
// lines are added.
TEST_F(HelpContentsTest, AFileOpenElsewhereIsLeftAlone) {
  const std::string original = ":Base windows.hlp\r\n";
  PutFile(kContents, original);
  for (int holder = 0; holder < 4; ++holder) {
    PlatFile held = kPlatNoFile;
    if (holder == 0) held = PlatOpenFile(kContents, kOpenRead);
    if (holder == 1) held = PlatOpenFile(kContents, kOpenWrite);
    if (holder == 2) held = PlatOpenExclusive(kContents);
    if (holder == 3) {
      ASSERT_EQ(HostFaultAdd({kFaultInUse, 2, 0, "WINDOWS.CNT"}), 1);  // the size test, the open
    } else {
      ASSERT_NE(held, kPlatNoFile) << holder;
    }
    EXPECT_EQ(RegisterHelpContents(), 0) << holder;
    if (held != kPlatNoFile) PlatCloseFile(held);
    EXPECT_EQ(GetFile(kContents), original) << holder;
  }
  EXPECT_EQ(RegisterHelpContents(), 1);
  EXPECT_EQ(GetFile(kContents), original + kLines);
}

TEST_F(HelpContentsTest, AShortWriteIsReported) {
  PutFile(kContents, ":Base windows.hlp\r\n");
  ASSERT_EQ(HostFaultAdd({kFaultDiskFull, 2, 0, "WINDOWS.CNT"}), 1);
  EXPECT_EQ(RegisterHelpContents(), 0);
  EXPECT_EQ(HostFaultCalls(kFaultDiskFull), 2u);  // the third line was not tried
}

}  // namespace

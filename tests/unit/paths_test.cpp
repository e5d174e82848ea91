// Path joining, splitting and validation, directory creation and the file-by-name queries.
#include <gtest/gtest.h>

#include <string>

#include "platform/host/host_machine.h"
#include "services/memory.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "tests/support/setup_test.h"

namespace {

std::string Join(const char* a, const char* b = nullptr, const char* c = nullptr) {
  char out[kPathBuffer];
  if (JoinPath(out, a, b, c, nullptr) == nullptr) return "<none>";
  return out;
}

TEST(JoinPath, SeparatorsAndEmptyParts) {
  EXPECT_EQ(Join("C:\\", "X"), "C:\\X");
  EXPECT_EQ(Join("C:\\"), "C:");
  EXPECT_EQ(Join("C:\\X", "", "Y"), "C:\\X\\Y");
  EXPECT_EQ(Join("", "A", ""), "A");
  EXPECT_EQ(Join("C:\\X\\\\", "Y"), "C:\\X\\\\Y");  // one of two trailing backslashes stays
  EXPECT_EQ(Join("C:\\X\\", "Y\\", "Z"), "C:\\X\\Y\\Z");
  EXPECT_EQ(Join(""), "");
}

TEST(JoinPath, RefusesWhatDoesNotFitAndAllocatesWhenAsked) {
  std::string part(200, 'a');
  EXPECT_EQ(Join(part.c_str(), std::string(58, 'b').c_str()), part + "\\" + std::string(58, 'b'));
  EXPECT_EQ(Join(part.c_str(), std::string(59, 'b').c_str()), "<none>");

  ResetSetupState();
  char* joined = JoinPath(nullptr, "C:\\VELNET", "IDB", nullptr);
  EXPECT_STREQ(joined, "C:\\VELNET\\IDB");
  EXPECT_EQ(g_setup.live_blocks, 1);
  FreeBlock(joined);
}

// Every part length around the limit, with and without a trailing backslash: the result is the
// parts joined with the one trailing backslash of each removed, refused only when it is longer
// than 259 characters.
TEST(JoinPath, TrailingBackslashIsTrimmedBeforeTheLengthIsChecked) {
  for (size_t first = 1; first <= 262; first += 1) {
    for (const char* tail : {"", "\\"}) {
      std::string part = std::string(first, 'a') + tail;
      std::string expected = std::string(first, 'a');
      EXPECT_EQ(Join(part.c_str()), expected.size() <= 259 ? expected : "<none>") << part;
      for (size_t second : {1u, 2u}) {
        std::string next = std::string(second, 'b') + tail;
        std::string joined = expected + "\\" + std::string(second, 'b');
        EXPECT_EQ(Join(part.c_str(), next.c_str()), joined.size() <= 259 ? joined : "<none>")
            << first << " " << second << " " << tail;
      }
    }
  }
}

TEST(PathParts, DirectoryFileExtensionBase) {
  char out[kPathBuffer];
  GetDirectoryPart(out, "C:\\VELNET\\IDB\\MAIN.IDX");
  EXPECT_STREQ(out, "C:\\VELNET\\IDB");
  GetDirectoryPart(out, "SETUP.EXE");
  EXPECT_STREQ(out, "");
  GetDirectoryPart(out, "C:\\");
  EXPECT_STREQ(out, "C:");

  EXPECT_STREQ(GetFileNamePart("C:\\VELNET\\VNT.EXE"), "VNT.EXE");
  EXPECT_STREQ(GetFileNamePart("VNT.EXE"), "VNT.EXE");
  EXPECT_STREQ(GetFileNamePart("C:\\VELNET\\"), "");

  char ext[4];
  EXPECT_STREQ(GetShortExtension(ext, "C:\\A\\MAIN.IDX"), "IDX");
  EXPECT_STREQ(GetShortExtension(ext, "A.B\\C"), "B\\C");
  EXPECT_EQ(GetShortExtension(ext, "C:\\PAGE.HTML"), nullptr);
  EXPECT_STREQ(ext, "");
  EXPECT_EQ(GetShortExtension(ext, "C:\\NOEXT"), nullptr);
  EXPECT_STREQ(GetShortExtension(ext, "NAME."), "");

  char base[9];
  EXPECT_STREQ(GetShortBaseName(base, "C:\\X\\LONGFILENAME.TXT"), "LONGFILE");
  EXPECT_STREQ(GetShortBaseName(base, "C:\\X.Y\\MAIN.IDX"), "MAIN");
  EXPECT_STREQ(GetShortBaseName(base, "README"), "README");
}

TEST(PathParts, NamesCompareWithoutCase) {
  EXPECT_TRUE(NamesEqual("IDB\\Merge.db", "idb\\MERGE.DB"));
  EXPECT_FALSE(NamesEqual("IDB\\MERGE.DB", "IDB\\MERGE.D"));
  EXPECT_TRUE(NamesEqual("", ""));
}

TEST(DirectoryNames, ValidityRules) {
  EXPECT_TRUE(IsValidDirectoryName("C:\\"));
  EXPECT_TRUE(IsValidDirectoryName("d:\\Program Files\\Velnet"));
  EXPECT_FALSE(IsValidDirectoryName("C:"));
  EXPECT_FALSE(IsValidDirectoryName("C:/VELNET"));
  EXPECT_FALSE(IsValidDirectoryName("1:\\VELNET"));
  EXPECT_FALSE(IsValidDirectoryName("\\\\SERVER\\SHARE"));
  EXPECT_FALSE(IsValidDirectoryName("C:\\A:B"));
  for (const char* bad : {"*", "+", "=", ";", "\"", "?", "/", "<", ">", ","}) {
    EXPECT_FALSE(IsValidDirectoryName((std::string("C:\\VEL") + bad).c_str())) << bad;
  }
  EXPECT_FALSE(IsValidDirectoryName("C:\\VEL\tNET"));
  EXPECT_FALSE(IsValidDirectoryName("C:\\VEL\xE9NET"));
  EXPECT_TRUE(IsValidDirectoryName("C:\\~!@#$%^&()[]{}'`-_ ."));
}

class FileHelpersTest : public SetupTest {};

TEST_F(FileHelpersTest, CreateDirectoryPathMakesEveryLevel) {
  EXPECT_EQ(CreateDirectoryPath("C:\\VELNET\\IDB\\SCRIPTS"), 1);
  EXPECT_TRUE(Exists("C:\\VELNET\\IDB\\SCRIPTS"));
  EXPECT_EQ(CreateDirectoryPath("C:\\VELNET\\IDB"), 0);  // exists already

  EXPECT_EQ(CreateDirectoryPath("C:\\NEW\\SUB\\"), 0);  // ends in "\": up to it and no more
  EXPECT_TRUE(Exists("C:\\NEW\\SUB"));

  std::string too_long = "C:\\" + std::string(300, 'a');
  EXPECT_EQ(CreateDirectoryPath(too_long.c_str()), 0);
  EXPECT_FALSE(Exists("C:\\aaaaaaaa"));
}

TEST_F(FileHelpersTest, ExistenceAndQueries) {
  PutFile("C:\\VELNET\\VNT.EXE", "12345");
  EXPECT_EQ(FileExists("C:\\velnet\\vnt.exe"), 1);
  EXPECT_EQ(FileExists("C:\\VELNET"), 0);
  EXPECT_EQ(PathExists("C:\\VELNET"), 1);
  EXPECT_EQ(PathExists("C:\\VELNET\\VNT.EXE"), 1);
  EXPECT_EQ(PathExists("C:\\VELNET\\NONE.EXE"), 0);
  EXPECT_EQ(FileExists("C:\\VELNET\\NONE.EXE"), 0);

  EXPECT_EQ(GetFileSizeByName("C:\\VELNET\\VNT.EXE"), 5u);
  EXPECT_EQ(GetFileSizeByName("C:\\VELNET\\NONE.EXE"), 0u);
  EXPECT_NE(GetFileDosTime("C:\\VELNET\\VNT.EXE"), 0u);

  HostFaultAdd({kFaultInUse, 1, 1, "VNT.EXE"});
  EXPECT_EQ(GetFileDosTime("C:\\VELNET\\VNT.EXE"), 0u);  // open elsewhere: reads as 0
  EXPECT_EQ(GetFileSizeByName("C:\\VELNET\\VNT.EXE"), 0u);

  EXPECT_EQ(MoveFileTo("C:\\VELNET\\VNT.EXE", "C:\\VELNET\\VNT.OLD"), 1);
  EXPECT_TRUE(Exists("C:\\VELNET\\VNT.OLD"));
}

// The last component as the disk spells it; the rest, and a name that is not there, as given.
TEST_F(FileHelpersTest, NamesAreSpelledAsOnDisk) {
  PutFile("C:\\WINDOWS\\win.ini", "[windows]\r\n");
  PutFile("C:\\VELNET\\Vnt.Exe", "x");
  struct Case {
    const char* path;
    const char* spelled;
  };
  for (const Case& c : {Case{"C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\win.ini"},
                        Case{"c:\\windows\\Win.Ini", "c:\\windows\\win.ini"},
                        Case{"C:\\VELNET\\VNT.EXE", "C:\\VELNET\\Vnt.Exe"},
                        Case{"C:\\VELNET\\NONE.EXE", "C:\\VELNET\\NONE.EXE"},
                        Case{"C:\\NOWHERE\\WIN.INI", "C:\\NOWHERE\\WIN.INI"}}) {
    char out[kPathBuffer];
    SpellAsOnDisk(c.path, out);
    EXPECT_STREQ(out, c.spelled) << c.path;
  }
}

TEST_F(FileHelpersTest, DestinationPaths) {
  char out[kPathBuffer];
  strcpy(g_setup.dest_dir, "C:\\VELNET");
  EXPECT_STREQ(MakeDestinationPath(out, "IDB\\MAIN.IDX"), "C:\\VELNET\\IDB\\MAIN.IDX");
  EXPECT_STREQ(MakeDestinationPath(out, ""), "C:\\VELNET");
  std::string name(250, 'n');
  EXPECT_EQ(MakeDestinationPath(out, name.c_str()), nullptr);
  EXPECT_STREQ(out, "");
}

}  // namespace

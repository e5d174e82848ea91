// vntpack as a release engineer runs it: the demo payload built, verified and extracted, every
// member archive it writes accepted by Info-ZIP's `unzip -t`, the same bytes from the same
// inputs, a program with a payload attached, and clear refusals of faulty manifests.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/archive_tools.h"
#include "tests/support/entry_name_cases.h"
#include "tests/support/tool_test.h"

namespace fs = std::filesystem;

namespace {

uint32_t U32At(const std::string& bytes, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

class VntpackTest : public ToolTest {
 protected:
  int Vntpack(const std::string& arguments) { return Run(VNTPACK_PROGRAM, arguments); }

  // Builds a manifest from a header section and file lines; the file F.TXT exists.
  int BuildManifest(const std::string& text) {
    Put("F.TXT", "file");
    Put("m.ini", text);
    return Vntpack("build '" + dir_ + "/m.ini' -o '" + dir_ + "/p.bin'");
  }
};

TEST_F(VntpackTest, TheDemoPayloadBuildsVerifiesAndExtracts) {
  const std::string payload = dir_ + "/DEMO.PAY";
  ASSERT_EQ(Vntpack("build '" DEMO_MANIFEST "' -o '" + payload + "'"), 0) << errors_;
  ASSERT_EQ(Vntpack("verify '" + payload + "'"), 0) << errors_;
  EXPECT_NE(output_.find("53 entries, no faults"), std::string::npos) << output_;
  ASSERT_EQ(Vntpack("list '" + payload + "'"), 0) << errors_;
  EXPECT_NE(output_.find("accepted_builds (3) 0x81, 0x82, 0x83"), std::string::npos) << output_;
  EXPECT_NE(output_.find("  0  dunzipnt.dll"), std::string::npos);
  EXPECT_NE(output_.find("IDB\\MERGE.DB"), std::string::npos);
  ASSERT_EQ(Vntpack("extract '" + payload + "' '" + dir_ + "/out'"), 0) << errors_;
  const std::string demo = fs::path(DEMO_MANIFEST).parent_path().string() + "/files/";
  EXPECT_EQ(ReadHostFile(dir_ + "/out/SCRIPTS/WELCOME.SCR"),
            ReadHostFile(demo + "SCRIPTS/WELCOME.SCR"));
  EXPECT_EQ(ReadHostFile(dir_ + "/out/GUIDE.TXT"), ReadHostFile(demo + "GUIDE.TXT"));
  EXPECT_EQ(ReadHostFile(dir_ + "/out/dunzipnt.dll"), ReadHostFile(DUNZIP_HOST_LIBRARY));

  // The same inputs give the same bytes.
  ASSERT_EQ(Vntpack("build '" DEMO_MANIFEST "' -o '" + dir_ + "/AGAIN.PAY'"), 0) << errors_;
  EXPECT_TRUE(ReadHostFile(payload) == ReadHostFile(dir_ + "/AGAIN.PAY"));
}

TEST_F(VntpackTest, EveryMemberArchivePassesUnzipTest) {
  Put("sub/lower.txt", std::string(100000, 'v') + "end");
  Put("EMPTY.BIN", "");
  Put("m.ini", "[files]\nSUB\\lower.txt = sub/lower.txt\nEMPTY.BIN = EMPTY.BIN\n");
  for (const std::string& manifest : {dir_ + "/m.ini", std::string(DEMO_MANIFEST)}) {
    ASSERT_EQ(Vntpack("build '" + manifest + "' -o '" + dir_ + "/p.bin'"), 0) << errors_;
    ASSERT_EQ(Vntpack("list '" + dir_ + "/p.bin'"), 0) << errors_;
    std::string payload = ReadHostFile(dir_ + "/p.bin");
    // Lines "  INDEX  NAME  unpacked U  packed P  at OFFSET  archive".
    std::istringstream table(output_.substr(output_.find("\nentries (")));
    int archives = 0;
    for (std::string line; std::getline(table, line);) {
      size_t packed = line.find("  packed ");
      size_t at = line.find("  at ");
      if (line.find("  archive") == std::string::npos || packed == std::string::npos) continue;
      std::ofstream(dir_ + "/member.zip", std::ios::binary | std::ios::trunc)
          << payload.substr(std::stoul(line.substr(at + 5)), std::stoul(line.substr(packed + 9)));
      std::string command = "unzip -tq '" + dir_ + "/member.zip' >/dev/null 2>&1";
      EXPECT_EQ(system(command.c_str()), 0) << line;
      ++archives;
    }
    EXPECT_EQ(archives, manifest == DEMO_MANIFEST ? 51 : 2);
  }
  std::string listing = "unzip -Z1 '" + dir_ + "/member.zip' >'" + dir_ + "/names.txt'";
  ASSERT_EQ(system(listing.c_str()), 0);
  EXPECT_EQ(ReadHostFile(dir_ + "/names.txt"), "RM_VNT.EXE\n");  // the demo's last entry
  ASSERT_EQ(Vntpack("build '" + dir_ + "/m.ini' -o '" + dir_ + "/p.bin'"), 0) << errors_;
  ASSERT_EQ(Vntpack("extract '" + dir_ + "/p.bin' '" + dir_ + "/y'"), 0) << errors_;
  EXPECT_TRUE(fs::exists(dir_ + "/y/SUB/LOWER.TXT"));  // the member's stored, upper-case name
  EXPECT_TRUE(fs::exists(dir_ + "/y/EMPTY.BIN"));
}

TEST_F(VntpackTest, AttachesAPayloadToTheProgramOnce) {
  Put("F.TXT", "file");
  Put("m.ini", "[header]\nframe_title = Attached\n[files]\nF.TXT = F.TXT\n");
  ASSERT_EQ(Vntpack("build '" + dir_ + "/m.ini' -o '" + dir_ + "/p.bin'"), 0) << errors_;
  ASSERT_EQ(Vntpack("attach '" HOST_SETUP_PROGRAM "' '" + dir_ + "/p.bin' -o '" + dir_ +
                    "/setup' --marker-text DEMO"),
            0)
      << errors_;
  struct stat info;
  ASSERT_EQ(stat((dir_ + "/setup").c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IXUSR, 0u);
  ASSERT_EQ(Vntpack("list '" + dir_ + "/setup'"), 0) << errors_;
  EXPECT_NE(output_.find("frame_title = \"Attached\""), std::string::npos);
  EXPECT_EQ(Vntpack("verify '" + dir_ + "/setup'"), 0) << errors_;
  EXPECT_EQ(Vntpack("attach '" + dir_ + "/setup' '" + dir_ + "/p.bin' -o '" + dir_ + "/twice'"), 1);
  EXPECT_NE(errors_.find("payload marker"), std::string::npos) << errors_;
}

TEST_F(VntpackTest, FaultyManifestsAreRefusedByName) {
  struct Case {
    const char* manifest;
    const char* message;
  } cases[] = {
      {"[header]\nversion_text = 0123456789012345678901234567890123\n", "version_text is 34"},
      {"[header]\nskip_modem = 70000\n", "skip_modem"},
      {"[header]\ncolour = red\n", "unknown field colour"},
      {"[files]\nMISSING.TXT = nowhere.txt\n", "MISSING.TXT: cannot read"},
      {"[files]\nSUB\\..\\..\\EVIL.TXT = F.TXT\n", "SUB\\..\\..\\EVIL.TXT"},
      {"[files]\nC:\\EVIL.TXT = F.TXT\n", "C:\\EVIL.TXT"},
      {"[files]\nF.TXT = F.TXT\nf.txt = F.TXT\n", "listed twice"},
      {"[header]\nguide_entry = GUIDE.TXT\n", "guide_entry GUIDE.TXT"},
      {"[dest_subdirs]\nA = B\n", "one item a line"},
      {"[payload]\nlibrary = maybe\n", "yes or no"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildManifest(c.manifest), 1) << c.manifest;
    EXPECT_NE(errors_.find(c.message), std::string::npos) << c.manifest << errors_;
    EXPECT_FALSE(fs::exists(dir_ + "/p.bin")) << c.manifest;
  }
  std::string values = "[accepted_builds]\n";
  for (int i = 0; i < 65; ++i) values += std::to_string(i) + "\n";
  EXPECT_EQ(BuildManifest(values), 1);
  EXPECT_NE(errors_.find("more than 64 values"), std::string::npos) << errors_;
  std::string long_item = "[dest_subdirs]\n" + std::string(128, 'D') + "\n";
  EXPECT_EQ(BuildManifest(long_item), 1);
  EXPECT_NE(errors_.find("at most 127"), std::string::npos) << errors_;
  EXPECT_EQ(Vntpack("build"), 2);
  EXPECT_EQ(Vntpack("list '" + dir_ + "/m.ini'"), 1);
  EXPECT_NE(errors_.find("neither a payload"), std::string::npos) << errors_;
  EXPECT_EQ(Vntpack("--help"), 0);
}

// vntpack packs exactly the names the setup reads as written (the shared table), naming every
// one it refuses; names a manifest line cannot carry (blanks at either end, control characters)
// are left to the update builder's own refusals.
TEST_F(VntpackTest, EntryNamesArePackedExactlyWhereTheSetupTakesThemAsWritten) {
  int packed = 0;
  int refused = 0;
  for (const EntryNameCase& c : kEntryNameCases) {
    std::string name = c.name;
    if (name.front() == ' ' || name.back() == ' ' || name.find('\t') != std::string::npos) continue;
    SCOPED_TRACE(name);
    fs::remove(dir_ + "/p.bin");
    bool taken = c.read_as != nullptr && name == c.read_as;
    EXPECT_EQ(BuildManifest("[files]\n" + name + " = F.TXT\n"), taken ? 0 : 1) << errors_;
    EXPECT_EQ(fs::exists(dir_ + "/p.bin"), taken);
    if (!taken) {
      EXPECT_NE(errors_.find(name), std::string::npos) << errors_;
    }
    (taken ? packed : refused) += 1;
  }
  EXPECT_GE(packed, 10);
  EXPECT_GE(refused, 35);
}

// A source that is a link, or too large for an entry, is refused by name before it is read; a
// sparse file of 4 GB and one byte takes no time and no memory to refuse.
TEST_F(VntpackTest, SourcesThatAreLinksOrTooLargeAreRefusedBeforeReading) {
  Put("REAL.TXT", "real");
  fs::create_symlink(dir_ + "/REAL.TXT", dir_ + "/LINK.TXT");
  fs::create_symlink("LOOP.TXT", dir_ + "/LOOP.TXT");
  for (uint64_t size : {0xFFFFFFFFull, 0x100000001ull}) {
    std::ofstream(dir_ + "/HUGE.DAT").close();
    fs::resize_file(dir_ + "/HUGE.DAT", size);
    EXPECT_EQ(BuildManifest("[files]\nHUGE.DAT = HUGE.DAT\n"), 1);
    EXPECT_NE(errors_.find("HUGE.DAT has " + std::to_string(size) + " bytes, over 4 GB"),
              std::string::npos)
        << errors_;
  }
  for (const char* link : {"LINK.TXT", "LOOP.TXT"}) {
    EXPECT_EQ(BuildManifest(std::string("[files]\nA.TXT = ") + link + "\n"), 1);
    EXPECT_NE(errors_.find(std::string(link) + " is a symbolic link"), std::string::npos)
        << errors_;
  }
  EXPECT_FALSE(fs::exists(dir_ + "/p.bin"));
}

TEST_F(VntpackTest, VerifyFindsADamagedMember) {
  Put("A.TXT", std::string(5000, 'a'));
  Put("m.ini", "[files]\nA.TXT = A.TXT\n");
  ASSERT_EQ(Vntpack("build '" + dir_ + "/m.ini' -o '" + dir_ + "/p.bin'"), 0) << errors_;
  std::string payload = ReadHostFile(dir_ + "/p.bin");
  size_t central = payload.size() - 22 - U32At(payload, payload.size() - 22 + 12);
  payload[central + 16] ^= 0x55;  // the CRC the central entry stores
  std::ofstream(dir_ + "/p.bin", std::ios::binary | std::ios::trunc) << payload;
  EXPECT_EQ(Vntpack("verify '" + dir_ + "/p.bin'"), 1);
  EXPECT_NE(errors_.find("A.TXT: the extraction library answered 39 (Bad CRC)"), std::string::npos)
      << errors_;
}

}  // namespace

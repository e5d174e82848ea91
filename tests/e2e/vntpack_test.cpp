// vntpack as a release engineer runs it: the demo payload built, verified and extracted, every
// member archive it writes accepted by Info-ZIP's `unzip -t`, the same bytes from the same
// inputs, a program with a payload attached, the extraction library checked for the setup program
// it is for, clear refusals of faulty manifests, and the summary, quiet and verbose runs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/archive_tools.h"
#include "tests/support/entry_name_cases.h"
#include "tests/support/tool_test.h"
#include "tools/vntpack/library_image.h"
#include "tools/vntpack/payload_writer.h"

namespace fs = std::filesystem;

namespace {

uint32_t U32At(const std::string& bytes, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A minimal PE image: the DOS header, the PE headers, one section at 0x1000 holding the export
// directory with the names given (each for a function of its own) and ending in the last name's
// NUL, so that every shorter prefix of the file lacks something the check needs.
struct PeImage {
  uint16_t machine = kMachineI386;
  uint16_t characteristics = 0x2102;  // executable image, 32-bit machine, DLL
  std::vector<std::string> exports = {"dunzip"};

  std::string Bytes() const {
    const bool wide = machine == kMachineX64;
    const uint32_t optional_size = wide ? 240 : 224;
    std::string data;  // the section: export directory, the tables, the names
    uint32_t count = static_cast<uint32_t>(exports.size());
    uint32_t functions = 0x1000 + 40;
    uint32_t names = functions + 4 * count;
    uint32_t ordinals = names + 4 * count;
    uint32_t strings = ordinals + 2 * count;
    std::string export_directory(12, '\0');
    PutU32(&export_directory, strings);  // the library's name: the first export's, any will do
    PutU32(&export_directory, 1);
    PutU32(&export_directory, count);
    PutU32(&export_directory, count);
    PutU32(&export_directory, functions);
    PutU32(&export_directory, names);
    PutU32(&export_directory, ordinals);
    data = export_directory;
    std::string text;
    for (uint32_t i = 0; i < count; ++i) PutU32(&data, 0x2000 + i);
    for (uint32_t i = 0; i < count; ++i) {
      PutU32(&data, strings + static_cast<uint32_t>(text.size()));
      text += exports[i] + std::string(1, '\0');
    }
    for (uint32_t i = 0; i < count; ++i) PutU16(&data, i);
    data += text;

    std::string out = "MZ" + std::string(0x3A, '\0');
    PutU32(&out, 0x40);
    out += std::string("PE\0\0", 4);
    PutU16(&out, machine);
    PutU16(&out, 1);
    out += std::string(12, '\0');
    PutU16(&out, optional_size);
    PutU16(&out, characteristics);
    std::string optional(optional_size, '\0');
    optional[0] = 0x0B;  // the magic: 0x10B (PE32) or 0x20B (PE32+)
    optional[1] = wide ? 0x02 : 0x01;
    size_t directories = wide ? 108 : 92;
    optional[directories] = 16;
    std::string entry;
    PutU32(&entry, count == 0 ? 0 : 0x1000);
    PutU32(&entry, static_cast<uint32_t>(data.size()));
    optional.replace(directories + 4, 8, entry);
    out += optional;
    std::string section = ".edata" + std::string(2, '\0');
    PutU32(&section, static_cast<uint32_t>(data.size()));
    PutU32(&section, 0x1000);
    PutU32(&section, static_cast<uint32_t>(data.size()));
    PutU32(&section, 0x200);
    section += std::string(16, '\0');
    out += section;
    out.resize(0x200, '\0');
    return out + data;
  }
};

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
  ASSERT_EQ(Vntpack("build '" DEMO_MANIFEST "' --for-host -o '" + payload + "'"), 0) << errors_;
  EXPECT_NE(output_.find("DEMO.PAY: 53 entries, "), std::string::npos) << output_;
  ASSERT_EQ(Vntpack("verify '" + payload + "' --for-host"), 0) << errors_;
  EXPECT_NE(output_.find(": 53 entries, "), std::string::npos) << output_;
  EXPECT_NE(output_.find("%), no faults\n"), std::string::npos) << output_;
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
  ASSERT_EQ(Vntpack("build '" DEMO_MANIFEST "' --for-host -o '" + dir_ + "/AGAIN.PAY'"), 0)
      << errors_;
  EXPECT_TRUE(ReadHostFile(payload) == ReadHostFile(dir_ + "/AGAIN.PAY"));
}

TEST_F(VntpackTest, EveryMemberArchivePassesUnzipTest) {
  Put("sub/lower.txt", std::string(100000, 'v') + "end");
  Put("EMPTY.BIN", "");
  Put("m.ini", "[files]\nSUB\\lower.txt = sub/lower.txt\nEMPTY.BIN = EMPTY.BIN\n");
  for (const std::string& manifest : {dir_ + "/m.ini", std::string(DEMO_MANIFEST)}) {
    ASSERT_EQ(Vntpack("build '" + manifest + "' --for-host -o '" + dir_ + "/p.bin'"), 0) << errors_;
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
  EXPECT_NE(errors_.find("/setup already carries a payload"), std::string::npos) << errors_;
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
      {"[header]\n[colour]\nA = B\n", "line 2: unknown section [colour]"},
      {"[colour]\n", "line 1: unknown section [colour]"},
      {"frame_title = X\n", "line 1: a line before the first section"},
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

// The stored dunzipnt.dll must be one the setup program the payload is for can load: for
// SETUP.EXE a Win32 DLL exporting "dunzip" (an x86-64 one only warned about, as only the build
// that 64-bit Wine runs loads it); for the host setup (--for-host) the host's own library too.
TEST_F(VntpackTest, TheStoredLibraryMustServeTheSetupItIsFor) {
  PeImage x64;
  x64.machine = kMachineX64;
  x64.characteristics = 0x2022;
  PeImage program;
  program.characteristics = 0x0102;
  PeImage other_export;
  other_export.exports = {"unzip", "dunzap"};
  PeImage no_exports;
  no_exports.exports = {};
  PeImage arm;
  arm.machine = 0x1C0;
  PeImage object;
  object.characteristics = 0x2100;
  std::string dos_only = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4);
  struct Case {
    std::string library;  // the bytes, or "-" for none given
    std::string more;
    int status;
    std::string message;  // on standard error; a warning when the status is 0
  } cases[] = {
      {PeImage().Bytes(), "", 0, ""},
      {x64.Bytes(), "", 0, "vntpack: warning: --library "},
      {x64.Bytes(), "--warnings-as-errors", 1, "1 warning, treated as errors"},
      {ReadHostFile(DUNZIP_HOST_LIBRARY), "", 1, "an ELF file of the host"},
      {ReadHostFile(DUNZIP_HOST_LIBRARY), "--for-host", 0, ""},
      {PeImage().Bytes(), "--for-host", 0, ""},  // the host setup loads its own in its place
      {program.Bytes(), "--for-host", 1, "a Windows program, not a DLL"},
      {"a text", "--for-host", 1, "neither the host's own library nor a Win32 DLL"},
      {program.Bytes(), "", 1, "a Windows program, not a DLL"},
      {other_export.Bytes(), "", 1, "exports no function \"dunzip\""},
      {no_exports.Bytes(), "", 1, "exports no function \"dunzip\""},
      {arm.Bytes(), "", 1, "a PE image for machine 0x01C0, neither i386"},
      {object.Bytes(), "", 1, "no executable image"},
      {dos_only, "", 1, "an MS-DOS program without a PE header"},
      {"a text", "", 1, "no Win32 DLL: it does not begin with \"MZ\""},
      {"-", "", 1, "the manifest stores dunzipnt.dll (library = yes); for SETUP.EXE name"},
  };
  Put("F.TXT", "file");
  Put("m.ini", "[payload]\nlibrary = yes\n[files]\nF.TXT = F.TXT\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message + " " + c.more);
    fs::remove(dir_ + "/p.bin");
    Put("lib.dll", c.library);
    std::string library = c.library == "-" ? "" : " --library '" + dir_ + "/lib.dll'";
    if (c.more == "--for-host" && c.library == ReadHostFile(DUNZIP_HOST_LIBRARY)) library = "";
    EXPECT_EQ(
        Vntpack("build '" + dir_ + "/m.ini' -o '" + dir_ + "/p.bin'" + library + " " + c.more),
        c.status);
    EXPECT_EQ(fs::exists(dir_ + "/p.bin"), c.status == 0);
    if (c.message.empty()) {
      EXPECT_EQ(errors_, "");
    } else {
      EXPECT_NE(errors_.find(c.message), std::string::npos) << errors_;
    }
  }
}

// attach takes the setup program's kind and machine from its headers and refuses a payload whose
// library that program cannot load, naming the reason for every refusal; verify checks the same.
TEST_F(VntpackTest, AttachAndVerifyCheckTheLibraryAgainstTheProgram) {
  const std::string marker = std::string("_DaduZ_", 8) + std::string(20, '\0');
  PeImage exe32;
  exe32.characteristics = 0x0102;
  PeImage exe64 = exe32;
  exe64.machine = kMachineX64;
  exe64.characteristics = 0x0022;
  PeImage dll64;
  dll64.machine = kMachineX64;
  dll64.characteristics = 0x2022;
  Put("SETUP32.EXE", exe32.Bytes() + marker);
  Put("SETUP64.EXE", exe64.Bytes() + marker);
  Put("NOMARK.EXE", exe32.Bytes());
  Put("TWICE.EXE", exe32.Bytes() + marker + marker);
  Put("SHORT.EXE", exe32.Bytes() + marker.substr(0, 20));
  Put("LIB.DLL", PeImage().Bytes() + marker);
  Put("TEXT.EXE", "no program " + marker);
  Put("dll32", PeImage().Bytes());
  Put("dll64", dll64.Bytes());
  Put("F.TXT", "file");
  Put("m.ini", "[payload]\nlibrary = yes\n[files]\nF.TXT = F.TXT\n");
  for (const char* kind : {"32", "64"}) {
    ASSERT_EQ(Vntpack("build '" + dir_ + "/m.ini' -o '" + dir_ + "/P" + kind + "' --library '" +
                      dir_ + "/dll" + kind + "'"),
              0)
        << errors_;
  }
  ASSERT_EQ(Vntpack("build '" + dir_ + "/m.ini' -o '" + dir_ + "/PH' --for-host"), 0) << errors_;
  struct Case {
    std::string program;
    const char* payload;
    std::string message;  // empty: attached
  } cases[] = {
      {"SETUP32.EXE", "P32", ""},
      {"SETUP64.EXE", "P64", ""},
      {HOST_SETUP_PROGRAM, "PH", ""},
      {"SETUP32.EXE", "P64", "P64: its dunzipnt.dll is an x86-64 DLL, which SETUP.EXE for i386"},
      {"SETUP64.EXE", "P32", "its dunzipnt.dll is an i386 DLL, which SETUP.EXE for x86-64"},
      {"SETUP32.EXE", "PH", "its dunzipnt.dll is an ELF file of the host"},
      {HOST_SETUP_PROGRAM, "P64", ""},  // the host setup loads its own library in its place
      {"NOMARK.EXE", "P32", "NOMARK.EXE has no payload marker \"_DaduZ_\""},
      {"TWICE.EXE", "P32", "TWICE.EXE holds the payload marker's tag \"_DaduZ_\" more than once"},
      {"SHORT.EXE", "P32", "SHORT.EXE ends inside its payload marker"},
      {"LIB.DLL", "P32", "LIB.DLL is a DLL, not a program"},
      {"TEXT.EXE", "P32", "TEXT.EXE is neither a Windows program nor the host setup"},
      {"SETUP32.EXE", "ATTACHED", "ATTACHED is a program with a payload; attach a stand-alone"},
      {"SETUP32.EXE", "m.ini", "m.ini: neither a payload nor a program with one payload marker"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program + " " + c.payload);
    std::string program = c.program[0] == '/' ? c.program : dir_ + "/" + c.program;
    fs::remove(dir_ + "/OUT");
    int status =
        Vntpack("attach '" + program + "' '" + dir_ + "/" + c.payload + "' -o '" + dir_ + "/OUT'");
    EXPECT_EQ(status, c.message.empty() ? 0 : 1) << errors_;
    EXPECT_EQ(fs::exists(dir_ + "/OUT"), c.message.empty());
    if (!c.message.empty()) {
      EXPECT_NE(errors_.find(c.message), std::string::npos) << errors_;
      continue;
    }
    EXPECT_NE(output_.find("OUT: 2 entries at offset "), std::string::npos) << output_;
    EXPECT_EQ(Vntpack("verify '" + dir_ + "/OUT'"), 0) << errors_;
    EXPECT_NE(output_.find("2 entries, "), std::string::npos) << output_;
    fs::copy_file(dir_ + "/OUT", dir_ + "/ATTACHED", fs::copy_options::overwrite_existing);
  }
  // A stand-alone payload is for SETUP.EXE unless verify is told otherwise.
  EXPECT_EQ(Vntpack("verify '" + dir_ + "/PH'"), 1);
  EXPECT_NE(errors_.find("dunzipnt.dll: an ELF file of the host (such as the host setup's "
                         "library), not the Win32 DLL that SETUP.EXE loads (a stand-alone payload "
                         "for the host setup: --for-host)"),
            std::string::npos)
      << errors_;
  EXPECT_NE(output_.find(", 1 fault\n"), std::string::npos) << output_;
  EXPECT_EQ(Vntpack("verify '" + dir_ + "/PH' --for-host"), 0) << errors_;
  EXPECT_EQ(Vntpack("verify '" + dir_ + "/P64'"), 0) << errors_;
  EXPECT_NE(errors_.find("vntpack: warning: dunzipnt.dll: an x86-64 DLL"), std::string::npos);
  EXPECT_EQ(Vntpack("verify '" + dir_ + "/P64' --warnings-as-errors"), 1);
  EXPECT_EQ(Vntpack("verify '" + dir_ + "/P32' --library '" + dir_ + "/dll32'"), 1);
  EXPECT_NE(errors_.find("dll32 is a Windows DLL; list, extract and verify extract with the "
                         "host's own library"),
            std::string::npos)
      << errors_;
}

// The PE reader never reads past the bytes it is given: every prefix of a good DLL is refused,
// and no single changed byte, nor any run of bytes set to extremes, makes it read out of bounds
// (the sanitizers of the host build watch every read).
TEST(LibraryImageTest, DamagedImagesAreRefusedWithoutReadingPastTheirEnd) {
  PeImage x64;
  x64.machine = kMachineX64;
  x64.characteristics = 0x2022;
  std::mt19937 random(21);
  for (const std::string& good : {PeImage().Bytes(), x64.Bytes()}) {
    PayloadTarget target;
    std::string warning;
    std::string fault;
    ASSERT_TRUE(CheckLibrary(good, target, &warning, &fault)) << fault;
    for (size_t length = 0; length < good.size(); ++length) {
      EXPECT_FALSE(CheckLibrary(good.substr(0, length), target, &warning, &fault)) << length;
    }
    int accepted = 0;
    for (size_t at = 0; at < good.size(); ++at) {
      for (unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
        std::string damaged = good;
        damaged[at] = static_cast<char>(value);
        accepted += CheckLibrary(damaged, target, &warning, &fault) ? 1 : 0;
        TargetOfProgram(damaged, &target, &fault);
        target = PayloadTarget();
      }
    }
    EXPECT_GT(accepted, 0);  // bytes no check reads (the time stamps, the padding) may change
    for (int run = 0; run < 2000; ++run) {
      std::string damaged = good;
      size_t at = random() % damaged.size();
      size_t length = 1 + random() % 8;
      for (size_t i = at; i < at + length && i < damaged.size(); ++i) {
        damaged[i] = static_cast<char>(random() % 2 == 0 ? 0xFF : random());
      }
      CheckLibrary(damaged, target, &warning, &fault);
      ReadImageFacts(damaged);
    }
  }
}

// --version, and the closing summary as loud as -q and -v ask for, in the installer compilers'
// manner: "N entries, X bytes in, Y bytes out (Z%)", the words fitting the counts; and vntdb's.
TEST_F(VntpackTest, SummariesFollowTheVerbosity) {
  Put("A.TXT", std::string(1000, 'a'));
  Put("m.ini", "[files]\nA.TXT = A.TXT\n");
  const std::string build = "build '" + dir_ + "/m.ini' -o '" + dir_ + "/p.bin'";
  struct Case {
    std::string arguments;
    int status;
    std::string output;  // expected in standard output; empty: standard output is empty
  } cases[] = {
      {"--version", 0, "vntpack (Velnet setup tools) 1."},
      {build, 0, "p.bin: 1 entry, 1000 bytes in, "},
      {build + " -q", 0, ""},
      {"-q " + build, 0, ""},
      {build + " -v", 0, "  A.TXT  1000 -> "},
      {build + " -q -v", 2, ""},
      {"verify '" + dir_ + "/p.bin' -q", 0, ""},
      {"verify '" + dir_ + "/p.bin' -v", 0, "  A.TXT  1000 bytes, extracted\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(Vntpack(c.arguments), c.status) << errors_;
    if (c.output.empty()) {
      EXPECT_EQ(output_, "");
    } else {
      EXPECT_NE(output_.find(c.output), std::string::npos) << output_;
    }
  }
  ASSERT_EQ(Vntpack(build), 0);
  size_t out = fs::file_size(dir_ + "/p.bin");
  char ratio[16];
  snprintf(ratio, sizeof ratio, "%.1f%%", out / 10.0);
  EXPECT_NE(output_.find(" bytes in, " + std::to_string(out) + " bytes out (" + ratio + ")\n"),
            std::string::npos)
      << output_;
  const std::string merge = DEMO_DIRECTORY "/files/IDB/MERGE.DB";
  const std::string diff = "diff '" DEMO_DIRECTORY "/old/IDB/MAIN.IDX' '" DEMO_DIRECTORY
                           "/new/IDB/MAIN.IDX' -o '" +
                           dir_ + "/M.DB'";
  Case vntdb_cases[] = {
      {"--version", 0, "vntdb (Velnet setup tools) 1."},
      {"check '" + merge + "'", 0, "10 records (10 live, 0 superseded), no faults\n"},
      {"check '" + merge + "' -q", 0, ""},
      {diff, 0, "8 added, 4 changed, 0 gone\n"},
      {diff + " -v", 0, "/M.DB: 12 records, "},
      {"-q " + diff, 0, "changed  0x14000006"},
  };
  for (const Case& c : vntdb_cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(Run(VNTDB_PROGRAM, c.arguments), c.status) << errors_;
    if (c.output.empty()) {
      EXPECT_EQ(output_, "");
    } else {
      EXPECT_NE(output_.find(c.output), std::string::npos) << output_;
    }
  }
  EXPECT_EQ(output_.find(" gone\n"), std::string::npos);  // -q: the records, not the count
}

}  // namespace

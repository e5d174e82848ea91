// The extraction library as the program uses it: placed from the payload's first entry, loaded
// from dest_dir (errors 11, 13 and 14), unloaded by ClosePayload; and the host build of
// dunzipnt.dll itself, called through ExtractMember on archives that zip and Python's zipfile
// make, and on damaged ones.
#include <gtest/gtest.h>

#include <string>

#include "payload/extraction_library.h"
#include "payload/payload_reader.h"
#include "payload/stored_member.h"
#include "services/errors.h"
#include "services/setup_state.h"
#include "tests/support/archive_tools.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"

namespace {

class ExtractionLibraryTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    snprintf(g_setup.dest_dir, kStatePath, "%s", "C:\\VELNET");
  }

  void OpenPayloadWith(const std::vector<PayloadFile>& files) {
    PayloadLayout layout;
    layout.files = files;
    UsePayloadFile(BuildPayload(layout));
    ASSERT_EQ(OpenPayload(), 1);
    ASSERT_EQ(ReadPayloadHeader(), 1);
  }
};

TEST_F(ExtractionLibraryTest, PlacesTheLibraryFromTheFirstEntryAndLoadsIt) {
  PutFile("C:\\VELNET\\README.TXT", "");
  OpenPayloadWith({{"DUNZIPNT.DLL", ExtractionLibraryBytes(),
                    static_cast<uint32_t>(ExtractionLibraryBytes().size())},
                   {"A.TXT", "zip", 3}});
  ASSERT_EQ(PlaceExtractionLibrary(), 1);
  EXPECT_EQ(g_extraction.library_in_payload, 1);
  EXPECT_EQ(GetFile("C:\\VELNET\\dunzipnt.dll"), ExtractionLibraryBytes());
  ASSERT_EQ(LoadExtractionLibrary(), 1);
  EXPECT_NE(g_extraction.entry, nullptr);
  ClosePayload();
  EXPECT_EQ(g_extraction.module, nullptr);
  EXPECT_EQ(g_extraction.entry, nullptr);
  EXPECT_EQ(g_setup.error_number, 0);
}

TEST_F(ExtractionLibraryTest, WithoutTheLibraryAnywhereLoadingGivesError13) {
  PutFile("C:\\VELNET\\README.TXT", "");
  OpenPayloadWith({{"A.TXT", "zip", 3}});
  ASSERT_EQ(PlaceExtractionLibrary(), 1);
  EXPECT_EQ(g_extraction.library_in_payload, 0);
  EXPECT_FALSE(Exists("C:\\VELNET\\dunzipnt.dll"));
  EXPECT_EQ(LoadExtractionLibrary(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorLibraryLoad);
  EXPECT_EQ(ExtractMember(nullptr, "C:\\A.ZIP", "C:\\VELNET"), kUnzipBadRequest);
}

// The payload that SETUP.EXE carries holds the Win32 library; the host loads its own build of it.
TEST_F(ExtractionLibraryTest, AWin32LibraryStandsForTheHostBuild) {
  PutFile("C:\\VELNET\\README.TXT", "");
  const std::string win32_image = "MZ\x90 a Win32 image";
  OpenPayloadWith({{"DUNZIPNT.DLL", win32_image, static_cast<uint32_t>(win32_image.size())}});
  ASSERT_EQ(PlaceExtractionLibrary(), 1);
  EXPECT_EQ(GetFile("C:\\VELNET\\dunzipnt.dll"), win32_image);
  ASSERT_EQ(LoadExtractionLibrary(), 1);
  EXPECT_NE(g_extraction.entry, nullptr);
  EXPECT_NE(Transcript().find("module-load-host-build C:\\VELNET\\dunzipnt.dll"), std::string::npos)
      << Transcript();
  ClosePayload();
}

TEST_F(ExtractionLibraryTest, ALibraryThatWillNotLoadGivesError13) {
  PutFile("C:\\VELNET\\dunzipnt.dll", ExtractionLibraryBytes());
  HostFault fault = {kFaultModuleLoad, 1, 0, "dunzipnt.dll"};
  ASSERT_EQ(HostFaultAdd(fault), 1);
  EXPECT_EQ(LoadExtractionLibrary(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorLibraryLoad);
  EXPECT_NE(Transcript().find("fault no_module 1 \"C:\\VELNET\\dunzipnt.dll\""), std::string::npos);
}

TEST_F(ExtractionLibraryTest, ALibraryWithoutTheEntryPointGivesError14) {
  PutFile("C:\\VELNET\\dunzipnt.dll", ReadHostFile(OTHER_HOST_LIBRARY));
  EXPECT_EQ(LoadExtractionLibrary(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorLibraryEntry);
  EXPECT_NE(g_extraction.module, nullptr);  // freed by ClosePayload
  ClosePayload();
  EXPECT_EQ(g_extraction.module, nullptr);
}

TEST_F(ExtractionLibraryTest, ALibraryThatCannotBeCreatedGivesError11) {
  PutFile("C:\\VELNET\\README.TXT", "");
  OpenPayloadWith({{"dunzipnt.dll", "MZ", 2}});
  HostFault fault = {kFaultCannotOpen, 1, 0, "dunzipnt.dll"};
  ASSERT_EQ(HostFaultAdd(fault), 1);
  EXPECT_EQ(PlaceExtractionLibrary(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorLibraryCreate);
}

// The host dunzipnt.dll, loaded as the program loads it, on one archive at a time.
class DunzipTest : public ExtractionLibraryTest {
 protected:
  void SetUp() override {
    ExtractionLibraryTest::SetUp();
    PutFile("C:\\VELNET\\dunzipnt.dll", ExtractionLibraryBytes());
    PutFile("C:\\OUT\\KEEP", "");
    ASSERT_EQ(LoadExtractionLibrary(), 1);
  }

  int32_t Extract(const std::string& archive) {
    PutFile("C:\\IN\\MEMBER.ZIP", archive);
    return ExtractMember(nullptr, "C:\\IN\\MEMBER.ZIP", "C:\\OUT");
  }

  uint32_t DosTimeOf(const char* path) {
    PlatFile file = PlatOpenFile(path, kOpenRead);
    uint32_t time = PlatGetFileDosTime(file);
    PlatCloseFile(file);
    return time;
  }

  // Everything under C:\ but the archive, the library and C:\OUT\KEEP: what an extraction made.
  std::string MadeFiles() {
    std::string list;
    std::string command = "cd '" + root_ + "/C' && find . -type f ! -name MEMBER.ZIP " +
                          "! -name dunzipnt.dll ! -name KEEP | sort";
    FILE* pipe = popen(command.c_str(), "r");
    char line[512];
    while (pipe != nullptr && fgets(line, sizeof line, pipe) != nullptr) list += line;
    if (pipe != nullptr) pclose(pipe);
    return list;
  }
};

TEST_F(DunzipTest, ExtractsWhatZipAndZipfileMakeWithTheStoredTime) {
  const ZipMaker makers[] = {kInfoZipStored, kInfoZipDeflated, kInfoZipDescriptor,
                             kPythonStored,  kPythonDeflated,  kPythonDescriptor};
  const std::string data = MixedData(300000, 11);
  for (ZipMaker maker : makers) {
    ASSERT_EQ(Extract(MakeArchive(maker, "SCRIPT.SCR", data)), kUnzipOk) << "maker " << maker;
    EXPECT_EQ(GetFile("C:\\OUT\\SCRIPT.SCR"), data) << "maker " << maker;
    EXPECT_EQ(DosTimeOf("C:\\OUT\\SCRIPT.SCR"), kMemberDosTime) << "maker " << maker;
  }
}

TEST_F(DunzipTest, EmptyMembersAndAnOutputThatExistsAlready) {
  ASSERT_EQ(Extract(MakeArchive(kPythonDeflated, "EMPTY.TXT", "")), kUnzipOk);
  EXPECT_TRUE(Exists("C:\\OUT\\EMPTY.TXT"));
  EXPECT_EQ(GetFile("C:\\OUT\\EMPTY.TXT"), "");
  PutFile("C:\\OUT\\A.TXT", std::string(5000, 'x'));
  ASSERT_EQ(Extract(MakeArchive(kInfoZipDeflated, "A.TXT", "short")), kUnzipOk);
  EXPECT_EQ(GetFile("C:\\OUT\\A.TXT"), "short");
}

TEST_F(DunzipTest, DamagedArchivesGiveTheirCodesAndLeaveNothing) {
  const std::string data = MixedData(50000, 12);
  const std::string good = MakeArchive(kInfoZipDeflated, "DATA.BIN", data);
  const size_t central = CentralEntryOffset(good);

  EXPECT_EQ(Extract(good.substr(0, good.size() / 2)), kUnzipTruncated);
  EXPECT_EQ(Extract(good.substr(0, good.size() - 1)), kUnzipTruncated);
  EXPECT_EQ(Extract(""), kUnzipTruncated);

  std::string bad_crc = good;
  PatchU32(&bad_crc, central + 16, 0x12345678);
  EXPECT_EQ(Extract(bad_crc), kUnzipBadCrc);

  std::string method = good;
  PatchU16(&method, 8, 99);
  PatchU16(&method, central + 10, 99);
  EXPECT_EQ(Extract(method), kUnzipUnknownMethod);

  std::string encrypted = good;
  PatchU16(&encrypted, central + 8, 1);
  EXPECT_EQ(Extract(encrypted), kUnzipEncrypted);

  std::string lying_size = good;
  PatchU32(&lying_size, central + 24, 100);
  EXPECT_EQ(Extract(lying_size), kUnzipMalformed);

  std::string broken_data = good;
  for (size_t i = 100; i < 400; ++i) broken_data[i] = static_cast<char>(0xFF);
  int32_t result = Extract(broken_data);
  EXPECT_TRUE(result == kUnzipMalformed || result == kUnzipBadCrc) << result;

  EXPECT_EQ(Extract(MakePythonArchive({})), kUnzipNoMember);
  EXPECT_EQ(Extract(MakePythonArchive({"A.TXT", "a", "B.TXT", "b"})), kUnzipMalformed);
  EXPECT_EQ(MadeFiles(), "");
}

TEST_F(DunzipTest, AnEndRecordCountingOneOfSeveralEntriesIsMalformed) {
  const std::string archives[] = {MakePythonArchive({"A.TXT", "a", "B.TXT", "b"}),
                                  MakePythonArchive({"A.TXT", "a", "B.TXT", "b", "C.TXT", "c"}),
                                  MakePythonArchive({"A.TXT", "", "A.TXT", "again"})};
  for (const std::string& archive : archives) {
    std::string counted_once = archive;
    size_t end = archive.size() - 22;
    PatchU16(&counted_once, end + 8, 1);
    PatchU16(&counted_once, end + 10, 1);
    EXPECT_EQ(Extract(counted_once), kUnzipMalformed);
  }
  EXPECT_EQ(MadeFiles(), "");
}

TEST_F(DunzipTest, NamesThatLeaveTheOutputDirectoryAreRefused) {
  for (const char* name : {"../EVIL.TXT", "..\\EVIL.TXT", "SUB/EVIL.TXT", "SUB\\EVIL.TXT",
                           "/EVIL.TXT", "C:EVIL.TXT", "C:\\EVIL.TXT", "..", ".", "EVIL.TXT.",
                           "SUB/", "EV?L.TXT", "CON", "nul.txt", "COM1.ZIP", "Lpt9"}) {
    EXPECT_EQ(Extract(MakePythonArchive({name, "evil"})), kUnzipMalformed) << name;
  }
  EXPECT_EQ(MadeFiles(), "");
}

// A member name in the request is the one file the call may create: the member's stored name
// must be it without regard to case, else nothing is made (11). And the program reads the same
// stored name from the payload before anything is written; archives of another shape (a comment
// behind the end record, a block too short, damaged records) it leaves to the library.
TEST_F(DunzipTest, OnlyTheMemberNamedInTheRequestIsCreated) {
  const ZipMaker makers[] = {kInfoZipStored, kInfoZipDeflated, kInfoZipDescriptor,
                             kPythonStored,  kPythonDeflated,  kPythonDescriptor};
  struct Asked {
    const char* name;
    int32_t result;
  };
  const Asked asked[] = {
      {"SCRIPT.SCR", kUnzipOk},      {"script.scr", kUnzipOk},        {nullptr, kUnzipOk},
      {"OTHER.SCR", kUnzipNoMember}, {"SCRIPT.SCR ", kUnzipNoMember}, {"SCRIPT.SC", kUnzipNoMember},
      {"", kUnzipNoMember}};
  for (ZipMaker maker : makers) {
    const std::string archive = MakeArchive(maker, "SCRIPT.SCR", "the script");
    for (const Asked& ask : asked) {
      SCOPED_TRACE(testing::Message()
                   << "maker " << maker << ", " << (ask.name != nullptr ? ask.name : "no name"));
      PutFile("C:\\IN\\MEMBER.ZIP", archive);
      EXPECT_EQ(ExtractMember(nullptr, "C:\\IN\\MEMBER.ZIP", "C:\\OUT", ask.name), ask.result);
      EXPECT_EQ(MadeFiles(), ask.result == kUnzipOk ? "./OUT/SCRIPT.SCR\n" : "");
      PlatDeleteFile("C:\\OUT\\SCRIPT.SCR");
    }
  }
  for (ZipMaker maker : makers) {
    const std::string archive = MakeArchive(maker, "SCRIPT.SCR", "the script");
    std::string damaged = archive;
    PatchU32(&damaged, CentralEntryOffset(damaged), 0x12345678);
    for (const std::string& block :
         {archive, archive + "comment", archive.substr(0, 60), damaged, std::string()}) {
      OpenPayloadWith({{"SCRIPTS\\SCRIPT.SCR", block, 10}});
      char name[kStoredNameMax + 1] = "junk";
      int read = ReadStoredMemberName(*g_payload.entries[0], name);
      EXPECT_EQ(read, block == archive ? 1 : 0) << "maker " << maker << ", " << block.size();
      EXPECT_STREQ(name, block == archive ? "SCRIPT.SCR" : "");
      ClosePayload();
      ReleasePayloadHeader();
    }
  }
}

TEST_F(DunzipTest, MissingArchiveAndUnwritableOutput) {
  EXPECT_EQ(ExtractMember(nullptr, "C:\\IN\\NONE.ZIP", "C:\\OUT"), kUnzipCannotOpen);
  const std::string archive = MakeArchive(kInfoZipDeflated, "A.TXT", MixedData(200000, 13));
  PutFile("C:\\IN\\MEMBER.ZIP", archive);
  EXPECT_EQ(ExtractMember(nullptr, "C:\\IN\\MEMBER.ZIP", "C:\\NOWHERE"), kUnzipCannotCreate);

  HostFault disk_full = {kFaultDiskFull, 2, 0, "A.TXT"};
  ASSERT_EQ(HostFaultAdd(disk_full), 1);
  EXPECT_EQ(Extract(archive), kUnzipDiskFull);
  EXPECT_FALSE(Exists("C:\\OUT\\A.TXT"));

  HostFault no_memory = {kFaultAllocFails, 1, 0, nullptr};
  ASSERT_EQ(HostFaultAdd(no_memory), 1);
  EXPECT_EQ(Extract(archive), kUnzipNoMemory);
  HostFaultClear();
  ASSERT_EQ(HostFaultAdd({kFaultAllocFails, 2, 0, nullptr}), 1);  // zlib's own state
  EXPECT_EQ(Extract(archive), kUnzipNoMemory);
  EXPECT_FALSE(Exists("C:\\OUT\\A.TXT"));
}

TEST_F(DunzipTest, ARequestOtherThanTheProgramsIsRefused) {
  UnzipRequest request;
  FillExtractionRequest(&request, "C:\\IN\\MEMBER.ZIP", "C:\\OUT");
  request.operation = 7;
  EXPECT_EQ(g_extraction.entry(&request), kUnzipBadRequest);
  FillExtractionRequest(&request, nullptr, "C:\\OUT");
  EXPECT_EQ(g_extraction.entry(&request), kUnzipBadRequest);
  EXPECT_EQ(g_extraction.entry(nullptr), kUnzipBadRequest);
  EXPECT_STREQ(UnzipResultText(kUnzipDiskFull), "Disk full");
  EXPECT_STREQ(UnzipResultText(kUnzipBadCrc), "Bad CRC");
  EXPECT_STREQ(UnzipResultText(1), "");
}

}  // namespace

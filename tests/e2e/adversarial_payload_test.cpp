// Payloads made carelessly or damaged on purpose, installed by the host `setup` (-S -P) over an
// installation: members named unlike their entries, names with "/", trailing blanks and dots,
// SYSTEM entries whose names are taken in the destination, entries named like folders, the
// program's own file names, device names in every component, paths of 255 to 260 characters.
// After each run everything but what the entries legitimately replace is byte for byte as before,
// nothing is written outside the destination and the Windows directories, no journal, file set
// aside or temporary archive is left, and the exit status tells what happened: 0 (or 7, a restart
// declined) with every legitimate file installed, or 1 or 4 with everything as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/archive_tools.h"
#include "tests/support/payload_writer.h"
#include "tests/support/test_machine.h"
#include "tools/vntpack/member_archive.h"

namespace {

namespace fs = std::filesystem;
typedef std::map<std::string, std::string> Snapshot;  // upper-case path below C -> bytes

const uint32_t kNewerTime = (21u << 25) | (1u << 21) | (1u << 16);  // 2001-01-01
const char kFolder[] = "<folder>";

struct Entry {
  std::string name;
  std::string member;  // the stored name in its archive; empty: a stored entry (the guide)
  std::string data;
};

enum Outcome { kInstalled, kRefused };

struct Case {
  const char* what;
  std::vector<Entry> entries;
  Outcome outcome;
  Snapshot changed;  // what the entries legitimately replace or add, with its new bytes
  std::string guide;
};

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// Every file and folder below the host folder, by upper-case relative path.
Snapshot Take(const std::string& root) {
  Snapshot snapshot;
  std::error_code failure;
  for (fs::recursive_directory_iterator walk(root, failure), end; !failure && walk != end;
       walk.increment(failure)) {
    std::string key = Upper(walk->path().lexically_relative(root).generic_string());
    if (walk->is_directory(failure)) {
      snapshot[key] = kFolder;
    } else {
      snapshot[key] = ReadHostFile(walk->path().string());
    }
  }
  return snapshot;
}

// 1 for the names the program gives its own files: they must all be gone after the run.
bool IsLeftOver(const std::string& key) {
  std::string name = key.substr(key.rfind('/') + 1);
  bool aside = name[0] == '~' && name.size() > 4 && name.compare(name.size() - 4, 4, ".RBK") == 0;
  bool archive =
      name.size() == 11 && name.compare(0, 3, "DEC") == 0 && name.compare(7, 4, ".TMP") == 0;
  return aside || archive || name.compare(0, 9, "VNTSETUP.") == 0;
}

class AdversarialPayloadTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    PutFile("C:\\VELNET\\IDB\\MAIN.IDX", ReadHostFile(DEMO_DIRECTORY "/old/IDB/MAIN.IDX"));
    PutFile("C:\\VELNET\\DIZI.EXE", "the installed client");
    PutFile("C:\\VELNET\\VNT.EXE", "the old program");
    PutFile("C:\\VELNET\\NOTES.TXT", "the member's notes");
    PutFile("C:\\VELNET\\VNTPHONE.DAT", "the member's phone list");
    PutFile("C:\\VELNET\\VNTCTL32.DLL", "a copy the client keeps beside itself");
    PutFile("C:\\VELNET\\SCRIPTS\\CONNECT.SCR", "the old connect script");
    PutFile("C:\\WINDOWS\\WIN.INI", "[windows]\r\nload=\r\n");
    PutFile("C:\\WINDOWS\\SYSTEM\\VNTCTL32.DLL", "an old control library");
    PutFile("C:\\WINDOWS\\SYSTEM\\FOLDER.DLL\\INSIDE.TXT", "a folder named like a library");
    PutFile("C:\\OTHER\\KEEP.TXT", "another program's file");
    ASSERT_EQ(system(("touch -d 1996-01-01 '" + HostPath("C:\\WINDOWS\\SYSTEM\\VNTCTL32.DLL") + "'")
                         .c_str()),
              0);
  }

  int RunSetup() {
    std::string command = "VNT_MACHINE='" + root_ +
                          "' '" HOST_SETUP_PROGRAM
                          "' -S -X 'C:\\P.PAY' -P 'C:\\VELNET' </dev/null >/dev/null 2>&1";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The payload: the library, a new VNT.EXE, then the case's entries; VNTPHONE.DAT preserved.
  std::string PayloadOf(const Case& test) {
    PayloadLayout layout;
    layout.carry_over = {{"VNTPHONE.DAT", ""}};
    layout.guide_entry = test.guide;
    const std::string& library = ExtractionLibraryBytes();
    layout.files.push_back({"dunzipnt.dll", library, static_cast<uint32_t>(library.size())});
    std::vector<Entry> entries = {{"VNT.EXE", "VNT.EXE", "the new program"}};
    entries.insert(entries.end(), test.entries.begin(), test.entries.end());
    for (const Entry& entry : entries) {
      PayloadFile file = {entry.name, entry.data, static_cast<uint32_t>(entry.data.size())};
      if (!entry.member.empty()) {
        EXPECT_TRUE(MakeMemberArchive(entry.member, entry.data, kNewerTime, &file.data));
      }
      layout.files.push_back(file);
    }
    return BuildPayload(layout);
  }
};

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"a member named like the database",
       {{"IDB\\NEW.DAT", "MAIN.IDX", "not a database"}},
       kRefused,
       {},
       ""},
      {"a member named like a preserved file",
       {{"NEW.DAT", "VNTPHONE.DAT", "a guide"}},
       kRefused,
       {},
       ""},
      {"a member named like the journal", {{"NEW.DAT", "VNTSETUP.RBK", "junk"}}, kRefused, {}, ""},
      {"a member of another name and no bytes", {{"NEW.DAT", "NOTES.TXT", ""}}, kRefused, {}, ""},
      {"a member of another name in a new folder",
       {{"STRAY\\A.TXT", "B.TXT", "b"}},
       kRefused,
       {},
       ""},
      {"a member named in other letters",
       {{"New.Dat", "NEW.DAT", "new data"}},
       kInstalled,
       {{"VELNET/NEW.DAT", "new data"}},
       ""},
      {"a name with \"/\"", {{"SCRIPTS/NOTES.TXT", "NOTES.TXT", "x"}}, kRefused, {}, ""},
      {"a SYSTEM file named like a file of dest_dir",
       {{"SYSTEM\\NOTES.TXT", "NOTES.TXT", "sys"}},
       kInstalled,
       {{"WINDOWS/SYSTEM/NOTES.TXT", "sys"}},
       ""},
      {"a newer SYSTEM file that dest_dir also holds",
       {{"SYSTEM\\VNTCTL32.DLL", "VNTCTL32.DLL", "a new control library"}},
       kInstalled,
       {{"WINDOWS/SYSTEM/VNTCTL32.DLL", "a new control library"}},
       ""},
      {"a SYSTEM file named like a folder",
       {{"SYSTEM\\FOLDER.DLL", "FOLDER.DLL", "x"}},
       kRefused,
       {},
       ""},
      {"a guide named like a preserved file with a blank",
       {{"VNTPHONE.DAT ", "", "the guide's text"}},
       kInstalled,
       {},
       "VNTPHONE.DAT "},
      {"a preserved file with a trailing dot",
       {{"VNTPHONE.DAT.", "VNTPHONE.DAT", "x"}},
       kInstalled,
       {},
       ""},
      {"a file with a trailing dot and blank",
       {{"NOTES.TXT. ", "NOTES.TXT", "new notes"}},
       kInstalled,
       {{"VELNET/NOTES.TXT", "new notes"}},
       ""},
      {"a folder with a trailing dot",
       {{"SCRIPTS.\\CONNECT.SCR", "CONNECT.SCR", "new connect"}},
       kInstalled,
       {{"VELNET/SCRIPTS/CONNECT.SCR", "new connect"}},
       ""},
      {"one file under two spellings",
       {{"NOTES.TXT", "NOTES.TXT", "first"}, {"notes.txt.", "NOTES.TXT", "second"}},
       kInstalled,
       {{"VELNET/NOTES.TXT", "second"}},
       ""},
      {"an entry named like a folder", {{"SCRIPTS", "SCRIPTS", "x"}}, kRefused, {}, ""},
      {"an entry named like the database's folder", {{"idb.", "IDB", "x"}}, kRefused, {}, ""},
      {"an entry named like a folder the run makes",
       {{"NEWDIR\\A.TXT", "A.TXT", "a"}, {"NEWDIR", "NEWDIR", "x"}},
       kRefused,
       {},
       ""},
      {"an entry inside a file the run makes",
       {{"NEW.SCR", "NEW.SCR", "a"}, {"NEW.SCR\\X", "X", "x"}},
       kRefused,
       {},
       ""},
      {"an entry inside a file", {{"NOTES.TXT\\X", "X", "x"}}, kRefused, {}, ""},
      {"an entry deep inside a file", {{"NOTES.TXT\\SUB\\X", "X", "x"}}, kRefused, {}, ""},
      {"the library named again", {{"DUNZIPNT.DLL", "DUNZIPNT.DLL", "x"}}, kRefused, {}, ""},
  };
  for (const char* name : {"~RB00001.RBK", "DEC0001.TMP", "dec0002.tmp", "VNTSETUP.RBK",
                           "VNTSETUP.001", "~RBSYS.RBK", "SCRIPTS\\~RB00001.RBK"}) {
    cases.push_back({"the program's own name", {{name, "X", "x"}}, kRefused, {}, ""});
  }
  for (const char* name : {"CLOCK$", "CON .TXT", "SCRIPTS\\AUX.", "NUL\\X.TXT", "LPT3 .DOC",
                           "SUB\\COM1\\X.TXT", "PRN.\\X.TXT"}) {
    cases.push_back({"a device", {{name, "X.TXT", "x"}}, kRefused, {}, ""});
  }
  for (const char* name : {"...\\X.TXT", "A\\\\X.TXT", ".\\X.TXT", "SCRIPTS\\", "A:X.TXT", "X*.TXT",
                           "..\\X.TXT", "\\X.TXT"}) {
    cases.push_back({"no plain name", {{name, "X.TXT", "x"}}, kRefused, {}, ""});
  }
  // "C:\VELNET\" and the name: 255 to 259 characters install, 260 is no Windows path.
  for (size_t length = 255; length <= 260; ++length) {
    std::string file(length - 15, 'N');
    Case test = {"a long path",
                 {{"LONG\\" + file, file, "long"}},
                 length < 260 ? kInstalled : kRefused,
                 {},
                 ""};
    if (length < 260) test.changed["VELNET/LONG/" + file] = "long";
    cases.push_back(test);
  }
  return cases;
}

TEST_F(AdversarialPayloadTest, NothingButWhatTheEntriesNameChangesAndTheStatusSaysWhatHappened) {
  HostMachineClose();
  std::string clean = root_ + "-clean";
  ASSERT_EQ(system(("rm -rf '" + clean + "' && cp -a '" + root_ + "' '" + clean + "'").c_str()), 0);
  int installed = 0;
  int refused = 0;
  for (const Case& test : Cases()) {
    SCOPED_TRACE(std::string(test.what) + ": " + test.entries.back().name);
    ASSERT_EQ(system(("rm -rf '" + root_ + "' && cp -a '" + clean + "' '" + root_ + "'").c_str()),
              0);
    std::ofstream(root_ + "/C/P.PAY", std::ios::binary) << PayloadOf(test);
    Snapshot before = Take(root_ + "/C");
    int status = RunSetup();
    Snapshot after = Take(root_ + "/C");
    bool succeeded = status == 0 || status == 7;
    EXPECT_TRUE(succeeded || status == 1 || status == 4) << "exit status " << status;
    EXPECT_EQ(succeeded, test.outcome == kInstalled) << "exit status " << status;
    (succeeded ? installed : refused) += 1;

    Snapshot allowed = {{"UPDATE.LOG", ""}, {"VELNET/UPDATE.LOG", ""}};
    if (succeeded) {
      allowed.insert(test.changed.begin(), test.changed.end());
      allowed.insert({{"VELNET/VNT.EXE", "the new program"},
                      {"VELNET/DUNZIPNT.DLL", ExtractionLibraryBytes()},
                      {"WINDOWS/WIN.INI", ""}});
      for (const auto& made : allowed) {
        for (size_t slash = made.first.find('/'); slash != std::string::npos;
             slash = made.first.find('/', slash + 1)) {
          allowed.insert({made.first.substr(0, slash), kFolder});  // its folders
        }
      }
      for (const auto& file : test.changed) {
        EXPECT_EQ(after[file.first], file.second) << file.first;
      }
      EXPECT_EQ(after["VELNET/VNT.EXE"], "the new program");
    }
    for (const auto& file : after) {
      EXPECT_FALSE(IsLeftOver(file.first)) << file.first << " is left";
      if (allowed.count(file.first) == 0) {
        EXPECT_TRUE(before.count(file.first) == 1 && before[file.first] == file.second)
            << file.first << " is new or changed";
      }
    }
    for (const auto& file : before) {
      if (allowed.count(file.first) == 0) {
        EXPECT_EQ(after.count(file.first), 1u) << file.first << " is gone";
      }
    }
  }
  std::cout << "[ counts   ] " << installed << " payloads installed, " << refused
            << " refused or rolled back\n";
  EXPECT_GT(installed, 10);
  EXPECT_GT(refused, 30);
  ASSERT_EQ(system(("rm -rf '" + clean + "'").c_str()), 0);
}

}  // namespace

// The rollback journal, as a property: random runs of changes (files replaced, deleted, moved
// and copied aside, directories made, a database overwritten, grown and cut in place, registry
// values set in existing and new keys) are put
// back exactly by a rollback, by the recovery of a journal left by an interruption, and kept
// by a commit that leaves no journal or moved-aside file behind.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "integration/registry_entries.h"
#include "services/errors.h"
#include "services/rollback.h"
#include "tests/support/setup_test.h"

namespace {

typedef std::map<std::string, std::string> Tree;

const char* const kFiles[] = {"C:\\D\\A.TXT",      "C:\\D\\B.TXT",         "C:\\D\\SUB\\C.TXT",
                              "C:\\D\\SUB\\D.TXT", "C:\\WINDOWS\\WIN.INI", "C:\\D\\E.TXT"};
const char kDatabase[] = "C:\\D\\IDB\\MAIN.IDX";

class RollbackTest : public SetupTest {
 protected:
  // Every directory and file of drive C:, with the files' bytes.
  Tree Take() {
    Tree tree;
    std::string drive = HostPath("C:\\");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(drive)) {
      std::string name = entry.path().string().substr(drive.size());
      if (entry.is_directory()) {
        tree[name] = "<dir>";
      } else {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        tree[name] = bytes.str();
      }
    }
    tree["registry.reg"] = Registry();
    return tree;
  }
  // The first name whose presence or bytes differ, or "".
  static std::string Difference(const Tree& a, const Tree& b) {
    for (const auto& [name, bytes] : a) {
      auto other = b.find(name);
      if (other == b.end() || other->second != bytes) return name;
    }
    for (const auto& [name, bytes] : b) {
      if (a.find(name) == a.end()) return name;
    }
    return "";
  }
  bool HasRollbackFiles() {
    for (const auto& [name, bytes] : Take()) {
      if (name.find(".RBK") != std::string::npos) return true;
    }
    return false;
  }

  // Writes count random bytes at offset of the database through the journal, or cuts it there.
  void ChangeDatabase(std::mt19937* random, uint32_t size) {
    PlatFile file = PlatOpenFile(kDatabase, kOpenReadWrite);
    ASSERT_NE(file, kPlatNoFile);
    uint32_t offset = (*random)() % (size + 64);
    if ((*random)() % 5 == 0) {
      ASSERT_EQ(SaveBeforeImage(file, kDatabase, offset, kPlatFileError), 1);
      ASSERT_EQ(MakeJournalDurable(), 1);  // the writer's duty before any write
      PlatSetFileSize(file, offset);
    } else {
      std::string bytes((*random)() % 300 + 1, static_cast<char>('a' + (*random)() % 26));
      uint32_t count = static_cast<uint32_t>(bytes.size());
      ASSERT_EQ(SaveBeforeImage(file, kDatabase, offset, count), 1);
      ASSERT_EQ(MakeJournalDurable(), 1);
      uint32_t end = PlatGetFileSize(file);
      if (offset > end) offset = end;  // writes go where the file reaches
      ASSERT_EQ(PlatSeekFile(file, offset, kSeekBegin), offset);
      ASSERT_EQ(PlatWriteFile(file, bytes.data(), count), count);
    }
    PlatCloseFile(file);
  }

  // A run of random changes, each through the journal.
  void Change(std::mt19937* random) {
    for (int step = 0; step < 40; ++step) {
      const char* path = kFiles[(*random)() % 6];
      switch ((*random)() % 7) {
        case 0:
          if (SetAsideBeforeReplace(path)) PutFile(path, "new " + std::to_string(step));
          break;
        case 1:
          DeleteSettingAside(path);
          break;
        case 2:
          if (KeepCopyBeforeChange(path) && Exists(path)) {
            PutFile(path, GetFile(path) + "more");
          }
          break;
        case 3:
          CreateDirectoryJournalled("C:\\D\\NEW\\DEEPER");
          break;
        case 4:
          ChangeDatabase(random, static_cast<uint32_t>(GetFile(kDatabase).size()));
          break;
        case 5: {
          // A value that exists, a new value of an existing key, a value in new keys.
          static const char* const kKeys[] = {"SOFTWARE\\Velnet\\VNT\\CurrentVersion",
                                              "SOFTWARE\\Velnet\\VNT\\CurrentVersion",
                                              "SOFTWARE\\Velnet\\VNT\\CurrentVersion\\Fresh"};
          static const char* const kValues[] = {"AppPath", "Other", "New"};
          int pick = static_cast<int>((*random)() % 3);
          RegSetStringChecked(kRegLocalMachine, kKeys[pick], kValues[pick],
                              ("value " + std::to_string(step)).c_str());
          break;
        }
        default: {
          std::string target = std::string(path) + ".MOV";
          if (Exists(path) && !Exists(target.c_str())) MoveJournalled(path, target.c_str());
          break;
        }
      }
      ASSERT_EQ(g_setup.error_number, 0);
    }
  }

  void MakeInstallation(std::mt19937* random) {
    RegWriteString(kRegLocalMachine, "SOFTWARE\\Velnet\\VNT\\CurrentVersion", "AppPath", "C:\\OLD");
    PutFile("C:\\D\\SUB\\KEEP.TXT", "keeps the folder");  // the test's writes make no folders
    for (const char* path : kFiles) {
      if ((*random)() % 4 != 0) PutFile(path, std::string("old ") + path);
    }
    std::string database(2000 + (*random)() % 3000, 'x');
    for (char& c : database) c = static_cast<char>((*random)() % 256);
    PutFile(kDatabase, database);
  }
};

TEST_F(RollbackTest, RandomRunsAreRolledBackRecoveredOrCommitted) {
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    MakeInstallation(&random);
    Tree before = Take();
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
    const char* dest = "C:\\D";
    ASSERT_EQ(BeginRollback(dest), 1);
    EXPECT_TRUE(RollbackActive());
    Change(&random);
    switch (seed % 3) {
      case 0:  // a failed run
        RollBackRun();
        EXPECT_EQ(g_setup.rollback_result, 1);
        EXPECT_EQ(Difference(Take(), before), "");
        break;
      case 1: {  // an interrupted run: the next one finds the journal
        PlatCloseFile(g_setup.journal_file);
        g_setup.journal_file = kPlatNoFile;
        EXPECT_EQ(RecoverUnfinishedRun(dest), 1);
        EXPECT_EQ(Difference(Take(), before), "");
        break;
      }
      default: {  // a run that succeeded
        Tree after = Take();
        CommitRun();
        EXPECT_FALSE(HasRollbackFiles());
        for (const auto& [name, bytes] : Take()) EXPECT_EQ(after[name], bytes) << name;
        break;
      }
    }
    EXPECT_FALSE(RollbackActive());
    EXPECT_EQ(RecoverUnfinishedRun(dest), 0);  // nothing left to recover
    FlushLog();
    std::filesystem::remove_all(HostPath("C:\\D"));
    PlatDeleteFile("C:\\WINDOWS\\WIN.INI");
    PlatDeleteFile("C:\\WINDOWS\\WIN.INI.MOV");
    PlatDeleteFile("C:\\update.log");
    ResetSetupState();
  }
}

TEST_F(RollbackTest, ATornTailIsNeverMadeAndACutOrForeignJournalIsKeptAside) {
  // Bytes past the last flush are a record torn by an interruption: its change was never made,
  // and every whole record before it is still undone. A journal shorter than what was once
  // flushed, one written for another folder, or one that is garbage is not obeyed: it is kept
  // aside under a name no recovery looks for, and nothing is touched.
  strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  for (int variant = 0; variant < 5; ++variant) {
    SCOPED_TRACE("variant " + std::to_string(variant));
    std::mt19937 random(7 + variant);
    MakeInstallation(&random);
    Tree before = Take();
    ASSERT_EQ(BeginRollback("C:\\D"), 1);
    Change(&random);
    PlatCloseFile(g_setup.journal_file);
    g_setup.journal_file = kPlatNoFile;
    std::string journal = GetFile("C:\\D\\VNTSETUP.RBK");
    ASSERT_GT(journal.size(), 100u);
    Tree changed = Take();
    switch (variant) {
      case 0:
        PutFile("C:\\D\\VNTSETUP.RBK", journal + std::string(40, 'R'));
        EXPECT_EQ(RecoverUnfinishedRun("C:\\D"), 1);
        EXPECT_EQ(Difference(Take(), before), "");
        break;
      case 1:
        PutFile("C:\\D\\VNTSETUP.RBK", journal.substr(0, journal.size() - 30));
        break;
      case 2:
        PutFile("C:\\D\\VNTSETUP.RBK", std::string(300, 'x'));
        break;
      default: {
        // The same journal found in a copy of the folder, or with a record naming "..".
        std::string copy = variant == 3 ? "C:\\COPY" : "C:\\D";
        if (variant == 4) {
          size_t at = journal.find("C:\\D\\A.TXT");
          if (at == std::string::npos) at = journal.find("C:\\D\\B.TXT");
          ASSERT_NE(at, std::string::npos);
          journal.replace(at + 5, 1, ".");  // same length, sum now wrong: cannot be read whole
        }
        PutFile((copy + "\\VNTSETUP.RBK").c_str(), journal);
        EXPECT_EQ(RecoverUnfinishedRun(copy.c_str()), 0);
        EXPECT_TRUE(Exists((copy + "\\VNTSETUP.001").c_str()));
        EXPECT_FALSE(Exists((copy + "\\VNTSETUP.RBK").c_str()));
        break;
      }
    }
    if (variant == 1 || variant == 2) {
      EXPECT_EQ(RecoverUnfinishedRun("C:\\D"), 0);
      EXPECT_TRUE(Exists("C:\\D\\VNTSETUP.001"));
      Tree now = Take();
      now.erase("/D/VNTSETUP.001");
      changed.erase("/D/VNTSETUP.RBK");
      EXPECT_EQ(Difference(now, changed), "");
    }
    FlushLog();
    std::filesystem::remove_all(HostPath("C:\\D"));
    std::filesystem::remove_all(HostPath("C:\\COPY"));
    PlatDeleteFile("C:\\WINDOWS\\WIN.INI");
    PlatDeleteFile("C:\\WINDOWS\\WIN.INI.MOV");
    PlatDeleteFile("C:\\update.log");
    ResetSetupState();
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  }
}

TEST_F(RollbackTest, WhatCannotBePutBackIsListedAndTheJournalKept) {
  PutFile("C:\\D\\A.TXT", "old");
  strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  ASSERT_EQ(BeginRollback("C:\\D"), 1);
  ASSERT_EQ(SetAsideBeforeReplace("C:\\D\\A.TXT"), 1);
  PutFile("C:\\D\\A.TXT", "new");
  HostFaultAdd({kFaultReadOnly, 1, 1, "A.TXT"});  // the new file cannot be deleted
  strcpy(g_setup.dest_dir, "C:\\D");
  g_setup.error_number = kErrorRecordWrite;
  RollBackRun();
  EXPECT_EQ(g_setup.rollback_result, 2);
  EXPECT_TRUE(Exists("C:\\D\\VNTSETUP.RBK"));
  std::string log = DestinationLog();
  EXPECT_NE(log.find("Rolling back (error #41)\r\nCouldn't restore C:\\D\\A.TXT\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Rollback incomplete: 0 restored, 1 not restored"), std::string::npos);
  // The next run, without the fault, finishes the job.
  HostFaultClear();
  EXPECT_EQ(RecoverUnfinishedRun("C:\\D"), 1);
  EXPECT_EQ(GetFile("C:\\D\\A.TXT"), "old");
  EXPECT_FALSE(HasRollbackFiles());
  FlushLog();
}

TEST_F(RollbackTest, MoreThan65536ChangesAreAllUndone) {
  // 70,000 before-images of single bytes of the database, grouped into one flush, each byte then
  // overwritten: the rollback puts every one back.
  strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  const uint32_t kCount = 70000;
  std::string original(kCount, 'o');
  for (uint32_t i = 0; i < kCount; ++i) original[i] = static_cast<char>('a' + i % 26);
  PutFile(kDatabase, original);
  ASSERT_EQ(BeginRollback("C:\\D"), 1);
  PlatFile file = PlatOpenFile(kDatabase, kOpenReadWrite);
  ASSERT_NE(file, kPlatNoFile);
  for (uint32_t i = 0; i < kCount; ++i) ASSERT_EQ(SaveBeforeImage(file, kDatabase, i, 1), 1);
  ASSERT_EQ(MakeJournalDurable(), 1);
  std::string changed(kCount, 'z');
  ASSERT_EQ(PlatSeekFile(file, 0, kSeekBegin), 0u);
  ASSERT_EQ(PlatWriteFile(file, changed.data(), kCount), kCount);
  PlatCloseFile(file);
  // And 66,000 files, every tenth replaced: each one put back or removed.
  const int kFileCount = 66000;
  // In folders of 1,000: the host looks names up without regard to case, folder by folder.
  auto name = [](int i) {
    return "C:\\D\\F" + std::to_string(i / 1000) + "\\" + std::to_string(i % 1000);
  };
  for (int i = 0; i < kFileCount; i += 10) PutFile(name(i).c_str(), "old");
  for (int i = 0; i < kFileCount; ++i) {
    std::string path = name(i);
    ASSERT_EQ(SetAsideBeforeReplace(path.c_str()), 1);
    PutFile(path.c_str(), "new");
  }
  g_setup.error_number = kErrorRecordWrite;
  RollBackRun();
  EXPECT_EQ(g_setup.rollback_result, 1);
  EXPECT_EQ(GetFile(kDatabase), original);
  int wrong = 0;
  for (int i = 0; i < kFileCount; ++i) {
    wrong += i % 10 == 0 ? GetFile(name(i).c_str()) != "old" : Exists(name(i).c_str());
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_FALSE(Exists("C:\\D\\VNTSETUP.RBK"));
  FlushLog();
}

TEST_F(RollbackTest, FilesTheClientChangedSinceAreLeftWithTheirEarlierCopies) {
  // A run replaces A, makes B and E, changes and grows the database; then it is cut off (mode 0)
  // or its rollback cannot remove B (mode 1). The client then uses the installation before the
  // next run: what it changed stays as it left it, the rest goes back.
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    HostFaultClear();
    std::filesystem::remove_all(HostPath("C:\\D"));
    PutFile("C:\\D\\A.TXT", "old A");
    PutFile(kDatabase, "0123456789");
    RegWriteString(kRegLocalMachine, "SOFTWARE\\Velnet\\VNT\\CurrentVersion", "AppPath", "C:\\OLD");
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
    strcpy(g_setup.dest_dir, "C:\\D");
    Tree before = Take();
    ASSERT_EQ(BeginRollback("C:\\D"), 1);
    for (const char* path : {"C:\\D\\A.TXT", "C:\\D\\B.TXT"}) {
      ASSERT_EQ(SetAsideBeforeReplace(path), 1);
      PutFile(path, std::string("new ") + path);
    }
    PlatFile file = PlatOpenFile(kDatabase, kOpenReadWrite);
    ASSERT_EQ(SaveBeforeImage(file, kDatabase, 0, 4), 1);
    ASSERT_EQ(SaveBeforeImage(file, kDatabase, 10, 3), 1);
    ASSERT_EQ(MakeJournalDurable(), 1);
    ASSERT_EQ(PlatWriteFile(file, "abcd", 4), 4u);
    ASSERT_EQ(PlatSeekFile(file, 10, kSeekBegin), 10u);
    ASSERT_EQ(PlatWriteFile(file, "XYZ", 3), 3u);
    PlatCloseFile(file);
    ASSERT_EQ(NoteFileLeft(kDatabase), 1);
    ASSERT_EQ(SetAsideBeforeReplace("C:\\D\\E.TXT"), 1);
    PutFile("C:\\D\\E.TXT", "new E");
    RegSetStringChecked(kRegLocalMachine, "SOFTWARE\\Velnet\\VNT\\CurrentVersion", "AppPath",
                        "C:\\D");
    ASSERT_EQ(g_setup.error_number, 0);
    if (mode == 0) {
      PlatCloseFile(g_setup.journal_file);
      g_setup.journal_file = kPlatNoFile;
      PutFile(kDatabase, GetFile(kDatabase) + "client");
      PutFile("C:\\D\\A.TXT", "the client's own A");
    } else {
      HostFaultAdd({kFaultReadOnly, 1, 1, "B.TXT"});
      g_setup.error_number = kErrorRecordWrite;
      RollBackRun();
      EXPECT_EQ(g_setup.rollback_result, 2);
      HostFaultClear();
      PutFile("C:\\D\\B.TXT", "the client's B, longer");
    }
    g_setup.error_number = 0;
    g_setup.rollback_result = 0;
    EXPECT_EQ(RecoverUnfinishedRun("C:\\D"), 1);
    EXPECT_FALSE(Exists("C:\\D\\VNTSETUP.RBK"));
    Tree after = Take();
    std::string log = DestinationLog();
    if (mode == 0) {
      EXPECT_EQ(after["/D/IDB/MAIN.IDX"], "abcd456789XYZclient");
      EXPECT_EQ(after["/D/A.TXT"], "the client's own A");
      EXPECT_FALSE(Exists("C:\\D\\B.TXT"));
      EXPECT_EQ(after["/D/E.TXT"], before["/D/E.TXT"]);
      // The user's own A is kept aside, and the log says where.
      EXPECT_EQ(after["/D/~RB00001.RBK"], "old A");
      EXPECT_NE(log.find("Left C:\\D\\A.TXT as it is: it has changed since the setup"),
                std::string::npos)
          << log;
      EXPECT_NE(log.find("Kept its earlier copy as C:\\D\\~RB00001.RBK"), std::string::npos);
      EXPECT_NE(log.find("2 changed since and left as they are"), std::string::npos);
    } else {
      EXPECT_EQ(after["/D/B.TXT"], "the client's B, longer");
      after.erase("/D/B.TXT");
      EXPECT_EQ(Difference(after, before), "");
    }
    EXPECT_EQ(after["registry.reg"], before["registry.reg"]);
    FlushLog();
  }
}

}  // namespace

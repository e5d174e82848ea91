// The database merge: records carried from IDB\MERGE.DB into IDB\MAIN.IDX with their types,
// the version stamped, the texts written, the merge file deleted, the profile and registry
// entries written; batches over 64000 bytes, dialog 210 and its gauge, and every failure with
// its error number or stop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/merge.h"
#include "services/errors.h"
#include "services/payload_header.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "tests/support/database_fixture.h"
#include "ui/gauge.h"

namespace {

const char kMerge[] = "C:\\VELNET\\IDB\\MERGE.DB";
const std::string kVersion("\x00\x83\x02\x00", 4);

class MergeTest : public DatabaseFixture {
 protected:
  void SetUp() override {
    DatabaseFixture::SetUp();
    Prepare();
  }
  void TearDown() override {
    g_reader.marker_text[0] = '\0';
    g_payload.db_version_stamp = 0;
    UnregisterGaugeClass();
    DatabaseFixture::TearDown();
  }
  // The run's state as the installation loop leaves it. Scripted answers and machine
  // descriptions reopen the machine, which forgets the gauge class: they call this again.
  void Prepare() {
    RegisterGaugeClass();
    strcpy(g_setup.dest_dir, "C:\\VELNET");
    strcpy(g_setup.merge_dir, "C:\\VELNET");
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  }
  std::string Log() { return DestinationLog(); }
  // The main database as it stands after the merge, read through a fresh open.
  std::string MainRecord(uint32_t gid) {
    Database* db = Open();
    std::string data = Read(db, gid);
    DbClose(db);
    return data;
  }
};

TEST_F(MergeTest, RecordsAreCarriedOverStampedAndTheInstallationRecorded) {
  Put(Layout({MakeRecord(kGidVersion, kVersion, 'b', 0x20),
              MakeRecord(0x00000101, "same length", 'b', 0x20),
              MakeRecord(0x00000102, "other length"), MakeRecord(0x00000103, "untouched")}));
  Put(Layout({MakeRecord(kGidVersion, std::string("\x00\x81\x01\x07", 4)),
              MakeRecord(0x00000101, "SAME LENGTH", 'a', 0x10),
              MakeRecord(0x00000102, "a longer text", 'a', kDbFlagScrambled),
              MakeRecord(0x01000005, "profile", 'b', 0x20), MakeRecord(0x00000104, "")}),
      kMerge);
  PutFile("C:\\VELNET\\IDB\\MAIN.ind", "stale");
  PutFile("C:\\VELNET\\IDB\\MERGE.ind", "stale");
  g_payload.db_version_stamp = 0x0384;
  strcpy(g_setup.version_text, "2.5");
  strcpy(g_reader.marker_text, "RETAIL");

  ASSERT_EQ(MergeDatabase(), 1);
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_EQ(MainRecord(0x00000101), "SAME LENGTH");
  EXPECT_EQ(MainRecord(0x00000102), "a longer text");  // unscrambled on the way
  EXPECT_EQ(MainRecord(0x00000103), "untouched");
  EXPECT_EQ(MainRecord(0x01000005), "profile");
  EXPECT_EQ(MainRecord(0x00000104), "<none>");  // empty records are not merged
  EXPECT_EQ(MainRecord(kGidVersion), std::string("\x00\x84\x03\x07", 4));  // the rest kept
  EXPECT_EQ(MainRecord(kGidVersionText), "2.5");
  EXPECT_EQ(MainRecord(kGidMarkerText), "RETAIL");
  Database* db = Open();
  EXPECT_EQ(Entry(db, 0x00000101).type, 'b');
  EXPECT_EQ(Entry(db, 0x00000101).flags, kDbFlagWritten);
  EXPECT_EQ(Entry(db, 0x01000005).type, 'p');
  EXPECT_EQ(Entry(db, 0x01000005).flags, 0);
  EXPECT_EQ(Entry(db, kGidVersionText).type, 't');
  DbClose(db);
  EXPECT_FALSE(Exists(kMerge));
  EXPECT_FALSE(Exists("C:\\VELNET\\IDB\\MERGE.ind"));

  // Visited newest first; one batch, written last-read first.
  EXPECT_EQ(Log(),
            "Old version: 129.1\r\n"
            "Wrote GID 335544326 (size 4)\r\n"
            "Wrote GID 257 (size 11)\r\n"
            "Wrote GID 258 (size 13)\r\n"
            "Wrote GID 16777221 (size 7)\r\n"
            "New version: 132.3\r\n");
  std::string win_ini = GetFile("C:\\WINDOWS\\WIN.INI");
  EXPECT_NE(win_ini.find("[DIZI]\r\nInstalled=US\r\nAppPath=C:\\VELNET\r\n"), std::string::npos)
      << win_ini;
  std::string registry = Registry();
  for (const char* root : {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velnet\\VNT\\CurrentVersion]",
                           "[HKEY_CURRENT_USER\\SOFTWARE\\Velnet\\VNT\\CurrentVersion]"}) {
    size_t key = registry.find(root);
    ASSERT_NE(key, std::string::npos) << registry;
    EXPECT_NE(registry.find("\"AppPath\"=\"C:\\\\VELNET\"", key), std::string::npos) << registry;
  }
  std::string transcript = Transcript();
  EXPECT_NE(transcript.find("dialog-open 210"), std::string::npos) << transcript;
  EXPECT_NE(transcript.find("dialog-close 210 gauge=5/5"), std::string::npos) << transcript;
}

TEST_F(MergeTest, WithoutAMergeFileTheMainDatabaseIsStillStampedAndNothingDeleted) {
  g_setup.merge_dir[0] = '\0';
  Put(Layout({MakeRecord(kGidVersion, kVersion)}));
  Put(Layout({MakeRecord(1, "not merged")}), kMerge);
  g_payload.db_version_stamp = 0x0205;
  ASSERT_EQ(MergeDatabase(), 1);
  EXPECT_EQ(MainRecord(kGidVersion), std::string("\x00\x05\x02\x00", 4));
  EXPECT_EQ(MainRecord(1), "<none>");
  EXPECT_TRUE(Exists(kMerge));
  EXPECT_EQ(Log(), "New version: 5.2\r\n");
  EXPECT_EQ(Transcript().find("dialog-open 210"), std::string::npos);
}

TEST_F(MergeTest, AMergeFileThatCannotBeReadWholeIsError40AndKept) {
  // Unreadable as a database, locked against opening, or holding a record too long to read:
  // the update's records would be lost, so the merge fails and the file stays.
  struct Case {
    std::string merge;
    int locked;
    const char* log;
  };
  std::string damaged = "VNTDB-25" + std::string(17, '\0') + std::string(40, 'x');
  for (const Case& c : {Case{damaged, 0, "Resyncing record\r\nCouldn't open old db\r\n"},
                        Case{"", 1, "Couldn't open old db\r\n"},
                        Case{"", 0, "Old version: 0.0\r\nCouldn't read GID 2\r\n"}}) {
    FlushLog();  // the log of the case before
    ResetSetupState();
    Prepare();
    Put(Layout({}));
    if (!c.merge.empty()) {
      PutFile(kMerge, c.merge);
    } else {
      Put(Layout({MakeRecord(1, "one"), MakeRecord(2, std::string(65536, 'x'))}), kMerge);
    }
    HostFaultClear();
    HostFault fault = {kFaultCannotOpen, 1, 1, "MERGE.DB"};
    if (c.locked) {
      ASSERT_EQ(HostFaultAdd(fault), 1);
    }
    EXPECT_EQ(MergeDatabase(), 0);
    EXPECT_EQ(g_setup.error_number, kErrorMergeDatabaseRead);
    HostFaultClear();
    EXPECT_TRUE(Exists(kMerge));
    EXPECT_EQ(Log(), c.log);
    EXPECT_EQ(MainRecord(1), "<none>");
  }
}

// A resynchronisation that steps over room for a record header may have stepped over one of the
// update's records: the merge fails (40), writes nothing and keeps the file. Junk shorter than a
// header between two records, in either form, is stepped over and every record merged.
TEST_F(MergeTest, AResynchronisationOverRoomForARecordHeaderIsError40) {
  for (DbForm form : {kDbCurrentForm, kDbOlderForm}) {
    // Record 4 follows record 3, so that the resynchronisation may accept record 3.
    std::string good = BuildDatabase(Layout(
        {MakeRecord(1, "one"), MakeRecord(2, "two"), MakeRecord(3, "three"), MakeRecord(4, "four")},
        form));
    size_t header = DbRecordHeaderSize(form);
    size_t second = DbFileHeaderSize(form) + header + 3;  // where record 2's header begins
    std::string damaged = good;
    damaged[second] = 'X';  // record 2's magic: its header and data are stepped over
    std::vector<std::string> merges = {damaged};
    for (size_t junk = 1; junk <= header + 2; ++junk) {
      merges.push_back(good.substr(0, second) + std::string(junk, 'j') + good.substr(second));
    }
    for (const std::string& merge : merges) {
      size_t skipped = merge == damaged ? header + 3 : merge.size() - good.size();
      SCOPED_TRACE(testing::Message() << "form " << form << ", " << skipped << " bytes skipped");
      FlushLog();
      ResetSetupState();
      Prepare();
      Put(Layout({}));
      PutFile(kMerge, merge);
      int whole = skipped < header;
      EXPECT_EQ(MergeDatabase(), whole);
      EXPECT_EQ(g_setup.error_number, whole ? 0 : kErrorMergeDatabaseRead);
      EXPECT_EQ(Exists(kMerge), !whole);
      EXPECT_EQ(MainRecord(2), whole ? "two" : "<none>");
      EXPECT_EQ(MainRecord(1), whole ? "one" : "<none>");
      std::string refusal =
          "Resyncing record\r\nOld db damaged: " + std::to_string(skipped) + " bytes skipped\r\n";
      EXPECT_EQ(Log() == refusal, !whole) << Log();
    }
  }
}

TEST_F(MergeTest, ARecordThatCannotBeWrittenIsError41AndKeepsTheMergeFile) {
  Put(Layout({}));
  Put(Layout({MakeRecord(1, "one"), MakeRecord(2, "two")}), kMerge);
  // The first open of MAIN.IDX is the merge's own; the second, the reopen before an append.
  HostFault fault = {kFaultCannotOpen, 2, 1, "MAIN.IDX"};
  ASSERT_EQ(HostFaultAdd(fault), 1);
  EXPECT_EQ(MergeDatabase(), 0);
  HostFaultClear();
  EXPECT_EQ(g_setup.error_number, kErrorRecordWrite);
  EXPECT_EQ(g_setup.install_stopped, 0);
  EXPECT_EQ(Log(), "Old version: 0.0\r\nFailed to write GID 1\r\n");
  EXPECT_TRUE(Exists(kMerge));
}

TEST_F(MergeTest, AMissingMainDatabaseIsError22AndKeepsTheMergeFile) {
  Put(Layout({MakeRecord(1, "one")}), kMerge);
  EXPECT_EQ(MergeDatabase(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorMainDatabaseOpen);
  EXPECT_TRUE(Exists(kMerge));
  EXPECT_FALSE(Exists("C:\\WINDOWS\\WIN.INI"));
  EXPECT_NE(Transcript().find("dialog-close 210"), std::string::npos);
  EXPECT_EQ(Log(), "Old version: 0.0\r\n");
}

TEST_F(MergeTest, AVersionRecordMissingOrTooShortIsError24) {
  g_payload.db_version_stamp = 0x0384;
  for (const std::string& version : {std::string(), std::string("\x00\x83", 2)}) {
    FlushLog();  // the log of the case before
    ResetSetupState();
    Prepare();
    Put(Layout(version.empty() ? std::vector<DatabaseRecord>{}
                               : std::vector<DatabaseRecord>{MakeRecord(kGidVersion, version)}));
    EXPECT_EQ(MergeDatabase(), 0);
    EXPECT_EQ(g_setup.error_number, kErrorVersionMissing);
    EXPECT_EQ(MainRecord(kGidVersion), version.empty() ? "<none>" : version);
  }
}

TEST_F(MergeTest, WritesThatFailGiveTheirErrorNumbers) {
  struct Case {
    uint16_t stamp;
    const char* version_text;
    const char* marker_text;
    uint16_t error;
  };
  for (const Case& c :
       {Case{0x0384, "", "", kErrorVersionWrite}, Case{0, "2.5", "", kErrorVersionTextWrite},
        Case{0, "", "RETAIL", kErrorMarkerTextWrite}}) {
    SetAnswers("box CANCEL\n");
    FlushLog();  // the log of the case before
    ResetSetupState();
    Prepare();
    g_setup.merge_dir[0] = '\0';
    g_payload.db_version_stamp = c.stamp;
    strcpy(g_setup.version_text, c.version_text);
    strcpy(g_reader.marker_text, c.marker_text);
    Put(Layout({MakeRecord(kGidVersion, kVersion)}));
    HostFault fault = {kFaultDiskFull, 1, 1, "MAIN.IDX"};
    ASSERT_EQ(HostFaultAdd(fault), 1);
    EXPECT_EQ(MergeDatabase(), 0);
    EXPECT_EQ(g_setup.error_number, c.error);
    EXPECT_EQ(g_setup.install_stopped, 1);
    HostFaultClear();
  }
}

TEST_F(MergeTest, MoreThan64000BytesAreWrittenInBatches) {
  Put(Layout({}));
  std::vector<DatabaseRecord> records;
  for (uint32_t gid = 1; gid <= 4; ++gid)
    records.push_back(MakeRecord(gid, std::string(30000, static_cast<char>('a' + gid))));
  Put(Layout(records), kMerge);
  ASSERT_EQ(MergeDatabase(), 1);
  // Visits 4, 3, 2: over 64000 bytes, written 2, 3, 4; then 1.
  EXPECT_EQ(Log(),
            "Old version: 0.0\r\n"
            "Wrote GID 2 (size 30000)\r\n"
            "Wrote GID 3 (size 30000)\r\n"
            "Wrote GID 4 (size 30000)\r\n"
            "Wrote GID 1 (size 30000)\r\n");
  EXPECT_EQ(MainRecord(3), std::string(30000, 'd'));
}

TEST_F(MergeTest, CancelInADiskFullQuestionStopsWithoutAnErrorNumber) {
  WriteMachineIni("[free]\nC=4096\nC.cluster=4096\n");
  SetAnswers("box CANCEL\n");
  Prepare();
  Put(Layout({}));
  Put(Layout({MakeRecord(1, "one"), MakeRecord(2, "two")}), kMerge);
  EXPECT_EQ(MergeDatabase(), 0);
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_TRUE(Exists(kMerge));
  // The first write was cancelled; the second record was dropped without a question.
  EXPECT_EQ(Log(), "Old version: 0.0\r\nFailed to write GID 1\r\n");
  EXPECT_EQ(MainRecord(2), "<none>");
}

TEST_F(MergeTest, EmptyRecordsAreNotMergedButCountOnTheGauge) {
  Put(Layout({}));
  Put(Layout({MakeRecord(1, ""), MakeRecord(2, "two"), MakeRecord(3, "")}), kMerge);
  ASSERT_EQ(MergeDatabase(), 1);
  EXPECT_EQ(Log(), "Old version: 0.0\r\nWrote GID 2 (size 3)\r\n");
  EXPECT_NE(Transcript().find("dialog-close 210 gauge=3/3"), std::string::npos);
  EXPECT_EQ(MainRecord(1), "<none>");
  EXPECT_FALSE(Exists(kMerge));
}

}  // namespace

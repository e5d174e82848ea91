// The record database: header encoding, finding a database of a kind, the scan with its
// resynchronisation and damaged tails, reading (scrambled, bounded), writing in place and by
// appending (superseding, the room test, failures that leave the file as it was), the older
// form, the companion index file and the index over many records.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/db_index.h"
#include "services/errors.h"
#include "services/memory.h"
#include "services/rollback.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "tests/support/database_fixture.h"
#include "tools/vntdb/database_writer.h"

namespace {

// The GIDs in the order DbForEach visits them.
int CollectGid(Database*, uint32_t gid, uint32_t, void* context) {
  static_cast<std::vector<uint32_t>*>(context)->push_back(gid);
  return 1;
}

std::vector<uint32_t> Visited(Database* db) {
  std::vector<uint32_t> gids;
  DbForEach(db, CollectGid, &gids);
  return gids;
}

class DatabaseTest : public DatabaseFixture {
 protected:
  std::string Log() {
    g_setup.error_number = 1;  // sends the log to c:\update.log
    FlushLog();
    g_setup.error_number = 0;
    return GetFile("C:\\update.log");
  }
  std::string Bytes(uint32_t from, uint32_t count, const char* path = kMain) {
    return GetFile(path).substr(from, count);
  }
};

TEST(DbFormat, HeadersRoundTripInBothForms) {
  DbRecordHeader header = {kDbRecordMagic, 0x14000006, 513, 't', 0x22, 7, 8, 0x1234};
  uint8_t bytes[kDbLargestRecordHeader];
  ASSERT_EQ(EncodeRecordHeader(header, kDbCurrentForm, bytes), 26u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 8), std::string("R2D2\x06\0\0\x14", 8));
  DbRecordHeader back = {};
  DecodeRecordHeader(bytes, kDbCurrentForm, &back);
  EXPECT_EQ(back.magic, header.magic);
  EXPECT_EQ(back.gid, header.gid);
  EXPECT_EQ(back.length, header.length);
  EXPECT_EQ(back.type, header.type);
  EXPECT_EQ(back.flags, header.flags);
  EXPECT_EQ(back.field_a, header.field_a);
  EXPECT_EQ(back.field_b, header.field_b);
  EXPECT_EQ(back.offset, header.offset);

  ASSERT_EQ(EncodeRecordHeader(header, kDbOlderForm, bytes), 22u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 8),
            std::string("RE\x06\0\0\x14\x01\x02", 8));
  DecodeRecordHeader(bytes, kDbOlderForm, &back);
  EXPECT_EQ(back.magic, kDbRecordMagic);  // "RE" stands for the current magic
  EXPECT_EQ(back.length, 513u);
  EXPECT_EQ(back.offset, 0x1234u);
  bytes[1] = 'X';
  DecodeRecordHeader(bytes, kDbOlderForm, &back);
  EXPECT_EQ(back.magic, 0u);
}

TEST(DbFormat, KindTestComparesSignatureWithoutCaseAndNeedsItsTerminator) {
  std::string current = BuildDatabase(Layout({}));
  auto bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  EXPECT_EQ(IsDatabaseOfKind(bytes(current), 25, kDbMainKind), 1);
  EXPECT_EQ(IsDatabaseOfKind(bytes(current), 24, kDbMainKind), 0);  // cut short
  EXPECT_EQ(IsDatabaseOfKind(bytes(current), 25, 0x01000402), 0);
  std::string lower = current;
  lower.replace(0, 5, "vntdb");
  EXPECT_EQ(IsDatabaseOfKind(bytes(lower), 25, kDbMainKind), 1);
  std::string unterminated = current;
  unterminated[8] = 'X';
  EXPECT_EQ(IsDatabaseOfKind(bytes(unterminated), 25, kDbMainKind), 0);
  std::string older = BuildDatabase(Layout({}, kDbOlderForm));
  ASSERT_EQ(older.size(), 10u);
  EXPECT_EQ(IsDatabaseOfKind(bytes(older), 10, kDbMainKind), 1);
  EXPECT_EQ(IsDatabaseOfKind(bytes(older), 9, kDbMainKind), 0);
  EXPECT_EQ(IsOlderFormFile(bytes(older), 10), 1);
  EXPECT_EQ(IsOlderFormFile(bytes(current), 25), 0);
}

TEST_F(DatabaseTest, FindTakesTheFirstFileOfTheKindAndPassesOverOthers) {
  PutFile("C:\\V\\A.TXT", "not a database at all, but long enough to be read");
  PutFile("C:\\V\\B.DB", "VNTDB-25");  // too short
  DatabaseLayout other = Layout({});
  other.kind = 0x01000402;
  Put(other, "C:\\V\\C.DB");
  PutFile("C:\\V\\D.DIR\\X", "");  // a directory that matches *.*
  Put(Layout({}, kDbOlderForm), "C:\\V\\E.OLD");
  Put(Layout({}), "C:\\V\\F.IDX");
  char path[kPathBuffer];
  ASSERT_NE(DbFind("C:\\V", kDbMainKind, path), nullptr);
  EXPECT_STREQ(path, "C:\\V\\E.OLD");
  EXPECT_EQ(DbFind("C:\\V", 0x01000402, path), path);
  EXPECT_STREQ(path, "C:\\V\\C.DB");
  EXPECT_EQ(DbFind("C:\\V", 0x7, path), nullptr);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(DbFind("C:\\NONE", kDbMainKind, path), nullptr);

  Database* db = nullptr;
  EXPECT_EQ(DbOpenKind("C:\\V", kDbMainKind, &db), 0);
  EXPECT_STREQ(db->path, "C:\\V\\E.OLD");
  EXPECT_EQ(db->form, kDbOlderForm);
  DbClose(db);
  EXPECT_EQ(DbOpenKind("C:\\V", 0x7, &db), 2);
  EXPECT_EQ(db, nullptr);
}

TEST_F(DatabaseTest, OpenGivesTwoForAFileItCannotOpenForWriting) {
  Database* db = reinterpret_cast<Database*>(1);
  EXPECT_EQ(DbOpen(kMain, &db), 2);
  EXPECT_EQ(db, nullptr);
  Put(Layout({}));
  PlatSetFileAttributes(kMain, kAttrReadOnly);
  EXPECT_EQ(DbOpen(kMain, &db), 2);
  EXPECT_EQ(DbOpen(("C:\\" + std::string(254, 'L') + ".IDX").c_str(), &db), 2);  // 261 chars
}

TEST_F(DatabaseTest, HeaderOnlyDatabaseOpensEmpty) {
  Put(Layout({}));
  Database* db = Open();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(DbCount(db), 0u);
  EXPECT_EQ(db->form, kDbCurrentForm);
  EXPECT_EQ(Read(db, kGidVersion), "<none>");
  EXPECT_EQ(DbClose(db), 1);
}

TEST_F(DatabaseTest, LiveRecordIsTheLastUnsupersededOneAndKeepsItsFirstPlace) {
  Put(Layout({MakeRecord(1, "one"), MakeRecord(2, "two-old"),
              MakeRecord(3, "gone", 'b', kDbFlagSuperseded), MakeRecord(2, "two-new"),
              MakeRecord(4, "four"), MakeRecord(1, "one-x", 'b', kDbFlagSuperseded)}));
  Database* db = Open();
  EXPECT_EQ(DbCount(db), 3u);
  EXPECT_EQ(Read(db, 1), "one");
  EXPECT_EQ(Read(db, 2), "two-new");
  EXPECT_EQ(Read(db, 3), "<none>");  // superseded and alone: never indexed
  EXPECT_EQ(Entry(db, 2).offset, 25u + 26 + 3 + 26 + 7 + 26 + 4);
  EXPECT_EQ(Visited(db), (std::vector<uint32_t>{4, 2, 1}));
  DbClose(db);
}

TEST_F(DatabaseTest, ShortTailIsIgnoredAndDataPastTheEndIsIndexedButUnreadable) {
  std::string file = BuildDatabase(Layout({MakeRecord(1, "whole"), MakeRecord(2, "cut short")}));
  PutFile(kMain, file.substr(0, file.size() - 3));
  Database* db = Open();
  EXPECT_EQ(DbCount(db), 2u);
  EXPECT_EQ(Read(db, 1), "whole");
  EXPECT_EQ(Read(db, 2), "<none>");
  // A record appended there would lie inside the cut record's data: refused.
  EXPECT_EQ(DbWrite(db, 3, "new", 3, 0), 0);
  EXPECT_EQ(GetFile(kMain), file.substr(0, file.size() - 3));
  DbClose(db);

  PutFile(kMain, BuildDatabase(Layout({MakeRecord(1, "whole")})) + std::string(25, 'R'));
  db = Open();
  EXPECT_EQ(DbCount(db), 1u);
  // The append takes the place of the tail, so that the next scan finds it.
  EXPECT_EQ(DbWrite(db, 3, "new", 3, 0), 1);
  DbClose(db);
  db = Open();
  EXPECT_EQ(Read(db, 3), "new");
  DbClose(db);
}

TEST_F(DatabaseTest, HugeLengthsNeverWrapPositions) {
  DatabaseLayout layout = Layout({MakeRecord(1, "a"), MakeRecord(2, "b")});
  std::string file = BuildDatabase(layout);
  file[25 + 8 + 3] = '\xFF';  // record 1 claims 0xFF000001 bytes
  PutFile(kMain, file);
  Database* db = Open();
  EXPECT_EQ(DbCount(db), 1u);
  EXPECT_EQ(Read(db, 1), "<none>");
  EXPECT_EQ(DbWrite(db, 1, "x", 1, 0), 0);
  DbClose(db);
}

TEST_F(DatabaseTest, SignatureIsNotComparedWhenOpening) {
  std::string file = BuildDatabase(Layout({MakeRecord(5, "five")}));
  file.replace(0, 8, "XXXXXXXX");
  PutFile(kMain, file);
  Database* db = Open();
  EXPECT_EQ(Read(db, 5), "five");
  DbClose(db);
}

TEST_F(DatabaseTest, ResynchronisationFindsTheNextGoodPair) {
  std::string good =
      BuildDatabase(Layout({MakeRecord(1, "one"), MakeRecord(2, "two"), MakeRecord(3, "3")}));
  std::string file = good.substr(0, 25) + "JUNK!" + good.substr(25);
  file[25 + 5] = 'X';  // record 1's magic is damaged too: the pair 2, 3 is the first good one
  PutFile(kMain, file);
  Database* db = Open();
  EXPECT_EQ(DbCount(db), 2u);
  EXPECT_EQ(Read(db, 1), "<none>");
  EXPECT_EQ(Read(db, 2), "two");
  EXPECT_EQ(Read(db, 3), "3");
  DbClose(db);
  EXPECT_NE(Log().find("Resyncing record\r\n"), std::string::npos);
}

TEST_F(DatabaseTest, DamageWhoseOnlyGoodSuccessorIsTheLastRecordFailsTheOpen) {
  std::string file = BuildDatabase(Layout({MakeRecord(1, "one"), MakeRecord(2, "two")}));
  file[25] = 'X';
  PutFile(kMain, file);
  PutFile("C:\\VELNET\\IDB\\MAIN.ind", "stale");
  Database* db = reinterpret_cast<Database*>(1);
  EXPECT_EQ(DbOpen(kMain, &db), 1);
  EXPECT_EQ(db, nullptr);
  EXPECT_FALSE(Exists("C:\\VELNET\\IDB\\MAIN.ind"));
  // Nothing but garbage after the header fails too.
  PutFile(kMain, file.substr(0, 25) + std::string(300, 'g'));
  EXPECT_EQ(DbOpen(kMain, &db), 1);
}

TEST_F(DatabaseTest, ReadsIntoTheCallersBufferWithinItsCapacity) {
  Put(Layout({MakeRecord(1, "twelve bytes"), MakeRecord(2, "")}));
  Database* db = Open();
  uint8_t buffer[16] = {};
  uint32_t length = 0;
  EXPECT_EQ(DbRead(db, 1, buffer, sizeof buffer, &length), buffer);
  EXPECT_EQ(length, 12u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 12), "twelve bytes");
  EXPECT_EQ(DbRead(db, 1, buffer, 11, &length), nullptr);  // would not fit
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(DbRead(db, 1, buffer, 12, nullptr), buffer);
  EXPECT_EQ(DbRead(db, 2, buffer, 0, &length), buffer);
  EXPECT_EQ(Read(db, 2), "");
  EXPECT_EQ(DbRead(nullptr, 1, buffer, 16, &length), nullptr);
  DbClose(db);
}

TEST_F(DatabaseTest, RecordsOverSixtyFourKilobytesAreNotRead) {
  Put(Layout({MakeRecord(1, std::string(65536, 'x')), MakeRecord(2, std::string(65535, 'y'))}));
  Database* db = Open();
  EXPECT_EQ(DbCount(db), 2u);
  EXPECT_EQ(Read(db, 1), "<none>");  // not cut to its low 16 bits
  EXPECT_EQ(Read(db, 2), std::string(65535, 'y'));
  DbClose(db);
}

TEST_F(DatabaseTest, ScrambledRecordReadsPlainAndIsWrittenBackPlain) {
  Put(Layout({MakeRecord(7, "secret", 'a', kDbFlagScrambled | 0x10)}));
  EXPECT_EQ(Bytes(25 + 26, 6), "\xD4\xC2\xC4\xD5\xC2\xD3");  // each byte XOR 0xA7
  Database* db = Open();
  std::string data = Read(db, 7);
  EXPECT_EQ(data, "secret");
  EXPECT_EQ(DbWrite(db, 7, data.data(), 6, 'a'), 1);
  EXPECT_EQ(Entry(db, 7).flags, kDbFlagWritten);
  DbClose(db);
  EXPECT_EQ(Bytes(25 + 26, 6), "secret");
  db = Open();
  EXPECT_EQ(Read(db, 7), "secret");
  DbClose(db);
}

TEST_F(DatabaseTest, SameLengthOverwritesHeaderAndDataInPlace) {
  DatabaseRecord old = MakeRecord(kGidVersion, std::string("\x00\x81\x01\x00", 4), 'q', 0x1B);
  old.field_a = 9;
  old.field_b = 10;
  Put(Layout({old, MakeRecord(2, "other")}));
  size_t size = GetFile(kMain).size();
  Database* db = Open();
  EXPECT_EQ(DbWrite(db, kGidVersion, "\x00\x85\x02\x00", 4, 0), 1);
  EXPECT_EQ(Read(db, kGidVersion), std::string("\x00\x85\x02\x00", 4));
  DbClose(db);
  EXPECT_EQ(GetFile(kMain).size(), size);
  DbRecordHeader header;
  std::string bytes = Bytes(25, 26);
  DecodeRecordHeader(reinterpret_cast<const uint8_t*>(bytes.data()), kDbCurrentForm, &header);
  EXPECT_EQ(header.magic, kDbRecordMagic);
  EXPECT_EQ(header.type, 'b');
  EXPECT_EQ(header.flags, kDbFlagWritten);
  EXPECT_EQ(header.field_a, 0u);
  EXPECT_EQ(header.field_b, 0u);
  EXPECT_EQ(header.offset, 25u);
}

TEST_F(DatabaseTest, OtherLengthSupersedesTheOldRecordAndAppends) {
  Put(Layout({MakeRecord(1, "short"), MakeRecord(2, "two")}));
  size_t size = GetFile(kMain).size();
  Database* db = Open();
  EXPECT_EQ(DbWrite(db, 1, "much longer", 11, 'p'), 1);
  EXPECT_EQ(Read(db, 1), "much longer");
  EXPECT_EQ(Entry(db, 1).offset, size);
  EXPECT_EQ(Entry(db, 1).flags, 0);                       // type 'p' carries no flag
  EXPECT_EQ(Visited(db), (std::vector<uint32_t>{2, 1}));  // the entry kept its place
  DbClose(db);
  EXPECT_EQ(GetFile(kMain).size(), size + 26 + 11);
  EXPECT_EQ(static_cast<uint8_t>(Bytes(25 + 13, 1)[0]), kDbFlagSuperseded);
  db = Open();
  EXPECT_EQ(DbCount(db), 2u);
  EXPECT_EQ(Read(db, 1), "much longer");
  EXPECT_EQ(Entry(db, 1).type, 'p');
  DbClose(db);
}

TEST_F(DatabaseTest, NewRecordsAreAppendedAsTheNewestAndEmptyOnesAreHeadersOnly) {
  Put(Layout({MakeRecord(1, "one")}));
  Database* db = Open();
  EXPECT_EQ(DbWrite(db, 2, nullptr, 0, 0), 1);
  EXPECT_EQ(DbWriteText(db, kGidVersionText, "2.5"), 1);
  EXPECT_EQ(DbWrite(db, 3, nullptr, 4, 0), 0);  // a length without data is refused
  EXPECT_EQ(Visited(db), (std::vector<uint32_t>{kGidVersionText, 2, 1}));
  EXPECT_EQ(Entry(db, kGidVersionText).type, 't');
  DbClose(db);
  EXPECT_EQ(GetFile(kMain).size(), 25u + 26 + 3 + 26 + 26 + 3);
  db = Open();
  EXPECT_EQ(Read(db, 2), "");
  EXPECT_EQ(Read(db, kGidVersionText), "2.5");
  EXPECT_EQ(DbWriteText(db, 9, std::string(65536, 't').c_str()), 0);
  DbClose(db);
}

TEST_F(DatabaseTest, AMillionRecordsGrowPastAMillionAndAHalf) {
  // A client database of 1,100,000 records, into which a merge appends 500,000 more: every one
  // is indexed, and the file opens again with all of them.
  std::vector<DatabaseRecord> records(1100000);
  for (uint32_t i = 0; i < records.size(); ++i) records[i].gid = 0x100000 + i;
  Put(Layout(std::move(records)));
  Database* db = Open();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(DbCount(db), 1100000u);
  int written = 0;
  for (uint32_t i = 0; i < 500000; ++i) written += DbWrite(db, 0x400000 + i, "r", 1, 0);
  EXPECT_EQ(written, 500000);
  DbClose(db);
  db = Open();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(DbCount(db), 1600000u);
  EXPECT_EQ(Read(db, 0x400000 + 499999), "r");
  DbClose(db);
}

TEST_F(DatabaseTest, OlderFormFilesAreReadAndWrittenInTheirOwnForm) {
  Put(Layout({MakeRecord(1, "old one", 'b', 0x20), MakeRecord(2, "old two")}, kDbOlderForm));
  Database* db = Open();
  EXPECT_EQ(db->form, kDbOlderForm);
  EXPECT_EQ(Read(db, 2), "old two");
  EXPECT_EQ(DbWrite(db, 1, "replaced", 8, 0), 1);
  EXPECT_EQ(DbWrite(db, 2, "OLD TWO", 7, 0), 1);
  DbClose(db);
  std::string file = GetFile(kMain);
  EXPECT_EQ(file.size(), 10u + 22 + 7 + 22 + 7 + 22 + 8);
  EXPECT_EQ(file.substr(10 + 22 + 7 + 22 + 7, 2), "RE");  // no 26-byte header in the file
  EXPECT_EQ(static_cast<uint8_t>(file[10 + 9]), kDbFlagSuperseded | 0x20);
  db = Open();
  EXPECT_EQ(Read(db, 1), "replaced");
  EXPECT_EQ(Read(db, 2), "OLD TWO");
  DbClose(db);
}

TEST_F(DatabaseTest, NoRoomAndCancelWritesNothingAndStopsTheInstallation) {
  WriteMachineIni("[free]\nC=4096\nC.cluster=4096\n");
  SetAnswers("box RETRY\nbox CANCEL\n");
  Put(Layout({MakeRecord(1, "one")}));
  std::string before = GetFile(kMain);
  snprintf(g_setup.disk_full_program, kDiskFullProgramCapacity, "%s", "CLEANUP.EXE");
  Database* db = Open();
  EXPECT_EQ(DbWrite(db, 1, "longer one", 10, 0), 0);
  EXPECT_EQ(Read(db, 1), "one");
  DbClose(db);
  EXPECT_EQ(GetFile(kMain), before);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_EQ(g_setup.offer_disk_full_program, 1);
  std::string transcript = Transcript();
  EXPECT_NE(transcript.find("answer=RETRY by=script text=\"There is not enough disk space to "
                            "continue!\\n\\nPlease delete one or more files from drive C: and "
                            "then select Retry to continue.\""),
            std::string::npos);
  EXPECT_NE(transcript.find("answer=CANCEL"), std::string::npos);
}

TEST_F(DatabaseTest, ShortWriteGivenUpCutsTheFileBackAndKeepsTheOldRecord) {
  SetAnswers("box CANCEL\n");
  Put(Layout({MakeRecord(1, "one"), MakeRecord(2, "two")}));
  std::string before = GetFile(kMain);
  Database* db = Open();
  HostFault fault = {kFaultDiskFull, 1, 0, "MAIN.IDX"};  // the record, header and data
  ASSERT_EQ(HostFaultAdd(fault), 1);
  EXPECT_EQ(DbWrite(db, 1, "a longer one", 12, 0), 0);
  EXPECT_EQ(g_setup.install_stopped, 1);
  EXPECT_EQ(Read(db, 1), "one");
  EXPECT_EQ(GetFile(kMain), before);
  g_setup.install_stopped = 0;
  EXPECT_EQ(DbWrite(db, 3, "three", 5, 0), 1);  // the next append lands where the failed one was
  DbClose(db);
  db = Open();
  EXPECT_EQ(Read(db, 1), "one");
  EXPECT_EQ(Read(db, 3), "three");
  DbClose(db);
}

// The first append opens the file anew, and each append tries again until that has worked.
// Whichever reopen fails, once or from then on, that write fails and every record stays
// readable through the handle kept; in-place writes and later appends still work.
TEST_F(DatabaseTest, FailedReopenFailsOnlyThatWriteAndKeepsTheFileReadable) {
  for (uint32_t nth = 1; nth <= 3; ++nth) {
    for (int persistent = 0; persistent <= 1; ++persistent) {
      HostFaultClear();
      Put(Layout({MakeRecord(1, "one")}));
      Database* db = Open();
      ASSERT_NE(db, nullptr);
      HostFault fault = {kFaultCannotOpen, nth, persistent, "MAIN.IDX"};
      ASSERT_EQ(HostFaultAdd(fault), 1);
      uint32_t opens = 0;
      bool reopened = false;
      for (uint32_t gid = 2; gid <= 5; ++gid) {
        std::string text = "record " + std::to_string(gid);
        bool failing = false;
        if (!reopened) {
          ++opens;
          failing = opens == nth || (persistent && opens > nth);
          reopened = !failing;
        }
        EXPECT_EQ(DbWrite(db, gid, text.c_str(), static_cast<uint16_t>(text.size()), 0),
                  failing ? 0 : 1)
            << nth << " " << persistent << " " << gid;
        EXPECT_NE(db->file, kPlatNoFile);
        EXPECT_EQ(Read(db, 1), "one") << nth << " " << persistent << " " << gid;
        EXPECT_EQ(Read(db, gid), failing ? "<none>" : text);
      }
      EXPECT_EQ(DbWrite(db, 1, "uno", 3, 0), 1);  // in place: no reopen
      EXPECT_EQ(Read(db, 1), "uno");
      EXPECT_EQ(DbClose(db), 1);
    }
  }
}

TEST_F(DatabaseTest, ClosingDeletesTheCompanionIndexButNeverTheDatabase) {
  Put(Layout({}));
  PutFile("C:\\VELNET\\IDB\\MAIN.ind", "stale");
  DbClose(Open());
  EXPECT_FALSE(Exists("C:\\VELNET\\IDB\\MAIN.ind"));
  EXPECT_EQ(DbClose(Open()), 1);  // no companion: no error
  EXPECT_EQ(DbClose(nullptr), 0);

  Put(Layout({}), "C:\\V.1\\NOEXT");
  PutFile("C:\\V.ind", "not the companion");
  Database* db = Open("C:\\V.1\\NOEXT");
  EXPECT_STREQ(db->companion_path, "");
  DbClose(db);
  EXPECT_TRUE(Exists("C:\\V.ind"));

  Put(Layout({}), "C:\\V\\SELF.IND");
  db = Open("C:\\V\\SELF.IND");
  EXPECT_STREQ(db->companion_path, "");
  DbClose(db);
  EXPECT_TRUE(Exists("C:\\V\\SELF.IND"));
}

int StopAtTwo(Database*, uint32_t gid, uint32_t, void* context) {
  static_cast<std::vector<uint32_t>*>(context)->push_back(gid);
  return gid != 2;
}

TEST_F(DatabaseTest, VisitStopsWhenAskedAndCountsFollowTheIndex) {
  Put(Layout({MakeRecord(1, "1"), MakeRecord(2, "2"), MakeRecord(3, "3")}));
  Database* db = Open();
  std::vector<uint32_t> seen;
  EXPECT_EQ(DbForEach(db, StopAtTwo, &seen), 1);
  EXPECT_EQ(seen, (std::vector<uint32_t>{3, 2}));
  EXPECT_EQ(DbForEach(nullptr, StopAtTwo, &seen), 0);
  EXPECT_EQ(DbCount(nullptr), 0u);
  DbClose(db);
}

// A visitor that writes every visited record again, longer, into the same database.
int Lengthen(Database* db, uint32_t gid, uint32_t length, void* context) {
  ++*static_cast<int*>(context);
  std::string data(length + 1, 'L');
  return DbWrite(db, gid + 1000, data.data(), static_cast<uint16_t>(data.size()), 0);
}

TEST_F(DatabaseTest, ManyRecordsTakeThreeBlocksAndRecordsWrittenDuringAVisitAreNotVisited) {
  std::vector<DatabaseRecord> records;
  for (uint32_t gid = 0; gid < 3000; ++gid) records.push_back(MakeRecord(gid * 7919, "r"));
  for (uint32_t gid = 0; gid < 3000; gid += 3) records.push_back(MakeRecord(gid * 7919, "again"));
  Put(Layout(records));
  Database* db = Open();
  EXPECT_EQ(DbCount(db), 3000u);
  EXPECT_EQ(g_setup.live_blocks, 3);  // the open database, its entries and its hash table
  EXPECT_EQ(Read(db, 2997 * 7919), "again");
  EXPECT_EQ(Read(db, 2998 * 7919), "r");
  EXPECT_EQ(Read(db, 5), "<none>");
  int visits = 0;
  EXPECT_EQ(DbForEach(db, Lengthen, &visits), 1);
  EXPECT_EQ(visits, 3000);
  EXPECT_EQ(DbCount(db), 6000u);
  EXPECT_EQ(Read(db, 7919 + 1000), "LL");
  DbClose(db);
}

// The file as writing record by record in the described way leaves it: the old header copy
// rewritten whole (flags | superseded, offset field = its position) behind each append, the new
// header and data in place or at the end. Both forms, records across the scan's 64 KB windows,
// offset fields that do not hold their positions, GIDs old and new, lengths the same or not:
// after every write the file must be that model byte for byte, and the index must read it back.
TEST_F(DatabaseTest, WritesLeaveTheFileByteForByteAsHeaderAtATimeWritingDid) {
  for (DbForm form : {kDbCurrentForm, kDbOlderForm}) {
    uint32_t state = form == kDbCurrentForm ? 3 : 11;
    auto next = [&state](uint32_t below) {
      state = state * 1664525u + 1013904223u;
      return (state >> 8) % below;
    };
    std::vector<DatabaseRecord> records;
    for (uint32_t i = 0; i < 200; ++i) {
      uint32_t length = next(25) == 0 ? 20000 + next(30000) : next(60);
      DatabaseRecord record = MakeRecord(next(200), std::string(length, char('a' + i % 26)),
                                         "abpt"[next(4)], static_cast<uint8_t>(next(256)));
      record.field_a = next(1000);
      record.field_b = next(1000);
      records.push_back(record);
    }
    std::string model = BuildDatabase(Layout(records, form));
    uint32_t header_size = DbRecordHeaderSize(form);
    // Some offset fields that do not hold their own positions, as files made elsewhere have.
    std::map<uint32_t, uint32_t> live;  // GID -> header position
    for (uint32_t at = DbFileHeaderSize(form); at < model.size();) {
      DbRecordHeader header;
      DecodeRecordHeader(reinterpret_cast<const uint8_t*>(model.data()) + at, form, &header);
      if (next(3) == 0) model[at + header_size - 2] ^= 0x5A;
      if ((header.flags & kDbFlagSuperseded) == 0) live[header.gid] = at;
      at += header_size + header.length;
    }
    PutFile(kMain, model);
    Database* db = Open();
    ASSERT_NE(db, nullptr);
    ASSERT_EQ(DbCount(db), live.size());
    for (int step = 0; step < 150; ++step) {
      uint32_t gid = next(260);
      std::string data(next(16) == 0 ? 30000 : next(50), char('A' + step % 26));
      auto held = live.find(gid);
      if (held != live.end() && next(3) == 0) {  // often the length it has, to write in place
        DbRecordHeader old;
        DecodeRecordHeader(reinterpret_cast<const uint8_t*>(model.data()) + held->second, form,
                           &old);
        data.assign(old.length, char('A' + step % 26));
      }
      char type = "bpt"[next(3)];
      ASSERT_EQ(DbWrite(db, gid, data.data(), static_cast<uint16_t>(data.size()), type), 1);
      DbRecordHeader header = {kDbRecordMagic,
                               gid,
                               static_cast<uint32_t>(data.size()),
                               static_cast<uint8_t>(type),
                               type == 'p' ? uint8_t{0} : kDbFlagWritten,
                               0,
                               0,
                               0};
      uint8_t bytes[kDbLargestRecordHeader];
      DbRecordHeader old = {};
      if (held != live.end()) {
        DecodeRecordHeader(reinterpret_cast<const uint8_t*>(model.data()) + held->second, form,
                           &old);
      }
      if (held != live.end() && old.length == data.size()) {
        header.offset = held->second;
        EncodeRecordHeader(header, form, bytes);
        model.replace(held->second, header_size, reinterpret_cast<char*>(bytes), header_size);
        model.replace(held->second + header_size, data.size(), data);
      } else {
        header.offset = static_cast<uint32_t>(model.size());
        EncodeRecordHeader(header, form, bytes);
        model.append(reinterpret_cast<char*>(bytes), header_size);
        model += data;
        if (held != live.end()) {
          old.flags |= kDbFlagSuperseded;
          old.offset = held->second;
          EncodeRecordHeader(old, form, bytes);
          model.replace(held->second, header_size, reinterpret_cast<char*>(bytes), header_size);
        }
        live[gid] = header.offset;
      }
      ASSERT_EQ(GetFile(kMain), model) << "form " << form << ", step " << step;
    }
    DbClose(db);
    db = Open();
    ASSERT_NE(db, nullptr);
    // Reopened, the GIDs stand in the order of their first live record in the file.
    std::vector<uint32_t> newest_first;
    for (uint32_t at = DbFileHeaderSize(form); at < model.size();) {
      DbRecordHeader header;
      DecodeRecordHeader(reinterpret_cast<const uint8_t*>(model.data()) + at, form, &header);
      if ((header.flags & kDbFlagSuperseded) == 0 &&
          std::find(newest_first.begin(), newest_first.end(), header.gid) == newest_first.end()) {
        newest_first.insert(newest_first.begin(), header.gid);
      }
      at += header_size + header.length;
    }
    EXPECT_EQ(Visited(db), newest_first);
    for (const auto& [gid, at] : live) {
      DbRecordHeader header = Entry(db, gid);
      EXPECT_EQ(header.offset, at);
      std::string data = header.length <= kDbMaxDataLength
                             ? model.substr(at + header_size, header.length)
                             : std::string();
      if ((header.flags & kDbFlagScrambled) != 0) {
        for (char& c : data) c = static_cast<char>(c ^ kDbScrambleMask);
      }
      EXPECT_EQ(Read(db, gid), data) << gid;
    }
    DbClose(db);
  }
  EXPECT_EQ(sizeof(DbIndexEntry), 12u);
}

// Batches as the merge writes them (every old byte journalled, one flush, then the writes, the
// superseded marks after the batch's appends): random batches into random files of both forms,
// some batches with more replaced records than kDbMarksMax and GIDs written again in a later
// batch, records long enough to go out in two writes, sometimes a DbWrite after them. Once
// closed, the file must be byte for byte as the same writes made one DbWrite at a time leave it;
// the journal must put it back as it was.
TEST_F(DatabaseTest, JournalledBatchesLeaveTheFileAsSingleWritesAndRollBackWhole) {
  strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  const char kReference[] = "C:\\VELNET\\IDB\\REFERENC.IDX";
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DbForm form = seed % 2 != 0 ? kDbCurrentForm : kDbOlderForm;
    uint32_t state = seed;
    auto next = [&state](uint32_t below) {
      state = state * 1664525u + 1013904223u;
      return (state >> 8) % below;
    };
    std::vector<DatabaseRecord> records;
    for (uint32_t i = 0; i < 2600; ++i) {
      records.push_back(MakeRecord(next(2200), std::string(next(40), char('a' + i % 26)), 'b',
                                   static_cast<uint8_t>(next(8) == 0 ? next(256) : 0x20)));
    }
    std::string original = BuildDatabase(Layout(records, form));
    uint32_t header_size = DbRecordHeaderSize(form);
    for (uint32_t at = DbFileHeaderSize(form); at < original.size();) {
      DbRecordHeader header;
      DecodeRecordHeader(reinterpret_cast<const uint8_t*>(original.data()) + at, form, &header);
      if (next(4) == 0) original[at + header_size - 1] ^= 0x33;  // an offset field made elsewhere
      at += header_size + header.length;
    }
    // The batches: each GID once within a batch; the third replaces every GID with a longer
    // record, so that its marks pass kDbMarksMax.
    std::vector<std::vector<std::pair<uint32_t, std::string>>> batches(5);
    for (size_t b = 0; b < batches.size(); ++b) {
      std::map<uint32_t, std::string> batch;
      uint32_t count = b == 2 ? 2200 : 1 + next(300);
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t gid = b == 2 ? i : next(2400);
        uint32_t length = b == 2 ? 40 + next(10) : (next(40) == 0 ? 65500 + next(36) : next(45));
        batch[gid] = std::string(length, char('A' + (b * 7 + i) % 26));
      }
      for (const auto& record : batch) batches[b].push_back(record);
    }
    const std::pair<uint32_t, std::string> last = {7, "written after the batches"};
    int end_by_write = seed % 3 == 0;

    PutFile(kReference, original);
    Database* db = Open(kReference);
    ASSERT_NE(db, nullptr);
    for (const auto& batch : batches) {
      for (const auto& [gid, data] : batch) {
        ASSERT_EQ(DbWrite(db, gid, data.data(), static_cast<uint16_t>(data.size()), 0), 1);
      }
    }
    if (end_by_write) {
      ASSERT_EQ(DbWrite(db, last.first, last.second.data(), 25, 0), 1);
    }
    DbClose(db);
    std::string expected = GetFile(kReference);
    PlatDeleteFile(kReference);

    PutFile(kMain, original);
    ASSERT_EQ(BeginRollback("C:\\VELNET"), 1);
    db = Open();
    ASSERT_NE(db, nullptr);
    for (const auto& batch : batches) {
      for (const auto& [gid, data] : batch) {
        ASSERT_EQ(DbJournalWrite(db, gid, static_cast<uint16_t>(data.size())), 1);
      }
      ASSERT_EQ(MakeJournalDurable(), 1);
      for (const auto& [gid, data] : batch) {
        ASSERT_EQ(DbWriteJournalled(db, gid, data.data(), static_cast<uint16_t>(data.size()), 0),
                  1);
      }
    }
    if (end_by_write) {
      ASSERT_EQ(DbWrite(db, last.first, last.second.data(), 25, 0), 1);
    }
    DbClose(db);
    ASSERT_EQ(GetFile(kMain), expected);
    g_setup.error_number = kErrorRecordWrite;
    RollBackRun();
    EXPECT_EQ(g_setup.rollback_result, 1);
    EXPECT_EQ(GetFile(kMain), original);
    FlushLog();
    PlatDeleteFile("C:\\update.log");
    ResetSetupState();
    strcpy(g_setup.windows_dir, "C:\\WINDOWS");
  }
}

// The scan adds entries without looking them up; the seal keeps one a GID. At the capacity the
// GIDs met twice are sorted out first, which makes room for new ones, and only a new entry past
// the capacity is refused.
TEST_F(DatabaseTest, TheIndexSealSortsOutGidsMetTwiceAlsoAtTheCapacity) {
  DbIndex index = {};
  auto entry = [](uint32_t gid, uint32_t offset) { return DbIndexEntry{gid, offset, 0}; };
  for (uint32_t i = 0; i < kDbIndexCapacity - 10; ++i) ASSERT_EQ(IndexAdd(&index, entry(i, i)), 1);
  for (uint32_t i = 0; i < 10; ++i) ASSERT_EQ(IndexAdd(&index, entry(i * 1000, 7)), 1);
  EXPECT_EQ(index.count, kDbIndexCapacity);
  EXPECT_EQ(index.slots, nullptr);  // no table while the scan adds
  for (uint32_t i = 0; i < 10; ++i) {
    ASSERT_EQ(IndexAdd(&index, entry(kDbIndexCapacity + i, i)), 1);
  }
  EXPECT_EQ(IndexAdd(&index, entry(kDbIndexCapacity + 10, 0)), 0);
  IndexSeal(&index, 5);
  EXPECT_EQ(index.count, kDbIndexCapacity);
  // Each GID met twice stands where it first came, with the later entry.
  EXPECT_EQ(index.entries[1000].gid, 1000u);
  EXPECT_EQ(index.entries[1000].offset, 7u);
  EXPECT_EQ(IndexFind(&index, 9000)->offset, 7u);
  EXPECT_EQ(IndexFind(&index, 9001)->offset, 9001u);
  EXPECT_EQ(index.entries[kDbIndexCapacity - 1].gid, kDbIndexCapacity + 9);
  EXPECT_EQ(IndexFind(&index, kDbIndexCapacity + 10), nullptr);
  IndexRelease(&index);

  // A small scan: the seal gives the room asked for, in one table.
  for (uint32_t i = 0; i < 100; ++i) ASSERT_EQ(IndexAdd(&index, entry(i % 60, i)), 1);
  IndexSeal(&index, 1000);
  EXPECT_EQ(index.count, 60u);
  EXPECT_GE(index.capacity, 1060u);
  EXPECT_GE(index.slot_count, index.capacity + index.capacity / 2);
  DbIndexEntry* entries = index.entries;
  for (uint32_t i = 0; i < 1000; ++i) ASSERT_EQ(IndexPut(&index, entry(5000 + i, i)), 1);
  EXPECT_EQ(index.entries, entries);  // no growth
  EXPECT_EQ(IndexFind(&index, 39)->offset, 99u);
  EXPECT_EQ(IndexFind(&index, 59)->offset, 59u);
  EXPECT_EQ(IndexFind(&index, 5999)->offset, 999u);
  IndexRelease(&index);
}

}  // namespace

// vntdb as a developer runs it: test databases created from records and description files,
// listed, dumped and checked; the demo's committed IDB\MERGE.DB is exactly what its description
// makes; damaged files are refused with their faults named; the original file's companion index
// is never touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "database/db_format.h"
#include "tests/support/archive_tools.h"
#include "tests/support/tool_test.h"
#include "tools/vntdb/database_writer.h"

namespace fs = std::filesystem;

namespace {

class VntdbTest : public ToolTest {
 protected:
  int Vntdb(const std::string& arguments) { return Run(VNTDB_PROGRAM, arguments); }
  std::string Path(const std::string& name) { return "'" + dir_ + "/" + name + "'"; }
  // Writes a database of the records and checks it; the exit status of check.
  int CheckOf(const std::string& bytes) {
    Put("d.db", bytes);
    return Vntdb("check " + Path("d.db"));
  }
};

std::string Database(std::vector<DatabaseRecord> records) {
  DatabaseLayout layout;
  layout.records = std::move(records);
  return BuildDatabase(layout);
}

TEST_F(VntdbTest, TheDemoDatabasesAreWhatTheirDescriptionsMake) {
  for (const char* made : {"files/IDB/MERGE.DB=merge-db.txt", "old/IDB/MAIN.IDX=main-db.txt",
                           "new/IDB/MAIN.IDX=new-db.txt"}) {
    std::string database = made;
    std::string description = database.substr(database.find('=') + 1);
    database.resize(database.find('='));
    ASSERT_EQ(
        Vntdb("create " + Path("made.db") + " --from '" DEMO_DIRECTORY "/" + description + "'"), 0)
        << errors_;
    EXPECT_TRUE(ReadHostFile(dir_ + "/made.db") == ReadHostFile(DEMO_DIRECTORY "/" + database))
        << "demo/" << database << " is stale: vntdb create demo/" << database << " --from demo/"
        << description;
    ASSERT_EQ(Vntdb("check '" DEMO_DIRECTORY "/" + database + "'"), 0) << errors_;
  }
  const std::string committed = DEMO_DIRECTORY "/files/IDB/MERGE.DB";
  ASSERT_EQ(Vntdb("check '" + committed + "'"), 0) << errors_;
  EXPECT_NE(output_.find("10 records (10 live, 0 superseded), no faults"), std::string::npos);
  ASSERT_EQ(Vntdb("list '" + committed + "'"), 0) << errors_;
  EXPECT_NE(output_.find("current form, signature \"VNTDB-25\", kind 0x01000401, reserved 0 5 1"),
            std::string::npos)
      << output_;
  EXPECT_EQ(output_.find("0x14000006"), std::string::npos);  // no version record
}

TEST_F(VntdbTest, DiffNamesTheChangesAndWritesTheMergeDatabase) {
  Put("old.db", Database({MakeRecord(1, "same"), MakeRecord(2, "old two"), MakeRecord(3, "gone"),
                          MakeRecord(4, "plain now", 'b', kDbFlagScrambled)}));
  Put("new.db", Database({MakeRecord(4, "plain now"), MakeRecord(2, "new two!"),
                          MakeRecord(5, "added", 'p'), MakeRecord(1, "same"), MakeRecord(6, "")}));
  ASSERT_EQ(Vntdb("diff " + Path("old.db") + " " + Path("new.db") + " -o " + Path("merge.db")), 0)
      << errors_;
  EXPECT_EQ(output_,
            "changed  0x00000002  b     8 bytes, was 7\n"
            "added    0x00000005  p     5 bytes\n"
            "added    0x00000006  b     0 bytes\n"
            "gone     0x00000003  b     4 bytes\n"
            "2 added, 1 changed, 1 gone\n");
  EXPECT_EQ(errors_,
            "vntdb: warning: GID 0x00000006 is empty in the new database; a merge does not write "
            "empty records\n"
            "vntdb: warning: GID 0x00000003 is gone from the new database; a merge cannot remove "
            "it\n");
  ASSERT_EQ(Vntdb("list " + Path("merge.db")), 0) << errors_;
  EXPECT_NE(output_.find("3 live records\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("0x00000005  p     0x00   5 "), std::string::npos) << output_;
  ASSERT_EQ(Vntdb("dump " + Path("merge.db") + " 2"), 0);
  EXPECT_EQ(output_, "new two!\n");

  ASSERT_EQ(Vntdb("diff " + Path("new.db") + " " + Path("new.db")), 0);
  EXPECT_EQ(output_, "0 added, 0 changed, 0 gone\n");
  Put("text.db", "no database at all");
  EXPECT_EQ(Vntdb("diff " + Path("old.db") + " " + Path("text.db")), 1);
  EXPECT_NE(errors_.find("text.db: no database"), std::string::npos) << errors_;
  EXPECT_EQ(Vntdb("diff " + Path("missing.db") + " " + Path("old.db")), 1);
  EXPECT_NE(errors_.find("missing.db: cannot be read"), std::string::npos) << errors_;
}

TEST_F(VntdbTest, CreatedRecordsListAndDumpAsTheSetupReadsThem) {
  Put("blob.bin", std::string("\x00\x01\xFF", 3));
  ASSERT_EQ(Vntdb("create " + Path("t.db") +
                  " --kind 0x01000402 --record '0x14000006=\\x00\\x83\\x02\\x00'"
                  " --record '257,a,0x12=Line one\\nLine two' --record 0x102,p=@" +
                  Path("blob.bin") + " --record 0x103=''"),
            0)
      << errors_;
  ASSERT_EQ(Vntdb("list " + Path("t.db")), 0) << errors_;
  EXPECT_NE(output_.find("kind 0x01000402, reserved 0 0 0\n4 live records\n"), std::string::npos)
      << output_;
  EXPECT_NE(output_.find("0x14000006  b     0x00   4       25\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("0x00000101  a     0x12   17      55\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("0x00000102  p     0x00   3       98\n"), std::string::npos) << output_;

  ASSERT_EQ(Vntdb("dump " + Path("t.db") + " 257"), 0) << errors_;
  EXPECT_EQ(output_, "Line one\nLine two\n");  // scrambled in the file, plain here
  EXPECT_EQ(ReadHostFile(dir_ + "/t.db").find("Line one"), std::string::npos);
  ASSERT_EQ(Vntdb("dump " + Path("t.db") + " 0x14000006"), 0) << errors_;
  EXPECT_EQ(output_, "00000000  00 83 02 00" + std::string(36, ' ') + "  ....\n");
  ASSERT_EQ(Vntdb("dump " + Path("t.db") + " 0x102 --text"), 0) << errors_;
  EXPECT_EQ(output_, std::string("\x00\x01\xFF", 3));
  ASSERT_EQ(Vntdb("dump " + Path("t.db") + " 0x103"), 0) << errors_;
  EXPECT_EQ(output_, "");
  EXPECT_EQ(Vntdb("dump " + Path("t.db") + " 0x104"), 1);
  EXPECT_NE(errors_.find("no readable record with GID 0x00000104"), std::string::npos);
}

TEST_F(VntdbTest, OlderFormDatabasesAreMadeAndRead) {
  ASSERT_EQ(Vntdb("create " + Path("o.db") + " --older --record 5=five"), 0) << errors_;
  EXPECT_EQ(ReadHostFile(dir_ + "/o.db").substr(0, 2), "DC");
  EXPECT_EQ(ReadHostFile(dir_ + "/o.db").size(), 10u + 22 + 4);
  ASSERT_EQ(Vntdb("list " + Path("o.db")), 0) << errors_;
  EXPECT_NE(output_.find("older form (\"DC\"), kind 0x01000401"), std::string::npos);
  ASSERT_EQ(Vntdb("check " + Path("o.db")), 0) << errors_;
}

TEST_F(VntdbTest, CheckNamesEveryKindOfDamage) {
  std::string good = Database({MakeRecord(1, "one"), MakeRecord(2, "two", 'b', kDbFlagSuperseded),
                               MakeRecord(2, "two again")});
  ASSERT_EQ(CheckOf(good), 0) << errors_;
  EXPECT_NE(output_.find("3 records (2 live, 1 superseded), no faults"), std::string::npos);

  EXPECT_EQ(CheckOf(good.substr(0, good.size() - 1)), 1);
  EXPECT_NE(errors_.find("GID 0x00000002: its 9 data bytes run past the end"), std::string::npos);
  EXPECT_EQ(CheckOf(good + "tail"), 1);
  EXPECT_NE(errors_.find("4 bytes left, less than a record header"), std::string::npos);
  std::string bad_magic = good;
  bad_magic[25 + 29] = 'X';
  EXPECT_EQ(CheckOf(bad_magic), 1);
  EXPECT_NE(errors_.find("offset 54: no record header here"), std::string::npos) << errors_;
  EXPECT_EQ(CheckOf(Database({MakeRecord(1, "one"), MakeRecord(1, "uno")})), 1);
  EXPECT_NE(errors_.find("a second live record of this GID (the first is at 25)"),
            std::string::npos);
  EXPECT_EQ(CheckOf(Database({MakeRecord(1, std::string(65536, 'x'))})), 1);
  EXPECT_NE(errors_.find("65536 data bytes, more than the setup reads"), std::string::npos);
  std::string signature = good;
  signature[8] = '!';
  EXPECT_EQ(CheckOf(signature), 1);
  EXPECT_NE(errors_.find("the signature is not"), std::string::npos);
  std::string unscannable = Database({MakeRecord(1, "one"), MakeRecord(2, "two")});
  unscannable[25] = 'X';  // the only good successor is the last record
  EXPECT_EQ(CheckOf(unscannable), 1);
  EXPECT_NE(errors_.find("the setup cannot scan its records"), std::string::npos);
  EXPECT_EQ(CheckOf("VNTDB-25"), 1);
  EXPECT_NE(errors_.find("shorter than its 25-byte header"), std::string::npos);
  EXPECT_EQ(Vntdb("check " + Path("missing.db")), 1);
  EXPECT_NE(errors_.find("cannot be read"), std::string::npos);
}

TEST_F(VntdbTest, ReadingLeavesTheCompanionIndexBesideTheOriginalAlone) {
  Put("MAIN.IDX", Database({MakeRecord(1, "one")}));
  Put("MAIN.ind", "the client's index");
  ASSERT_EQ(Vntdb("list " + Path("MAIN.IDX")), 0) << errors_;
  ASSERT_EQ(Vntdb("dump " + Path("MAIN.IDX") + " 1"), 0) << errors_;
  ASSERT_EQ(Vntdb("check " + Path("MAIN.IDX")), 0) << errors_;
  EXPECT_EQ(ReadHostFile(dir_ + "/MAIN.ind"), "the client's index");
}

TEST_F(VntdbTest, FaultyCommandLinesAndDescriptionsAreRefused) {
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --record 'zz=1'"), 2);
  EXPECT_NE(errors_.find("the GID must be a number"), std::string::npos);
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --record '1,ab=1'"), 2);
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --record '1,a,0x100=1'"), 2);
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --record '1=\\q'"), 2);
  EXPECT_NE(errors_.find("unknown escape"), std::string::npos);
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --record 1=@" + Path("none")), 2);
  EXPECT_EQ(Vntdb("dump " + Path("x.db") + " one"), 2);
  EXPECT_EQ(Vntdb("list"), 2);
  EXPECT_FALSE(fs::exists(dir_ + "/x.db"));

  Put("d.txt", "# fine\nkind 7\nreserved 1 2\n");
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --from " + Path("d.txt")), 1);
  EXPECT_NE(errors_.find("d.txt:3: reserved takes three numbers"), std::string::npos) << errors_;
  Put("d.txt", "form newer\n");
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --from " + Path("d.txt")), 1);
  EXPECT_NE(errors_.find("d.txt:1: the form is"), std::string::npos) << errors_;
  Put("d.txt", "records 1=x\n");
  EXPECT_EQ(Vntdb("create " + Path("x.db") + " --from " + Path("d.txt")), 1);
  EXPECT_NE(errors_.find("unknown line \"records\""), std::string::npos) << errors_;
  // A record's @PATH in a description is taken beside the description.
  Put("sub/data.bin", "beside");
  Put("sub/d.txt", "record 9=@data.bin\n");
  ASSERT_EQ(Vntdb("create " + Path("x.db") + " --from " + Path("sub/d.txt")), 0) << errors_;
  ASSERT_EQ(Vntdb("dump " + Path("x.db") + " 9"), 0) << errors_;
  EXPECT_EQ(output_, "beside\n");
}

}  // namespace

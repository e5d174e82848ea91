// The payload reader: every header field, capacities, value lists, the file table with its
// offsets and sums, the error numbers of every truncation, and unsafe entry names.
#include <gtest/gtest.h>

#include <string>

#include "payload/payload_reader.h"
#include "services/errors.h"
#include "services/setup_state.h"
#include "tests/support/entry_name_cases.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"

namespace {

PayloadLayout ReferenceLikeSpec() {
  PayloadLayout layout;
  layout.reserved_text_1 = "reserved one";
  layout.group_name = "Velnet";
  layout.item_title = "Velnet for Windows 95";
  layout.item_program = "VNT.EXE";
  layout.frame_title = "Velnet Setup";
  layout.version_text = "3.1";
  layout.welcome_text = "Welcome to the Velnet update.";
  layout.not_found_text = "No copy of Velnet was found.";
  layout.disk_full_program = "CLEANUP.EXE";
  layout.guide_entry = "GUIDE.TXT";
  layout.suppress_finish = 2;
  layout.check_hardware = 1;
  layout.write_version_file = 1;
  layout.db_version_stamp = 0x0382;
  layout.reserved_numbers = {7, 0xFFFFFFFF};
  layout.carry_over = {{"*.ini", ""}, {"OLD.DB", "NEW.DB"}};
  layout.dest_subdirs = {"IDB", "SCRIPTS"};
  layout.windows_deletes = {"VNT*.TMP"};
  layout.dest_deletes = {"*.BAK", "OLD\\*.*"};
  layout.db_pieces_a = {"idb\\piece.db", "IDB\\PIECE.DB"};
  layout.accepted_builds = {0x81, 0x82, 0x83};
  layout.ie_installers = {"IE\\SETUP.EXE"};
  layout.extra_space_kb = 512;
  layout.ie_build_required = 1300;
  layout.files = {{"dunzipnt.dll", "LIBRARY", 7},
                  {"IDB\\PIECE.DB", "zip-of-piece", 100},
                  {"GUIDE.TXT", "guide", 5},
                  {"", "", 0}};
  return layout;
}

class PayloadReaderTest : public SetupTest {
 protected:
  int Read(const std::string& bytes) {
    UsePayloadFile(bytes);
    if (!OpenPayload()) return 0;
    return ReadPayloadHeader();
  }
};

TEST_F(PayloadReaderTest, ReadsEveryFieldAndTheFileTable) {
  PayloadLayout layout = ReferenceLikeSpec();
  std::string bytes = BuildPayload(layout);
  ASSERT_EQ(Read(bytes), 1);
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_STREQ(g_payload.reserved_text_1, "reserved one");
  EXPECT_STREQ(g_setup.group_name, "Velnet");
  EXPECT_STREQ(g_setup.item_title, "Velnet for Windows 95");
  EXPECT_STREQ(g_setup.item_program, "VNT.EXE");
  EXPECT_STREQ(g_setup.frame_title, "Velnet Setup");
  EXPECT_STREQ(g_setup.version_text, "3.1");
  EXPECT_STREQ(g_setup.welcome_text, "Welcome to the Velnet update.");
  EXPECT_STREQ(g_setup.not_found_text, "No copy of Velnet was found.");
  EXPECT_STREQ(g_setup.disk_full_program, "CLEANUP.EXE");
  EXPECT_STREQ(g_payload.guide_entry, "GUIDE.TXT");
  EXPECT_EQ(g_setup.suppress_finish, 2);
  EXPECT_EQ(g_setup.check_hardware, 1);
  EXPECT_EQ(g_setup.write_version_file, 1);
  EXPECT_EQ(g_payload.db_version_stamp, 0x0382);
  ASSERT_EQ(g_payload.reserved_number_count, 2);
  EXPECT_EQ(g_payload.reserved_numbers[1], 0xFFFFFFFFu);
  ASSERT_EQ(g_payload.carry_over.count, 2);
  EXPECT_STREQ(g_payload.carry_over.first[0], "*.ini");
  EXPECT_STREQ(g_payload.carry_over.second[0], "");
  EXPECT_STREQ(g_payload.carry_over.second[1], "NEW.DB");
  ASSERT_EQ(g_payload.dest_deletes.count, 2);
  EXPECT_STREQ(g_payload.dest_deletes.items[1], "OLD\\*.*");
  ASSERT_EQ(g_payload.accepted_builds.count, 3);
  EXPECT_EQ(g_payload.accepted_builds.values[2], 0x83);
  ASSERT_EQ(g_setup.ie_installers.count, 1);
  EXPECT_STREQ(g_setup.ie_installers.items[0], "IE\\SETUP.EXE");
  EXPECT_EQ(g_payload.extra_space_kb, 512);
  EXPECT_EQ(g_setup.ie_build_required, 1300);

  ASSERT_EQ(g_payload.entry_count, 4);
  EXPECT_EQ(g_payload.total_unpacked, 112u);
  EXPECT_EQ(g_payload.db_pieces_a_size, 100u);  // listed twice, counted once
  EXPECT_EQ(g_payload.db_pieces_b_size, 0u);
  uint32_t data_start = static_cast<uint32_t>(bytes.size()) - 7 - 12 - 5;
  EXPECT_EQ(g_payload.entries[0]->data_offset, data_start);
  EXPECT_EQ(g_payload.entries[1]->data_offset, data_start + 7);
  EXPECT_EQ(g_payload.entries[2]->data_offset, data_start + 19);
  EXPECT_EQ(g_payload.entries[3]->data_offset + g_payload.entries[3]->packed_size, bytes.size());
  EXPECT_STREQ(g_payload.entries[3]->name, "");
  EXPECT_EQ(bytes.substr(g_payload.entries[1]->data_offset, 12), "zip-of-piece");

  EXPECT_EQ(FindPayloadEntry("guide.txt"), g_payload.entries[2]);
  EXPECT_EQ(FindPayloadEntry("MISSING.TXT"), nullptr);
}

TEST_F(PayloadReaderTest, EmptyHeaderParsesWithNothingAllocated) {
  ASSERT_EQ(Read(BuildPayload(PayloadLayout())), 1);
  EXPECT_EQ(g_payload.entry_count, 0);
  EXPECT_EQ(g_payload.entries, nullptr);
  EXPECT_EQ(g_payload.total_unpacked, 0u);
  EXPECT_EQ(g_payload.carry_over.count, 0);
  EXPECT_EQ(g_payload.carry_over.first, nullptr);
  EXPECT_EQ(g_payload.dest_subdirs.items, nullptr);
  EXPECT_EQ(g_payload.reserved_numbers, nullptr);
  EXPECT_EQ(g_setup.live_blocks, 1);  // the copy buffer only
}

struct TextField {
  std::string PayloadLayout::*member;
  size_t capacity;
};

TEST_F(PayloadReaderTest, EveryTextAcceptsCapacityLessOneAndRefusesCapacity) {
  const TextField fields[] = {
      {&PayloadLayout::reserved_text_1, 257},  {&PayloadLayout::group_name, 64},
      {&PayloadLayout::item_title, 128},       {&PayloadLayout::reserved_text_2, 128},
      {&PayloadLayout::item_program, 64},      {&PayloadLayout::frame_title, 64},
      {&PayloadLayout::version_text, 32},      {&PayloadLayout::welcome_text, 512},
      {&PayloadLayout::not_found_text, 256},   {&PayloadLayout::follow_on_program, 32},
      {&PayloadLayout::later_disk_marker, 32}, {&PayloadLayout::reserved_text_3, 64},
      {&PayloadLayout::reserved_text_4, 64},   {&PayloadLayout::disk_full_program, 64},
      {&PayloadLayout::guide_entry, 32}};
  for (const TextField& field : fields) {
    for (size_t length : {field.capacity - 1, field.capacity}) {
      SCOPED_TRACE(testing::Message() << "capacity " << field.capacity << " length " << length);
      PayloadLayout layout;
      layout.*field.member = std::string(length, 'T');
      ResetSetupState();
      int result = Read(BuildPayload(layout));
      EXPECT_EQ(result, length < field.capacity);
      EXPECT_EQ(g_setup.error_number, length < field.capacity ? 0 : kErrorHeaderField);
      ClosePayload();
      ReleasePayloadHeader();
    }
  }
}

TEST_F(PayloadReaderTest, ListTextsHoldAtMost127Characters) {
  PayloadLayout layout;
  layout.carry_over = {{std::string(127, 'p'), std::string(127, 'r')}};
  layout.dest_subdirs = {std::string(127, 'd')};
  ASSERT_EQ(Read(BuildPayload(layout)), 1);
  EXPECT_EQ(strlen(g_payload.carry_over.second[0]), 127u);
  ClosePayload();
  ReleasePayloadHeader();

  layout.windows_deletes = {"A", std::string(128, 'w')};
  ResetSetupState();
  EXPECT_EQ(Read(BuildPayload(layout)), 0);
  EXPECT_EQ(g_setup.error_number, kErrorHeaderField);
}

TEST_F(PayloadReaderTest, ValueListsHoldAtMost64Values) {
  PayloadLayout layout;
  layout.accepted_builds.assign(64, 0x81);
  layout.reserved_values_2.assign(64, 1);
  ASSERT_EQ(Read(BuildPayload(layout)), 1);
  EXPECT_EQ(g_payload.accepted_builds.count, 64);
  ClosePayload();
  ReleasePayloadHeader();

  layout.reserved_values_1.assign(65, 2);
  ResetSetupState();
  EXPECT_EQ(Read(BuildPayload(layout)), 0);
  EXPECT_EQ(g_setup.error_number, kErrorHeaderField);
}

TEST_F(PayloadReaderTest, EveryTruncationGivesItsErrorNumber) {
  PayloadLayout layout = ReferenceLikeSpec();
  std::string bytes = BuildPayload(layout);
  size_t table = FileTableOffset(layout);
  size_t data = bytes.size() - 24;
  for (size_t length = 0; length <= data; ++length) {
    SCOPED_TRACE(length);
    ResetSetupState();
    int result = Read(bytes.substr(0, length));
    uint16_t expected = length < 2       ? kErrorSignature
                        : length < table ? kErrorHeaderField
                        : length < data  ? kErrorFileTable
                                         : 0;
    EXPECT_EQ(g_setup.error_number, expected);
    EXPECT_EQ(result, expected == 0);
    ClosePayload();
    ReleasePayloadHeader();
    ASSERT_EQ(g_setup.live_blocks, 0);
  }
}

TEST_F(PayloadReaderTest, WrongSignatureIsError18) {
  EXPECT_EQ(Read("SR" + BuildPayload(PayloadLayout()).substr(2)), 0);
  EXPECT_EQ(g_setup.error_number, kErrorSignature);
}

TEST_F(PayloadReaderTest, EntryNamesMustStayInsideTheDestinationAndNameNoDevice) {
  for (const char* name : {"..\\WIN.INI", "C:\\AUTOEXEC.BAT", "\\WINDOWS\\X.DLL", "A\\..\\..\\B",
                           "A/../../B", "..", "SUB\\..", "CON", "con.txt", "SCRIPTS\\NUL",
                           "LPT1.DOC", "COM9", "AUX .TXT", "Clock$", "A/PRN/B.TXT", "PRN\\B.TXT"}) {
    SCOPED_TRACE(name);
    PayloadLayout layout;
    layout.files = {{"OK.TXT", "x", 1}, {name, "y", 1}};
    ResetSetupState();
    EXPECT_EQ(Read(BuildPayload(layout)), 0);
    EXPECT_EQ(g_setup.error_number, kErrorFileTable);
    ClosePayload();
    ReleasePayloadHeader();
  }
  PayloadLayout layout;
  layout.files = {{"A\\..B", "x", 1}, {"...\\C", "y", 1}, {std::string("NUL\0X", 5), "z", 1}};
  ResetSetupState();
  EXPECT_EQ(Read(BuildPayload(layout)), 0);  // the dots alone are no name; so is the NUL
  EXPECT_EQ(g_setup.error_number, kErrorFileTable);
  EXPECT_STREQ(g_payload.entries[1]->name, "...\\C");
  ClosePayload();
  ReleasePayloadHeader();
  // Names that only begin like a device's are files.
  layout.files.clear();
  for (const char* name : {"CONSOLE.TXT", "COM10", "LPT0", "NULL", "A.CON", "AUXX\\A", "COM"}) {
    layout.files.push_back({name, "x", 1});
  }
  ResetSetupState();
  EXPECT_EQ(Read(BuildPayload(layout)), 1);
}

// The names of the shared table are refused or read as Windows reads them, in the file table,
// the guide entry and the preserve patterns alike; the library's name only as the first entry.
TEST_F(PayloadReaderTest, EntryNamesAreJudgedAsWindowsReadsThem) {
  for (const EntryNameCase& c : kEntryNameCases) {
    SCOPED_TRACE(c.name);
    PayloadLayout layout;
    layout.guide_entry = c.name;
    layout.carry_over = {{c.name, ""}};
    layout.files = {{"OK.TXT", "x", 1}, {c.name, "y", 1}};
    ResetSetupState();
    ASSERT_EQ(Read(BuildPayload(layout)), c.read_as != nullptr ? 1 : 0);
    if (c.read_as != nullptr) {
      EXPECT_STREQ(g_payload.entries[1]->name, c.read_as);
      EXPECT_STREQ(g_payload.guide_entry, c.read_as);
      EXPECT_STREQ(g_payload.carry_over.first[0], c.read_as);
    } else {
      EXPECT_EQ(g_setup.error_number, kErrorFileTable);
    }
    ClosePayload();
    ReleasePayloadHeader();
  }
  for (int first : {1, 0}) {
    PayloadLayout layout;
    layout.files = {{"OK.TXT", "x", 1}};
    layout.files.insert(first ? layout.files.begin() : layout.files.end(), {"DUNZIPNT.DLL", "", 0});
    ResetSetupState();
    EXPECT_EQ(Read(BuildPayload(layout)), first);
    ClosePayload();
    ReleasePayloadHeader();
  }
}

TEST_F(PayloadReaderTest, DataOffsetsThatRunPast4GBAreRefused) {
  PayloadLayout layout;
  layout.files = {{"A", "", 0}, {"B", "", 0}};
  std::string bytes = BuildPayload(layout);
  size_t packed_a = FileTableOffset(layout) + 2 + 1 + 4;
  bytes.replace(packed_a, 4, std::string("\xFF\xFF\xFF\xFF", 4));
  EXPECT_EQ(Read(bytes), 0);
  EXPECT_EQ(g_setup.error_number, kErrorFileTable);
}

TEST_F(PayloadReaderTest, OptionsWinOverHeaderFlagsExceptTheVersionFile) {
  PayloadLayout layout;
  layout.skip_modem = 0;
  layout.suppress_finish = 0;
  layout.write_version_file = 0;
  g_setup.skip_modem = 1;
  g_setup.suppress_finish = 1;
  g_setup.write_version_file = 1;
  ASSERT_EQ(Read(BuildPayload(layout)), 1);
  EXPECT_EQ(g_setup.skip_modem, 1);
  EXPECT_EQ(g_setup.suppress_finish, 1);
  EXPECT_EQ(g_setup.write_version_file, 0);
}

TEST_F(PayloadReaderTest, OpeningFailures) {
  EXPECT_EQ(OpenPayload(), 0);  // no -X and the program's marker holds offset 0
  EXPECT_EQ(g_setup.error_number, kErrorNoPayloadMarker);
  ClosePayload();

  ResetSetupState();
  strcpy(g_setup.install_file, "C:\\NOWHERE\\SETUP.EX_");
  EXPECT_EQ(OpenPayload(), 0);
  EXPECT_EQ(g_setup.error_number, kErrorPayloadOpen);
  EXPECT_EQ(ClosePayload(), 1);
  EXPECT_EQ(ClosePayload(), 1);
  EXPECT_EQ(g_setup.live_blocks, 0);
}

}  // namespace

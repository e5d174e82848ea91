// The fixture of the database tests: SetupTest with databases put into the machine by the
// database writer, opened by path and read back record by record.
#pragma once

#include <string>
#include <vector>

#include "database/database.h"
#include "database/db_index.h"
#include "services/memory.h"
#include "tests/support/setup_test.h"
#include "tools/vntdb/database_writer.h"

const char kMain[] = "C:\\VELNET\\IDB\\MAIN.IDX";

inline DatabaseLayout Layout(std::vector<DatabaseRecord> records, DbForm form = kDbCurrentForm) {
  DatabaseLayout layout;
  layout.form = form;
  layout.records = std::move(records);
  return layout;
}

class DatabaseFixture : public SetupTest {
 protected:
  void Put(const DatabaseLayout& layout, const char* path = kMain) {
    PutFile(path, BuildDatabase(layout));
  }
  Database* Open(const char* path = kMain) {
    Database* db = nullptr;
    EXPECT_EQ(DbOpen(path, &db), 0);
    return db;
  }
  // The record's data read into a new block, or "<none>".
  std::string Read(Database* db, uint32_t gid) {
    uint32_t length = 99;
    uint8_t* data = DbRead(db, gid, nullptr, 0, &length);
    if (data == nullptr) {
      EXPECT_EQ(length, 0u);
      return "<none>";
    }
    EXPECT_EQ(data[length], 0) << "a new buffer is terminated";
    std::string text(reinterpret_cast<char*>(data), length);
    FreeBlock(data);
    return text;
  }
  // The header of the GID's live record as the file holds it, with the position the index
  // holds in its offset field; the index's flags must be the file's.
  DbRecordHeader Entry(Database* db, uint32_t gid, const char* path = kMain) {
    const DbIndexEntry* entry = IndexFind(&db->index, gid);
    EXPECT_NE(entry, nullptr);
    DbRecordHeader header = {};
    std::string bytes = GetFile(path);
    uint32_t size = DbRecordHeaderSize(db->form);
    if (entry == nullptr || entry->offset + size > bytes.size()) {
      ADD_FAILURE() << "no header for GID " << gid;
      return header;
    }
    DecodeRecordHeader(reinterpret_cast<const uint8_t*>(bytes.data()) + entry->offset, db->form,
                       &header);
    EXPECT_EQ(IndexFlags(*entry), header.flags);
    header.offset = entry->offset;
    return header;
  }
};

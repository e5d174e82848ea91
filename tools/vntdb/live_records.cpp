// Reading a database file's live records through the setup's own DbOpen and DbRead.
#include "tools/vntdb/live_records.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "services/memory.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "tools/common/whole_files.h"

namespace {

const char kCopyPath[] = "C:\\DATABASE.IDX";

}  // namespace

SetupView::SetupView(const std::string& bytes) {
  ResetSetupState();
  std::error_code ignored;
  std::filesystem::create_directories(machine.folder.path + "/C", ignored);
  std::ofstream copy(machine.folder.path + "/C/DATABASE.IDX", std::ios::binary);
  copy << bytes;
  copy.close();
  if (machine.open && copy) result = DbOpen(kCopyPath, &db);
}

SetupView::~SetupView() {
  DbClose(db);
  FlushLog();  // into the scratch machine: a resynchronisation's log line is not wanted here
}

uint32_t LoadU32(const std::string& bytes, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool IsDatabaseFile(const std::string& bytes, uint32_t* kind) {
  const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
  uint32_t size = static_cast<uint32_t>(bytes.size());
  if (IsOlderFormFile(data, size)) {
    *kind = LoadU32(bytes, 2);
    return true;
  }
  if (size < kDbCurrentFileHeader) return false;
  *kind = LoadU32(bytes, 9);
  return IsDatabaseOfKind(data, size, *kind) != 0;
}

bool ReadLiveRecords(const std::string& file, std::vector<LiveRecord>* records, uint32_t* kind,
                     std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(file, &bytes)) {
    *error = file + ": cannot be read";
    return false;
  }
  if (!IsDatabaseFile(bytes, kind)) {
    *error = file + ": no database (it begins neither with \"VNTDB-25\" nor with \"DC\")";
    return false;
  }
  SetupView view(bytes);
  if (view.db == nullptr) {
    *error = file + (view.result == 1 ? ": the records cannot be scanned (damaged)"
                                      : ": cannot be opened as a database");
    return false;
  }
  records->clear();
  const DbIndex& index = view.db->index;
  for (uint32_t i = 0; i < index.count; ++i) {
    // The index keeps position, length and flags; the type is in the header itself.
    const DbIndexEntry& found = index.entries[i];
    if (found.offset + DbRecordHeaderSize(view.db->form) > bytes.size()) {
      *error = file + ": GID " + HexText(found.gid) + ": its header lies past the end";
      return false;
    }
    DbRecordHeader entry;
    DecodeRecordHeader(reinterpret_cast<const uint8_t*>(bytes.data()) + found.offset, view.db->form,
                       &entry);
    uint32_t length = 0;
    uint8_t* data = DbRead(view.db, entry.gid, nullptr, 0, &length);
    if (data == nullptr) {
      *error =
          file + ": GID " + HexText(entry.gid) +
          (entry.length > kDbMaxDataLength ? ": " + std::to_string(entry.length) +
                                                 " data bytes, more than the setup reads (65535)"
                                           : ": its data cannot be read");
      return false;
    }
    LiveRecord record;
    record.gid = entry.gid;
    record.type = static_cast<char>(entry.type);
    record.flags = entry.flags;
    record.data.assign(reinterpret_cast<const char*>(data), length);
    FreeBlock(data);
    records->push_back(record);
  }
  return true;
}

std::string HexText(uint32_t value, int digits) {
  char text[16];
  snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

// vntdb list, dump, check and create. The live records are those the setup program itself
// sees: the file is copied onto a scratch simulated machine and opened there with DbOpen (which
// deletes the companion index file beside the copy, never beside the original).
#include "tools/vntdb/commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "database/database.h"
#include "database/db_index.h"
#include "services/memory.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "tools/common/scratch_machine.h"
#include "tools/common/whole_files.h"

namespace {

const char kCopyPath[] = "C:\\DATABASE.IDX";

int Fail(const std::string& message) {
  std::cerr << "vntdb: " << message << "\n";
  return 1;
}

std::string Hex(uint32_t value, int digits = 8) {
  char text[16];
  snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

uint32_t LoadU32(const std::string& bytes, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

DbForm FormOf(const std::string& bytes) {
  return IsOlderFormFile(reinterpret_cast<const uint8_t*>(bytes.data()),
                         static_cast<uint32_t>(bytes.size()))
             ? kDbOlderForm
             : kDbCurrentForm;
}

// The file opened by the setup's own code on a scratch machine; db is null when DbOpen did not
// give 0, and result holds what it gave.
struct SetupView {
  ScratchMachine machine{"vntdb-machine"};
  Database* db = nullptr;
  int result = 2;
  explicit SetupView(const std::string& bytes) {
    ResetSetupState();
    std::error_code ignored;
    std::filesystem::create_directories(machine.folder.path + "/C", ignored);
    std::ofstream copy(machine.folder.path + "/C/DATABASE.IDX", std::ios::binary);
    copy << bytes;
    copy.close();
    if (machine.open && copy) result = DbOpen(kCopyPath, &db);
  }
  ~SetupView() {
    DbClose(db);
    FlushLog();  // into the scratch machine: a resynchronisation's log line is not wanted here
  }
};

bool LoadView(const std::string& file, std::string* bytes) {
  if (!ReadWholeFile(file, bytes)) {
    Fail(file + ": cannot be read");
    return false;
  }
  return true;
}

std::string DescribeHeader(const std::string& bytes) {
  std::ostringstream out;
  if (FormOf(bytes) == kDbOlderForm) {
    out << "older form (\"DC\"), kind " << Hex(LoadU32(bytes, 2));
  } else if (bytes.size() < kDbCurrentFileHeader) {
    out << "current form, but only " << bytes.size() << " bytes long";
  } else {
    std::string signature = bytes.substr(0, 8);
    for (char& c : signature) {
      if (c < 32 || c > 126) c = '.';
    }
    out << "current form, signature \"" << signature << "\", kind " << Hex(LoadU32(bytes, 9))
        << ", reserved " << LoadU32(bytes, 13) << " " << LoadU32(bytes, 17) << " "
        << LoadU32(bytes, 21);
  }
  return out.str();
}

std::string TypeText(uint8_t type) {
  return type >= 33 && type <= 126 ? std::string(1, static_cast<char>(type)) : Hex(type, 2);
}

// One strict pass over the records: every fault found, and the counts.
struct Walk {
  std::vector<std::string> faults;
  uint32_t records = 0;
  uint32_t superseded = 0;
};

Walk WalkRecords(const std::string& bytes) {
  Walk walk;
  DbForm form = FormOf(bytes);
  uint64_t size = bytes.size();
  uint64_t position = DbFileHeaderSize(form);
  if (size < position) {
    walk.faults.push_back("the file is shorter than its " + std::to_string(position) +
                          "-byte header");
    return walk;
  }
  if (form == kDbCurrentForm && !IsDatabaseOfKind(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                  kDbCurrentFileHeader, LoadU32(bytes, 9))) {
    walk.faults.push_back("the signature is not \"VNTDB-25\" and its terminating NUL");
  }
  uint32_t header_size = DbRecordHeaderSize(form);
  std::map<uint32_t, uint64_t> live;
  while (position < size) {
    std::string at = "offset " + std::to_string(position);
    if (size - position < header_size) {
      walk.faults.push_back(at + ": " + std::to_string(size - position) +
                            " bytes left, less than a record header");
      break;
    }
    DbRecordHeader header;
    DecodeRecordHeader(reinterpret_cast<const uint8_t*>(bytes.data()) + position, form, &header);
    if (header.magic != kDbRecordMagic) {
      walk.faults.push_back(at + ": no record header here (wrong magic)");
      break;
    }
    std::string record = at + ": GID " + Hex(header.gid);
    ++walk.records;
    if (position + header_size + header.length > size) {
      walk.faults.push_back(record + ": its " + std::to_string(header.length) +
                            " data bytes run past the end of the file");
      break;
    }
    if (header.length > kDbMaxDataLength) {
      walk.faults.push_back(record + ": " + std::to_string(header.length) +
                            " data bytes, more than the setup reads (65535)");
    }
    if ((header.flags & kDbFlagSuperseded) != 0) {
      ++walk.superseded;
    } else if (live.count(header.gid) != 0) {
      walk.faults.push_back(record + ": a second live record of this GID (the first is at " +
                            std::to_string(live[header.gid]) + ")");
    } else {
      live[header.gid] = position;
    }
    position += header_size + header.length;
  }
  return walk;
}

std::string HexDump(const uint8_t* data, uint32_t length) {
  std::ostringstream out;
  for (uint32_t line = 0; line < length; line += 16) {
    char text[16];
    snprintf(text, sizeof text, "%08X ", line);
    out << text;
    std::string chars;
    for (uint32_t i = line; i < line + 16; ++i) {
      if (i < length) {
        snprintf(text, sizeof text, " %02X", data[i]);
        out << text;
        chars += data[i] >= 32 && data[i] <= 126 ? static_cast<char>(data[i]) : '.';
      } else {
        out << "   ";
      }
    }
    out << "  " << chars << "\n";
  }
  return out.str();
}

bool IsPrintable(const uint8_t* data, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    uint8_t c = data[i];
    if ((c < 32 || c > 126) && c != '\n' && c != '\r' && c != '\t') return false;
  }
  return true;
}

}  // namespace

int ListCommand(const std::string& file) {
  std::string bytes;
  if (!LoadView(file, &bytes)) return 1;
  SetupView view(bytes);
  if (view.db == nullptr) {
    return Fail(file + (view.result == 1 ? ": the records cannot be scanned (damaged)"
                                         : ": cannot be opened as a database"));
  }
  std::cout << file << ": " << DescribeHeader(bytes) << "\n"
            << DbCount(view.db) << " live records\n"
            << "GID         TYPE  FLAGS  SIZE    OFFSET\n";
  const DbIndex& index = view.db->index;
  for (uint32_t i = 0; i < index.count; ++i) {
    DbRecordHeader entry;
    DecodeRecordHeader(reinterpret_cast<const uint8_t*>(bytes.data()) + index.entries[i].offset,
                       view.db->form, &entry);
    entry.offset = index.entries[i].offset;
    char line[96];
    snprintf(line, sizeof line, "%s  %-4s  0x%02X   %-6u  %u\n", Hex(entry.gid).c_str(),
             TypeText(entry.type).c_str(), entry.flags, entry.length, entry.offset);
    std::cout << line;
  }
  return 0;
}

int DumpCommand(const std::string& file, uint32_t gid, DumpStyle style) {
  std::string bytes;
  if (!LoadView(file, &bytes)) return 1;
  SetupView view(bytes);
  if (view.db == nullptr) return Fail(file + ": cannot be opened as a database");
  uint32_t length = 0;
  uint8_t* data = DbRead(view.db, gid, nullptr, 0, &length);
  if (data == nullptr) return Fail(file + ": no readable record with GID " + Hex(gid));
  if (style == kDumpText || (style == kDumpAuto && IsPrintable(data, length))) {
    std::cout.write(reinterpret_cast<const char*>(data), length);
    if (style == kDumpAuto && length != 0 && data[length - 1] != '\n') std::cout << "\n";
  } else {
    std::cout << HexDump(data, length);
  }
  FreeBlock(data);
  return 0;
}

int CheckCommand(const std::string& file) {
  std::string bytes;
  if (!LoadView(file, &bytes)) return 1;
  Walk walk = WalkRecords(bytes);
  SetupView view(bytes);
  if (view.result == 1) walk.faults.push_back("the setup cannot scan its records");
  if (view.result == 2) walk.faults.push_back("the setup cannot open it");
  for (const std::string& fault : walk.faults) Fail(file + ": " + fault);
  if (!walk.faults.empty()) return 1;
  std::cout << file << ": " << walk.records << " records (" << DbCount(view.db) << " live, "
            << walk.superseded << " superseded), no faults\n";
  return 0;
}

int CreateCommand(const std::string& file, const DatabaseLayout& layout) {
  std::string bytes = BuildDatabase(layout);
  if (bytes.empty()) return Fail(file + ": the older form holds records of at most 65535 bytes");
  if (!WriteWholeFile(file, bytes)) return Fail(file + ": cannot be written");
  return 0;
}

// vntdb list, dump, check, create and diff. The live records are those the setup program itself
// sees (tools/vntdb/live_records.h).
#include "tools/vntdb/commands.h"

#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "database/database.h"
#include "database/db_index.h"
#include "services/memory.h"
#include "tools/common/whole_files.h"
#include "tools/vntdb/live_records.h"
#include "tools/vntdb/record_diff.h"

namespace {

int Fail(const std::string& message) {
  std::cerr << "vntdb: " << message << "\n";
  return 1;
}

DbForm FormOf(const std::string& bytes) {
  return IsOlderFormFile(reinterpret_cast<const uint8_t*>(bytes.data()),
                         static_cast<uint32_t>(bytes.size()))
             ? kDbOlderForm
             : kDbCurrentForm;
}

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
    out << "older form (\"DC\"), kind " << HexText(LoadU32(bytes, 2));
  } else if (bytes.size() < kDbCurrentFileHeader) {
    out << "current form, but only " << bytes.size() << " bytes long";
  } else {
    std::string signature = bytes.substr(0, 8);
    for (char& c : signature) {
      if (c < 32 || c > 126) c = '.';
    }
    out << "current form, signature \"" << signature << "\", kind " << HexText(LoadU32(bytes, 9))
        << ", reserved " << LoadU32(bytes, 13) << " " << LoadU32(bytes, 17) << " "
        << LoadU32(bytes, 21);
  }
  return out.str();
}

std::string TypeText(uint8_t type) {
  return type >= 33 && type <= 126 ? std::string(1, static_cast<char>(type)) : HexText(type, 2);
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
    std::string record = at + ": GID " + HexText(header.gid);
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
    snprintf(line, sizeof line, "%s  %-4s  0x%02X   %-6u  %u\n", HexText(entry.gid).c_str(),
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
  if (data == nullptr) return Fail(file + ": no readable record with GID " + HexText(gid));
  if (style == kDumpText || (style == kDumpAuto && IsPrintable(data, length))) {
    std::cout.write(reinterpret_cast<const char*>(data), length);
    if (style == kDumpAuto && length != 0 && data[length - 1] != '\n') std::cout << "\n";
  } else {
    std::cout << HexDump(data, length);
  }
  FreeBlock(data);
  return 0;
}

int CheckCommand(const std::string& file, const ToolReport& report) {
  std::string bytes;
  if (!LoadView(file, &bytes)) return 1;
  Walk walk = WalkRecords(bytes);
  SetupView view(bytes);
  if (view.result == 1) walk.faults.push_back("the setup cannot scan its records");
  if (view.result == 2) walk.faults.push_back("the setup cannot open it");
  for (const std::string& fault : walk.faults) Fail(file + ": " + fault);
  if (!walk.faults.empty()) return 1;
  ReportLine(report, 1,
             file + ": " + CountOf(walk.records, "record", "records") + " (" +
                 std::to_string(DbCount(view.db)) + " live, " + std::to_string(walk.superseded) +
                 " superseded), no faults");
  return 0;
}

int CreateCommand(const std::string& file, const DatabaseLayout& layout, const ToolReport& report) {
  std::string bytes = BuildDatabase(layout);
  if (bytes.empty()) return Fail(file + ": the older form holds records of at most 65535 bytes");
  if (!WriteWholeFile(file, bytes)) return Fail(file + ": cannot be written");
  ReportLine(report, 2,
             file + ": " + CountOf(layout.records.size(), "record", "records") + ", " +
                 CountOf(bytes.size(), "byte", "bytes") + " written");
  return 0;
}

int DiffCommand(const std::string& old_file, const std::string& new_file,
                const std::string& merge_file, ToolReport* report) {
  std::vector<LiveRecord> old_records;
  std::vector<LiveRecord> new_records;
  uint32_t kind = 0;
  std::string error;
  if (!ReadLiveRecords(old_file, &old_records, &kind, &error) ||
      !ReadLiveRecords(new_file, &new_records, &kind, &error)) {
    return Fail(error);
  }
  std::vector<ChangedRecord> changes = DiffRecords(old_records, new_records);
  int counts[3] = {0, 0, 0};
  for (const ChangedRecord& change : changes) {
    static const char* const kWords[] = {"added  ", "changed", "gone   "};
    ++counts[change.change];
    char line[96];
    snprintf(line, sizeof line, "%s  %s  %-4s  %zu bytes", kWords[change.change],
             HexText(change.record.gid).c_str(), TypeText(change.record.type).c_str(),
             change.record.data.size());
    std::cout << line;
    if (change.change == kRecordChanged) std::cout << ", was " << change.old_length;
    std::cout << "\n";
  }
  ReportLine(*report, 1,
             std::to_string(counts[kRecordAdded]) + " added, " +
                 std::to_string(counts[kRecordChanged]) + " changed, " +
                 std::to_string(counts[kRecordGone]) + " gone");
  for (const std::string& warning : MergeWarnings(changes)) ReportWarning(report, warning);
  if (!merge_file.empty()) return CreateCommand(merge_file, MergeLayout(changes), *report);
  return 0;
}

// vntpack list, extract and verify. The payload is read by the program's own reader through the
// host platform layer, on a scratch simulated machine whose Z: drive is the host's "/", so a
// payload vntpack accepts is one the setup program accepts; member archives go through the
// extraction library itself.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "payload/extraction_library.h"
#include "payload/payload_reader.h"
#include "platform/host/host_machine.h"
#include "platform/modules.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "tools/common/scratch_machine.h"
#include "tools/vntpack/commands.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::cerr << "vntpack: " << message << "\n";
  return 1;
}

// The host path as a path of the host platform's Z: drive ("/a/b" is "Z:\a\b").
bool ZPath(const std::string& host, std::string* out) {
  std::error_code error;
  fs::path full = fs::absolute(host, error);
  if (error) return false;
  std::string text = "Z:" + full.lexically_normal().string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.size() > 259) return false;
  *out = text;
  return true;
}

const char* ReaderError(uint16_t number) {
  switch (number) {
    case 3:
      return "cannot be opened";
    case 4:
      return "the payload offset lies beyond the file";
    case 5:
      return "a header field is cut short or longer than its capacity";
    case 6:
      return "a file-table entry is cut short or has an unsafe name";
    case 18:
      return "the payload does not begin with \"RS\"";
    default:
      return "cannot be read";
  }
}

// A file's payload: at 0 of a stand-alone payload, or where the marker of a program points.
struct Opened {
  std::string bytes;
  uint32_t offset = 0;
};

bool OpenFile(const std::string& path, Opened* opened, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream data;
  data << file.rdbuf();
  opened->bytes = data.str();
  if (!file) {
    *error = path + ": cannot be read";
    return false;
  }
  if (opened->bytes.compare(0, 2, "RS") != 0) {
    static const char kTag[] = "_DaduZ_";
    size_t at = opened->bytes.find(std::string(kTag, sizeof kTag));
    if (at == std::string::npos || at + 28 > opened->bytes.size()) {
      *error = path + ": neither a payload nor a program with a payload marker";
      return false;
    }
    const unsigned char* offset = reinterpret_cast<const unsigned char*>(&opened->bytes[at + 8]);
    opened->offset =
        offset[0] | offset[1] << 8 | offset[2] << 16 | static_cast<uint32_t>(offset[3]) << 24;
    if (opened->offset == 0) {
      *error = path + ": the program carries no payload (marker offset 0)";
      return false;
    }
  }
  std::string windows;
  ResetSetupState();
  if (!ZPath(path, &windows)) {
    *error = path + ": the path is too long";
    return false;
  }
  snprintf(g_setup.install_file, kStatePath, "%s", windows.c_str());
  if (OpenPayload()) {
    g_reader.offset = opened->offset;
    ReadPayloadHeader();
  }
  if (g_setup.error_number != 0) {
    *error = path + ": " + ReaderError(g_setup.error_number) + " (error " +
             std::to_string(g_setup.error_number) + ")";
    return false;
  }
  return true;
}

void ClosePayloadFile() {
  ClosePayload();
  ReleasePayloadHeader();
}

bool IsStoredEntry(uint16_t index) {
  const char* name = g_payload.entries[index]->name;
  return (index == 0 && NamesEqual(name, kExtractionLibraryName)) ||
         (g_payload.guide_entry[0] != '\0' && NamesEqual(name, g_payload.guide_entry));
}

std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '\n') {
      out += "\\n";
    } else if (*c == '\r') {
      out += "\\r";
    } else {
      if (*c == '"' || *c == '\\') out += '\\';
      out += *c;
    }
  }
  return out + "\"";
}

void PrintTexts(const char* name, const TextList& list) {
  std::cout << name << " (" << list.count << ")\n";
  for (uint16_t i = 0; i < list.count; ++i) std::cout << "  " << Quoted(list.items[i]) << "\n";
}

void PrintPairs(const char* name, const PairList& list) {
  std::cout << name << " (" << list.count << ")\n";
  for (uint16_t i = 0; i < list.count; ++i) {
    std::cout << "  " << Quoted(list.first[i]) << " = " << Quoted(list.second[i]) << "\n";
  }
}

void PrintValues(const char* name, const ValueList& list) {
  std::cout << name << " (" << list.count << ")";
  for (uint16_t i = 0; i < list.count; ++i)
    std::cout << (i ? ", 0x" : " 0x") << std::hex << list.values[i] << std::dec;
  std::cout << "\n";
}

void PrintHeader(const Opened& opened) {
  const PayloadHeader& h = g_payload;
  const SetupState& s = g_setup;
  std::cout << "payload offset " << opened.offset << "\n";
  const std::pair<const char*, const char*> texts[] = {{"reserved_text_1", h.reserved_text_1},
                                                       {"group_name", s.group_name},
                                                       {"item_title", s.item_title},
                                                       {"reserved_text_2", h.reserved_text_2},
                                                       {"item_program", s.item_program},
                                                       {"frame_title", s.frame_title},
                                                       {"version_text", s.version_text},
                                                       {"welcome_text", s.welcome_text},
                                                       {"not_found_text", s.not_found_text},
                                                       {"follow_on_program", s.follow_on_program},
                                                       {"later_disk_marker", s.later_disk_marker},
                                                       {"reserved_text_3", h.reserved_text_3},
                                                       {"reserved_text_4", h.reserved_text_4},
                                                       {"disk_full_program", s.disk_full_program},
                                                       {"guide_entry", h.guide_entry}};
  for (const auto& text : texts) std::cout << text.first << " = " << Quoted(text.second) << "\n";
  std::cout << "skip_modem = " << s.skip_modem << "\nsuppress_finish = " << s.suppress_finish
            << "\ncheck_hardware = " << s.check_hardware
            << "\nwrite_version_file = " << s.write_version_file << "\ndb_version_stamp = 0x"
            << std::hex << h.db_version_stamp << std::dec
            << "\nextra_space_kb = " << h.extra_space_kb
            << "\nie_build_required = " << s.ie_build_required << "\n";
  std::cout << "reserved_numbers (" << h.reserved_number_count << ")";
  for (uint16_t i = 0; i < h.reserved_number_count; ++i) std::cout << " " << h.reserved_numbers[i];
  std::cout << "\n";
  PrintPairs("reserved_pairs", h.reserved_pairs);
  PrintPairs("carry_over", h.carry_over);
  PrintTexts("dest_subdirs", h.dest_subdirs);
  PrintTexts("windows_deletes", h.windows_deletes);
  PrintTexts("dest_deletes", h.dest_deletes);
  PrintTexts("db_pieces_a", h.db_pieces_a);
  PrintTexts("db_pieces_b", h.db_pieces_b);
  PrintValues("accepted_builds", h.accepted_builds);
  PrintValues("reserved_values_1", h.reserved_values_1);
  PrintValues("reserved_values_2", h.reserved_values_2);
  PrintTexts("ie_installers", s.ie_installers);
  std::cout << "entries (" << h.entry_count << "), unpacked total " << h.total_unpacked << "\n";
  for (uint16_t i = 0; i < h.entry_count; ++i) {
    const PayloadEntry& entry = *h.entries[i];
    std::cout << "  " << i << "  " << entry.name << "  unpacked " << entry.unpacked_size
              << "  packed " << entry.packed_size << "  at " << entry.data_offset
              << (IsStoredEntry(i) ? "  stored" : "  archive") << "\n";
  }
}

// Loads dunzipnt.dll from a host path.
struct Library {
  PlatModule module = nullptr;
  UnzipEntryPoint entry = nullptr;
  ~Library() { PlatFreeLibrary(module); }
};

bool LoadLibraryFile(const std::string& path, Library* library, std::string* error) {
  std::string windows;
  if (ZPath(path, &windows)) library->module = PlatLoadLibrary(windows.c_str());
  if (library->module != nullptr) {
    library->entry =
        reinterpret_cast<UnzipEntryPoint>(PlatGetProcAddress(library->module, kUnzipEntryName));
  }
  if (library->entry == nullptr) *error = "cannot load the extraction library " + path;
  return library->entry != nullptr;
}

// Writes every entry into folder; reports each fault and returns how many there were.
int ExtractEntries(const Opened& opened, const std::string& folder, const Library& library) {
  int faults = 0;
  auto fault = [&faults](const std::string& name, const std::string& message) {
    std::cerr << "vntpack: " << name << ": " << message << "\n";
    ++faults;
  };
  uint64_t end = opened.offset;
  for (uint16_t i = 0; i < g_payload.entry_count; ++i) {
    const PayloadEntry& entry = *g_payload.entries[i];
    end = static_cast<uint64_t>(entry.data_offset) + entry.packed_size;
    if (end > opened.bytes.size()) {
      fault(entry.name, "its data runs past the end of the file");
      continue;
    }
    std::string relative = entry.name;
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    fs::path target = fs::path(folder) / relative;
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    std::string block = opened.bytes.substr(entry.data_offset, entry.packed_size);
    fs::path written = IsStoredEntry(i) ? target : target.parent_path() / ".vntpack-member.zip";
    std::ofstream(written, std::ios::binary | std::ios::trunc) << block;
    if (!IsStoredEntry(i)) {
      std::string archive;
      std::string output;
      if (!ZPath(written.string(), &archive) || !ZPath(target.parent_path().string(), &output)) {
        fault(entry.name, "the path is too long");
        continue;
      }
      UnzipRequest request;
      FillExtractionRequest(&request, archive.c_str(), output.c_str());
      int32_t result = library.entry(&request);
      fs::remove(written, error);
      if (result != kUnzipOk && result != kUnzipSkipped) {
        fault(entry.name, "the extraction library answered " + std::to_string(result) + " (" +
                              UnzipResultText(result) + ")");
        continue;
      }
    }
    std::string windows;
    uint32_t size = ZPath(target.string(), &windows) ? GetFileSizeByName(windows.c_str()) : 0;
    if (size != entry.unpacked_size) {
      fault(entry.name, "holds " + std::to_string(size) + " bytes, the table says " +
                            std::to_string(entry.unpacked_size));
    }
  }
  if (end < opened.bytes.size()) {
    fault("payload",
          std::to_string(opened.bytes.size() - end) + " bytes follow the last entry's data");
  }
  return faults;
}

}  // namespace

int ListCommand(const std::string& file) {
  ScratchMachine machine("vntpack-machine");
  if (!machine.open) return Fail("cannot make a scratch machine");
  Opened opened;
  std::string error;
  if (!OpenFile(file, &opened, &error)) return Fail(error);
  PrintHeader(opened);
  ClosePayloadFile();
  return 0;
}

int ExtractCommand(const std::string& file, const std::string& folder,
                   const std::string& library_path) {
  ScratchMachine machine("vntpack-machine");
  if (!machine.open) return Fail("cannot make a scratch machine");
  Opened opened;
  Library library;
  std::string error;
  if (!LoadLibraryFile(library_path, &library, &error) || !OpenFile(file, &opened, &error)) {
    return Fail(error);
  }
  int faults = ExtractEntries(opened, folder, library);
  ClosePayloadFile();
  return faults == 0 ? 0 : 1;
}

int VerifyCommand(const std::string& file, const std::string& library_path) {
  ScratchMachine machine("vntpack-machine");
  if (!machine.open) return Fail("cannot make a scratch machine");
  Opened opened;
  Library library;
  std::string error;
  if (!LoadLibraryFile(library_path, &library, &error) || !OpenFile(file, &opened, &error)) {
    return Fail(error);
  }
  ScratchFolder scratch("vntpack-verify");
  if (scratch.path.empty()) return Fail("cannot make a scratch folder");
  int faults = ExtractEntries(opened, scratch.path, library);
  std::cout << file << ": " << g_payload.entry_count << " entries, "
            << (faults == 0 ? "no faults" : std::to_string(faults) + " faults") << "\n";
  ClosePayloadFile();
  return faults == 0 ? 0 : 1;
}

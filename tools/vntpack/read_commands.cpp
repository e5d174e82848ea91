// vntpack list, extract and verify. The payload is read by the program's own reader
// (tools/vntpack/payload_file.h), so a payload vntpack accepts is one the setup program accepts;
// member archives go through the extraction library itself.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "payload/extraction_library.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "services/setup_state.h"
#include "tools/common/scratch_machine.h"
#include "tools/vntpack/commands.h"
#include "tools/vntpack/library_image.h"
#include "tools/vntpack/payload_file.h"

namespace fs = std::filesystem;

namespace {

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

void PrintHeader(const OpenedPayload& opened) {
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

// Writes every entry into folder; reports each fault and returns how many there were.
int ExtractEntries(const OpenedPayload& opened, const std::string& folder,
                   const LoadedLibrary& library, const ToolReport& report) {
  int faults = 0;
  auto fault = [&faults, &report](const std::string& name, const std::string& message) {
    ReportError(report, name + ": " + message);
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
      if (!HostPathOnZ(written.string(), &archive) ||
          !HostPathOnZ(target.parent_path().string(), &output)) {
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
    uint32_t size = HostPathOnZ(target.string(), &windows) ? GetFileSizeByName(windows.c_str()) : 0;
    if (size != entry.unpacked_size) {
      fault(entry.name, "holds " + std::to_string(size) + " bytes, the table says " +
                            std::to_string(entry.unpacked_size));
      continue;
    }
    ReportLine(report, 2,
               "  " + std::string(entry.name) + "  " + std::to_string(entry.unpacked_size) +
                   " bytes" + (IsStoredEntry(i) ? ", stored" : ", extracted"));
  }
  if (end < opened.bytes.size()) {
    fault("payload",
          std::to_string(opened.bytes.size() - end) + " bytes follow the last entry's data");
  }
  return faults;
}

// Whether the stored dunzipnt.dll serves the setup program that reads the payload: the program
// that carries it, or for a stand-alone payload SETUP.EXE (the host setup with for_host). One
// fault when it does not, a warning for an x86-64 library in a stand-alone payload.
int CheckStoredLibrary(const OpenedPayload& opened, bool for_host, ToolReport* report) {
  std::string library;
  if (!StoredLibrary(opened, &library)) return 0;
  PayloadTarget target;
  target.host = for_host;
  std::string warning;
  std::string fault;
  if (opened.program && !TargetOfProgram(opened.bytes, &target, &fault)) {
    ReportError(*report, "the program is " + fault);
    return 1;
  }
  if (!CheckLibrary(library, target, &warning, &fault)) {
    ReportError(*report, "dunzipnt.dll: " + fault +
                             (opened.program || for_host
                                  ? ""
                                  : " (a stand-alone payload for the host setup: --for-host)"));
    return 1;
  }
  if (!warning.empty()) ReportWarning(report, "dunzipnt.dll: " + warning);
  return 0;
}

}  // namespace

int ListCommand(const std::string& file, const ToolReport& report) {
  ScratchMachine machine("vntpack-machine");
  if (!machine.open) return ReportError(report, "cannot make a scratch machine");
  OpenedPayload opened;
  std::string error;
  if (!OpenPayloadFile(file, &opened, &error)) return ReportError(report, error);
  PrintHeader(opened);
  ClosePayloadFile();
  return 0;
}

int ExtractCommand(const std::string& file, const std::string& folder,
                   const std::string& library_path, const ToolReport& report) {
  ScratchMachine machine("vntpack-machine");
  if (!machine.open) return ReportError(report, "cannot make a scratch machine");
  OpenedPayload opened;
  LoadedLibrary library;
  std::string error;
  if (!LoadHostLibrary(library_path, &library, &error) || !OpenPayloadFile(file, &opened, &error)) {
    return ReportError(report, error);
  }
  int faults = ExtractEntries(opened, folder, library, report);
  ClosePayloadFile();
  return faults == 0 ? 0 : 1;
}

int VerifyCommand(const std::string& file, const std::string& library_path, bool for_host,
                  ToolReport* report) {
  ScratchMachine machine("vntpack-machine");
  if (!machine.open) return ReportError(*report, "cannot make a scratch machine");
  OpenedPayload opened;
  LoadedLibrary library;
  std::string error;
  if (!LoadHostLibrary(library_path, &library, &error) || !OpenPayloadFile(file, &opened, &error)) {
    return ReportError(*report, error);
  }
  ScratchFolder scratch("vntpack-verify");
  if (scratch.path.empty()) return ReportError(*report, "cannot make a scratch folder");
  int faults = CheckStoredLibrary(opened, for_host, report) +
               ExtractEntries(opened, scratch.path, library, *report);
  uint64_t unpacked = 0;
  for (uint16_t i = 0; i < g_payload.entry_count; ++i)
    unpacked += g_payload.entries[i]->unpacked_size;
  ReportLine(*report, 1,
             file + ": " +
                 SizeSummary(g_payload.entry_count, unpacked, opened.bytes.size() - opened.offset) +
                 ", " + (faults == 0 ? "no faults" : CountOf(faults, "fault", "faults")));
  ClosePayloadFile();
  if (faults != 0 || WarningsStopTheRun(*report)) return 1;
  return 0;
}

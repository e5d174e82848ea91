// Reading the PE headers of a Windows image (the DOS stub's pointer, the file header, the optional
// header, the section table and the export directory) and the ELF signature of a host file.
#include "tools/vntpack/library_image.h"

#include <cstdio>
#include <cstring>

namespace {

const uint16_t kPe32Magic = 0x10B;
const uint16_t kPe32PlusMagic = 0x20B;
const uint16_t kExecutableImage = 0x0002;
const uint16_t kDllImage = 0x2000;
const uint32_t kSectionHeaderSize = 40;
const uint16_t kSectionsMax = 96;  // the most the Windows loader takes
const uint32_t kExportDirectorySize = 40;
const char kEntryName[] = "dunzip";  // with its NUL: 7 bytes

// Little-endian reads that fail instead of reading past the end.
struct Bytes {
  const std::string& data;
  bool Has(uint64_t at, uint64_t length) const {
    return at <= data.size() && length <= data.size() - at;
  }
  bool U16(uint64_t at, uint16_t* out) const {
    if (!Has(at, 2)) return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data()) + at;
    *out = static_cast<uint16_t>(p[0] | p[1] << 8);
    return true;
  }
  bool U32(uint64_t at, uint32_t* out) const {
    uint16_t low;
    uint16_t high;
    if (!U16(at, &low) || !U16(at + 2, &high)) return false;
    *out = low | static_cast<uint32_t>(high) << 16;
    return true;
  }
};

struct Section {
  uint32_t address, raw_size, raw_offset;
};

struct Image {
  const Bytes& bytes;
  uint64_t sections;  // file offset of the section table
  uint16_t section_count;

  // The file offset of length bytes at a relative virtual address, when one section's data in
  // the file holds them all.
  bool OffsetOf(uint32_t rva, uint64_t length, uint64_t* out) const {
    for (uint16_t i = 0; i < section_count; ++i) {
      uint64_t at = sections + static_cast<uint64_t>(i) * kSectionHeaderSize;
      Section s;
      if (!bytes.U32(at + 12, &s.address) || !bytes.U32(at + 16, &s.raw_size) ||
          !bytes.U32(at + 20, &s.raw_offset)) {
        return false;
      }
      if (rva < s.address || rva - s.address >= s.raw_size) continue;
      if (length > s.raw_size - (rva - s.address)) return false;
      *out = static_cast<uint64_t>(s.raw_offset) + (rva - s.address);
      return bytes.Has(*out, length);
    }
    return false;
  }

  bool U16At(uint32_t rva, uint16_t* out) const {
    uint64_t at;
    return OffsetOf(rva, 2, &at) && bytes.U16(at, out);
  }
  bool U32At(uint32_t rva, uint32_t* out) const {
    uint64_t at;
    return OffsetOf(rva, 4, &at) && bytes.U32(at, out);
  }
};

// Whether the export directory at rva names "dunzip" for a function the image holds.
bool ExportsEntry(const Image& image, uint32_t rva) {
  uint64_t at;
  uint32_t functions, names, function_table, name_table, ordinal_table;
  if (rva == 0 || !image.OffsetOf(rva, kExportDirectorySize, &at) ||
      !image.bytes.U32(at + 20, &functions) || !image.bytes.U32(at + 24, &names) ||
      !image.bytes.U32(at + 28, &function_table) || !image.bytes.U32(at + 32, &name_table) ||
      !image.bytes.U32(at + 36, &ordinal_table)) {
    return false;
  }
  // Every name pointer lies in the file, so the walk is bounded by its size.
  for (uint32_t i = 0; i < names; ++i) {
    uint32_t name;
    uint64_t text;
    if (!image.U32At(name_table + 4 * i, &name)) return false;
    if (!image.OffsetOf(name, sizeof kEntryName, &text) ||
        memcmp(image.bytes.data.data() + text, kEntryName, sizeof kEntryName) != 0) {
      continue;
    }
    uint16_t ordinal;
    uint32_t function;
    return image.U16At(ordinal_table + 2 * i, &ordinal) && ordinal < functions &&
           image.U32At(function_table + 4 * ordinal, &function) && function != 0;
  }
  return false;
}

bool Refuse(ImageFacts* facts, const std::string& fault) {
  facts->kind = kImageNeither;
  facts->fault = fault;
  return false;
}

bool ReadPe(const Bytes& bytes, ImageFacts* facts) {
  uint32_t pe;
  uint32_t signature;
  if (!bytes.U32(0x3C, &pe)) return Refuse(facts, "its DOS header is cut short");
  if (!bytes.U32(pe, &signature) || signature != 0x00004550) {
    return Refuse(facts, "an MS-DOS program without a PE header (\"PE\\0\\0\")");
  }
  uint64_t header = static_cast<uint64_t>(pe) + 4;
  uint16_t section_count, optional_size, characteristics, magic;
  if (!bytes.U16(header, &facts->machine) || !bytes.U16(header + 2, &section_count) ||
      !bytes.U16(header + 16, &optional_size) || !bytes.U16(header + 18, &characteristics) ||
      !bytes.Has(header + 20, optional_size) || !bytes.U16(header + 20, &magic)) {
    return Refuse(facts, "its PE headers are cut short");
  }
  if (facts->machine != kMachineI386 && facts->machine != kMachineX64) {
    char text[16];
    snprintf(text, sizeof text, "0x%04X", facts->machine);
    return Refuse(facts, std::string("a PE image for machine ") + text +
                             ", neither i386 (0x014C) nor x86-64 (0x8664)");
  }
  if (magic != (facts->machine == kMachineI386 ? kPe32Magic : kPe32PlusMagic)) {
    return Refuse(facts, "its optional header does not fit its machine");
  }
  if (section_count > kSectionsMax) {
    return Refuse(facts, "more than 96 sections, which Windows does not load");
  }
  if ((characteristics & kExecutableImage) == 0) {
    return Refuse(facts, "a PE file that is no executable image (an object file?)");
  }
  facts->kind = kImageWindows;
  facts->dll = (characteristics & kDllImage) != 0;
  // The number of data directories and the export directory's entry, by the header's form.
  uint64_t directories = magic == kPe32Magic ? 92 : 108;
  uint32_t directory_count = 0;
  uint32_t exports = 0;
  uint64_t optional = header + 20;
  Image image = {bytes, optional + optional_size, section_count};
  if (optional_size >= directories + 12 && bytes.U32(optional + directories, &directory_count) &&
      directory_count > 0 && bytes.U32(optional + directories + 4, &exports) &&
      bytes.Has(image.sections, static_cast<uint64_t>(section_count) * kSectionHeaderSize)) {
    facts->exports_dunzip = ExportsEntry(image, exports);
  }
  return true;
}

std::string MachineName(uint16_t machine) {
  return machine == kMachineI386 ? "i386" : "x86-64";
}

}  // namespace

ImageFacts ReadImageFacts(const std::string& data) {
  ImageFacts facts;
  if (data.compare(0, 4,
                   "\x7F"
                   "ELF") == 0) {
    facts.kind = kImageHost;
  } else if (data.compare(0, 2, "MZ") == 0) {
    ReadPe(Bytes{data}, &facts);
  }
  return facts;
}

bool TargetOfProgram(const std::string& bytes, PayloadTarget* target, std::string* fault) {
  ImageFacts facts = ReadImageFacts(bytes);
  *target = PayloadTarget();
  if (facts.kind == kImageHost) {
    target->host = true;
    return true;
  }
  if (facts.kind == kImageWindows && !facts.dll) {
    target->machine = facts.machine;
    return true;
  }
  *fault = facts.kind == kImageWindows ? "a DLL, not a program"
           : facts.fault.empty()       ? "neither a Windows program nor the host setup"
                                       : "no Windows program: " + facts.fault;
  return false;
}

bool CheckLibrary(const std::string& bytes, const PayloadTarget& target, std::string* warning,
                  std::string* fault) {
  ImageFacts facts = ReadImageFacts(bytes);
  warning->clear();
  if (target.host && facts.kind == kImageHost) return true;
  if (target.host && facts.kind != kImageWindows) {
    *fault =
        "neither the host's own library nor a Win32 DLL (for which the host setup loads its "
        "own)";
    return false;
  }
  if (facts.kind == kImageHost) {
    *fault =
        "an ELF file of the host (such as the host setup's library), not the Win32 DLL that "
        "SETUP.EXE loads";
    return false;
  }
  if (facts.kind != kImageWindows) {
    *fault = "no Win32 DLL: " +
             (facts.fault.empty() ? std::string("it does not begin with \"MZ\"") : facts.fault);
    return false;
  }
  if (!facts.dll) {
    *fault = "a Windows program, not a DLL";
    return false;
  }
  if (!facts.exports_dunzip) {
    *fault = "a Win32 DLL that exports no function \"dunzip\"";
    return false;
  }
  if (target.host) return true;  // the host setup loads the host build in its place
  if (target.machine != 0 && target.machine != facts.machine) {
    *fault = "an " + MachineName(facts.machine) + " DLL, which SETUP.EXE for " +
             MachineName(target.machine) + " cannot load";
    return false;
  }
  if (target.machine == 0 && facts.machine == kMachineX64) {
    *warning =
        "an x86-64 DLL: only the x86-64 build of SETUP.EXE (the one 64-bit Wine runs) loads it; "
        "Windows 95 runs the i386 build";
  }
  return true;
}

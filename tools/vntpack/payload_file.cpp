// Opening a payload with the setup program's own reader, and loading the host extraction library.
#include "tools/vntpack/payload_file.h"

#include <cstdio>

#include "payload/extraction_library.h"
#include "payload/payload_reader.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "tools/common/scratch_machine.h"
#include "tools/common/whole_files.h"
#include "tools/vntpack/library_image.h"
#include "tools/vntpack/payload_writer.h"

namespace {

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

}  // namespace

bool OpenPayloadFile(const std::string& path, OpenedPayload* opened, std::string* error) {
  if (!ReadWholeFile(path, &opened->bytes)) {
    *error = path + ": cannot be read";
    return false;
  }
  opened->program = opened->bytes.compare(0, 2, "RS") != 0;
  if (opened->program) {
    size_t at = 0;
    MarkerState marker = FindPayloadMarker(opened->bytes, &at);
    if (marker == kMarkerFree) {
      *error = path + ": the program carries no payload (marker offset 0)";
      return false;
    }
    if (marker != kMarkerInUse) {
      *error = path + ": neither a payload nor a program with one payload marker";
      return false;
    }
    const unsigned char* offset = reinterpret_cast<const unsigned char*>(&opened->bytes[at + 8]);
    opened->offset =
        offset[0] | offset[1] << 8 | offset[2] << 16 | static_cast<uint32_t>(offset[3]) << 24;
  }
  std::string windows;
  ResetSetupState();
  if (!HostPathOnZ(path, &windows)) {
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
    ClosePayloadFile();
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

bool StoredLibrary(const OpenedPayload& opened, std::string* bytes) {
  if (g_payload.entry_count == 0 ||
      !NamesEqual(g_payload.entries[0]->name, kExtractionLibraryName)) {
    return false;
  }
  const PayloadEntry& entry = *g_payload.entries[0];
  *bytes = entry.data_offset <= opened.bytes.size()
               ? opened.bytes.substr(entry.data_offset, entry.packed_size)
               : std::string();
  return true;
}

bool LoadHostLibrary(const std::string& path, LoadedLibrary* library, std::string* error) {
  std::string bytes;
  if (ReadWholeFile(path, &bytes) && ReadImageFacts(bytes).kind == kImageWindows) {
    *error = path +
             " is a Windows DLL; list, extract and verify extract with the host's own "
             "library (leave --library out)";
    return false;
  }
  std::string windows;
  if (HostPathOnZ(path, &windows)) library->module = PlatLoadLibrary(windows.c_str());
  if (library->module != nullptr) {
    library->entry =
        reinterpret_cast<UnzipEntryPoint>(PlatGetProcAddress(library->module, kUnzipEntryName));
  }
  if (library->entry == nullptr) *error = "cannot load the extraction library " + path;
  return library->entry != nullptr;
}

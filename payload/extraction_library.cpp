// Placing, loading and calling the extraction library. The library file comes from the
// payload's first entry when the payload carries it; otherwise it must already be in dest_dir.
#include "payload/extraction_library.h"

#include "payload/entry_copy.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/payload_header.h"
#include "services/rollback.h"
#include "services/setup_state.h"

ExtractionState g_extraction = {nullptr, nullptr, 0};

namespace {

int32_t IgnoreThree(int32_t, int32_t, int32_t) {
  return 1;
}

int32_t IgnoreSeven(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
  return 1;
}

}  // namespace

int PlaceExtractionLibrary() {
  g_extraction.library_in_payload = 0;
  if (g_payload.entry_count == 0 || g_payload.entries == nullptr ||
      !NamesEqual(g_payload.entries[0]->name, kExtractionLibraryName)) {
    return 1;
  }
  g_extraction.library_in_payload = 1;
  // A loaded library holds its file: it is let go before the file is written again.
  UnloadExtractionLibrary();
  char path[kPathBuffer];
  if (MakeDestinationPath(path, kExtractionLibraryName) == nullptr) {
    return FailWith(kErrorLibraryCreate);
  }
  if (!SetAsideBeforeReplace(path)) return FailWith(kErrorSetAside);
  PlatFile file = PlatCreateFile(path);
  if (file == kPlatNoFile) return FailWith(kErrorLibraryCreate);
  if (!CopyEntryData(file, *g_payload.entries[0])) {
    PlatCloseFile(file);
    return 0;
  }
  if (!PlatCloseFile(file)) return FailWith(kErrorLibraryClose);
  return 1;
}

int LoadExtractionLibrary() {
  UnloadExtractionLibrary();
  char path[kPathBuffer];
  if (MakeDestinationPath(path, kExtractionLibraryName) == nullptr) {
    return FailWith(kErrorLibraryLoad);
  }
  g_extraction.module = PlatLoadLibrary(path);
  if (g_extraction.module == nullptr) return FailWith(kErrorLibraryLoad);
  g_extraction.entry =
      reinterpret_cast<UnzipEntryPoint>(PlatGetProcAddress(g_extraction.module, kUnzipEntryName));
  if (g_extraction.entry == nullptr) return FailWith(kErrorLibraryEntry);
  return 1;
}

void UnloadExtractionLibrary() {
  if (g_extraction.module != nullptr) PlatFreeLibrary(g_extraction.module);
  g_extraction.module = nullptr;
  g_extraction.entry = nullptr;
}

void FillExtractionRequest(UnzipRequest* request, const char* archive_path,
                           const char* output_dir) {
  *request = UnzipRequest{};
  request->size = kUnzipRequestSize;
  request->operation = kUnzipExtract;
  request->archive = archive_path;
  request->output_dir = output_dir;
  request->option_36 = 1;
  request->option_40 = 1;
  request->option_48 = 1;
  request->option_52 = 1;
  request->callback_1 = IgnoreThree;
  request->option_84 = 1;
  request->callback_2 = IgnoreSeven;
}

int32_t ExtractMember(PlatWindow, const char* archive_path, const char* output_dir,
                      const char* member_name) {
  if (g_extraction.entry == nullptr) return kUnzipBadRequest;
  UnzipRequest request;
  FillExtractionRequest(&request, archive_path, output_dir);
  request.member_name = member_name;
  return g_extraction.entry(&request);
}

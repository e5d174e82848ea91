// The extraction library dunzipnt.dll: put in place in dest_dir from the payload's first entry
// (when the payload carries it), loaded from there, called once per member archive through
// ExtractMember, and unloaded by ClosePayload.
#pragma once

#include <cstdint>

#include "platform/modules.h"
#include "platform/types.h"
#include "unzip/dunzip.h"

// The library's file name, in dest_dir and as the payload's first entry.
const char kExtractionLibraryName[] = "dunzipnt.dll";

struct ExtractionState {
  PlatModule module;           // null while not loaded
  UnzipEntryPoint entry;       // dunzip, null while not found
  int32_t library_in_payload;  // the first file-table entry is a stored copy of the library
};
extern ExtractionState g_extraction;

// When the first file-table entry is "dunzipnt.dll": sets library_in_payload and writes that
// entry to dest_dir\dunzipnt.dll (a library loaded from there before is unloaded first).
// Returns 1, or 0 with error 11 (cannot be created), 12 (cannot be closed) or 7, 8, 9 (copy).
int PlaceExtractionLibrary();
// Loads dest_dir\dunzipnt.dll and finds "dunzip". Returns 1, or 0 with error 13 (not loaded) or
// 14 (no entry point; the library stays loaded until UnloadExtractionLibrary).
int LoadExtractionLibrary();
// Frees the library when it is loaded; safe at any time.
void UnloadExtractionLibrary();

// The request of every call: size 110, operation 8, the two paths, the two callbacks that
// ignore their arguments and return 1, and the fixed option values; everything set afresh.
void FillExtractionRequest(UnzipRequest* request, const char* archive_path, const char* output_dir);
// Extracts the single member of the archive into output_dir through the loaded library and
// returns dunzip's result unchanged (unzip/dunzip.h). The dialog is not used. A member name is
// the one file the library may create (another member gives 11). Without a loaded entry point
// nothing is called and the result is 47.
int32_t ExtractMember(PlatWindow dialog, const char* archive_path, const char* output_dir,
                      const char* member_name = nullptr);

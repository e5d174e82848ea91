// Libraries loaded at run time, with Win32 semantics (LoadLibraryA, GetProcAddress, FreeLibrary).
//
// Contract: a library is named by a full Windows path; PlatLoadLibrary returns null when the file
// is missing or cannot be loaded, and the caller frees what it loaded with PlatFreeLibrary.
// PlatGetProcAddress returns null for a name the library does not export; the caller converts the
// result to the entry point's own function type. The host backend loads the host shared object
// that the path maps to (dlopen); the fault plan's module-load rules make a load fail there.
#pragma once

typedef void* PlatModule;         // an HMODULE; null means none
typedef void (*PlatProcedure)();  // FARPROC: convert to the entry point's real type to call it

PlatModule PlatLoadLibrary(const char* path);
PlatProcedure PlatGetProcAddress(PlatModule module, const char* name);
int PlatFreeLibrary(PlatModule module);  // 1, or 0 when the module was not loaded

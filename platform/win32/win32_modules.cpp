// Libraries for the Win32 backend: thin wrappers over LoadLibraryA, GetProcAddress and
// FreeLibrary.
#include <windows.h>

#include "platform/modules.h"

PlatModule PlatLoadLibrary(const char* path) {
  return path != nullptr ? LoadLibraryA(path) : nullptr;
}

PlatProcedure PlatGetProcAddress(PlatModule module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<PlatProcedure>(GetProcAddress(static_cast<HMODULE>(module), name));
}

int PlatFreeLibrary(PlatModule module) {
  return module != nullptr && FreeLibrary(static_cast<HMODULE>(module));
}

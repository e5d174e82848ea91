// Libraries on the simulated machine: the Windows path of a library maps to a host shared object,
// which is loaded with dlopen. Such an object takes its file and memory calls from the program
// that loads it (the program exports them), so it works on the same machine, open files and
// fault plan as the program itself.
#include <dlfcn.h>

#include "platform/host/host_backend.h"
#include "platform/modules.h"

PlatModule PlatLoadLibrary(const char* path) {
  HostResolvedPath resolved;
  if (path == nullptr || !HostResolvePath(path, &resolved)) return nullptr;
  if (HostFaultFires(kFaultModuleLoad, resolved.windows)) return nullptr;
  return dlopen(resolved.host, RTLD_NOW | RTLD_LOCAL);
}

PlatProcedure PlatGetProcAddress(PlatModule module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<PlatProcedure>(dlsym(module, name));
}

int PlatFreeLibrary(PlatModule module) {
  return module != nullptr && dlclose(module) == 0;
}

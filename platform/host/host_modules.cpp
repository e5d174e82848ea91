// Libraries on the simulated machine: the Windows path of a library maps to a host shared object,
// which is loaded with dlopen. Such an object takes its file and memory calls from the program
// that loads it (the program exports them), so it works on the same machine, open files and
// fault plan as the program itself. A Win32 library, which no Linux process can load, stands for
// the host build of the library of the same name, so one payload serves both programs.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "platform/host/host_backend.h"
#include "platform/modules.h"

namespace {

// 1 when the host file begins as a Windows executable image does ("MZ").
int IsWindowsImage(const char* host_path) {
  FILE* file = fopen(host_path, "rb");
  if (file == nullptr) return 0;
  char start[2] = {};
  size_t read = fread(start, 1, sizeof start, file);
  fclose(file);
  return read == sizeof start && start[0] == 'M' && start[1] == 'Z';
}

}  // namespace

PlatModule PlatLoadLibrary(const char* path) {
  HostResolvedPath resolved;
  if (path == nullptr || !HostResolvePath(path, &resolved)) return nullptr;
  if (HostFaultFires(kFaultModuleLoad, resolved.windows)) return nullptr;
  if (!IsWindowsImage(resolved.host)) return dlopen(resolved.host, RTLD_NOW | RTLD_LOCAL);
  const char* name = strrchr(path, '\\');
  char host_build[kHostPathMax];
  if (!HostCopyText(host_build, sizeof host_build, VNT_HOST_LIBRARIES "/") ||
      !HostAppendText(host_build, sizeof host_build, name != nullptr ? name + 1 : path)) {
    return nullptr;
  }
  HostTranscript("module-load-host-build %s", path);
  return dlopen(host_build, RTLD_NOW | RTLD_LOCAL);
}

PlatProcedure PlatGetProcAddress(PlatModule module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<PlatProcedure>(dlsym(module, name));
}

int PlatFreeLibrary(PlatModule module) {
  return module != nullptr && dlclose(module) == 0;
}

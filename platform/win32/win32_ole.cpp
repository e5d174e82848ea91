// The OLE check over OLE32: build number, start and end.
#include <ole2.h>
#include <windows.h>

#include "platform/ole.h"

uint32_t PlatOleBuildVersion() {
  return OleBuildVersion();
}

int32_t PlatOleInitialize() {
  return OleInitialize(nullptr);
}

void PlatOleUninitialize() {
  OleUninitialize();
}

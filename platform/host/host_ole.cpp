// OLE on the simulated machine: the build number from machine.ini (ole_build), and a start and
// end that are recorded in the transcript.
#include "platform/host/host_backend.h"
#include "platform/ole.h"

uint32_t PlatOleBuildVersion() {
  return HostInfo().ole_build;
}

int32_t PlatOleInitialize() {
  HostTranscript("ole-initialize");
  return kOleOk;
}

void PlatOleUninitialize() {
  HostTranscript("ole-uninitialize");
}

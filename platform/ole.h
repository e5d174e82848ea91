// The OLE library (OLE32), which the program only checks: its build number, and its start and
// end for the run.
//
// Contract: the calls have OLE's own meaning. The host backend takes the build from machine.ini
// and always starts OLE (docs/host-machine.md).
#pragma once

#include <cstdint>

const int32_t kOleOk = 0;     // S_OK
const int32_t kOleFalse = 1;  // S_FALSE: already started on this thread

uint32_t PlatOleBuildVersion();  // major in the high 16 bits, minor in the low 16
int32_t PlatOleInitialize();     // OleInitialize(NULL)
void PlatOleUninitialize();

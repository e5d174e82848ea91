// The names that Windows reserves for its devices: a file created under such a name, in any
// folder and with any extension, is the device itself (CON.TXT is the console, SCRIPTS\NUL the
// null device), so a name from a payload or an archive must never be one.
#pragma once

#include <cstddef>

// 1 when the path component of length characters names a device: CON, PRN, AUX, NUL, CLOCK$,
// COM1 to COM9 or LPT1 to LPT9, in any case, alone or before a "." and an extension (blanks
// before the "." do not count).
int IsDeviceName(const char* component, size_t length);
// 1 when any component of the path ("\" or "/" separate them) names a device.
int PathNamesDevice(const char* path);

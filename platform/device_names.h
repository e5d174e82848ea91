// How Windows reads a name component: the names it reserves for its devices (a file created
// under such a name, in any folder and with any extension, is the device itself: CON.TXT is the
// console, SCRIPTS\NUL the null device), the trailing dots and blanks it drops ("A.TXT. " is
// A.TXT), and names compared without regard to case. Portable, for the program, the extraction
// library and the host machine alike.
#pragma once

#include <cstddef>

// 1 when the path component of length characters names a device: CON, PRN, AUX, NUL, CLOCK$,
// COM1 to COM9 or LPT1 to LPT9, in any case, alone or before a "." and an extension (blanks
// before the "." do not count).
int IsDeviceName(const char* component, size_t length);
// The length of the component that Windows keeps: its trailing dots and blanks dropped. 0 when
// nothing is left ("", " ", ".", "..", "...").
size_t KeptNameLength(const char* component, size_t length);
// 1 when the two texts are equal without regard to case (ASCII letters).
int SameNameNoCase(const char* a, const char* b);

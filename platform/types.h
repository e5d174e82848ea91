// Handle and constant types shared by the platform area headers. Handles are opaque to the
// core; "absent" is always the documented sentinel, never an exception.
#pragma once

#include <cstdint>

typedef void* PlatInstance;  // the program's module instance (HINSTANCE)
typedef void* PlatWindow;    // a window (HWND); null means none

// Longest path the system acts upon (259 characters and the NUL), as Win32's MAX_PATH.
const uint32_t kPathBuffer = 260;

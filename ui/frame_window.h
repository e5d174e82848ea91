// The frame window, class "_VNTSETUP_Frame": the maximised backdrop with the blue gradient and
// the title bitmap that owns every dialog and message box of the run. It also notes when
// Windows asks to end the session.
#pragma once

#include <cstdint>

#include "platform/types.h"

extern const char kFrameClassName[];

// Sets the colour depth (4, 8 or 24) and palette mode, and logs "Bits per pixel = %d".
void DetectColorDepth();
int ColorDepth();

// Builds and shows the frame titled title, keeping it in g_setup.frame_window. 0 on failure:
// with error 15, 16 or 17 when a class or the window cannot be made; without an error number
// when the OLE check fails.
int CreateFrameWindow(const char* title);
// Destroys the frame and its palette, ends OLE, unregisters both classes: 1 when both were.
int DestroyFrameWindow();

intptr_t FrameWndProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// 1 once Windows has asked to end the session (shut down or log off).
int SessionEnding();

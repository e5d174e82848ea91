// The progress gauge control, window class "_VNTSETUP_Gauge": a bar that fills from left to
// right with the percentage done centred on it, white on the blue bar and blue on the white
// rest. Two window longs hold its position (index 0) and range (index 4).
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "ui/gauge_messages.h"

extern const char kGaugeClassName[];

// Registers the class (CS_HREDRAW | CS_VREDRAW, 8 bytes of window longs, stock white brush).
int RegisterGaugeClass();
int UnregisterGaugeClass();

// The window procedure: WM_CREATE, WM_PAINT, GM_SETPOS and GM_SETRANGE.
intptr_t GaugeWndProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);

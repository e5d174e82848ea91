// Windows, window classes and the message queue, with Win32 semantics (USER32). The program's
// own window procedures (frame, gauge) are portable code; the backend registers a class with
// such a procedure and calls it with every message the window receives.
//
// Contract: a null window, or a control that does not exist, is harmless: nothing happens and
// the result is 0. Registration and creation return 0 or null on failure and store nothing.
// The host backend keeps simulated windows and a simulated queue (docs/host-machine.md).
#pragma once

#include <cstdint>

#include "platform/types.h"

// Message numbers the program handles or sends.
const uint32_t kWmCreate = 0x0001;
const uint32_t kWmDestroy = 0x0002;
const uint32_t kWmPaint = 0x000F;
const uint32_t kWmQueryEndSession = 0x0011;
const uint32_t kWmQuit = 0x0012;
const uint32_t kWmInitDialog = 0x0110;
const uint32_t kWmCommand = 0x0111;
const uint32_t kWmSysCommand = 0x0112;
const uint32_t kWmQueryNewPalette = 0x030F;
const uint32_t kWmPaletteChanged = 0x0311;
const uint32_t kWmUser = 0x0400;    // WM_USER: the first message number free for a window class
const uintptr_t kScClose = 0xF060;  // WM_SYSCOMMAND: Close from the system menu

// ShowWindow commands.
const int kSwHide = 0;
const int kSwShowNormal = 1;
const int kSwShow = 5;
const int kSwShowMaximized = 3;
const int kSwRestore = 9;

// A window procedure of the program: the message, and the result Windows gets back.
typedef intptr_t (*PlatWindowProc)(PlatWindow window, uint32_t message, uintptr_t wparam,
                                   intptr_t lparam);

// A window class of the program (RegisterClassA): no icon, no menu, no class extra bytes, the
// arrow cursor. Background 0xFFFFFFFF is the stock white brush; any other value is an RGB
// colour (0x00BBGGRR) for a solid brush that the class owns until it is unregistered.
struct PlatWindowClass {
  const char* name;
  uint32_t style;       // CS_ flags
  int window_extra;     // bytes of window longs (multiples of 4)
  uint32_t background;  // see above
  PlatWindowProc procedure;
};
const uint32_t kStockWhiteBackground = 0xFFFFFFFFu;
int PlatRegisterClass(const PlatWindowClass& window_class);
int PlatUnregisterClass(const char* name);  // 1 when the class was registered and is gone

// CreateWindowExA with no extended style, CW_USEDEFAULT position and width, y and height 0, no
// parent or menu, the program's instance.
PlatWindow PlatCreateWindow(const char* class_name, const char* title, uint32_t style);
// CreateWindowExA with no extended style, an empty title, style 0 (hidden), position and size
// 0, no parent or menu, the program's instance and param as the creation parameter, which the
// procedure reads from WM_CREATE's lparam with PlatCreateParam. Null when creation failed (the
// procedure answered WM_CREATE with -1).
PlatWindow PlatCreateHiddenWindow(const char* class_name, uint32_t param);
uint32_t PlatCreateParam(intptr_t create_lparam);
int PlatDestroyWindow(PlatWindow window);
// IsWindow, IsIconic, and EnableWindow (returning 1 when the window was disabled before); they
// apply to the windows of other programs too.
int PlatIsWindow(PlatWindow window);
int PlatIsIconic(PlatWindow window);
int PlatEnableWindow(PlatWindow window, int enable);
int PlatShowWindow(PlatWindow window, int command);  // 1 when it was visible before
int PlatUpdateWindow(PlatWindow window);
int PlatInvalidateWindow(PlatWindow window, int erase);  // the whole client area
intptr_t PlatDefWindowProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// GetWindowLongA / SetWindowLongA on the window extra bytes; Set returns the previous value.
uint32_t PlatGetWindowLong(PlatWindow window, int index);
uint32_t PlatSetWindowLong(PlatWindow window, int index, uint32_t value);

// SendDlgItemMessageA.
intptr_t PlatSendItemMessage(PlatWindow dialog, int item, uint32_t message, uintptr_t wparam,
                             intptr_t lparam);

// SetCursor with the hourglass (IDC_WAIT) while waiting is 1, with the arrow (IDC_ARROW) after.
void PlatShowWaitCursor(int waiting);

// A queued message, as MSG holds it.
struct PlatMessage {
  PlatWindow window;
  uint32_t message;
  uintptr_t wparam;
  intptr_t lparam;
  uint32_t time;
  int32_t x;
  int32_t y;
};
// PeekMessageA(any window of the thread, PM_REMOVE): 1 when a message was taken, 0 when the
// queue is empty. Never waits.
int PlatPeekMessage(PlatMessage* message);
// SendMessageA (to kBroadcastWindow of platform/dde.h: every top-level window) and PostMessageA.
intptr_t PlatSendMessage(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);
int PlatPostMessage(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// GetMessageA(window, first, last) with a time limit: 1 when a message for the window in the
// range [first, last] came within timeout milliseconds (it is taken from the queue), 0 when
// none came. No other message is dispatched meanwhile.
int PlatWaitForMessage(PlatWindow window, uint32_t first, uint32_t last, uint32_t timeout,
                       PlatMessage* message);
// IsDialogMessageA: 1 when the dialog took the message (and handled it).
int PlatIsDialogMessage(PlatWindow dialog, PlatMessage* message);
// TranslateMessage and DispatchMessageA.
void PlatDispatchMessage(PlatMessage* message);

// Windows and dialogs, with Win32 semantics. This area grows with the user interface; for now it
// carries the one call that work outside the interface makes: a message to a dialog's control.
//
// Contract: a null dialog, or a control that does not exist, is harmless: nothing happens and the
// result is 0. The host backend routes the message to its simulated dialog when one is open.
#pragma once

#include <cstdint>

#include "platform/types.h"

const uint32_t kWmUser = 0x0400;  // WM_USER: the first message number free for a window class

// SendDlgItemMessageA.
intptr_t PlatSendItemMessage(PlatWindow dialog, int item, uint32_t message, uintptr_t wparam,
                             intptr_t lparam);

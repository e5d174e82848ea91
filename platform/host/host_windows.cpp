// Windows and dialogs of the simulated machine. No dialog exists on the host yet, so a message
// to a control reaches nothing and answers 0, as it would for a window that is gone.
#include "platform/windows.h"

intptr_t PlatSendItemMessage(PlatWindow, int, uint32_t, uintptr_t, intptr_t) { return 0; }

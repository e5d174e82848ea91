// Message boxes and beeps for the Win32 backend: MessageBoxA and MessageBeep as they are.
#include <windows.h>

#include "platform/messages.h"

void PlatMessageBeep(uint32_t type) {
  MessageBeep(type);
}

// MessageBoxA returns 0 when the box could not be shown; the core then reads Cancel.
int PlatMessageBox(PlatWindow owner, const char* text, const char* caption, uint32_t style) {
  int result = MessageBoxA(static_cast<HWND>(owner), text, caption, style);
  return result == 0 ? kIdCancel : result;
}

// Windows and dialogs over USER32.
#include <windows.h>

#include "platform/windows.h"

intptr_t PlatSendItemMessage(PlatWindow dialog, int item, uint32_t message, uintptr_t wparam,
                             intptr_t lparam) {
  if (dialog == nullptr) return 0;
  return SendDlgItemMessageA(static_cast<HWND>(dialog), item, message, wparam, lparam);
}

// Windows, window classes and the message queue over USER32. A class's portable procedure is
// found by the class atom in a small table and called from one WNDPROC.
#include <windows.h>

#include "platform/windows.h"

namespace {

const int kClassMax = 4;

struct RegisteredClass {
  ATOM atom;
  PlatWindowProc procedure;
  HBRUSH brush;  // a solid brush the class owns, or null for a stock brush
  char name[64];
};
RegisteredClass g_classes[kClassMax];

LRESULT CALLBACK ClassWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  ATOM atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
  for (const RegisteredClass& entry : g_classes) {
    if (entry.atom != 0 && entry.atom == atom) {
      return entry.procedure(window, message, wparam, lparam);
    }
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

MSG ToMsg(const PlatMessage& message) {
  MSG msg;
  msg.hwnd = static_cast<HWND>(message.window);
  msg.message = message.message;
  msg.wParam = message.wparam;
  msg.lParam = message.lparam;
  msg.time = message.time;
  msg.pt.x = message.x;
  msg.pt.y = message.y;
  return msg;
}

}  // namespace

int PlatRegisterClass(const PlatWindowClass& window_class) {
  RegisteredClass* entry = nullptr;
  for (RegisteredClass& candidate : g_classes) {
    if (candidate.atom == 0) entry = &candidate;
  }
  if (entry == nullptr || lstrlenA(window_class.name) >= static_cast<int>(sizeof entry->name)) {
    return 0;
  }
  HBRUSH brush = nullptr;
  HBRUSH background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  if (window_class.background != kStockWhiteBackground) {
    brush = CreateSolidBrush(window_class.background);
    background = brush;
  }
  WNDCLASSA description;
  ZeroMemory(&description, sizeof description);
  description.style = window_class.style;
  description.lpfnWndProc = ClassWindowProc;
  description.cbWndExtra = window_class.window_extra;
  description.hInstance = GetModuleHandleA(nullptr);
  description.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  description.hbrBackground = background;
  description.lpszClassName = window_class.name;
  entry->procedure = window_class.procedure;
  entry->atom = RegisterClassA(&description);
  if (entry->atom == 0) {
    if (brush != nullptr) DeleteObject(brush);
    return 0;
  }
  entry->brush = brush;
  lstrcpyA(entry->name, window_class.name);
  return 1;
}

int PlatUnregisterClass(const char* name) {
  if (!UnregisterClassA(name, GetModuleHandleA(nullptr))) return 0;
  for (RegisteredClass& entry : g_classes) {
    if (entry.atom != 0 && lstrcmpiA(entry.name, name) == 0) {
      if (entry.brush != nullptr) DeleteObject(entry.brush);
      entry = RegisteredClass();
    }
  }
  return 1;
}

PlatWindow PlatCreateWindow(const char* class_name, const char* title, uint32_t style) {
  return CreateWindowExA(0, class_name, title, style, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

PlatWindow PlatCreateHiddenWindow(const char* class_name, uint32_t param) {
  return CreateWindowExA(0, class_name, "", 0, 0, 0, 0, 0, nullptr, nullptr,
                         GetModuleHandleA(nullptr),
                         reinterpret_cast<void*>(static_cast<uintptr_t>(param)));
}

uint32_t PlatCreateParam(intptr_t create_lparam) {
  const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(create_lparam);
  if (create == nullptr) return 0;
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(create->lpCreateParams));
}

int PlatIsWindow(PlatWindow window) {
  return window != nullptr && IsWindow(static_cast<HWND>(window));
}

int PlatIsIconic(PlatWindow window) {
  return window != nullptr && IsIconic(static_cast<HWND>(window));
}

int PlatEnableWindow(PlatWindow window, int enable) {
  return window != nullptr && EnableWindow(static_cast<HWND>(window), enable);
}

int PlatDestroyWindow(PlatWindow window) {
  return window != nullptr && DestroyWindow(static_cast<HWND>(window));
}

int PlatShowWindow(PlatWindow window, int command) {
  return window != nullptr && ShowWindow(static_cast<HWND>(window), command);
}

int PlatUpdateWindow(PlatWindow window) {
  return window != nullptr && UpdateWindow(static_cast<HWND>(window));
}

int PlatInvalidateWindow(PlatWindow window, int erase) {
  return window != nullptr && InvalidateRect(static_cast<HWND>(window), nullptr, erase);
}

intptr_t PlatDefWindowProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return DefWindowProcA(static_cast<HWND>(window), message, wparam, lparam);
}

uint32_t PlatGetWindowLong(PlatWindow window, int index) {
  if (window == nullptr) return 0;
  return static_cast<uint32_t>(GetWindowLongA(static_cast<HWND>(window), index));
}

uint32_t PlatSetWindowLong(PlatWindow window, int index, uint32_t value) {
  if (window == nullptr) return 0;
  return static_cast<uint32_t>(
      SetWindowLongA(static_cast<HWND>(window), index, static_cast<LONG>(value)));
}

intptr_t PlatSendItemMessage(PlatWindow dialog, int item, uint32_t message, uintptr_t wparam,
                             intptr_t lparam) {
  if (dialog == nullptr) return 0;
  return SendDlgItemMessageA(static_cast<HWND>(dialog), item, message, wparam, lparam);
}

void PlatShowWaitCursor(int waiting) {
  SetCursor(LoadCursorA(nullptr, waiting ? IDC_WAIT : IDC_ARROW));
}

int PlatPeekMessage(PlatMessage* message) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return 0;
  *message =
      PlatMessage{msg.hwnd, msg.message, msg.wParam, msg.lParam, msg.time, msg.pt.x, msg.pt.y};
  return 1;
}

intptr_t PlatSendMessage(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return SendMessageA(static_cast<HWND>(window), message, wparam, lparam);
}

int PlatPostMessage(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return PostMessageA(static_cast<HWND>(window), message, wparam, lparam) != 0;
}

// Takes a matching message when there is one, else sleeps until a message is posted or sent to
// the thread or the time is up. Sent messages are delivered by PeekMessageA itself.
int PlatWaitForMessage(PlatWindow window, uint32_t first, uint32_t last, uint32_t timeout,
                       PlatMessage* message) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    if (PeekMessageA(&msg, static_cast<HWND>(window), first, last, PM_REMOVE)) {
      *message =
          PlatMessage{msg.hwnd, msg.message, msg.wParam, msg.lParam, msg.time, msg.pt.x, msg.pt.y};
      return 1;
    }
    DWORD waited = GetTickCount() - start;
    if (waited >= timeout) return 0;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout - waited, QS_POSTMESSAGE | QS_SENDMESSAGE);
  }
}

int PlatIsDialogMessage(PlatWindow dialog, PlatMessage* message) {
  MSG msg = ToMsg(*message);
  return dialog != nullptr && IsDialogMessageA(static_cast<HWND>(dialog), &msg);
}

void PlatDispatchMessage(PlatMessage* message) {
  MSG msg = ToMsg(*message);
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

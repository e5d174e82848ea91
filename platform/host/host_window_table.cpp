// The window table and the window classes of the simulated machine, and its message queue.
// Windows are entries of the table, and their tokens are 0x2000 + the entry's index.
#include <cstring>

#include "platform/host/host_backend.h"

HostWindows g_windows;

namespace {

const uintptr_t kFirstToken = 0x2000;

}  // namespace

HostClass* HostFindClass(const char* name) {
  for (HostClass& entry : g_windows.classes) {
    if (entry.name[0] != '\0' && name != nullptr && HostSameNoCase(entry.name, name)) {
      return &entry;
    }
  }
  return nullptr;
}

HostWindow* HostWindowOf(PlatWindow window) {
  uintptr_t token = reinterpret_cast<uintptr_t>(window);
  if (token < kFirstToken || token >= kFirstToken + kHostWindowMax) return nullptr;
  HostWindow* entry = &g_windows.table[token - kFirstToken];
  return entry->kind == kHostNoWindow ? nullptr : entry;
}

int HostWindowIndex(const HostWindow* window) {
  return static_cast<int>(window - g_windows.table);
}

PlatWindow HostWindowToken(const HostWindow* window) {
  return reinterpret_cast<PlatWindow>(kFirstToken +
                                      static_cast<uintptr_t>(HostWindowIndex(window)));
}

HostWindow* HostNewWindow(HostWindowKind kind) {
  for (HostWindow& window : g_windows.table) {
    if (window.kind == kHostNoWindow) {
      memset(&window, 0, sizeof window);
      window.kind = kind;
      window.parent = -1;
      return &window;
    }
  }
  return nullptr;
}

void HostRemoveWindow(HostWindow* window) {
  int index = HostWindowIndex(window);
  for (HostWindow& child : g_windows.table) {
    if (child.kind == kHostControl && child.parent == index) {
      HostEditForget(&child);
      child.kind = kHostNoWindow;
    }
  }
  HostEditForget(window);
  window->kind = kHostNoWindow;
}

HostWindow* HostDialogItem(PlatWindow dialog, int item) {
  HostWindow* parent = HostWindowOf(dialog);
  if (parent == nullptr) return nullptr;
  int index = HostWindowIndex(parent);
  for (HostWindow& child : g_windows.table) {
    if (child.kind == kHostControl && child.parent == index && child.id == item) return &child;
  }
  return nullptr;
}

PlatWindowProc HostClassProcedure(const char* class_name) {
  HostClass* entry = HostFindClass(class_name);
  return entry != nullptr ? entry->procedure : nullptr;
}

intptr_t HostDeliver(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  PlatWindow token = HostWindowToken(window);
  if (window->kind == kHostDialog) {
    return window->dialog_procedure != nullptr
               ? window->dialog_procedure(token, message, wparam, lparam)
               : 0;
  }
  if (window->procedure != nullptr) return window->procedure(token, message, wparam, lparam);
  return 0;
}

HostWindow* HostNextModeless(int* at) {
  for (int i = *at + 1; i < kHostWindowMax; ++i) {
    if (g_windows.table[i].kind == kHostDialog && !g_windows.table[i].modal) {
      *at = i;
      return &g_windows.table[i];
    }
  }
  return nullptr;
}

void HostResetWindows() {
  for (HostWindow& window : g_windows.table) HostEditForget(&window);
  memset(&g_windows, 0, sizeof g_windows);
}

int PlatRegisterClass(const PlatWindowClass& window_class) {
  if (window_class.name == nullptr || window_class.procedure == nullptr ||
      HostFindClass(window_class.name) != nullptr) {
    return 0;
  }
  for (HostClass& entry : g_windows.classes) {
    if (entry.name[0] == '\0') {
      if (!HostCopyText(entry.name, sizeof entry.name, window_class.name)) return 0;
      entry.procedure = window_class.procedure;
      entry.window_extra = window_class.window_extra;
      return 1;
    }
  }
  return 0;
}

int PlatUnregisterClass(const char* name) {
  HostClass* entry = HostFindClass(name);
  if (entry == nullptr) return 0;
  *entry = HostClass();
  return 1;
}

void HostPostMessage(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (g_windows.queued == kHostQueueMax) return;
  g_windows.queue[g_windows.queued++] = PlatMessage{window, message, wparam, lparam, 0, 0, 0};
}

// Windows and the message queue of the simulated machine, as the program sees them: creating,
// showing and destroying windows, sending and posting messages. The queue holds what tests and
// the simulated DDE servers post and, when it is empty, what the machine itself sends: the
// end-of-session question to the frame (once, when machine.ini asks for it) and the script's
// clicks on open modeless dialogs, one between two empty queues.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/dde.h"
#include "platform/dialogs.h"
#include "platform/host/host_backend.h"
#include "platform/windows.h"

namespace {

HostWindow* FirstTopWindow() {
  for (HostWindow& window : g_windows.table) {
    if (window.kind == kHostTopWindow) return &window;
  }
  return nullptr;
}

// "dialog ID BUTTON" for an open modeless dialog becomes a click on it.
int ScriptClick(PlatMessage* message) {
  char kind[16];
  char args[kHostScriptLineMax];
  if (HostScriptPeek(kind, sizeof kind, args, sizeof args) != kScriptLine ||
      strcmp(kind, "dialog") != 0) {
    return 0;
  }
  int id = 0;
  int button = 0;
  if (sscanf(args, "%d %d", &id, &button) != 2) return 0;
  int at = -1;
  for (HostWindow* dialog = HostNextModeless(&at); dialog != nullptr;
       dialog = HostNextModeless(&at)) {
    if (dialog->id != id || !dialog->visible) continue;
    uint32_t line;
    HostScriptNext("dialog", args, sizeof args, &line);
    HostTranscript("dialog-click %d %d by=script", id, button);
    *message = PlatMessage{
        HostWindowToken(dialog), kWmCommand, static_cast<uintptr_t>(button), 0, 0, 0, 0};
    return 1;
  }
  return 0;
}

}  // namespace

namespace {

// A top-level window of a registered class, of the screen's size or of none. WM_CREATE gets
// param as its lparam; an answer of -1 destroys the window again, as CreateWindowExA does.
PlatWindow CreateTopWindow(const char* class_name, const char* title, uint32_t style, int sized,
                           uint32_t param) {
  HostClass* entry = HostFindClass(class_name);
  if (entry == nullptr) return nullptr;
  HostWindow* window = HostNewWindow(kHostTopWindow);
  if (window == nullptr) return nullptr;
  HostCopyText(window->class_name, sizeof window->class_name, entry->name);
  HostCopyText(window->text, sizeof window->text, title != nullptr ? title : "");
  window->procedure = entry->procedure;
  window->visible = (style & 0x10000000u) != 0;
  const HostMachineInfo& info = HostInfo();
  window->width = sized ? static_cast<int>(info.screen_width) : 0;
  window->height = sized ? static_cast<int>(info.screen_height) : 0;
  char* title_field = HostEscapeText(window->text);
  HostTranscript("window-create class=\"%s\" title=\"%s\"", window->class_name,
                 title_field != nullptr ? title_field : "?");
  free(title_field);
  PlatWindow token = HostWindowToken(window);
  if (HostDeliver(window, kWmCreate, 0, static_cast<intptr_t>(param)) == -1) {
    PlatDestroyWindow(token);
    return nullptr;
  }
  return token;
}

}  // namespace

PlatWindow PlatCreateWindow(const char* class_name, const char* title, uint32_t style) {
  return CreateTopWindow(class_name, title, style, 1, 0);
}

PlatWindow PlatCreateHiddenWindow(const char* class_name, uint32_t param) {
  return CreateTopWindow(class_name, "", 0, 0, param);
}

uint32_t PlatCreateParam(intptr_t create_lparam) {
  return static_cast<uint32_t>(create_lparam);
}

int PlatDestroyWindow(PlatWindow token) {
  HostWindow* window = HostWindowOf(token);
  if (window == nullptr) return 0;
  if (window->kind == kHostDialog) {
    if (!window->modal) HostRecordDialogClose(window);
  } else if (window->kind == kHostTopWindow) {
    HostDeliver(window, kWmDestroy, 0, 0);
    HostTranscript("window-destroy class=\"%s\"", window->class_name);
  }
  HostRemoveWindow(window);
  // Messages still queued for the window go with it.
  int kept = 0;
  for (int i = 0; i < g_windows.queued; ++i) {
    if (g_windows.queue[i].window != token) g_windows.queue[kept++] = g_windows.queue[i];
  }
  g_windows.queued = kept;
  return 1;
}

int PlatShowWindow(PlatWindow token, int command) {
  HostWindow* window = HostWindowOf(token);
  if (window == nullptr) return HostShowOtherWindow(token, command);
  int was_visible = window->visible;
  window->visible = command != kSwHide;
  if (window->kind == kHostDialog && was_visible != window->visible) {
    char label[40];
    HostDialogLabel(window, label, sizeof label);
    HostTranscript("dialog-%s %s", window->visible ? "show" : "hide", label);
  }
  return was_visible;
}

int PlatUpdateWindow(PlatWindow token) {
  HostWindow* window = HostWindowOf(token);
  if (window == nullptr) return 0;
  HostDeliver(window, kWmPaint, 0, 0);
  if (window->kind == kHostControl && g_windows.table[window->parent].kind == kHostDialog) {
    HostShowProgress(&g_windows.table[window->parent]);
  }
  return 1;
}

int PlatInvalidateWindow(PlatWindow token, int) {
  return HostWindowOf(token) != nullptr;
}

intptr_t PlatDefWindowProc(PlatWindow, uint32_t, uintptr_t, intptr_t) {
  return 0;
}

uint32_t PlatGetWindowLong(PlatWindow token, int index) {
  HostWindow* window = HostWindowOf(token);
  if (window == nullptr || index < 0 || index % 4 != 0 || index / 4 >= 4) return 0;
  return window->longs[index / 4];
}

uint32_t PlatSetWindowLong(PlatWindow token, int index, uint32_t value) {
  HostWindow* window = HostWindowOf(token);
  if (window == nullptr || index < 0 || index % 4 != 0 || index / 4 >= 4) return 0;
  uint32_t previous = window->longs[index / 4];
  window->longs[index / 4] = value;
  return previous;
}

intptr_t PlatSendItemMessage(PlatWindow dialog, int item, uint32_t message, uintptr_t wparam,
                             intptr_t lparam) {
  HostWindow* control = HostDialogItem(dialog, item);
  if (control == nullptr) return 0;
  if (HostIsMultiLineEdit(control) && (message == kEmGetLineCount || message == kEmGetLine)) {
    return HostEditMessage(control, message, wparam, lparam);
  }
  return HostDeliver(control, message, wparam, lparam);
}

intptr_t PlatSendMessage(PlatWindow token, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (reinterpret_cast<uintptr_t>(token) == kBroadcastWindow) {
    for (HostWindow& window : g_windows.table) {
      if (window.kind == kHostTopWindow) HostDeliver(&window, message, wparam, lparam);
    }
    HostDdeBroadcast(message, wparam, lparam);
    return 0;
  }
  HostWindow* window = HostWindowOf(token);
  return window != nullptr ? HostDeliver(window, message, wparam, lparam) : 0;
}

int PlatPostMessage(PlatWindow token, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (HostDdePost(token, message, wparam, lparam)) return 1;
  if (HostWindowOf(token) == nullptr || g_windows.queued == kHostQueueMax) return 0;
  HostPostMessage(token, message, wparam, lparam);
  return 1;
}

// No time passes on the simulated machine: what is not queued now never comes.
int PlatWaitForMessage(PlatWindow token, uint32_t first, uint32_t last, uint32_t,
                       PlatMessage* message) {
  for (int i = 0; i < g_windows.queued; ++i) {
    const PlatMessage& queued = g_windows.queue[i];
    if (queued.window != token || queued.message < first || queued.message > last) continue;
    *message = queued;
    memmove(g_windows.queue + i, g_windows.queue + i + 1,
            sizeof(PlatMessage) * static_cast<size_t>(g_windows.queued - i - 1));
    --g_windows.queued;
    return 1;
  }
  HostTranscript("message-wait-timeout");
  return 0;
}

void PlatShowWaitCursor(int waiting) {
  g_windows.wait_cursor = waiting != 0;
}

int HostWaitCursorShown() {
  return g_windows.wait_cursor;
}

int PlatPeekMessage(PlatMessage* message) {
  if (g_windows.queued > 0) {
    *message = g_windows.queue[0];
    memmove(g_windows.queue, g_windows.queue + 1, sizeof(PlatMessage) * --g_windows.queued);
    return 1;
  }
  HostWindow* frame = FirstTopWindow();
  if (frame != nullptr && HostInfo().end_session && !g_windows.session_asked) {
    g_windows.session_asked = 1;
    HostTranscript("end-session-query");
    *message = PlatMessage{HostWindowToken(frame), kWmQueryEndSession, 0, 0, 0, 0, 0};
    return 1;
  }
  // One click of the script between two empty queues: a person clicks between two steps.
  if (!g_windows.clicked && ScriptClick(message)) {
    g_windows.clicked = 1;
    return 1;
  }
  g_windows.clicked = 0;
  return 0;
}

int PlatIsDialogMessage(PlatWindow dialog, PlatMessage* message) {
  HostWindow* target = HostWindowOf(message->window);
  HostWindow* owner = HostWindowOf(dialog);
  if (target == nullptr || owner == nullptr) return 0;
  if (target != owner &&
      !(target->kind == kHostControl && target->parent == HostWindowIndex(owner))) {
    return 0;
  }
  HostDeliver(target, message->message, message->wparam, message->lparam);
  return 1;
}

void PlatDispatchMessage(PlatMessage* message) {
  HostWindow* target = HostWindowOf(message->window);
  if (target != nullptr) HostDeliver(target, message->message, message->wparam, message->lparam);
}

// The Wine test robot: a small Win32 console program that drives the windows of another
// program by caption and control id, the way a person would, and reports by exit code.
//
//   robot [-t SECONDS] STEP...
// Steps run in order on the current window; the first one that fails ends the run:
//   wait CAPTION    wait for a visible top-level window with this caption; it becomes current
//   dialog CAPTION  the same, for a dialog or message box only (window class "#32770")
//   dump            print the current window's controls: "ID<tab>CLASS<tab>TEXT", one a line
//   text ID         print the text of control ID
//   set ID TEXT     replace the text of control ID
//   click ID        click button ID (it must be visible and enabled)
//   rect ID         print control ID's rectangle on the screen: "LEFT TOP RIGHT BOTTOM"; ID 0
//                   is the current window's client area
//   gone            wait until the current window has closed
//   watch FILE      until the file FILE exists, watch the desktop: every top-level window that
//                   was not visible when the watch began and is seen visible (polled, and told
//                   by the show events of every process) is printed once, "shown CLASS<tab>
//                   CAPTION"; the step fails when any was seen, or when FILE never came
// Texts are printed with carriage returns and line feeds written as \r and \n.
// Exit status: 0 when every step succeeded, 1 when a step failed, 2 for a wrong command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const DWORD kPollMilliseconds = 100;
static const DWORD kTextBuffer = 4096;
static const char kDialogClass[] = "#32770";

struct Robot {
  DWORD timeout_ms;  // how long a wait lasts, and how long a window may take to answer
  HWND window;       // the current window, or null before the first wait
};

struct WindowQuery {
  const char* caption;
  const char* window_class;  // null: any class
  HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  WindowQuery* query = reinterpret_cast<WindowQuery*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  char text[kTextBuffer] = "";
  GetWindowTextA(window, text, sizeof(text));
  if (strcmp(text, query->caption) != 0) return TRUE;
  if (query->window_class != nullptr) {
    char name[256];
    if (!GetClassNameA(window, name, sizeof(name)) || strcmp(name, query->window_class) != 0) {
      return TRUE;
    }
  }
  query->found = window;
  return FALSE;
}

static int Elapsed(DWORD start, DWORD limit) {
  return GetTickCount() - start >= limit;
}

static int WaitForWindow(Robot* robot, const char* caption, const char* window_class) {
  DWORD start = GetTickCount();
  for (;;) {
    WindowQuery query = {caption, window_class, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    if (query.found != nullptr) {
      robot->window = query.found;
      return 1;
    }
    if (Elapsed(start, robot->timeout_ms)) break;
    Sleep(kPollMilliseconds);
  }
  fprintf(stderr, "robot: no window \"%s\" after %lu ms\n", caption,
          static_cast<unsigned long>(robot->timeout_ms));
  return 0;
}

static int WaitUntilGone(Robot* robot) {
  DWORD start = GetTickCount();
  while (IsWindow(robot->window) && IsWindowVisible(robot->window)) {
    if (Elapsed(start, robot->timeout_ms)) {
      fprintf(stderr, "robot: the window is still open after %lu ms\n",
              static_cast<unsigned long>(robot->timeout_ms));
      return 0;
    }
    Sleep(kPollMilliseconds);
  }
  return 1;
}

// Reads a window's text with WM_GETTEXT, which Wine carries across processes.
static int ReadText(const Robot* robot, HWND window, char* text, DWORD size) {
  DWORD_PTR length = 0;
  text[0] = '\0';
  if (!SendMessageTimeoutA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, robot->timeout_ms, &length)) {
    fprintf(stderr, "robot: the window did not give its text\n");
    return 0;
  }
  text[size - 1] = '\0';
  return 1;
}

static void PrintEscaped(const char* text) {
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at == '\r') {
      fputs("\\r", stdout);
    } else if (*at == '\n') {
      fputs("\\n", stdout);
    } else {
      putchar(*at);
    }
  }
}

static BOOL CALLBACK PrintControl(HWND control, LPARAM param) {
  const Robot* robot = reinterpret_cast<const Robot*>(param);
  char name[256];
  char text[kTextBuffer];
  if (!GetClassNameA(control, name, sizeof(name))) name[0] = '\0';
  if (!ReadText(robot, control, text, sizeof(text))) return TRUE;
  printf("%d\t%s\t", GetDlgCtrlID(control), name);
  PrintEscaped(text);
  putchar('\n');
  return TRUE;
}

static HWND FindControl(const Robot* robot, const char* id_text) {
  char* end = nullptr;
  long id = strtol(id_text, &end, 10);
  if (*id_text == '\0' || *end != '\0' || id < 0 || id > 0xFFFF) {
    fprintf(stderr, "robot: \"%s\" is not a control id\n", id_text);
    return nullptr;
  }
  HWND control = GetDlgItem(robot->window, static_cast<int>(id));
  if (control == nullptr) fprintf(stderr, "robot: no control %ld\n", id);
  return control;
}

static int PrintControlText(const Robot* robot, const char* id_text) {
  HWND control = FindControl(robot, id_text);
  char text[kTextBuffer];
  if (control == nullptr || !ReadText(robot, control, text, sizeof(text))) return 0;
  PrintEscaped(text);
  putchar('\n');
  return 1;
}

static int SetControlText(const Robot* robot, const char* id_text, const char* text) {
  HWND control = FindControl(robot, id_text);
  if (control == nullptr) return 0;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                           robot->timeout_ms, &result) ||
      !result) {
    fprintf(stderr, "robot: control %s refused the text\n", id_text);
    return 0;
  }
  return 1;
}

// Posts the click, so that a button which opens a modal dialog does not hold the robot.
static int ClickControl(const Robot* robot, const char* id_text) {
  HWND control = FindControl(robot, id_text);
  if (control == nullptr) return 0;
  if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
    fprintf(stderr, "robot: control %s is hidden or disabled\n", id_text);
    return 0;
  }
  return PostMessageA(control, BM_CLICK, 0, 0) != 0;
}

static int PrintRect(const Robot* robot, const char* id_text) {
  HWND window = robot->window;
  if (strcmp(id_text, "0") != 0) window = FindControl(robot, id_text);
  RECT rect;
  if (window == nullptr || !GetClientRect(window, &rect)) return 0;
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  MapWindowPoints(window, nullptr, corners, 2);
  printf("%ld %ld %ld %ld\n", static_cast<long>(corners[0].x), static_cast<long>(corners[0].y),
         static_cast<long>(corners[1].x), static_cast<long>(corners[1].y));
  return 1;
}

// The windows visible when the watch began, and those the watch has reported since.
const int kWatchedLimit = 512;
struct Watch {
  HWND known[kWatchedLimit];
  int count;
  int shown;  // windows reported
};
static Watch g_watch;

static int Known(HWND window) {
  for (int i = 0; i < g_watch.count; ++i) {
    if (g_watch.known[i] == window) return 1;
  }
  return 0;
}

static void Remember(HWND window) {
  if (g_watch.count < kWatchedLimit && !Known(window)) g_watch.known[g_watch.count++] = window;
}

static BOOL CALLBACK RememberVisible(HWND window, LPARAM) {
  if (IsWindowVisible(window)) Remember(window);
  return TRUE;
}

// Reports a top-level window seen visible for the first time.
static void Report(HWND window) {
  if (window == nullptr || Known(window) || GetAncestor(window, GA_PARENT) != GetDesktopWindow()) {
    return;
  }
  char name[256] = "";
  char text[kTextBuffer] = "";
  GetClassNameA(window, name, sizeof(name));
  GetWindowTextA(window, text, sizeof(text));
  printf("shown %s\t", name);
  PrintEscaped(text);
  putchar('\n');
  fflush(stdout);
  Remember(window);
  ++g_watch.shown;
}

static BOOL CALLBACK ReportVisible(HWND window, LPARAM) {
  if (IsWindowVisible(window)) Report(window);
  return TRUE;
}

static void CALLBACK ShowEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_WINDOW) Report(window);
}

static int WatchDesktop(const Robot* robot, const char* end_file) {
  g_watch.count = 0;
  g_watch.shown = 0;
  EnumWindows(RememberVisible, 0);
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, ShowEvent, 0,
                                       0, WINEVENT_OUTOFCONTEXT);
  DWORD start = GetTickCount();
  int ended = 0;
  while (!ended && !Elapsed(start, robot->timeout_ms)) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EnumWindows(ReportVisible, 0);
    ended = GetFileAttributesA(end_file) != INVALID_FILE_ATTRIBUTES;
    Sleep(5);
  }
  if (hook != nullptr) UnhookWinEvent(hook);
  if (!ended) fprintf(stderr, "robot: no %s within the time limit\n", end_file);
  if (g_watch.shown != 0) fprintf(stderr, "robot: %d windows were shown\n", g_watch.shown);
  return ended && g_watch.shown == 0;
}

static int Usage() {
  fputs(
      "usage: robot [-t SECONDS] STEP...\n"
      "steps: wait CAPTION | dialog CAPTION | dump | text ID | set ID TEXT | click ID | rect ID |"
      " gone | watch FILE\n",
      stderr);
  return 2;
}

// Runs the step at argv[*at], moving *at past it and its arguments. 1, 0 (failed) or -1
// (wrong command line).
static int RunStep(Robot* robot, int argc, char** argv, int* at) {
  const char* step = argv[(*at)++];
  int arguments = 0;
  if (strcmp(step, "wait") == 0 || strcmp(step, "dialog") == 0 || strcmp(step, "text") == 0 ||
      strcmp(step, "click") == 0 || strcmp(step, "rect") == 0 || strcmp(step, "watch") == 0) {
    arguments = 1;
  } else if (strcmp(step, "set") == 0) {
    arguments = 2;
  } else if (strcmp(step, "dump") != 0 && strcmp(step, "gone") != 0) {
    return -1;
  }
  if (argc - *at < arguments) return -1;
  char** args = argv + *at;
  *at += arguments;
  if (strcmp(step, "wait") == 0) return WaitForWindow(robot, args[0], nullptr);
  if (strcmp(step, "dialog") == 0) return WaitForWindow(robot, args[0], kDialogClass);
  if (strcmp(step, "watch") == 0) return WatchDesktop(robot, args[0]);
  if (robot->window == nullptr) {
    fprintf(stderr, "robot: \"%s\" needs a window; wait for one first\n", step);
    return -1;
  }
  if (strcmp(step, "dump") == 0) {
    EnumChildWindows(robot->window, PrintControl, reinterpret_cast<LPARAM>(robot));
    return 1;
  }
  if (strcmp(step, "gone") == 0) return WaitUntilGone(robot);
  if (strcmp(step, "text") == 0) return PrintControlText(robot, args[0]);
  if (strcmp(step, "set") == 0) return SetControlText(robot, args[0], args[1]);
  if (strcmp(step, "rect") == 0) return PrintRect(robot, args[0]);
  return ClickControl(robot, args[0]);
}

int main(int argc, char** argv) {
  Robot robot = {30000, nullptr};
  int at = 1;
  if (argc - at >= 2 && strcmp(argv[at], "-t") == 0) {
    int seconds = atoi(argv[at + 1]);
    if (seconds <= 0 || seconds > 3600) return Usage();
    robot.timeout_ms = static_cast<DWORD>(seconds) * 1000;
    at += 2;
  }
  if (at >= argc) return Usage();
  while (at < argc) {
    int result = RunStep(&robot, argc, argv, &at);
    fflush(stdout);
    if (result < 0) return Usage();
    if (result == 0) return 1;
  }
  return 0;
}

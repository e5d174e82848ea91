// A stand-in Program Manager for the Wine tests: a top-level window of class "PROGMAN", titled
// "Program Manager", that answers the DDE conversation of service and topic "PROGMAN" and
// writes what happens to a log file, one line each, flushed at once (the test ends it by
// killing it):
//   started iconic=I                   the window is up (I: 1 when started minimised)
//   initiate                           a client asked for PROGMAN and was answered
//   restored                           the minimised window was restored
//   enabled E                          the window was disabled (0) or enabled again (1)
//   execute COMMAND enabled=E iconic=I -> ANSWER
//                                      a command, the window's state when it came, and the
//                                      answer: accepted, refused, none or terminated
//   terminate                          the client ended the conversation
//
//   progman [-i] [-r NAME] [-n NAME] [-e NAME] [-c CLASS] LOG_FILE
// -i starts minimised; commands named NAME ("[NAME(...") are refused (-r), never answered (-n),
// or answered by ending the conversation (-e); every other command is accepted. -c gives the
// window another class: with "VNT Frame" it stands in for the running client.
#include <windows.h>
// windows.h first: dde.h needs its types.
#include <dde.h>

#include <cstdio>
#include <cstring>

namespace {

const char kService[] = "PROGMAN";
const int kNameSize = 64;

struct Behaviour {
  char refuse[kNameSize];
  char no_answer[kNameSize];
  char end_on[kNameSize];
};

Behaviour g_behaviour;
FILE* g_log = nullptr;
int g_was_iconic = 0;

void Record(const char* line) {
  fprintf(g_log, "%s\n", line);
  fflush(g_log);
}

// 1 when the command is "[NAME(" for a non-empty NAME.
int Names(const char* command, const char* name) {
  size_t length = strlen(name);
  return length != 0 && command[0] == '[' && strncmp(command + 1, name, length) == 0 &&
         command[1 + length] == '(';
}

int IsProgmanAtom(ATOM atom) {
  char name[kNameSize] = "";
  return atom == 0 ||
         (GlobalGetAtomNameA(atom, name, sizeof name) != 0 && lstrcmpiA(name, kService) == 0);
}

void Initiate(HWND window, HWND client, LPARAM names) {
  if (!IsProgmanAtom(LOWORD(names)) || !IsProgmanAtom(HIWORD(names))) return;
  Record("initiate");
  SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
               MAKELPARAM(GlobalAddAtomA(kService), GlobalAddAtomA(kService)));
}

void Execute(HWND window, HWND client, LPARAM param) {
  UINT_PTR unused = 0;
  UINT_PTR memory = 0;
  UnpackDDElParam(WM_DDE_EXECUTE, param, &unused, &memory);
  char command[1024] = "";
  const char* text = static_cast<const char*>(GlobalLock(reinterpret_cast<HGLOBAL>(memory)));
  if (text != nullptr) {
    lstrcpynA(command, text, sizeof command);
    GlobalUnlock(reinterpret_cast<HGLOBAL>(memory));
  }
  const char* answer = "accepted";
  if (Names(command, g_behaviour.refuse)) answer = "refused";
  if (Names(command, g_behaviour.no_answer)) answer = "none";
  if (Names(command, g_behaviour.end_on)) answer = "terminated";
  char line[1200];
  snprintf(line, sizeof line, "execute %s enabled=%d iconic=%d -> %s", command,
           IsWindowEnabled(window) ? 1 : 0, IsIconic(window) ? 1 : 0, answer);
  Record(line);
  if (strcmp(answer, "none") == 0) return;
  if (strcmp(answer, "terminated") == 0) {
    PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
    return;
  }
  WORD status = strcmp(answer, "accepted") == 0 ? 0x8000 : 0;
  PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
               ReuseDDElParam(param, WM_DDE_EXECUTE, WM_DDE_ACK, status, memory));
}

LRESULT CALLBACK ProgmanProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DDE_INITIATE:
      Initiate(window, reinterpret_cast<HWND>(wparam), lparam);
      return 0;
    case WM_DDE_EXECUTE:
      Execute(window, reinterpret_cast<HWND>(wparam), lparam);
      return 0;
    case WM_DDE_TERMINATE:
      Record("terminate");
      PostMessageA(reinterpret_cast<HWND>(wparam), WM_DDE_TERMINATE,
                   reinterpret_cast<WPARAM>(window), 0);
      return 0;
    case WM_ENABLE:
      Record(wparam ? "enabled 1" : "enabled 0");
      return 0;
    case WM_SIZE:
      if (wparam == SIZE_RESTORED && g_was_iconic) Record("restored");
      g_was_iconic = wparam == SIZE_MINIMIZED;
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

int ReadName(int argc, char** argv, int* at, char* name) {
  if (*at + 1 >= argc || strlen(argv[*at + 1]) >= kNameSize) return 0;
  lstrcpynA(name, argv[++*at], kNameSize);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  char class_name[kNameSize] = "PROGMAN";
  int iconic = 0;
  int at = 1;
  for (; at < argc && argv[at][0] == '-'; ++at) {
    const char* option = argv[at];
    int ok = 1;
    if (strcmp(option, "-i") == 0) {
      iconic = 1;
    } else if (strcmp(option, "-r") == 0) {
      ok = ReadName(argc, argv, &at, g_behaviour.refuse);
    } else if (strcmp(option, "-n") == 0) {
      ok = ReadName(argc, argv, &at, g_behaviour.no_answer);
    } else if (strcmp(option, "-e") == 0) {
      ok = ReadName(argc, argv, &at, g_behaviour.end_on);
    } else if (strcmp(option, "-c") == 0) {
      ok = ReadName(argc, argv, &at, class_name);
    } else {
      ok = 0;
    }
    if (!ok) at = argc;
  }
  if (at != argc - 1) {
    fprintf(stderr, "usage: progman [-i] [-r NAME] [-n NAME] [-e NAME] [-c CLASS] LOG_FILE\n");
    return 2;
  }
  g_log = fopen(argv[at], "w");
  if (g_log == nullptr) {
    fprintf(stderr, "progman: cannot write %s\n", argv[at]);
    return 1;
  }
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = ProgmanProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = class_name;
  if (RegisterClassA(&window_class) == 0) return 1;
  HWND window = CreateWindowExA(0, class_name, "Program Manager", WS_OVERLAPPEDWINDOW, 0, 0, 320,
                                200, nullptr, nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, iconic ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
  g_was_iconic = IsIconic(window) ? 1 : 0;
  Record(g_was_iconic ? "started iconic=1" : "started iconic=0");
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  fclose(g_log);
  return 0;
}

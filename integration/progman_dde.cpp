// AddProgmanItem and the DDE client window. The window starts the conversation in WM_CREATE by
// asking every top-level window for "PROGMAN"; the first server that answers is kept and every
// other is let go at once. An execute request (WM_USER, the command's shared memory in lparam)
// is posted to the server and the window waits, dispatching nothing, for its acknowledgement.
#include "integration/progman_dde.h"

#include <cstdarg>

#include "platform/dde.h"
#include "platform/format.h"
#include "platform/system.h"
#include "platform/windows.h"
#include "services/update_log.h"

namespace {

const char kClassName[] = "DDEClient";
const char kProgman[] = "PROGMAN";
const int kServerLong = 0;
const uint32_t kAckTimeout = 30000;  // milliseconds a server may take to answer one command
const uint32_t kSettleTime = 750;    // milliseconds Program Manager gets after the commands
const uint32_t kCommandLimit = 259;  // characters of one command

// Set while WM_DDE_INITIATE is out: the acknowledgements that come meanwhile answer it.
int g_initiating = 0;

PlatWindow WindowOf(uintptr_t value) {
  return reinterpret_cast<PlatWindow>(value);
}

uintptr_t ValueOf(PlatWindow window) {
  return reinterpret_cast<uintptr_t>(window);
}

PlatWindow ServerOf(PlatWindow client) {
  return WindowOf(PlatGetWindowLong(client, kServerLong));
}

void SetServer(PlatWindow client, PlatWindow server) {
  PlatSetWindowLong(client, kServerLong, static_cast<uint32_t>(ValueOf(server)));
}

// Ends the conversation from this side: the server is told and forgotten.
void LetServerGo(PlatWindow client) {
  PlatWindow server = ServerOf(client);
  if (server == nullptr) return;
  PlatPostMessage(server, kWmDdeTerminate, ValueOf(client), 0);
  SetServer(client, nullptr);
}

// Posts the command to the server and waits for its acknowledgement. A server that ends the
// conversation instead refuses the command; the answers of servers let go are passed over.
intptr_t ExecuteRequest(PlatWindow client, intptr_t command) {
  PlatWindow server = ServerOf(client);
  if (server == nullptr || !PlatPostMessage(server, kWmDdeExecute, ValueOf(client), command)) {
    return 0;
  }
  PlatMessage answer;
  while (PlatWaitForMessage(client, kWmDdeTerminate, kWmDdeAck, kAckTimeout, &answer)) {
    if (WindowOf(answer.wparam) != server) continue;
    if (answer.message == kWmDdeAck) return (PlatDdeAckStatus(answer.lparam) & kDdeAccepted) != 0;
    if (answer.message == kWmDdeTerminate) {
      LetServerGo(client);
      return 0;
    }
  }
  return 0;
}

// The three commands, in order, with the log line of a failure.
struct Command {
  char text[4 * kPathBuffer];
  const char* failure;
};

// A command that does not fit its 259 characters is emptied: it is not sent, and counts as
// refused.
void MakeCommand(Command* command, const char* failure, const char* format, ...) {
  command->failure = failure;
  va_list args;
  va_start(args, format);
  int length = FormatTextV(command->text, sizeof command->text, format, args);
  va_end(args);
  if (length < 0 || static_cast<uint32_t>(length) > kCommandLimit) command->text[0] = '\0';
}

}  // namespace

int RegisterDdeClientClass() {
  PlatWindowClass client = {kClassName, 0, 4, kStockWhiteBackground, DdeClientWndProc};
  return PlatRegisterClass(client);
}

int UnregisterDdeClientClass() {
  return PlatUnregisterClass(kClassName);
}

intptr_t DdeClientWndProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  switch (message) {
    case kWmCreate:
      g_initiating = 1;
      PlatSendMessage(WindowOf(kBroadcastWindow), kWmDdeInitiate, ValueOf(window),
                      static_cast<intptr_t>(PlatCreateParam(lparam)));
      g_initiating = 0;
      return ServerOf(window) != nullptr ? 0 : -1;
    case kWmDdeAck:
      if (g_initiating) {
        // The server's application and topic atoms are the client's to delete.
        PlatGlobalDeleteAtom(static_cast<uint16_t>(lparam & 0xFFFF));
        PlatGlobalDeleteAtom(static_cast<uint16_t>((lparam >> 16) & 0xFFFF));
      }
      if (ServerOf(window) == nullptr) {
        SetServer(window, WindowOf(wparam));
      } else {
        PlatPostMessage(WindowOf(wparam), kWmDdeTerminate, ValueOf(window), 0);
      }
      return 0;
    case kWmUser:
      return ExecuteRequest(window, lparam);
    case kWmDdeTerminate:
      // Only the server's own ending counts; a let-go server's reply changes nothing.
      if (WindowOf(wparam) == ServerOf(window)) LetServerGo(window);
      return PlatDefWindowProc(window, message, wparam, lparam);
    case kWmDdeData:
      PlatDdeRefuseData(window, WindowOf(wparam), lparam);
      return 0;
    case kWmDestroy:
      LetServerGo(window);
      return 0;
    default:
      return PlatDefWindowProc(window, message, wparam, lparam);
  }
}

int DdeExecute(PlatWindow client, const char* command) {
  PlatDdeMemory memory = PlatDdeAllocText(command);
  if (memory == 0) return 0;
  int accepted = PlatSendMessage(client, kWmUser, 0, memory) != 0;
  PlatDdeFreeText(memory);
  return accepted;
}

int AddProgmanItem(const char* group_name, const char* item_title, const char* command_line) {
  uint16_t application = PlatGlobalAddAtom(kProgman);
  uint16_t topic = PlatGlobalAddAtom(kProgman);
  // Atom 0 would ask every server whatever its name: no conversation without both names.
  PlatWindow client = nullptr;
  if (application != 0 && topic != 0) {
    client = PlatCreateHiddenWindow(kClassName, static_cast<uint32_t>(topic) << 16 | application);
  }
  if (application != 0) PlatGlobalDeleteAtom(application);
  if (topic != 0) PlatGlobalDeleteAtom(topic);
  if (client == nullptr) {
    LogLine("Couldn't create DDE client window");
    return 0;
  }
  PlatWindow progman = PlatFindWindow(kProgman);
  if (!PlatIsWindow(progman)) {
    PlatDestroyWindow(client);
    LogLine("Couldn't find PM window");
    return 0;
  }
  if (PlatIsIconic(progman)) PlatShowWindow(progman, kSwRestore);
  PlatEnableWindow(progman, 0);

  Command commands[3];
  MakeCommand(&commands[0], "CreateGroup failed", "[CreateGroup(%s)]", group_name);
  MakeCommand(&commands[1], "AddItem failed", "[AddItem(%s,%s)]", command_line, item_title);
  MakeCommand(&commands[2], "ShowGroup failed", "[ShowGroup(%s,7)]", group_name);
  int accepted = 1;
  for (const Command& command : commands) {
    if (command.text[0] == '\0' || !DdeExecute(client, command.text)) {
      LogLine("%s", command.failure);
      accepted = 0;
    }
  }
  PlatDestroyWindow(client);
  PlatEnableWindow(progman, 1);
  PlatSleep(kSettleTime);
  return accepted;
}

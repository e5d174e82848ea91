// The simulated Program Manager and what a DDE client needs around it: global atoms, the shared
// memory of execute commands, and the windows of other programs (machine.ini's [windows]). Up
// to two DDE servers answer "PROGMAN" ([progman] servers=); the first is Program Manager's own
// window when [windows] lists Progman. A server acts on what is posted to it at once and posts
// its answers to the client's queue: each command it receives is recorded in the transcript
// and accepted, refused or left unanswered as [progman] says.
#include <cstdlib>
#include <cstring>

#include "platform/dde.h"
#include "platform/host/host_backend.h"
#include "platform/windows.h"

namespace {

const int kAtomMax = 32;
const uint16_t kFirstAtom = 0xC000;  // string atoms, as Windows numbers them
const size_t kAtomNameMax = 256;     // 255 characters and the NUL
const int kMemoryMax = 16;
const intptr_t kFirstMemory = 0x7000;  // memory handles fit the 16 bits an answer carries
const uintptr_t kFirstServer = 0x1800;
const int kServerMax = 2;

struct Atom {
  char name[kAtomNameMax];
  int count;  // 0 for a free slot
};

struct Server {
  PlatWindow window;
  PlatWindow client;  // the conversation's client, null for none
  uint32_t answered;
  int ended;  // the server has ended the conversation
};

struct Dde {
  Atom atoms[kAtomMax];
  char* memory[kMemoryMax];  // malloc copies of the commands
  int ready;                 // the servers are set up for this machine
  Server servers[kServerMax];
  int server_count;
  int minimized;
  int disabled;
};
Dde g_dde;

PlatWindow WindowOf(uintptr_t value) {
  return reinterpret_cast<PlatWindow>(value);
}

uintptr_t ValueOf(PlatWindow window) {
  return reinterpret_cast<uintptr_t>(window);
}

// Program Manager's window, when machine.ini lists it.
PlatWindow ProgmanWindow() {
  return PlatFindWindow("Progman");
}

void SetUp() {
  if (g_dde.ready) return;
  g_dde.ready = 1;
  const HostProgmanInfo& info = HostInfo().progman;
  PlatWindow progman = ProgmanWindow();
  g_dde.server_count = info.servers >= 0 ? info.servers : progman != nullptr ? 1 : 0;
  for (int i = 0; i < g_dde.server_count; ++i) {
    g_dde.servers[i].window =
        i == 0 && progman != nullptr ? progman : WindowOf(kFirstServer + static_cast<uintptr_t>(i));
  }
  g_dde.minimized = info.minimized;
}

Server* ServerOf(PlatWindow window) {
  SetUp();
  for (int i = 0; i < g_dde.server_count; ++i) {
    if (g_dde.servers[i].window == window) return &g_dde.servers[i];
  }
  return nullptr;
}

int Number(const Server* server) {
  return static_cast<int>(server - g_dde.servers) + 1;
}

// A name the servers answer to: "PROGMAN", or atom 0, which stands for any.
int ProgmanAtom(uint16_t atom) {
  if (atom == 0) return 1;
  int slot = atom - kFirstAtom;
  return slot >= 0 && slot < kAtomMax && g_dde.atoms[slot].count > 0 &&
         HostSameNoCase(g_dde.atoms[slot].name, "PROGMAN");
}

const char* MemoryText(intptr_t memory) {
  intptr_t slot = memory - kFirstMemory;
  return slot >= 0 && slot < kMemoryMax ? g_dde.memory[slot] : nullptr;
}

// Whether the command's name (the text between "[" and "(" or "]") is in the list.
int Listed(const char* command, const char (*list)[kHostCommandNameMax], int count) {
  for (int i = 0; i < count; ++i) {
    size_t length = strlen(list[i]);
    if (command[0] != '[' || strlen(command) < length + 2) continue;
    char name[kHostCommandNameMax];
    memcpy(name, command + 1, length);
    name[length] = '\0';
    char after = command[1 + length];
    if (HostSameNoCase(name, list[i]) && (after == '(' || after == ']')) return 1;
  }
  return 0;
}

void Execute(Server* server, PlatWindow client, intptr_t memory) {
  const char* command = MemoryText(memory);
  char* field = HostEscapeText(command != nullptr ? command : "");
  const char* shown = field != nullptr ? field : "?";
  if (command == nullptr || server->client != client || server->ended) {
    HostTranscript("dde-execute server=%d command=\"%s\" result=ignored", Number(server), shown);
    free(field);
    return;
  }
  const HostProgmanInfo& info = HostInfo().progman;
  if (Listed(command, info.ignore, info.ignore_count)) {
    HostTranscript("dde-execute server=%d command=\"%s\" result=unanswered", Number(server), shown);
    free(field);
    return;
  }
  int refused = Listed(command, info.refuse, info.refuse_count);
  HostTranscript("dde-execute server=%d command=\"%s\" result=%s", Number(server), shown,
                 refused ? "refused" : "accepted");
  free(field);
  intptr_t status = refused ? 0 : kDdeAccepted;
  HostPostMessage(client, kWmDdeAck, ValueOf(server->window), status | memory << 16);
  if (info.terminate_after != 0 && ++server->answered == info.terminate_after) {
    server->ended = 1;
    HostTranscript("dde-terminate server=%d by=server", Number(server));
    HostPostMessage(client, kWmDdeTerminate, ValueOf(server->window), 0);
  }
}

}  // namespace

void HostDdeBroadcast(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (message != kWmDdeInitiate || HostWindowOf(WindowOf(wparam)) == nullptr) return;
  SetUp();
  uint16_t application = static_cast<uint16_t>(lparam & 0xFFFF);
  uint16_t topic = static_cast<uint16_t>((lparam >> 16) & 0xFFFF);
  int answering = ProgmanAtom(application) && ProgmanAtom(topic) ? g_dde.server_count : 0;
  HostTranscript("dde-initiate servers=%d", answering);
  for (int i = 0; i < answering; ++i) {
    Server& server = g_dde.servers[i];
    server.client = WindowOf(wparam);
    server.ended = 0;
    server.answered = 0;
    HostWindow* client = HostWindowOf(server.client);
    if (client == nullptr) continue;
    // Each answer names the server in atoms of its own, which the client is to delete.
    intptr_t names = static_cast<intptr_t>(PlatGlobalAddAtom("PROGMAN")) |
                     static_cast<intptr_t>(PlatGlobalAddAtom("PROGMAN")) << 16;
    HostDeliver(client, kWmDdeAck, ValueOf(server.window), names);
  }
}

int HostDdePost(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  Server* server = ServerOf(window);
  if (server == nullptr) return 0;
  PlatWindow client = WindowOf(wparam);
  if (message == kWmDdeExecute) {
    Execute(server, client, lparam);
  } else if (message == kWmDdeTerminate && server->client == client) {
    HostTranscript("dde-terminate server=%d by=client", Number(server));
    // The answer to a client's terminate is a terminate, unless the server ended it first.
    if (!server->ended) HostPostMessage(client, kWmDdeTerminate, ValueOf(server->window), 0);
    server->client = nullptr;
    server->ended = 0;
  }
  return 1;
}

int HostShowOtherWindow(PlatWindow window, int command) {
  if (window == nullptr || window != ProgmanWindow()) return 0;
  SetUp();
  if (command == kSwRestore && g_dde.minimized) {
    g_dde.minimized = 0;
    HostTranscript("progman-restore");
  }
  return 1;
}

void HostCloseDde() {
  for (const Atom& atom : g_dde.atoms) {
    if (atom.count > 0) HostTranscript("atom-left \"%s\" count=%d", atom.name, atom.count);
  }
  int memory_left = 0;
  for (char* memory : g_dde.memory) {
    if (memory != nullptr) ++memory_left;
    free(memory);
  }
  if (memory_left > 0) HostTranscript("dde-memory-left %d", memory_left);
  memset(&g_dde, 0, sizeof g_dde);
}

int PlatIsWindow(PlatWindow window) {
  return HostWindowOf(window) != nullptr || HostListedWindow(window) >= 0 ||
         ServerOf(window) != nullptr;
}

int PlatIsIconic(PlatWindow window) {
  SetUp();
  return window != nullptr && window == ProgmanWindow() && g_dde.minimized;
}

int PlatEnableWindow(PlatWindow window, int enable) {
  if (window == nullptr || window != ProgmanWindow()) return 0;
  SetUp();
  int was_disabled = g_dde.disabled;
  g_dde.disabled = !enable;
  if (was_disabled != g_dde.disabled) HostTranscript("progman-%s", enable ? "enable" : "disable");
  return was_disabled;
}

uint16_t PlatGlobalAddAtom(const char* name) {
  if (name == nullptr || *name == '\0' || strlen(name) >= kAtomNameMax) return 0;
  int free_slot = -1;
  for (int i = 0; i < kAtomMax; ++i) {
    Atom& atom = g_dde.atoms[i];
    if (atom.count > 0 && HostSameNoCase(atom.name, name)) {
      ++atom.count;
      return static_cast<uint16_t>(kFirstAtom + i);
    }
    if (atom.count == 0 && free_slot < 0) free_slot = i;
  }
  if (free_slot < 0) return 0;
  HostCopyText(g_dde.atoms[free_slot].name, kAtomNameMax, name);
  g_dde.atoms[free_slot].count = 1;
  return static_cast<uint16_t>(kFirstAtom + free_slot);
}

void PlatGlobalDeleteAtom(uint16_t atom) {
  int slot = atom - kFirstAtom;
  if (slot >= 0 && slot < kAtomMax && g_dde.atoms[slot].count > 0) --g_dde.atoms[slot].count;
}

PlatDdeMemory PlatDdeAllocText(const char* text) {
  for (int slot = 0; slot < kMemoryMax; ++slot) {
    if (g_dde.memory[slot] != nullptr) continue;
    g_dde.memory[slot] = strdup(text);
    return g_dde.memory[slot] != nullptr ? kFirstMemory + slot : 0;
  }
  return 0;
}

void PlatDdeFreeText(PlatDdeMemory memory) {
  intptr_t slot = memory - kFirstMemory;
  if (slot < 0 || slot >= kMemoryMax) return;
  free(g_dde.memory[slot]);
  g_dde.memory[slot] = nullptr;
}

uint16_t PlatDdeAckStatus(intptr_t lparam) {
  return static_cast<uint16_t>(lparam & 0xFFFF);
}

void PlatDdeRefuseData(PlatWindow, PlatWindow sender, intptr_t) {
  Server* server = ServerOf(sender);
  HostTranscript("dde-data-refused server=%d", server != nullptr ? Number(server) : 0);
}

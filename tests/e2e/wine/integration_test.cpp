// Checks the system integration of the Win32 build against Wine in Windows 95 mode: registry
// values read, written and replaced through the program's own operations, WIN.INI and a private
// INI file, and the Program Manager conversation, whose outcome it prints ("progman: accepted"
// or "progman: not accepted", then the log lines) and the commands sent in a conversation of its
// own ("dde: ..."): Wine's shell may or may not answer PROGMAN.
// A console program run by integration_test.sh with a scratch directory (a Windows path);
// prints each failed check and exits 1 when any failed.
#include <cstdio>
#include <cstring>

#include "integration/progman_dde.h"
#include "integration/registry_entries.h"
#include "platform/dde.h"
#include "platform/profile.h"
#include "platform/windows.h"
#include "services/setup_state.h"

static int failures = 0;

static void Check(int ok, const char* what) {
  if (!ok) {
    printf("FAIL: %s\n", what);
    ++failures;
  }
}

static void CheckRegistry() {
  const char* key = "Software\\VNT Test\\CurrentVersion";
  char text[kPathBuffer];
  Check(RegReadString(kRegCurrentUser, key, "AppPath", text, sizeof text) == kRegFileNotFound,
        "a missing key reads as 2");
  Check(RegSetStringChecked(kRegCurrentUser, key, "AppPath", "C:\\OLD") == 0,
        "the value is written under a new key");
  Check(RegSetStringChecked(kRegCurrentUser, key, "Other", "1") == 0, "a second value");
  Check(RegReadString(kRegCurrentUser, key, "apppath", text, sizeof text) == 0 &&
            strcmp(text, "C:\\OLD") == 0,
        "the value reads back whatever the case of its name");
  Check(RegSetStringChecked(kRegCurrentUser, key, "APPPATH", "C:\\VNTTEST") == 0,
        "an existing value is replaced");
  Check(RegReadString(kRegCurrentUser, key, "AppPath", text, sizeof text) == 0 &&
            strcmp(text, "C:\\VNTTEST") == 0,
        "the new text reads back");
  Check(RegReadString(kRegCurrentUser, key, "AppPath", text, 10) == kRegMoreData && text[0] == 0,
        "a text that does not fit is not shortened");
  Check(RegReadString(kRegCurrentUser, key, "Missing", text, sizeof text) == kRegNoMoreItems,
        "a key without the value reads as 259");
}

static void CheckProfiles(const char* directory) {
  char text[kPathBuffer];
  Check(PlatWriteProfileString("VNT Test", "AppPath", "C:\\VNTTEST"), "write WIN.INI");
  Check(PlatGetProfileString("vnt test", "APPPATH", "", text, sizeof text) == 10 &&
            strcmp(text, "C:\\VNTTEST") == 0,
        "read WIN.INI without regard to case");
  Check(PlatGetProfileString("VNT Test", "AppPath", "", text, 10) == 0 && text[0] == 0,
        "a profile text that does not fit is not shortened");
  char file[kPathBuffer];
  snprintf(file, sizeof file, "%s\\VERSION.INF", directory);
  Check(PlatWritePrivateProfileString("Application Information", "Application", "vnt.exe", file),
        "write a private INI file");
}

// The conversation without the Program Manager window that AddProgmanItem also asks for: the
// commands as the server answers them ("dde: ..." lines), or "dde: no server".
static void TalkToProgman(const char* directory) {
  uint16_t application = PlatGlobalAddAtom("PROGMAN");
  uint16_t topic = PlatGlobalAddAtom("PROGMAN");
  PlatWindow client =
      PlatCreateHiddenWindow("DDEClient", static_cast<uint32_t>(topic) << 16 | application);
  PlatGlobalDeleteAtom(application);
  PlatGlobalDeleteAtom(topic);
  if (client == nullptr) {
    printf("dde: no server\n");
    return;
  }
  char add[kPathBuffer];
  snprintf(add, sizeof add, "[AddItem(%s\\VNT.EXE,VNT Test Item)]", directory);
  int group = DdeExecute(client, "[CreateGroup(VNT Test)]");
  int item = DdeExecute(client, add);
  int unknown = DdeExecute(client, "[NoSuchCommand(1)]");
  printf("dde: CreateGroup %d AddItem %d NoSuchCommand %d\n", group, item, unknown);
  Check(PlatDestroyWindow(client), "destroy the client window");
}

int main(int argc, char** argv) {
  if (argc != 2) {
    printf("usage: integration_test DIRECTORY\n");
    return 2;
  }
  ResetSetupState();
  CheckRegistry();
  CheckProfiles(argv[1]);
  Check(RegisterDdeClientClass() != 0, "register the DDE client class");
  char program[kPathBuffer];
  snprintf(program, sizeof program, "%s\\VNT.EXE", argv[1]);
  int added = AddProgmanItem("VNT Test", "VNT Test Item", program);
  printf("progman: %s\n", added ? "accepted" : "not accepted");
  if (g_setup.log_buffer != nullptr) fwrite(g_setup.log_buffer, 1, g_setup.log_used, stdout);
  TalkToProgman(argv[1]);
  Check(UnregisterDdeClientClass(), "unregister the DDE client class");
  return failures == 0 ? 0 : 1;
}

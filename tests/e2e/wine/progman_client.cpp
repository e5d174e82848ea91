// The Program Manager client of SETUP.EXE on its own: AddProgmanItem for group "VNT Test", item
// "VNT Test Item" and the program C:\vnttest\VNT.EXE, as the run calls it. Prints "progman:
// accepted" or "progman: not accepted", then the log lines it wrote. Run by progman_test.sh
// against the stand-in Program Manager.
#include <cstdio>

#include "integration/progman_dde.h"
#include "services/setup_state.h"

int main() {
  ResetSetupState();
  if (RegisterDdeClientClass() == 0) {
    printf("FAIL: the DDE client class\n");
    return 1;
  }
  int added = AddProgmanItem("VNT Test", "VNT Test Item", "C:\\vnttest\\VNT.EXE");
  printf("progman: %s\n", added ? "accepted" : "not accepted");
  if (g_setup.log_buffer != nullptr) fwrite(g_setup.log_buffer, 1, g_setup.log_used, stdout);
  return UnregisterDdeClientClass() ? 0 : 1;
}

// A Win32 console program of the Wine tests that puts up the user interface through the
// portable code, for the robot to drive: the frame window, then
//   ui_show modal ID...          each dialog in turn (ShowDialog, or ShowEditDialog for 208 and
//                                215 with the path C:\VELNET); prints "ID result=R path=P"
//   ui_show progress POS RANGE FILE
//                                dialog 220 with its gauge at POS of RANGE and FILE as the
//                                current file, pumped until Cancel is confirmed; "stopped=1"
//   ui_show print PAYLOAD        the print-offer dialog 229 with its own procedure, on the
//                                payload file PAYLOAD opened as -X opens it; "229 result=R"
// Never shipped; built with SETUP.EXE's resources.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "payload/payload_reader.h"
#include "platform/dialogs.h"
#include "services/setup_state.h"
#include "ui/confirmations.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/dialog_procs.h"
#include "ui/frame_window.h"
#include "ui/gauge_messages.h"
#include "ui/guide_printing.h"

static const DWORD kLongestWaitMs = 120000;

static int ShowModal(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    int id = atoi(argv[i]);
    char path[kEditTextSize] = "C:\\VELNET";
    intptr_t result = 0;
    if (id == kDialogReview || id == kDialogNotFound) {
      result =
          ShowEditDialog(id, path, id == kDialogNotFound ? "Velnet 2.0 for Windows 95" : nullptr);
    } else {
      result = ShowDialog(id, id == kDialogWelcome ? "Welcome to the Velnet update." : nullptr);
    }
    printf("%d result=%ld path=%s\n", id, static_cast<long>(result), path);
    fflush(stdout);
  }
  return 0;
}

static int ShowProgress(int argc, char** argv) {
  if (argc != 5) return 2;
  PlatWindow dialog = OpenModelessDialog(kDialogInstallProgress, ProgressDialogProc);
  if (dialog == nullptr) return 1;
  SendGaugeRange(dialog, static_cast<uint32_t>(atol(argv[3])));
  SendGaugePosition(dialog, static_cast<uint32_t>(atol(argv[2])));
  PlatSetItemText(dialog, kControlText, argv[4]);
  DWORD start = GetTickCount();
  while (!g_setup.install_stopped && GetTickCount() - start < kLongestWaitMs) {
    PumpMessages();
    Sleep(20);
  }
  CloseModelessDialog(kDialogInstallProgress);
  printf("stopped=%d\n", static_cast<int>(g_setup.install_stopped));
  return g_setup.install_stopped ? 0 : 1;
}

static int ShowPrintOffer(int argc, char** argv) {
  if (argc != 3) return 2;
  snprintf(g_setup.install_file, sizeof g_setup.install_file, "%s", argv[2]);
  if (!OpenPayload() || !ReadPayloadHeader()) {
    printf("no payload: error %u\n", static_cast<unsigned>(g_setup.error_number));
    ClosePayload();
    return 1;
  }
  intptr_t result = PlatDialogBox(kDialogPrintOffer, g_setup.frame_window, PrintOfferDialogProc);
  ClosePayload();
  printf("%d result=%ld\n", kDialogPrintOffer, static_cast<long>(result));
  fflush(stdout);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fputs("usage: ui_show modal ID... | progress POS RANGE FILE | print PAYLOAD\n", stderr);
    return 2;
  }
  ResetSetupState();
  g_setup.instance = GetModuleHandleA(nullptr);
  if (!CreateFrameWindow("Velnet Setup")) {
    printf("no frame: error %u\n", static_cast<unsigned>(g_setup.error_number));
    return 1;
  }
  int status = 2;
  if (strcmp(argv[1], "modal") == 0) status = ShowModal(argc, argv);
  if (strcmp(argv[1], "progress") == 0) status = ShowProgress(argc, argv);
  if (strcmp(argv[1], "print") == 0) status = ShowPrintOffer(argc, argv);
  DestroyFrameWindow();
  return status;
}

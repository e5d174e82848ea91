// ConfirmExit and ConfirmCancel, run as modal dialogs and message boxes from inside the search
// and progress dialogs, and the search's stop request.
#include "ui/confirmations.h"

#include "platform/dialogs.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"

namespace {

int g_search_stop;

}  // namespace

intptr_t ProgressDialogProc(PlatWindow, uint32_t message, uintptr_t wparam, intptr_t) {
  if (message == kWmInitDialog) return 1;
  if (message == kWmCommand && wparam == static_cast<uintptr_t>(kButtonCancel)) {
    ConfirmCancel();
    return 1;
  }
  return 0;
}

intptr_t SearchDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t) {
  if (message == kWmInitDialog) return 1;
  if (message == kWmCommand && wparam == static_cast<uintptr_t>(kButtonExit) &&
      ConfirmExit(dialog)) {
    g_search_stop = 1;
  }
  return 0;
}

int ConfirmExit(PlatWindow window) {
  if (window != nullptr) PlatShowWindow(window, kSwHide);
  if (ShowDialog(kDialogConfirmExit, nullptr) == kButtonExit) {
    LogLine("User exit");
    g_setup.setup_aborted = 1;
    return 1;
  }
  if (window != nullptr) PlatShowWindow(window, kSwShow);
  return 0;
}

void ConfirmCancel() {
  const char* question = "Are you sure you want to cancel the install?";
  // merge_dir is empty until the installation reaches the database member.
  if (g_setup.merge_dir[0] != '\0' && NamesEqual(g_setup.merge_dir, g_setup.dest_dir) &&
      !g_setup.install_mode) {
    question =
        "Are you sure you want to cancel the install?\n\nSince you're overwriting a previous "
        "version of VNT, stopping now will make that software unusable.";
  }
  if (AskYesNo("%s", question)) g_setup.install_stopped = 1;
}

int SearchStopRequested() {
  return g_search_stop;
}

void ClearSearchStopRequest() {
  g_search_stop = 0;
}

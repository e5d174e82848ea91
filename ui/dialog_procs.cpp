// The dialog procedures and the two confirmations. The procedures only end dialogs, fill and
// read controls and set flags; the operation that opened a dialog reads the flags after
// pumping messages.
#include "ui/dialog_procs.h"

#include "driver/errors.h"
#include "driver/setup_state.h"
#include "driver/update_log.h"
#include "payload/paths.h"
#include "platform/dialogs.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"

namespace {

int g_search_stop;

int IsCommandButton(uintptr_t wparam) {
  return wparam >= static_cast<uintptr_t>(kFirstCommand) &&
         wparam <= static_cast<uintptr_t>(kLastCommand);
}

// Close on the system menu ends a modal dialog with 406.
intptr_t EndOnClose(PlatWindow dialog, uintptr_t wparam) {
  if (wparam != kScClose) return 0;
  PlatEndDialog(dialog, kButtonCancel);
  return 1;
}

void SetTextFromBuffer(PlatWindow dialog) {
  if (DialogText()[0] != '\0') PlatSetItemText(dialog, kControlText, DialogText());
}

}  // namespace

intptr_t GenericDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      SetTextFromBuffer(dialog);
      return 1;
    case kWmCommand:
      if (IsCommandButton(wparam)) PlatEndDialog(dialog, static_cast<intptr_t>(wparam));
      return 0;
    case kWmSysCommand:
      return EndOnClose(dialog, wparam);
    default:
      return 0;
  }
}

intptr_t EditDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      PlatSetItemText(dialog, kControlPath, EditText());
      SetTextFromBuffer(dialog);
      return 1;
    case kWmCommand:
      if (!IsCommandButton(wparam)) return 0;
      PlatGetItemText(dialog, kControlPath, EditText(), kEditTextSize);
      PlatEndDialog(dialog, static_cast<intptr_t>(wparam));
      return 1;
    case kWmSysCommand:
      return EndOnClose(dialog, wparam);
    default:
      return 0;
  }
}

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

intptr_t PassiveDialogProc(PlatWindow, uint32_t message, uintptr_t, intptr_t) {
  return message == kWmInitDialog;
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

// The plain dialog procedures and their text buffers. The procedures only end dialogs and fill
// and read controls.
#include "ui/dialog_procs.h"

#include <cstring>

#include "platform/dialogs.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/dialog_ids.h"

char g_dialog_text[kDialogTextSize];
char g_edit_text[kEditTextSize];

const char* DialogText() {
  return g_dialog_text;
}

char* EditText() {
  return g_edit_text;
}

namespace {

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
    case kWmCommand: {
      if (!IsCommandButton(wparam)) return 0;
      // A path longer than the buffer holds reads as empty, which no check accepts: a path
      // cut short would name another directory.
      char text[kEditTextSize + 1];
      EditText()[0] = '\0';
      if (PlatGetItemText(dialog, kControlPath, text, sizeof text) < kEditTextSize) {
        strcpy(EditText(), text);
      }
      PlatEndDialog(dialog, static_cast<intptr_t>(wparam));
      return 1;
    }
    case kWmSysCommand:
      return EndOnClose(dialog, wparam);
    default:
      return 0;
  }
}

intptr_t PassiveDialogProc(PlatWindow, uint32_t message, uintptr_t, intptr_t) {
  return message == kWmInitDialog;
}

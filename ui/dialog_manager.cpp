// The dialog manager: modeless slots, message routing and pumping, and the modal dialogs, whose
// texts it puts into the procedures' two shared buffers.
#include "ui/dialog_manager.h"

#include "platform/system.h"
#include "services/errors.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_procs.h"

namespace {

struct ModelessSlot {
  int template_id;  // 0: the slot is free
  PlatWindow window;
  PlatDialogProc procedure;
};
ModelessSlot g_slots[kModelessSlots];
uint32_t g_last_pump;  // the tick count at the last pump

// Copies text (or nothing) into a buffer of size bytes, cut to fit.
void CopyInto(char* buffer, uint32_t size, const char* text) {
  uint32_t i = 0;
  for (; text != nullptr && text[i] != '\0' && i + 1 < size; ++i) buffer[i] = text[i];
  buffer[i] = '\0';
}

}  // namespace

PlatWindow OpenModelessDialog(int template_id, PlatDialogProc procedure) {
  int slot = 0;
  while (slot < kModelessSlots && g_slots[slot].template_id != 0) ++slot;
  if (slot == kModelessSlots) {
    ShowError("Too many simultaneous dialogs");
    return nullptr;
  }
  g_slots[slot].procedure = procedure;
  if (procedure == nullptr) {
    ShowError("Failed MPI for dialog %d", template_id);
    return nullptr;
  }
  g_slots[slot].window = g_setup.silent
                             ? PlatCreateHiddenDialog(template_id, g_setup.frame_window, procedure)
                             : PlatCreateDialog(template_id, g_setup.frame_window, procedure);
  if (g_slots[slot].window == nullptr) {
    ShowError("Failed to create dialog %d", template_id);
    return nullptr;
  }
  g_slots[slot].template_id = template_id;
  return g_slots[slot].window;
}

int CloseModelessDialog(int template_id) {
  for (ModelessSlot& slot : g_slots) {
    if (slot.template_id == template_id) {
      slot.template_id = 0;
      PlatDestroyWindow(slot.window);
      return 1;
    }
  }
  ShowError("No such dialog open");
  return 0;
}

int RouteDialogMessage(PlatMessage* message) {
  for (const ModelessSlot& slot : g_slots) {
    if (slot.template_id != 0 && PlatIsDialogMessage(slot.window, message)) return 1;
  }
  return 0;
}

int PumpMessages() {
  g_last_pump = PlatGetTickCount();
  PlatMessage message;
  while (PlatPeekMessage(&message)) {
    if (message.message == kWmQuit) return 0;
    if (!RouteDialogMessage(&message)) PlatDispatchMessage(&message);
  }
  return 1;
}

intptr_t SilentAnswer(int template_id) {
  intptr_t answer = kButtonCancel;
  if (template_id == kDialogWelcome) answer = kButtonUpdate;
  if (template_id == kDialogStopped || template_id == kDialogUpdated ||
      template_id == kDialogInstalled || template_id == kDialogPartlyInstalled ||
      (template_id == kDialogRestart && g_setup.restart_ordered)) {
    answer = kButtonOk;  // the notices' one button, or Restart Now when -R ordered it
  }
  LogLine("Dialog %d answered %d without being shown", template_id, static_cast<int>(answer));
  return answer;
}

int PumpMessagesWhenDue() {
  return PlatGetTickCount() - g_last_pump >= kPumpInterval ? PumpMessages() : 1;
}

intptr_t ShowDialog(int template_id, const char* text) {
  if (g_setup.silent) return SilentAnswer(template_id);
  CopyInto(g_dialog_text, sizeof g_dialog_text, text);
  return PlatDialogBox(template_id, g_setup.frame_window, GenericDialogProc);
}

intptr_t ShowEditDialog(int template_id, char* path, const char* text) {
  if (g_setup.silent) return SilentAnswer(template_id);
  CopyInto(g_dialog_text, sizeof g_dialog_text, text);
  CopyInto(g_edit_text, sizeof g_edit_text, path);
  intptr_t result = PlatDialogBox(template_id, g_setup.frame_window, EditDialogProc);
  if (result == kButtonOk) CopyInto(path, kEditTextSize, g_edit_text);
  return result;
}

// The dialog manager: the table of open modeless dialogs (4 slots), the message pump that keeps
// them alive during long operations, and the two ways of running a modal dialog. Every dialog
// is owned by the frame window.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"
#include "platform/windows.h"
#include "ui/dialog_procs.h"

const int kModelessSlots = 4;

// Opens a modeless dialog in the lowest free slot: its window, or null (after a message) when
// no slot is free, no procedure is given or the dialog cannot be made. A silent run makes the
// dialog hidden.
PlatWindow OpenModelessDialog(int template_id, PlatDialogProc procedure);
// Closes the open dialog of that id in the lowest slot: 1, or 0 (after a message) when none.
int CloseModelessDialog(int template_id);
// 1 when an open modeless dialog took the message.
int RouteDialogMessage(PlatMessage* message);
// Handles every queued message and returns without waiting: 0 when it met WM_QUIT (which is
// consumed, later messages stay queued), 1 otherwise.
int PumpMessages();
// PumpMessages once kPumpInterval milliseconds or more have passed since the last pump, else
// nothing (and 1). Loops of many short steps call it after each step: the window still answers
// within about 50 ms, without a pump after every step.
const uint32_t kPumpInterval = 40;
int PumpMessagesWhenDue();

// The answer a silent run gives dialog template_id instead of showing it, logged: Update for the
// Welcome dialog, OK for the notices (212, 213, 221, 222), Restart Now for the restart question
// when -R ordered the restart, and otherwise Cancel (406), the way out that changes nothing.
intptr_t SilentAnswer(int template_id);
// Runs modal dialog template_id with GenericDialogProc; text (or none) goes into control 503.
// In a silent run, its SilentAnswer instead; so for ShowEditDialog.
// The result: the command that ended it, 406 for Close on the system menu, -1 when the dialog
// could not be made.
intptr_t ShowDialog(int template_id, const char* text);
// The same with EditDialogProc: path (at most 255 characters, in a buffer of kEditTextSize)
// fills control 501 and is replaced by the field's text only when the result is 408.
intptr_t ShowEditDialog(int template_id, char* path, const char* text);

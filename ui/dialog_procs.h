// The dialog procedures of the program's dialogs, and the exit and cancel confirmations they
// run. Each follows DLGPROC: nonzero when it handled the message.
#pragma once

#include <cstdint>

#include "platform/types.h"

// 201, 205, 212, 213, 218, 221, 222: control 503 from the dialog text; a command 400..499 ends
// the dialog with its id, Close on the system menu with 406.
intptr_t GenericDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
// 208, 215: as above, and the path field 501 in and out of the edit buffer.
intptr_t EditDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
// 200, 220: Cancel (406) asks ConfirmCancel; the dialog stays open.
intptr_t ProgressDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
// 202: Exit (403) asks ConfirmExit with this dialog hidden meanwhile; a confirmed exit sets the
// search's stop request.
intptr_t SearchDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
// 210 (and 224, 225): handles WM_INITDIALOG only.
intptr_t PassiveDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Shows dialog 205 with window (or none) hidden meanwhile. 1 when the user confirmed Exit: logs
// "User exit", sets setup_aborted and leaves window hidden; 0 shows window again.
int ConfirmExit(PlatWindow window);
// Asks whether to cancel the install (at length when an earlier version is being overwritten);
// Yes sets install_stopped.
void ConfirmCancel();

// The search's stop request: set by SearchDialogProc, tested and cleared by the search.
int SearchStopRequested();
void ClearSearchStopRequest();

// The questions asked before the user leaves the setup or stops the installation: ConfirmExit
// and ConfirmCancel, and the procedures of the search dialog 202 and the progress dialogs
// 200 and 220, whose Exit and Cancel buttons ask them.
#pragma once

#include <cstdint>

#include "platform/types.h"

// 200, 220: Cancel (406) asks ConfirmCancel; the dialog stays open.
intptr_t ProgressDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
// 202: Exit (403) asks ConfirmExit with this dialog hidden meanwhile; a confirmed exit sets the
// search's stop request.
intptr_t SearchDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Shows dialog 205 with window (or none) hidden meanwhile. 1 when the user confirmed Exit: logs
// "User exit", sets setup_aborted and leaves window hidden; 0 shows window again.
int ConfirmExit(PlatWindow window);
// Asks whether to cancel the install (at length when an earlier version is being overwritten);
// Yes sets install_stopped.
void ConfirmCancel();

// The search's stop request: set by SearchDialogProc, tested and cleared by the search.
int SearchStopRequested();
void ClearSearchStopRequest();

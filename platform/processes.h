// Other programs and Windows itself, with Win32 semantics: starting a program (CreateProcessA,
// WinExec), waiting for it (WaitForSingleObject) and restarting Windows (ExitWindowsEx).
//
// Contract: PlatCreateProcess returns the new process, or null when it did not start; the caller
// closes what it got with PlatCloseProcess. Paths are Windows paths. The host backend starts
// nothing: it records in the transcript what Windows would have started, and a program "runs"
// when its file exists on the simulated machine, ending at once.
#pragma once

#include <cstdint>

typedef void* PlatProcess;  // a process HANDLE; null means none

const int kShowNormal = 1;          // SW_SHOWNORMAL
const int kShow = 5;                // SW_SHOW
const uint32_t kExitReboot = 0x02;  // EWX_REBOOT
const uint32_t kExitForce = 0x04;   // EWX_FORCE

// CreateProcessA(path, command_line, no inheritance, DETACHED_PROCESS) with STARTF_USESHOWWINDOW
// and the show state; the thread handle is closed at once. command_line may be null.
PlatProcess PlatCreateProcess(const char* path, const char* command_line, int show_state);
// WaitForSingleObject: 1 when the process has ended within the time, 0 otherwise.
int PlatWaitForProcess(PlatProcess process, uint32_t milliseconds);
void PlatCloseProcess(PlatProcess process);
// WinExec: a result above 31 means the program started.
uint32_t PlatWinExec(const char* command_line, int show_state);
// ExitWindowsEx(flags, 0): 1 when Windows accepted the request.
int PlatExitWindows(uint32_t flags);

// Processes and the restart of Windows over KERNEL32 and USER32.
#include <windows.h>

#include "platform/processes.h"

PlatProcess PlatCreateProcess(const char* path, const char* command_line, int show_state) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_state);
  PROCESS_INFORMATION process;
  if (!CreateProcessA(path, const_cast<char*>(command_line), nullptr, nullptr, FALSE,
                      DETACHED_PROCESS, nullptr, nullptr, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

int PlatWaitForProcess(PlatProcess process, uint32_t milliseconds) {
  return WaitForSingleObject(static_cast<HANDLE>(process), milliseconds) == WAIT_OBJECT_0;
}

void PlatCloseProcess(PlatProcess process) {
  if (process != nullptr) CloseHandle(static_cast<HANDLE>(process));
}

uint32_t PlatWinExec(const char* command_line, int show_state) {
  return WinExec(command_line, static_cast<UINT>(show_state));
}

int PlatExitWindows(uint32_t flags) {
  return ExitWindowsEx(flags, 0) != 0;
}

// CheckBrowserPrerequisite and InstallBrowser, over the "Build" value that Internet Explorer
// keeps in the registry. Waiting for an installer keeps the interface alive in 500 ms slices.
#include "driver/browser.h"

#include <cstdint>

#include "driver/programs.h"
#include "integration/registry_entries.h"
#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "ui/dialog_manager.h"
#include "ui/frame_window.h"

namespace {

const char kBrowserKey[] = "Software\\Microsoft\\Internet Explorer";
const uint32_t kBuildTextSize = 16;
const uint32_t kWaitSlice = 500;

// Reads the installed build into ie_build; 0 (ie_build unchanged) when it cannot be read.
int ReadBrowserBuild() {
  char text[kBuildTextSize];
  if (RegReadString(kRegLocalMachine, kBrowserKey, "Build", text, sizeof text) != kRegSuccess) {
    return 0;
  }
  g_setup.ie_build = BuildNumberOf(text);
  return 1;
}

// 0 when Windows ends the session before the installer has ended.
int WaitForInstaller(PlatProcess installer) {
  int ended = 1;
  while (!PlatWaitForProcess(installer, kWaitSlice)) {
    PumpMessages();
    if (SessionEnding()) {
      ended = 0;
      break;
    }
  }
  PlatCloseProcess(installer);
  return ended;
}

// 0 when a wait was cut short by the end of the session; no later installer is started then.
int RunInstallers() {
  const TextList& installers = g_setup.ie_installers;
  for (uint16_t i = 0; i < installers.count; ++i) {
    char path[kPathBuffer];
    if (!IsRelativeInside(installers.items[i]) ||
        JoinPath(path, g_setup.dest_dir, installers.items[i], nullptr) == nullptr) {
      continue;
    }
    PlatProcess installer = RunProgram(path, nullptr, kShowNormal);
    if (installer != nullptr && !WaitForInstaller(installer)) return 0;
  }
  return 1;
}

}  // namespace

int32_t BuildNumberOf(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  int negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value <= 0x7FFFFFFF) value = value * 10 + (*text - '0');
  }
  if (value > 0x7FFFFFFF) value = negative ? 0x80000000LL : 0x7FFFFFFF;
  return static_cast<int32_t>(negative ? -value : value);
}

void CheckBrowserPrerequisite() {
  ReadBrowserBuild();
  if (g_setup.ie_build >= g_setup.ie_build_required) return;
  ShowError(
      "You must first install Microsoft Internet Explorer 3.0 before installing this "
      "version of Velnet.");
  g_setup.setup_aborted = 1;
}

int InstallBrowser() {
  ReadBrowserBuild();
  if (g_setup.ie_build >= g_setup.ie_build_required || g_setup.ie_installers.count == 0) return 1;
  for (;;) {
    if (!RunInstallers()) return 0;
    if (SessionEnding()) return 1;  // Windows is closing: nobody is there to answer
    if (ReadBrowserBuild() && g_setup.ie_build == g_setup.ie_build_required) return 1;
    if (!AskYesNo("Microsoft Internet Explorer failed to install correctly.The World Wide Web "
                  "browser will be unavailable.\nDo you want to try to install Microsoft Internet "
                  "Explorer again?")) {
      return 1;
    }
  }
}

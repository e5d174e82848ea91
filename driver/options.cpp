// ParseOptions and the option log lines.
#include "driver/options.h"

#include <cstring>

#include "services/errors.h"
#include "services/paths.h"
#include "services/setup_state.h"
#include "services/update_log.h"

namespace {

const char* SkipBlanks(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

const char* SkipWord(const char* p) {
  while (*p != '\0' && *p != ' ') ++p;
  return p;
}

// Copies length characters into a path field; 0 when they do not fit.
int StoreArgument(char* field, const char* text, size_t length) {
  field[0] = '\0';
  if (length >= kStatePath) return 0;
  memcpy(field, text, length);
  field[length] = '\0';
  return 1;
}

}  // namespace

void ParseOptions(const char* command_line) {
  if (command_line == nullptr) return;
  g_setup.install_mode = 0;
  g_setup.suppress_finish = 0;
  g_setup.write_version_file = 0;
  g_setup.check_hardware = 0;

  const char* p = SkipBlanks(command_line);
  while (*p != '\0') {
    if ((*p == '-' || *p == '/') && p[1] != '\0' && p[1] != ' ') {
      char letter = UpperCaseOf(p[1]);
      p += 2;
      switch (letter) {
        case 'C':
          g_setup.crash_mode = 1;
          break;
        case 'D':
          g_setup.suppress_finish = 1;
          break;
        case 'M':
          g_setup.skip_modem = 1;
          break;
        case 'R':
          g_setup.reboot_requested = 1;
          g_setup.restart_ordered = 1;
          break;
        case 'S':
          g_setup.silent = 1;
          break;
        case 'V':
          g_setup.write_version_file = 1;
          break;
        case 'P': {
          // The directory runs to the end of the line, blanks included.
          p = SkipBlanks(p);
          // A missing or overlong directory gives the run up; no installation was begun.
          size_t length = strlen(p);
          if (length != 0 && StoreArgument(g_setup.install_dir, p, length)) {
            g_setup.install_mode = 1;
          } else {
            g_setup.install_dir[0] = '\0';
            g_setup.install_mode = 0;
            ShowError(
                "You've entered a directory name that is not valid.\n\nPlease check your "
                "typing and try again.");
            g_setup.setup_aborted = 1;
          }
          p += length;
          break;
        }
        case 'L':
          p = SkipWord(SkipBlanks(p));  // kept by ReadEarlyOptions
          break;
        case 'X': {
          p = SkipBlanks(p);
          const char* end = SkipWord(p);
          if (!StoreArgument(g_setup.install_file, p, static_cast<size_t>(end - p))) {
            FailWith(kErrorPayloadOpen);
          }
          p = end;
          break;
        }
        default:
          break;
      }
    }
    p = SkipBlanks(SkipWord(p));
  }
}

void ReadEarlyOptions(const char* command_line) {
  for (const char* p = SkipBlanks(command_line != nullptr ? command_line : ""); *p != '\0';
       p = SkipBlanks(SkipWord(p))) {
    if ((*p != '-' && *p != '/') || p[1] == '\0' || p[1] == ' ') continue;
    char letter = UpperCaseOf(p[1]);
    if (letter == 'S') g_setup.silent = 1;
    if (letter == 'P') return;  // the rest of the line is the directory
    if (letter == 'L' || letter == 'X') {
      // Their argument is the next word. -L's is kept now, so that a refusal is copied too; a
      // name too long for a path is refused, never shortened: nothing is copied then.
      p = SkipBlanks(p + 2);
      if (letter == 'L') StoreArgument(g_setup.log_copy_path, p, SkipWord(p) - p);
    }
  }
}

void LogOptions() {
  if (g_setup.crash_mode) LogLine("Opt: Crash mode");
  if (g_setup.skip_modem) LogLine("Opt: Skip modem");
  if (g_setup.install_file[0] != '\0') LogLine("Opt: Install file = %s", g_setup.install_file);
}

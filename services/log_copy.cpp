// The -L copy of the log. The file is made (or emptied) when the run starts and opened at its
// end for each later text, as c:\update.log is in crash mode, so that what was copied is on
// disk whatever ends the run. A copy that fails to write is given up: the rest of the run goes
// on as without -L.
#include "services/log_copy.h"

#include <cstdarg>
#include <cstring>

#include "platform/files.h"
#include "platform/format.h"
#include "platform/system.h"
#include "services/setup_state.h"

namespace {

int g_copying;        // the copy was made and every write so far succeeded
int g_version_given;  // the version line is written

void Write(const char* text, uint32_t length) {
  if (!g_copying) return;
  PlatFile file = PlatOpenFile(g_setup.log_copy_path, kOpenWrite);
  g_copying = file != kPlatNoFile && PlatSeekFile(file, 0, kSeekEnd) != kPlatFileError &&
              PlatWriteFile(file, text, length) == length;
  if (file != kPlatNoFile) PlatCloseFile(file);
}

void WriteText(const char* text) {
  Write(text, static_cast<uint32_t>(strlen(text)));
}

void WriteFormatted(const char* format, ...) {
  char text[kPathBuffer];
  va_list args;
  va_start(args, format);
  int used = FormatTextV(text, sizeof text, format, args);
  va_end(args);
  if (used < 0) g_copying = 0;
  Write(text, used > 0 ? static_cast<uint32_t>(used) : 0);
}

}  // namespace

int StartLogCopy(const char* command_line) {
  g_copying = 0;
  g_version_given = 0;
  if (g_setup.log_copy_path[0] == '\0') return 1;
  PlatFile file = PlatCreateFile(g_setup.log_copy_path);
  if (file == kPlatNoFile) return 0;
  PlatCloseFile(file);
  g_copying = 1;
  PlatLocalTime now;
  PlatGetLocalTime(&now);
  WriteFormatted("Setup run of %04u-%02u-%02u %02u:%02u:%02u\r\nCommand line: ", now.year,
                 now.month, now.day, now.hour, now.minute, now.second);
  WriteText(command_line != nullptr ? command_line : "");
  WriteText("\r\n");
  return 1;
}

void CopyLogVersion() {
  g_version_given = 1;
  WriteFormatted("Version: %s\r\n", g_setup.version_text);
}

void CopyLogText(const char* text, uint32_t length) {
  Write(text, length);
}

void EndLogCopy(int status) {
  if (!g_version_given) WriteText("Version: (payload not read)\r\n");
  WriteFormatted("Exit status: %d\r\n", status);
}

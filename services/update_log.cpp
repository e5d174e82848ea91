// LogLine and FlushLog: the buffered log in 4000-byte steps below 64000 bytes, and crash mode,
// which writes every line to c:\update.log before the caller goes on.
#include "services/update_log.h"

#include <cstdarg>
#include <cstring>

#include "platform/files.h"
#include "platform/format.h"
#include "services/log_copy.h"
#include "services/memory.h"
#include "services/paths.h"
#include "services/setup_state.h"

namespace {

const char kCrashLogPath[] = "c:\\update.log";
const char kLogName[] = "update.log";
const uint32_t kFormattedText = 512;  // at most 511 characters
const uint32_t kEscapedLine = 1536;   // at most 1533 characters, CR LF and the NUL
const uint16_t kLogStep = 4000;
const uint32_t kLogFlushAt = 64000;

// Opens the crash-mode file at its end. It is made once a run; after that it is only opened,
// so that a reopen that failed once never wipes the lines written before (it is made again
// only when it has gone).
void OpenCrashLog() {
  if (g_setup.crash_log_made) {
    g_setup.log_handle = PlatOpenFile(kCrashLogPath, kOpenWrite);
    if (g_setup.log_handle != kPlatNoFile) {
      PlatSeekFile(g_setup.log_handle, 0, kSeekEnd);
      return;
    }
    if (PathExists(kCrashLogPath)) return;
  }
  g_setup.log_handle = PlatCreateFile(kCrashLogPath);
  if (g_setup.log_handle != kPlatNoFile) g_setup.crash_log_made = 1;
}

// Writes one line to the crash-mode file and leaves it open again at its end, so that the line
// is on disk before the program goes on.
void WriteCrashLine(const char* line, uint32_t length) {
  CopyLogText(line, length);
  if (g_setup.log_handle == kPlatNoFile) OpenCrashLog();
  if (g_setup.log_handle == kPlatNoFile) return;
  PlatWriteFile(g_setup.log_handle, line, length);
  PlatCloseFile(g_setup.log_handle);
  g_setup.log_handle = PlatOpenFile(kCrashLogPath, kOpenWrite);
  if (g_setup.log_handle != kPlatNoFile) PlatSeekFile(g_setup.log_handle, 0, kSeekEnd);
}

void StartBuffer() {
  g_setup.log_buffer = static_cast<char*>(AllocBlock(kLogStep));
  g_setup.log_capacity = kLogStep;
  g_setup.log_used = 0;
}

void AppendToBuffer(const char* line, uint32_t length) {
  if (g_setup.log_buffer == nullptr) StartBuffer();
  if (g_setup.log_used + length >= kLogFlushAt) {
    FlushLog();
    StartBuffer();
  }
  uint16_t held = g_setup.log_used;
  g_setup.log_used = static_cast<uint16_t>(held + length);
  if (g_setup.log_used >= g_setup.log_capacity) {
    uint16_t capacity = static_cast<uint16_t>(g_setup.log_capacity + kLogStep);
    char* grown = static_cast<char*>(AllocBlock(capacity));
    memcpy(grown, g_setup.log_buffer, held);
    FreeBlock(g_setup.log_buffer);
    g_setup.log_buffer = grown;
    g_setup.log_capacity = capacity;
  }
  memcpy(g_setup.log_buffer + held, line, length + 1);
}

// The file the collected lines go to, or none (empty) when there is nowhere to put them.
void ChooseLogFile(char* path) {
  path[0] = '\0';
  if (g_setup.error_number != 0) {
    strcpy(path, kCrashLogPath);
  } else if (g_setup.dest_dir[0] != '\0' && PathExists(g_setup.dest_dir)) {
    if (JoinPath(path, g_setup.dest_dir, kLogName, nullptr) == nullptr) path[0] = '\0';
  } else if (g_setup.rollback_result != 0 || g_setup.silent) {
    // The rollback removed the destination it had made; a silent run always leaves its log.
    strcpy(path, kCrashLogPath);
  }
}

}  // namespace

uint32_t EscapeLogText(const char* text, char* out, uint32_t capacity) {
  uint32_t used = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    char piece[5];
    uint32_t length;
    if (*p >= 0x20 && *p <= 0x7E) {
      piece[0] = static_cast<char>(*p);
      length = 1;
    } else if (*p == '\n' || *p == '\r') {
      piece[0] = '\\';
      piece[1] = *p == '\n' ? 'n' : 'r';
      length = 2;
    } else {
      length = static_cast<uint32_t>(FormatText(piece, sizeof piece, "\\%03u", *p));
    }
    if (used + length + 1 > capacity) break;
    memcpy(out + used, piece, length);
    used += length;
  }
  out[used] = '\0';
  return used;
}

void LogLine(const char* format, ...) {
  char text[kFormattedText];
  va_list args;
  va_start(args, format);
  int formatted = FormatTextV(text, sizeof text, format, args);
  va_end(args);
  if (formatted < 0) return;

  char line[kEscapedLine];
  uint32_t length = EscapeLogText(text, line, kEscapedLine - 2);
  line[length++] = '\r';
  line[length++] = '\n';
  line[length] = '\0';

  if (g_setup.crash_mode) {
    WriteCrashLine(line, length);
  } else {
    AppendToBuffer(line, length);
  }
}

void FlushLog() {
  if (g_setup.log_handle != kPlatNoFile) {
    PlatCloseFile(g_setup.log_handle);
    g_setup.log_handle = kPlatNoFile;
  }
  if (g_setup.log_buffer == nullptr) return;

  CopyLogText(g_setup.log_buffer, g_setup.log_used);
  char path[kPathBuffer];
  ChooseLogFile(path);
  if (path[0] != '\0') {
    PlatFile file = kPlatNoFile;
    if (g_setup.log_written) file = PlatOpenFile(path, kOpenWrite);
    if (file == kPlatNoFile) file = PlatCreateFile(path);
    if (file != kPlatNoFile) {
      PlatSeekFile(file, 0, kSeekEnd);
      PlatWriteFile(file, g_setup.log_buffer, g_setup.log_used);
      PlatCloseFile(file);
    }
  }
  g_setup.log_written = 1;
  FreeBlock(g_setup.log_buffer);
  g_setup.log_buffer = nullptr;
  g_setup.log_capacity = 0;
  g_setup.log_used = 0;
}

// The message boxes of the program and the fatal-error report. Each box beeps first, then shows
// the formatted text under the caption "Setup", task-modal, owned by the frame window.
#include "services/errors.h"

#include <cstdarg>

#include "platform/format.h"
#include "platform/messages.h"
#include "services/message_box.h"
#include "services/setup_state.h"
#include "services/update_log.h"

namespace {

const char kCaption[] = "Setup";
const uint32_t kMessageText = 512;  // at most 511 characters after formatting

int ShowBoxV(uint32_t beep, uint32_t style, const char* format, va_list args) {
  char text[kMessageText];
  if (FormatTextV(text, sizeof text, format, args) < 0) return 0;
  return ShowBox(kCaption, text, style, beep);
}

}  // namespace

int ShowBox(const char* caption, const char* text, uint32_t style, uint32_t beep) {
  if (g_setup.silent) LogLine("Message not shown: %s", text);
  return PutUpMessageBox(caption, text, style, beep);
}

int FailWith(uint16_t number) {
  if (g_setup.error_number == 0) g_setup.error_number = number;
  return 0;
}

int ShowError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = ShowBoxV(kMbIconExclamation, kMbTaskModal | kMbIconHand | kMbOk, format, args);
  va_end(args);
  return result;
}

int AskRetryCancel(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result =
      ShowBoxV(kMbIconExclamation, kMbTaskModal | kMbIconHand | kMbRetryCancel, format, args);
  va_end(args);
  return result == kIdRetry;
}

int AskYesNo(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = ShowBoxV(kMbIconQuestion, kMbTaskModal | kMbIconQuestion | kMbYesNo, format, args);
  va_end(args);
  return result == kIdYes;
}

int AskMoreDiskSpace() {
  return AskRetryCancel(
      "Setup needs more disk space.\n\nPlease make more space available and select 'Retry' "
      "below.");
}

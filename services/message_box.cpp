// PutUpMessageBox, and the answer a silent run gives in place of each kind of box.
#include "services/message_box.h"

#include "platform/messages.h"
#include "services/setup_state.h"

namespace {

const uint32_t kButtonsMask = 0x0F;

int SilentAnswer(uint32_t style) {
  switch (style & kButtonsMask) {
    case kMbRetryCancel:
      return kIdCancel;
    case kMbYesNo:
      return kIdNo;
    default:
      return kIdOk;
  }
}

}  // namespace

int PutUpMessageBox(const char* caption, const char* text, uint32_t style, uint32_t beep) {
  if (g_setup.silent) return SilentAnswer(style);
  if (beep != kNoBeep) PlatMessageBeep(beep);
  return PlatMessageBox(g_setup.frame_window, text, caption, style);
}

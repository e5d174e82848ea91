// Message boxes and beeps, with Win32 semantics (MessageBoxA, MessageBeep).
//
// Contract: PlatMessageBox returns the id of the button that closed the box (kIdOk ...), and
// kIdCancel for a box closed any other way. The owner may be null. The host backend answers
// from the machine's script of answers, or asks on a terminal, and records every box.
#pragma once

#include <cstdint>

#include "platform/types.h"

// MessageBoxA styles and results used by the program.
const uint32_t kMbOk = 0x0000;
const uint32_t kMbRetryCancel = 0x0005;
const uint32_t kMbYesNo = 0x0004;
const uint32_t kMbIconHand = 0x0010;
const uint32_t kMbIconQuestion = 0x0020;
const uint32_t kMbIconExclamation = 0x0030;
const uint32_t kMbIconInformation = 0x0040;
const uint32_t kMbTaskModal = 0x2000;

const int kIdOk = 1;
const int kIdCancel = 2;
const int kIdAbort = 3;
const int kIdRetry = 4;
const int kIdIgnore = 5;
const int kIdYes = 6;
const int kIdNo = 7;

void PlatMessageBeep(uint32_t type);
int PlatMessageBox(PlatWindow owner, const char* text, const char* caption, uint32_t style);

// The two messages of the progress gauge control (class "_VNTSETUP_Gauge"), sent to control 502
// of a progress dialog: the position to show, and the range that counts as 100 per cent.
#pragma once

#include "platform/windows.h"

const uint32_t kGmSetPos = kWmUser;        // GM_SETPOS: wparam = position
const uint32_t kGmSetRange = kWmUser + 1;  // GM_SETRANGE: wparam = range
const int kGaugeControl = 502;

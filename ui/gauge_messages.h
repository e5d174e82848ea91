// The two messages of the progress gauge control (class "_VNTSETUP_Gauge"), sent to control 502
// of a progress dialog: the position to show, and the range that counts as 100 per cent. Both
// carry their value in lparam; wparam is 0. SendGaugeRange and SendGaugePosition send them.
#pragma once

#include <cstdint>

#include "platform/windows.h"

const uint32_t kGmSetPos = kWmUser;        // GM_SETPOS: lparam = position
const uint32_t kGmSetRange = kWmUser + 1;  // GM_SETRANGE: lparam = range
const int kGaugeControl = 502;

// A null dialog is harmless (nothing happens), so a caller whose dialog failed carries on.
void SendGaugeRange(PlatWindow dialog, uint32_t range);
void SendGaugePosition(PlatWindow dialog, uint32_t position);

// What the progress gauge draws, as arithmetic: the percentage and its text, the split point
// between the filled and the empty part, and where the text goes. Unsigned 64-bit products and
// truncating divisions, so that bar and percentage agree for any 32-bit range.
#pragma once

#include <cstdint>

#include "platform/drawing.h"

struct GaugeLayout {
  uint32_t percent;  // 0..100
  char text[5];      // "%3d%%": four characters and the NUL
  PlatRect filled;   // from the inner left edge to the split point
  PlatRect empty;    // from the split point to the inner right edge
};

// A position beyond the range counts as the range; a range of 0 draws 0 per cent and an empty
// bar. The filled part never passes the inner rectangle. width and height are the gauge's client
// size.
void LayoutGauge(uint32_t position, uint32_t range, int32_t width, int32_t height,
                 GaugeLayout* layout);
// Where the text of text_width x text_height goes inside the gauge of that client size.
void GaugeTextOrigin(int32_t width, int32_t height, int32_t text_width, int32_t text_height,
                     int32_t* x, int32_t* y);

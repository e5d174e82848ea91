// The arithmetic of the frame window: the display's colour depth, the blue ramp palette and
// its index table, the colour of each row of the gradient, and the title bitmap's layout and
// mask. Drawing itself is the frame window's (frame_window.cpp).
#pragma once

#include <cstdint>

#include "platform/drawing.h"

// The colour depth the frame draws for: 24 above 8 bits per pixel (or more than 256 colours,
// compared unsigned so that -1 counts as more), 4 below 8 bits, 8 otherwise (palette mode).
int ClassifyColourDepth(uint32_t bits_per_pixel, int32_t colours, uint32_t planes);

// The blue ramp: entries 0..31 are RGB(0, 0, 8 i), entry 32 is white.
const int kRampEntries = 33;
void BuildBlueRamp(PlatPaletteEntry entries[kRampEntries]);
// Entry i: PALETTEINDEX(n) for the ramp entry n nearest to RGB(0, 0, i), as
// GetNearestPaletteIndex chooses it (least squared distance, the first of equals).
void BuildRampIndexTable(const PlatPaletteEntry entries[kRampEntries], PlatColour table[256]);

// The blue level of row y of a window h rows high: 255 - MulDiv(255, y, h).
uint32_t GradientLevel(int32_t y, int32_t height);

// A packed device-independent bitmap as resource 350 holds it: 40-byte info header, colour
// table of 1 << bits entries (none at 24 bits), then the rows.
struct DibLayout {
  int32_t width;
  int32_t height;   // rows; positive means bottom-up
  uint32_t stride;  // bytes in a row, padded to a multiple of 4
  uint32_t bits_offset;
  uint32_t bits_size;  // height x stride
};
// 1 when the data is a whole, uncompressed bitmap of that kind and fits within size bytes.
int ReadDibLayout(const uint8_t* data, uint32_t size, DibLayout* layout);
// The mask: every byte of the rows complemented.
void MakeDibMask(const uint8_t* bits, uint32_t size, uint8_t* mask);

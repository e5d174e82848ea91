// Drawing in a window with Win32 semantics (GDI32): painting, pens and lines, device-independent
// bitmaps, rectangles and text, the display's colour capabilities and logical palettes, and
// the program's bitmap and icon resources. The arithmetic of what to draw is the core's.
//
// Contract: every call on a paint that did not begin is harmless; creation returns null on
// failure. Colours are COLORREFs: 0x00BBGGRR, or PALETTEINDEX(n) = 0x01000000 | n. The host
// backend draws nothing and keeps the calls it was given for tests (docs/host-machine.md).
#pragma once

#include <cstdint>

#include "platform/types.h"

typedef uint32_t PlatColour;
inline PlatColour PlatRgb(uint32_t red, uint32_t green, uint32_t blue) {
  return red | (green << 8) | (blue << 16);
}
inline PlatColour PlatPaletteIndex(uint32_t index) {
  return 0x01000000u | index;
}

typedef void* PlatPalette;  // HPALETTE

// A rectangle: left and top inside, right and bottom just outside.
struct PlatRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// One painting of a window, from BeginPaint to EndPaint. The backend's own state rides along.
struct PlatPaint {
  PlatWindow window;
  void* context;                  // HDC
  PlatRect client;                // GetClientRect
  void* original_pen;             // the pen the context had before PlatSelectPen
  void* pen;                      // the pen selected by PlatSelectPen, or null
  alignas(8) uint8_t system[72];  // PAINTSTRUCT
};
int PlatBeginPaint(PlatWindow window, PlatPaint* paint);
void PlatEndPaint(PlatPaint* paint);

// Selects a new solid pen of width 0 in colour, deleting the pen this paint selected before;
// PlatRestorePen selects the context's own pen back and deletes the last one.
void PlatSelectPen(PlatPaint* paint, PlatColour colour);
void PlatRestorePen(PlatPaint* paint);
// MoveToEx then LineTo: the line from (x0, y0) up to, not including, (x1, y1).
void PlatDrawLine(PlatPaint* paint, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// StretchDIBits at the bitmap's own size to (x, y), DIB_RGB_COLORS. info points at the
// BITMAPINFOHEADER and its colour table; bits at the pixel rows.
const uint32_t kRopSrcAnd = 0x008800C6;
const uint32_t kRopSrcInvert = 0x00660046;
void PlatDrawBitmap(PlatPaint* paint, int32_t x, int32_t y, int32_t width, int32_t height,
                    const void* info, const void* bits, uint32_t rop);

// FrameRect with the stock black brush.
void PlatFrameRectBlack(PlatPaint* paint, const PlatRect& rect);
// GetTextExtentPoint32A of length characters in the context's font.
int PlatTextExtent(PlatPaint* paint, const char* text, int length, int32_t* width, int32_t* height);
// SetBkColor, SetTextColor, then ExtTextOutA(ETO_OPAQUE | ETO_CLIPPED) inside rect.
void PlatDrawClippedText(PlatPaint* paint, int32_t x, int32_t y, const PlatRect& rect,
                         PlatColour background, PlatColour text_colour, const char* text,
                         int length);

// GetDeviceCaps of the screen: BITSPIXEL, NUMCOLORS (-1 for more than 256), PLANES.
void PlatGetScreenColours(uint32_t* bits, int32_t* colours, uint32_t* planes);

// A logical palette (version 0x300) of count entries with flags 0; null on failure.
struct PlatPaletteEntry {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};
PlatPalette PlatCreatePalette(const PlatPaletteEntry* entries, int count);
void PlatDeletePalette(PlatPalette palette);
// SelectPalette into the paint's context (background or foreground) and RealizePalette; returns
// the previous palette, for PlatRestorePalette. changed receives what RealizePalette returned.
PlatPalette PlatUsePalette(PlatPaint* paint, PlatPalette palette, int background,
                           uint32_t* changed);
void PlatRestorePalette(PlatPaint* paint, PlatPalette previous, int background);
// Outside painting: GetDC, select as foreground and realize, select the previous back,
// ReleaseDC. Returns the entries that changed.
uint32_t PlatRealizeWindowPalette(PlatWindow window, PlatPalette palette);

// Finds, loads and locks bitmap resource id: the packed DIB (info header, colour table, bits)
// and its size, or null. The data lives as long as the program.
const uint8_t* PlatLoadBitmapResource(int id, uint32_t* size);
// LoadIconA of the program's icon id: 1 when it is there.
int PlatPreloadIcon(int id);

// Drawing over GDI32: painting, pens and lines, StretchDIBits, FrameRect and ExtTextOutA, the
// screen's colour capabilities, logical palettes, and the bitmap and icon resources.
#include <windows.h>

#include "platform/drawing.h"

static_assert(sizeof(PAINTSTRUCT) <= sizeof(PlatPaint::system), "PAINTSTRUCT fits");

namespace {

HDC ContextOf(const PlatPaint* paint) {
  return paint != nullptr ? static_cast<HDC>(paint->context) : nullptr;
}

RECT ToRect(const PlatRect& rect) {
  RECT result = {rect.left, rect.top, rect.right, rect.bottom};
  return result;
}

}  // namespace

int PlatBeginPaint(PlatWindow window, PlatPaint* paint) {
  ZeroMemory(paint, sizeof *paint);
  PAINTSTRUCT* system = reinterpret_cast<PAINTSTRUCT*>(paint->system);
  HDC context = BeginPaint(static_cast<HWND>(window), system);
  if (context == nullptr) return 0;
  RECT client;
  GetClientRect(static_cast<HWND>(window), &client);
  paint->window = window;
  paint->context = context;
  paint->client = PlatRect{client.left, client.top, client.right, client.bottom};
  return 1;
}

void PlatEndPaint(PlatPaint* paint) {
  if (ContextOf(paint) == nullptr) return;
  EndPaint(static_cast<HWND>(paint->window), reinterpret_cast<PAINTSTRUCT*>(paint->system));
  paint->context = nullptr;
}

void PlatSelectPen(PlatPaint* paint, PlatColour colour) {
  HDC context = ContextOf(paint);
  if (context == nullptr) return;
  HPEN pen = CreatePen(PS_SOLID, 0, colour);
  if (pen == nullptr) return;
  HGDIOBJ previous = SelectObject(context, pen);
  if (paint->pen == nullptr) {
    paint->original_pen = previous;
  } else {
    DeleteObject(static_cast<HGDIOBJ>(paint->pen));
  }
  paint->pen = pen;
}

void PlatRestorePen(PlatPaint* paint) {
  HDC context = ContextOf(paint);
  if (context == nullptr || paint->pen == nullptr) return;
  SelectObject(context, static_cast<HGDIOBJ>(paint->original_pen));
  DeleteObject(static_cast<HGDIOBJ>(paint->pen));
  paint->pen = nullptr;
}

void PlatDrawLine(PlatPaint* paint, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  HDC context = ContextOf(paint);
  if (context == nullptr) return;
  MoveToEx(context, x0, y0, nullptr);
  LineTo(context, x1, y1);
}

void PlatDrawBitmap(PlatPaint* paint, int32_t x, int32_t y, int32_t width, int32_t height,
                    const void* info, const void* bits, uint32_t rop) {
  HDC context = ContextOf(paint);
  if (context == nullptr) return;
  StretchDIBits(context, x, y, width, height, 0, 0, width, height, bits,
                static_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, rop);
}

void PlatFrameRectBlack(PlatPaint* paint, const PlatRect& rect) {
  HDC context = ContextOf(paint);
  if (context == nullptr) return;
  RECT frame = ToRect(rect);
  FrameRect(context, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

int PlatTextExtent(PlatPaint* paint, const char* text, int length, int32_t* width,
                   int32_t* height) {
  HDC context = ContextOf(paint);
  SIZE size = {0, 0};
  if (context == nullptr || !GetTextExtentPoint32A(context, text, length, &size)) return 0;
  *width = size.cx;
  *height = size.cy;
  return 1;
}

void PlatDrawClippedText(PlatPaint* paint, int32_t x, int32_t y, const PlatRect& rect,
                         PlatColour background, PlatColour text_colour, const char* text,
                         int length) {
  HDC context = ContextOf(paint);
  if (context == nullptr) return;
  RECT clip = ToRect(rect);
  SetBkColor(context, background);
  SetTextColor(context, text_colour);
  ExtTextOutA(context, x, y, ETO_OPAQUE | ETO_CLIPPED, &clip, text, length, nullptr);
}

void PlatGetScreenColours(uint32_t* bits, int32_t* colours, uint32_t* planes) {
  HDC screen = GetDC(nullptr);
  *bits = static_cast<uint32_t>(GetDeviceCaps(screen, BITSPIXEL));
  *colours = GetDeviceCaps(screen, NUMCOLORS);
  *planes = static_cast<uint32_t>(GetDeviceCaps(screen, PLANES));
  ReleaseDC(nullptr, screen);
}

PlatPalette PlatCreatePalette(const PlatPaletteEntry* entries, int count) {
  if (count <= 0 || count > 256) return nullptr;
  struct {
    LOGPALETTE header;
    PALETTEENTRY more[255];
  } palette;
  palette.header.palVersion = 0x300;
  palette.header.palNumEntries = static_cast<WORD>(count);
  PALETTEENTRY* out = palette.header.palPalEntry;
  for (int i = 0; i < count; ++i) {
    out[i].peRed = entries[i].red;
    out[i].peGreen = entries[i].green;
    out[i].peBlue = entries[i].blue;
    out[i].peFlags = 0;
  }
  return CreatePalette(&palette.header);
}

void PlatDeletePalette(PlatPalette palette) {
  if (palette != nullptr) DeleteObject(static_cast<HGDIOBJ>(palette));
}

PlatPalette PlatUsePalette(PlatPaint* paint, PlatPalette palette, int background,
                           uint32_t* changed) {
  HDC context = ContextOf(paint);
  if (changed != nullptr) *changed = 0;
  if (context == nullptr || palette == nullptr) return nullptr;
  HPALETTE previous = SelectPalette(context, static_cast<HPALETTE>(palette), background);
  UINT realized = RealizePalette(context);
  if (changed != nullptr && realized != GDI_ERROR) *changed = realized;
  return previous;
}

void PlatRestorePalette(PlatPaint* paint, PlatPalette previous, int background) {
  HDC context = ContextOf(paint);
  if (context != nullptr && previous != nullptr) {
    SelectPalette(context, static_cast<HPALETTE>(previous), background);
  }
}

uint32_t PlatRealizeWindowPalette(PlatWindow window, PlatPalette palette) {
  if (window == nullptr || palette == nullptr) return 0;
  HDC context = GetDC(static_cast<HWND>(window));
  if (context == nullptr) return 0;
  HPALETTE previous = SelectPalette(context, static_cast<HPALETTE>(palette), FALSE);
  UINT changed = RealizePalette(context);
  SelectPalette(context, previous, FALSE);
  ReleaseDC(static_cast<HWND>(window), context);
  return changed == GDI_ERROR ? 0 : changed;
}

const uint8_t* PlatLoadBitmapResource(int id, uint32_t* size) {
  *size = 0;
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_BITMAP);
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const uint8_t* data =
      loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (data != nullptr) *size = SizeofResource(nullptr, found);
  return data;
}

int PlatPreloadIcon(int id) {
  return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)) != nullptr;
}

// Drawing on the simulated machine: nothing reaches a screen. Paints report the window's
// simulated client size, and every pen, bitmap, frame and text drawn is kept (up to
// kHostDrawCallMax calls) so that tests can check what a real screen would show. The display's
// colours come from machine.ini; palettes are tokens; the title bitmap is the one SETUP.EXE
// carries, embedded in the host program.
#include <cstring>

#include "platform/drawing.h"
#include "platform/host/host_backend.h"

extern const uint8_t kHostTitleBitmapFile[];
extern const uint32_t kHostTitleBitmapFileSize;

namespace {

const uint32_t kBitmapFileHeader = 14;  // BITMAPFILEHEADER, which a bitmap resource leaves out
const int kTitleBitmap = 350;
const int kIcon = 300;

struct Drawing {
  HostDrawCall calls[kHostDrawCallMax];
  int count;
  uint32_t lines;
  int palettes;  // palettes alive
};
Drawing g_drawing;
char g_palette_token;

HostDrawCall* Record(HostDrawKind kind, PlatPaint* paint) {
  if (g_drawing.count == kHostDrawCallMax) return nullptr;
  HostDrawCall* call = &g_drawing.calls[g_drawing.count++];
  memset(call, 0, sizeof *call);
  call->kind = kind;
  call->window = paint->window;
  return call;
}

int Painting(const PlatPaint* paint) {
  return paint != nullptr && paint->context != nullptr;
}

}  // namespace

int HostDrawCallCount() {
  return g_drawing.count;
}
const HostDrawCall* HostDrawCallAt(int index) {
  return index >= 0 && index < g_drawing.count ? &g_drawing.calls[index] : nullptr;
}
uint32_t HostDrawnLines() {
  return g_drawing.lines;
}
void HostClearDrawCalls() {
  g_drawing.count = 0;
  g_drawing.lines = 0;
}

int PlatBeginPaint(PlatWindow window, PlatPaint* paint) {
  memset(paint, 0, sizeof *paint);
  HostWindow* host = HostWindowOf(window);
  if (host == nullptr) return 0;
  paint->window = window;
  paint->context = host;
  paint->client = PlatRect{0, 0, host->width, host->height};
  return 1;
}

void PlatEndPaint(PlatPaint* paint) {
  paint->context = nullptr;
}

void PlatSelectPen(PlatPaint* paint, PlatColour colour) {
  if (!Painting(paint)) return;
  HostDrawCall* call = Record(kHostDrawPen, paint);
  if (call != nullptr) call->colour = colour;
  paint->pen = &g_drawing;
}

void PlatRestorePen(PlatPaint* paint) {
  if (Painting(paint)) paint->pen = nullptr;
}

void PlatDrawLine(PlatPaint* paint, int32_t, int32_t, int32_t, int32_t) {
  if (Painting(paint)) ++g_drawing.lines;
}

void PlatDrawBitmap(PlatPaint* paint, int32_t x, int32_t y, int32_t width, int32_t height,
                    const void*, const void* bits, uint32_t rop) {
  if (!Painting(paint)) return;
  HostDrawCall* call = Record(kHostDrawBitmap, paint);
  if (call == nullptr) return;
  call->rect = PlatRect{x, y, x + width, y + height};
  call->rop = rop;
  call->bits = bits;
}

void PlatFrameRectBlack(PlatPaint* paint, const PlatRect& rect) {
  if (!Painting(paint)) return;
  HostDrawCall* call = Record(kHostDrawFrame, paint);
  if (call != nullptr) call->rect = rect;
}

// The system font of the simulated display: 7 pixels a character, 13 high.
int PlatTextExtent(PlatPaint* paint, const char*, int length, int32_t* width, int32_t* height) {
  if (!Painting(paint)) return 0;
  *width = 7 * length;
  *height = 13;
  return 1;
}

void PlatDrawClippedText(PlatPaint* paint, int32_t x, int32_t y, const PlatRect& rect,
                         PlatColour background, PlatColour text_colour, const char* text,
                         int length) {
  if (!Painting(paint)) return;
  HostDrawCall* call = Record(kHostDrawText, paint);
  if (call == nullptr) return;
  call->x = x;
  call->y = y;
  call->rect = rect;
  call->background = background;
  call->colour = text_colour;
  int copied = length < static_cast<int>(sizeof call->text) - 1
                   ? length
                   : static_cast<int>(sizeof call->text) - 1;
  memcpy(call->text, text, static_cast<size_t>(copied));
  call->text[copied] = '\0';
}

void PlatGetScreenColours(uint32_t* bits, int32_t* colours, uint32_t* planes) {
  const HostMachineInfo& info = HostInfo();
  *bits = info.display_bits;
  *colours = info.display_colours;
  *planes = info.display_planes;
}

PlatPalette PlatCreatePalette(const PlatPaletteEntry*, int count) {
  if (count <= 0) return nullptr;
  ++g_drawing.palettes;
  HostTranscript("palette-create %d", count);
  return &g_palette_token;
}

void PlatDeletePalette(PlatPalette palette) {
  if (palette != nullptr) --g_drawing.palettes;
}

PlatPalette PlatUsePalette(PlatPaint* paint, PlatPalette, int, uint32_t* changed) {
  if (changed != nullptr) *changed = 0;
  return Painting(paint) ? &g_palette_token : nullptr;
}

void PlatRestorePalette(PlatPaint*, PlatPalette, int) {}

uint32_t PlatRealizeWindowPalette(PlatWindow, PlatPalette) {
  return 0;
}

const uint8_t* PlatLoadBitmapResource(int id, uint32_t* size) {
  *size = 0;
  if (id != kTitleBitmap || kHostTitleBitmapFileSize <= kBitmapFileHeader) return nullptr;
  *size = kHostTitleBitmapFileSize - kBitmapFileHeader;
  return kHostTitleBitmapFile + kBitmapFileHeader;
}

int PlatPreloadIcon(int id) {
  return id == kIcon;
}

// The frame window: colour depth, palette, title bitmap and mask, the window class and window,
// the OLE check, the painting of the gradient and the bitmap, and the session-ending flag.
#include "ui/frame_window.h"

#include "platform/dialogs.h"
#include "platform/drawing.h"
#include "platform/messages.h"
#include "platform/ole.h"
#include "platform/windows.h"
#include "services/errors.h"
#include "services/memory.h"
#include "services/message_box.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "ui/frame_colours.h"
#include "ui/gauge.h"

const char kFrameClassName[] = "_VNTSETUP_Frame";

namespace {

const int kFirstTemplate = 200;
const int kLastTemplate = 230;
const int kIconResource = 300;
const int kTitleBitmapResource = 350;
const int kShadowOffset = 4;
const uint32_t kFrameClassStyle = 0x0203;       // CS_HREDRAW | CS_VREDRAW | CS_NOCLOSE
const uint32_t kFrameWindowStyle = 0x10CF0000;  // WS_OVERLAPPEDWINDOW | WS_VISIBLE
const uint32_t kWindowVisible = 0x10000000;     // WS_VISIBLE
const uint32_t kOleMajor = 23;
const uint32_t kOleLeastMinor = 639;

struct Frame {
  int colour_depth;
  int palette_mode;
  PlatPalette palette;
  PlatColour index_table[256];
  const uint8_t* bitmap;  // the resource: info header and colour table, then the rows
  DibLayout layout;
  uint8_t* mask;  // the rows complemented, from AllocBlock
  int ole_started;
  int session_ending;
};
Frame g_frame;

void LoadTitleBitmap() {
  uint32_t size = 0;
  const uint8_t* data = PlatLoadBitmapResource(kTitleBitmapResource, &size);
  if (!ReadDibLayout(data, size, &g_frame.layout)) return;
  g_frame.bitmap = data;
  g_frame.mask = static_cast<uint8_t*>(AllocBlock(g_frame.layout.bits_size));
  MakeDibMask(data + g_frame.layout.bits_offset, g_frame.layout.bits_size, g_frame.mask);
}

void MakePalette() {
  PlatPaletteEntry entries[kRampEntries];
  BuildBlueRamp(entries);
  g_frame.palette = PlatCreatePalette(entries, kRampEntries);
  BuildRampIndexTable(entries, g_frame.index_table);
}

// The OLE library must be of major version 23; from minor 639 on it is started for the run.
int CheckOle() {
  uint32_t version = PlatOleBuildVersion();
  if ((version >> 16) != kOleMajor) {
    ShowBox("Velnet", "A newer version of OLE is need to create a shortcut.", kMbIconInformation,
            kNoBeep);
    return 0;
  }
  if ((version & 0xFFFF) < kOleLeastMinor) return 1;
  int32_t result = PlatOleInitialize();
  if (result != kOleOk && result != kOleFalse) return 0;
  g_frame.ole_started = 1;
  return 1;
}

void PaintGradient(PlatPaint* paint) {
  PlatPalette previous = nullptr;
  if (g_frame.palette_mode) previous = PlatUsePalette(paint, g_frame.palette, 1, nullptr);
  int32_t width = paint->client.right;
  int32_t height = paint->client.bottom;
  PlatColour colour = 0;
  for (int32_t y = 0; y < height; ++y) {
    uint32_t level = GradientLevel(y, height);
    PlatColour row = g_frame.palette_mode ? g_frame.index_table[level] : PlatRgb(0, 0, level);
    if (row != colour) {
      PlatSelectPen(paint, row);
      colour = row;
    }
    PlatDrawLine(paint, 0, y, width - 1, y);
  }
  PlatRestorePen(paint);
  if (g_frame.palette_mode && previous != nullptr) PlatRestorePalette(paint, previous, 1);
}

// The white pixels of the title appear white with a black shadow to the right and below.
void PaintTitle(PlatPaint* paint) {
  const DibLayout& layout = g_frame.layout;
  const uint8_t* bits = g_frame.bitmap + layout.bits_offset;
  PlatDrawBitmap(paint, 0, 0, layout.width, layout.height, g_frame.bitmap, g_frame.mask,
                 kRopSrcAnd);
  PlatDrawBitmap(paint, kShadowOffset, kShadowOffset, layout.width, layout.height, g_frame.bitmap,
                 g_frame.mask, kRopSrcAnd);
  PlatDrawBitmap(paint, 0, 0, layout.width, layout.height, g_frame.bitmap, bits, kRopSrcInvert);
}

void RealizeFor(PlatWindow window, int invalidate_when_changed) {
  uint32_t changed = PlatRealizeWindowPalette(window, g_frame.palette);
  if (invalidate_when_changed && changed != 0) PlatInvalidateWindow(window, 1);
}

}  // namespace

void DetectColorDepth() {
  uint32_t bits = 0;
  int32_t colours = 0;
  uint32_t planes = 0;
  PlatGetScreenColours(&bits, &colours, &planes);
  g_frame.colour_depth = ClassifyColourDepth(bits, colours, planes);
  g_frame.palette_mode = g_frame.colour_depth == 8;
  LogLine("Bits per pixel = %d", g_frame.colour_depth);
}

int ColorDepth() {
  return g_frame.colour_depth;
}

int CreateFrameWindow(const char* title) {
  DetectColorDepth();
  for (int id = kFirstTemplate; id <= kLastTemplate; ++id) PlatPreloadDialogTemplate(id);
  PlatPreloadIcon(kIconResource);
  LoadTitleBitmap();
  if (g_frame.palette_mode) MakePalette();
  if (!RegisterGaugeClass()) return FailWith(kErrorGaugeClass);
  PlatWindowClass frame = {kFrameClassName, kFrameClassStyle, 0, PlatRgb(0, 0, 128), FrameWndProc};
  if (!PlatRegisterClass(frame)) return FailWith(kErrorFrameClass);
  // A silent run's frame is made hidden and stays so: it only owns the hidden dialogs.
  uint32_t style = g_setup.silent ? kFrameWindowStyle & ~kWindowVisible : kFrameWindowStyle;
  g_setup.frame_window = PlatCreateWindow(kFrameClassName, title, style);
  if (g_setup.frame_window == nullptr) return FailWith(kErrorFrameWindow);
  if (g_frame.palette_mode) RealizeFor(g_setup.frame_window, 0);
  if (!g_setup.silent) {
    PlatShowWindow(g_setup.frame_window, kSwShowMaximized);
    PlatUpdateWindow(g_setup.frame_window);
  }
  return CheckOle();
}

int DestroyFrameWindow() {
  if (g_setup.frame_window != nullptr) {
    PlatDestroyWindow(g_setup.frame_window);
    g_setup.frame_window = nullptr;
  }
  if (g_frame.palette != nullptr) PlatDeletePalette(g_frame.palette);
  if (g_frame.ole_started) PlatOleUninitialize();
  FreeBlock(g_frame.mask);
  g_frame = Frame();
  return UnregisterGaugeClass() && PlatUnregisterClass(kFrameClassName);
}

intptr_t FrameWndProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  switch (message) {
    case kWmPaint: {
      PlatPaint paint;
      if (PlatBeginPaint(window, &paint)) {
        if (g_frame.colour_depth != 4) PaintGradient(&paint);
        if (g_frame.bitmap != nullptr) PaintTitle(&paint);
        PlatEndPaint(&paint);
      }
      break;
    }
    case kWmQueryEndSession:
      g_frame.session_ending = 1;
      return 1;
    case kWmQueryNewPalette:
      if (g_frame.palette == nullptr) return 0;
      if (PlatRealizeWindowPalette(window, g_frame.palette) == 0) return 0;
      PlatInvalidateWindow(window, 1);
      return 1;
    case kWmPaletteChanged:
      if (g_frame.palette != nullptr && reinterpret_cast<PlatWindow>(wparam) != window) {
        RealizeFor(window, 1);
      }
      break;
    default:
      break;
  }
  return PlatDefWindowProc(window, message, wparam, lparam);
}

int SessionEnding() {
  return g_frame.session_ending;
}

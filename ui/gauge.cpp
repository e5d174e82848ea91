// The progress gauge control: its class, its window procedure and its painting, which draws
// the bar and the text twice, clipped to the filled and to the empty part. A new position is
// painted only when it moves the bar's edge or changes the text, measured against what the
// gauge showed at its last paint.
#include "ui/gauge.h"

#include <cstddef>

#include "platform/drawing.h"
#include "platform/windows.h"
#include "services/setup_state.h"
#include "ui/gauge_layout.h"

const char kGaugeClassName[] = "_VNTSETUP_Gauge";

namespace {

const int kPositionLong = 0;
const int kRangeLong = 4;
const uint32_t kNewRange = 100;
const uint32_t kClassStyle = 0x0003;  // CS_VREDRAW | CS_HREDRAW

// What a gauge showed at its last paint: its client size, the bar's edge and the text.
struct ShownGauge {
  PlatWindow window;  // null: the entry is free
  int32_t width;
  int32_t height;
  int32_t split;
  char text[sizeof GaugeLayout::text];
};
const int kShownMax = 4;  // gauges remembered at once; more are simply always repainted
ShownGauge g_shown[kShownMax];
int g_next_shown;  // the entry a new gauge takes when none is free

ShownGauge* ShownOf(PlatWindow window) {
  for (ShownGauge& shown : g_shown) {
    if (shown.window == window) return &shown;
  }
  return nullptr;
}

void Remember(PlatWindow window, int32_t width, int32_t height, const GaugeLayout& layout) {
  ShownGauge* shown = ShownOf(window);
  if (shown == nullptr) shown = ShownOf(nullptr);
  if (shown == nullptr) {
    shown = &g_shown[g_next_shown];
    g_next_shown = (g_next_shown + 1) % kShownMax;
  }
  *shown = ShownGauge{window, width, height, layout.filled.right, {}};
  for (size_t i = 0; i < sizeof shown->text; ++i) shown->text[i] = layout.text[i];
}

void Forget(PlatWindow window) {
  ShownGauge* shown = ShownOf(window);
  if (shown != nullptr) *shown = ShownGauge();
}

// 1 when the gauge, painted now, would look as it did at its last paint.
int LooksTheSame(PlatWindow window, uint32_t position) {
  const ShownGauge* shown = ShownOf(window);
  if (shown == nullptr) return 0;
  GaugeLayout layout;
  LayoutGauge(position, PlatGetWindowLong(window, kRangeLong), shown->width, shown->height,
              &layout);
  for (size_t i = 0; i < sizeof shown->text; ++i) {
    if (shown->text[i] != layout.text[i]) return 0;
  }
  return layout.filled.right == shown->split;
}

void PaintGauge(PlatWindow window) {
  PlatPaint paint;
  if (!PlatBeginPaint(window, &paint)) return;
  uint32_t range = PlatGetWindowLong(window, kRangeLong);
  uint32_t position = PlatGetWindowLong(window, kPositionLong);
  int32_t width = paint.client.right;
  int32_t height = paint.client.bottom;
  GaugeLayout layout;
  LayoutGauge(position, range, width, height, &layout);
  int32_t text_width = 0;
  int32_t text_height = 0;
  PlatTextExtent(&paint, layout.text, 4, &text_width, &text_height);
  PlatFrameRectBlack(&paint, paint.client);
  int32_t x;
  int32_t y;
  GaugeTextOrigin(width, height, text_width, text_height, &x, &y);
  const PlatColour kBlue = PlatRgb(0, 0, 255);
  const PlatColour kWhite = PlatRgb(255, 255, 255);
  PlatDrawClippedText(&paint, x, y, layout.filled, kBlue, kWhite, layout.text, 4);
  PlatDrawClippedText(&paint, x, y, layout.empty, kWhite, kBlue, layout.text, 4);
  PlatEndPaint(&paint);
  Remember(window, width, height, layout);
}

}  // namespace

int RegisterGaugeClass() {
  PlatWindowClass gauge = {kGaugeClassName, kClassStyle, 8, kStockWhiteBackground, GaugeWndProc};
  return PlatRegisterClass(gauge);
}

int UnregisterGaugeClass() {
  return PlatUnregisterClass(kGaugeClassName);
}

intptr_t GaugeWndProc(PlatWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  switch (message) {
    case kWmCreate:
      Forget(window);
      PlatSetWindowLong(window, kRangeLong, kNewRange);
      PlatSetWindowLong(window, kPositionLong, 0);
      return 1;
    case kWmPaint:
      PaintGauge(window);
      return 1;
    case kGmSetPos: {
      int same = LooksTheSame(window, static_cast<uint32_t>(lparam));
      PlatSetWindowLong(window, kPositionLong, static_cast<uint32_t>(lparam));
      if (same) return 1;
      PlatInvalidateWindow(window, 0);
      PlatUpdateWindow(window);
      return 1;
    }
    case kGmSetRange:
      PlatSetWindowLong(window, kRangeLong, static_cast<uint32_t>(lparam));
      return 1;
    case kWmDestroy:
      Forget(window);
      return PlatDefWindowProc(window, message, wparam, lparam);
    default:
      return PlatDefWindowProc(window, message, wparam, lparam);
  }
}

void SendGaugeRange(PlatWindow dialog, uint32_t range) {
  PlatSendItemMessage(dialog, kGaugeControl, kGmSetRange, 0, static_cast<intptr_t>(range));
}

// A silent run's dialogs are never shown, so its gauge is not told each step: the messages and
// the repaint of a hidden window they ask for would cost more than the step itself.
void SendGaugePosition(PlatWindow dialog, uint32_t position) {
  if (g_setup.silent) return;
  PlatSendItemMessage(dialog, kGaugeControl, kGmSetPos, 0, static_cast<intptr_t>(position));
}

// The progress gauge control: its class, its window procedure and its painting, which draws
// the bar and the text twice, clipped to the filled and to the empty part.
#include "ui/gauge.h"

#include "platform/drawing.h"
#include "platform/windows.h"
#include "ui/gauge_layout.h"

const char kGaugeClassName[] = "_VNTSETUP_Gauge";

namespace {

const int kPositionLong = 0;
const int kRangeLong = 4;
const uint32_t kNewRange = 100;
const uint32_t kClassStyle = 0x0003;  // CS_VREDRAW | CS_HREDRAW

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
      PlatSetWindowLong(window, kRangeLong, kNewRange);
      PlatSetWindowLong(window, kPositionLong, 0);
      return 1;
    case kWmPaint:
      PaintGauge(window);
      return 1;
    case kGmSetPos:
      PlatSetWindowLong(window, kPositionLong, static_cast<uint32_t>(lparam));
      PlatInvalidateWindow(window, 0);
      PlatUpdateWindow(window);
      return 1;
    case kGmSetRange:
      PlatSetWindowLong(window, kRangeLong, static_cast<uint32_t>(lparam));
      return 1;
    default:
      return PlatDefWindowProc(window, message, wparam, lparam);
  }
}

void SendGaugeRange(PlatWindow dialog, uint32_t range) {
  PlatSendItemMessage(dialog, kGaugeControl, kGmSetRange, 0, static_cast<intptr_t>(range));
}

void SendGaugePosition(PlatWindow dialog, uint32_t position) {
  PlatSendItemMessage(dialog, kGaugeControl, kGmSetPos, 0, static_cast<intptr_t>(position));
}

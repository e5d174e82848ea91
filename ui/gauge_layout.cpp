// The gauge's arithmetic: percentage, text, split point and text origin.
#include "ui/gauge_layout.h"

#include "platform/format.h"

void LayoutGauge(uint32_t position, uint32_t range, int32_t width, int32_t height,
                 GaugeLayout* layout) {
  if (position > range) position = range;
  // The inner rectangle: the client area less the one-pixel black border.
  PlatRect inner = {1, 1, width - 1, height - 1};
  uint32_t percent = 0;
  int32_t split = inner.left;
  // 64-bit products: in 32 bits they would wrap for ranges over about 14 million.
  if (range != 0) percent = static_cast<uint32_t>(uint64_t{position} * 100u / range);
  if (range != 0 && inner.right > inner.left) {
    uint64_t reach = uint64_t{position} * static_cast<uint32_t>(inner.right) / range + 1;
    // The bar ends at the inner edge: the frame's right column stays drawn.
    split = reach < static_cast<uint64_t>(inner.right) ? static_cast<int32_t>(reach) : inner.right;
  }
  layout->percent = percent;
  FormatText(layout->text, sizeof layout->text, "%3d%%", static_cast<int>(percent));
  layout->filled = {inner.left, inner.top, split, inner.bottom};
  layout->empty = {split, inner.top, inner.right, inner.bottom};
}

void GaugeTextOrigin(int32_t width, int32_t height, int32_t text_width, int32_t text_height,
                     int32_t* x, int32_t* y) {
  *x = (width - 1 - text_width) / 2;
  *y = (height - 1 - text_height) / 2;
}

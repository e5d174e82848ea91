// The frame's arithmetic: colour depth, blue ramp palette and index table, gradient rows,
// bitmap layout and mask.
#include "ui/frame_colours.h"

namespace {

const uint32_t kInfoHeaderSize = 40;

uint32_t ReadU32(const uint8_t* data) {
  return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
}
uint32_t ReadU16(const uint8_t* data) {
  return data[0] | (data[1] << 8);
}

}  // namespace

int ClassifyColourDepth(uint32_t bits_per_pixel, int32_t colours, uint32_t planes) {
  uint32_t bits = bits_per_pixel * planes;
  if (bits > 8 || static_cast<uint32_t>(colours) > 256) return 24;
  if (bits < 8) return 4;
  return 8;
}

void BuildBlueRamp(PlatPaletteEntry entries[kRampEntries]) {
  for (int i = 0; i < kRampEntries - 1; ++i) {
    entries[i] = {0, 0, static_cast<uint8_t>(8 * i)};
  }
  entries[kRampEntries - 1] = {255, 255, 255};
}

void BuildRampIndexTable(const PlatPaletteEntry entries[kRampEntries], PlatColour table[256]) {
  for (int level = 0; level < 256; ++level) {
    int nearest = 0;
    int32_t best = -1;
    for (int n = 0; n < kRampEntries; ++n) {
      int32_t red = entries[n].red;
      int32_t green = entries[n].green;
      int32_t blue = entries[n].blue - level;
      int32_t distance = red * red + green * green + blue * blue;
      if (best < 0 || distance < best) {
        best = distance;
        nearest = n;
      }
    }
    table[level] = PlatPaletteIndex(static_cast<uint32_t>(nearest));
  }
}

uint32_t GradientLevel(int32_t y, int32_t height) {
  // MulDiv(255, y, height): the product over the divisor, rounded half away from zero.
  uint64_t product = 255u * static_cast<uint64_t>(y);
  uint64_t divisor = static_cast<uint64_t>(height);
  uint32_t a = static_cast<uint32_t>((2 * product + divisor) / (2 * divisor));
  return 255u - a;
}

int ReadDibLayout(const uint8_t* data, uint32_t size, DibLayout* layout) {
  if (data == nullptr || size < kInfoHeaderSize || ReadU32(data) != kInfoHeaderSize) return 0;
  int32_t width = static_cast<int32_t>(ReadU32(data + 4));
  int32_t height = static_cast<int32_t>(ReadU32(data + 8));
  uint32_t bit_count = ReadU16(data + 14);
  uint32_t compression = ReadU32(data + 16);
  if (width <= 0 || width > 4096 || height <= 0 || height > 4096 || compression != 0) return 0;
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 24) return 0;
  uint32_t colours = bit_count == 24 ? 0 : (1u << bit_count);
  uint32_t stride = (static_cast<uint32_t>(width) * bit_count + 31) / 32 * 4;
  uint32_t offset = kInfoHeaderSize + 4 * colours;
  uint32_t bits_size = stride * static_cast<uint32_t>(height);
  if (offset > size || bits_size > size - offset) return 0;
  *layout = {width, height, stride, offset, bits_size};
  return 1;
}

void MakeDibMask(const uint8_t* bits, uint32_t size, uint8_t* mask) {
  for (uint32_t i = 0; i < size; ++i) mask[i] = static_cast<uint8_t>(~bits[i]);
}

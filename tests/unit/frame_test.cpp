// The frame window: the colour arithmetic, the title bitmap and its mask, and the frame on the
// simulated machine (creation order and failures, the OLE check, painting, the session end).
#include <gtest/gtest.h>

#include <string>

#include "platform/drawing.h"
#include "platform/windows.h"
#include "services/setup_state.h"
#include "tests/support/setup_test.h"
#include "ui/dialog_manager.h"
#include "ui/frame_colours.h"
#include "ui/frame_window.h"
#include "ui/gauge.h"

namespace {

TEST(FrameColours, ColourDepthFromTheScreen) {
  EXPECT_EQ(ClassifyColourDepth(8, 256, 1), 8);
  EXPECT_EQ(ClassifyColourDepth(8, -1, 1), 24);  // -1 colours counts as more than 256
  EXPECT_EQ(ClassifyColourDepth(16, -1, 1), 24);
  EXPECT_EQ(ClassifyColourDepth(4, 16, 1), 4);
  EXPECT_EQ(ClassifyColourDepth(1, 16, 4), 4);  // bits are bits per pixel times planes
  EXPECT_EQ(ClassifyColourDepth(4, 256, 2), 8);
}

TEST(FrameColours, BlueRampAndItsNearestIndices) {
  PlatPaletteEntry ramp[kRampEntries];
  BuildBlueRamp(ramp);
  EXPECT_EQ(ramp[0].blue, 0);
  EXPECT_EQ(ramp[31].blue, 248);
  EXPECT_EQ(ramp[31].red + ramp[31].green, 0);
  EXPECT_EQ(ramp[32].red + ramp[32].green + ramp[32].blue, 3 * 255);
  PlatColour table[256];
  BuildRampIndexTable(ramp, table);
  EXPECT_EQ(table[0], 0x01000000u);
  EXPECT_EQ(table[4], 0x01000000u);  // halfway: the first of the two
  EXPECT_EQ(table[5], 0x01000001u);
  EXPECT_EQ(table[128], 0x01000010u);
  EXPECT_EQ(table[255], 0x0100001Fu);  // 248 is nearer than white
}

TEST(FrameColours, GradientRunsFromBlueToBlack) {
  EXPECT_EQ(GradientLevel(0, 600), 255u);
  // 255 - MulDiv(255, H - 1, H), MulDiv rounding to nearest.
  EXPECT_EQ(GradientLevel(599, 600), 0u);
  EXPECT_EQ(GradientLevel(99, 100), 3u);  // 252.45 rounds to 252
  EXPECT_EQ(GradientLevel(1, 2), 127u);   // 127.5 rounds up to 128
  EXPECT_EQ(GradientLevel(0, 1), 255u);
}

TEST(FrameColours, TitleBitmapLayoutAndMask) {
  // A 261 x 97 one-bit bitmap: rows of 36 bytes.
  std::string dib(40 + 8 + 36 * 97, '\0');
  const uint8_t header[] = {40, 0, 0, 0, 5, 1, 0, 0, 97, 0, 0, 0, 1, 0, 1, 0};
  dib.replace(0, sizeof header, reinterpret_cast<const char*>(header), sizeof header);
  dib[48] = '\x0F';
  const uint8_t* data = reinterpret_cast<const uint8_t*>(dib.data());
  DibLayout layout;
  ASSERT_TRUE(ReadDibLayout(data, static_cast<uint32_t>(dib.size()), &layout));
  EXPECT_EQ(layout.width, 261);
  EXPECT_EQ(layout.stride, 36u);
  EXPECT_EQ(layout.bits_offset, 48u);
  EXPECT_EQ(layout.bits_size, 36u * 97);
  uint8_t mask[2];
  MakeDibMask(data + 48, 2, mask);
  EXPECT_EQ(mask[0], 0xF0);
  EXPECT_EQ(mask[1], 0xFF);
  // Cut short, compressed or top-down: not drawn rather than read past its end.
  EXPECT_FALSE(ReadDibLayout(data, static_cast<uint32_t>(dib.size() - 1), &layout));
  dib[16] = 1;
  EXPECT_FALSE(ReadDibLayout(data, static_cast<uint32_t>(dib.size()), &layout));
  dib[16] = 0;
  dib[11] = '\xFF';
  EXPECT_FALSE(ReadDibLayout(data, static_cast<uint32_t>(dib.size()), &layout));
}

TEST(FrameColours, TheProgramsTitleBitmap) {
  uint32_t size = 0;
  const uint8_t* data = PlatLoadBitmapResource(350, &size);
  DibLayout layout;
  ASSERT_TRUE(ReadDibLayout(data, size, &layout));
  EXPECT_EQ(layout.width, 261);
  EXPECT_EQ(layout.height, 97);
  EXPECT_EQ(layout.bits_offset, 48u);  // one bit per pixel: two colours
  EXPECT_EQ(data[14], 1);
  const uint8_t black_white[8] = {0, 0, 0, 0, 255, 255, 255, 0};
  EXPECT_EQ(memcmp(data + 40, black_white, 8), 0);
}

class FrameTest : public SetupTest {
 protected:
  void TearDown() override {
    DestroyFrameWindow();
    SetupTest::TearDown();
  }
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
  std::string LogText() { return std::string(g_setup.log_buffer, g_setup.log_used); }
};

TEST_F(FrameTest, FrameStandsPaintsAndGoes) {
  ASSERT_TRUE(CreateFrameWindow("Velnet Setup"));
  ASSERT_NE(g_setup.frame_window, nullptr);
  EXPECT_TRUE(Recorded("window-create class=\"_VNTSETUP_Frame\" title=\"Velnet Setup\""));
  EXPECT_TRUE(Recorded("ole-initialize"));  // the machine's OLE is 23.640
  EXPECT_NE(LogText().find("Bits per pixel = 24"), std::string::npos);
  EXPECT_EQ(ColorDepth(), 24);
  // Painted at once: a row per line, top blue, bottom per MulDiv, then the title three times.
  EXPECT_EQ(HostDrawnLines(), 600u);
  const HostDrawCall* first = HostDrawCallAt(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->kind, kHostDrawPen);
  EXPECT_EQ(first->colour, PlatRgb(0, 0, 255));
  std::string bitmaps;
  const HostDrawCall* last_pen = nullptr;
  for (int i = 0; i < HostDrawCallCount(); ++i) {
    const HostDrawCall* call = HostDrawCallAt(i);
    if (call->kind == kHostDrawPen) last_pen = call;
    if (call->kind != kHostDrawBitmap) continue;
    char text[64];
    snprintf(text, sizeof text, "%d,%d %dx%d %08X;", call->rect.left, call->rect.top,
             call->rect.right - call->rect.left, call->rect.bottom - call->rect.top, call->rop);
    bitmaps += text;
  }
  EXPECT_EQ(last_pen->colour, PlatRgb(0, 0, GradientLevel(599, 600)));
  EXPECT_EQ(bitmaps, "0,0 261x97 008800C6;4,4 261x97 008800C6;0,0 261x97 00660046;");

  EXPECT_TRUE(DestroyFrameWindow());
  EXPECT_EQ(g_setup.frame_window, nullptr);
  EXPECT_TRUE(Recorded("ole-uninitialize"));
  EXPECT_FALSE(DestroyFrameWindow());  // the classes are gone already
}

TEST_F(FrameTest, PaletteModeDrawsWithTheRamp) {
  WriteMachineIni("[machine]\ndisplay_bits=8\ndisplay_colours=256\n");
  ASSERT_TRUE(CreateFrameWindow("Velnet Setup"));
  EXPECT_TRUE(Recorded("palette-create 33"));
  EXPECT_EQ(HostDrawCallAt(0)->colour, 0x0100001Fu);  // entry 31, the brightest blue
}

TEST_F(FrameTest, SixteenColoursShowNavyAndTheTitleOnly) {
  WriteMachineIni("[machine]\ndisplay_bits=4\ndisplay_colours=16\n");
  ASSERT_TRUE(CreateFrameWindow("Velnet Setup"));
  EXPECT_EQ(HostDrawnLines(), 0u);
  EXPECT_EQ(HostDrawCallCount(), 3);
}

TEST_F(FrameTest, OleChecks) {
  WriteMachineIni("[machine]\nole_build=0x0017027E\n");  // 23.638: fine, but not started
  EXPECT_TRUE(CreateFrameWindow("Velnet Setup"));
  EXPECT_FALSE(Recorded("ole-initialize"));
  DestroyFrameWindow();
  EXPECT_FALSE(Recorded("ole-uninitialize"));

  WriteMachineIni("[machine]\nole_build=0x0018027F\n");  // another major version
  EXPECT_FALSE(CreateFrameWindow("Velnet Setup"));
  EXPECT_EQ(g_setup.error_number, 0);
  EXPECT_TRUE(Recorded("box caption=\"Velnet\" style=0x40"));
  EXPECT_TRUE(Recorded("text=\"A newer version of OLE is need to create a shortcut.\""));
}

intptr_t IgnoreAll(PlatWindow, uint32_t, uintptr_t, intptr_t) {
  return 0;
}

TEST_F(FrameTest, ClassAndWindowFailuresHaveTheirNumbers) {
  PlatWindowClass taken = {"_VNTSETUP_Gauge", 0, 0, 0, IgnoreAll};
  ASSERT_TRUE(PlatRegisterClass(taken));
  EXPECT_FALSE(CreateFrameWindow("Velnet Setup"));
  EXPECT_EQ(g_setup.error_number, 15);
  DestroyFrameWindow();  // unregisters the class that stood in the way, too

  g_setup.error_number = 0;
  taken.name = "_VNTSETUP_Frame";
  ASSERT_TRUE(PlatRegisterClass(taken));
  EXPECT_FALSE(CreateFrameWindow("Velnet Setup"));
  EXPECT_EQ(g_setup.error_number, 16);
  EXPECT_TRUE(DestroyFrameWindow());

  // Every window of the machine in use: the frame cannot be made.
  g_setup.error_number = 0;
  taken.name = "Filler";
  ASSERT_TRUE(PlatRegisterClass(taken));
  while (PlatCreateWindow("Filler", "", 0) != nullptr) {
  }
  EXPECT_FALSE(CreateFrameWindow("Velnet Setup"));
  EXPECT_EQ(g_setup.error_number, 17);
}

TEST_F(FrameTest, EndOfSessionSetsTheFlagWhenMessagesArePumped) {
  WriteMachineIni("[machine]\nend_session=1\n");
  ASSERT_TRUE(CreateFrameWindow("Velnet Setup"));
  EXPECT_FALSE(SessionEnding());
  PumpMessages();
  EXPECT_TRUE(SessionEnding());
  EXPECT_TRUE(Recorded("end-session-query"));
}

}  // namespace

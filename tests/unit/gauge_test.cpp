// The progress gauge: its arithmetic (percentage, text, split point, text origin) and the
// control itself on the simulated machine (what it draws, and when).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/dialogs.h"
#include "services/setup_state.h"
#include "tests/support/test_machine.h"
#include "ui/gauge.h"
#include "ui/gauge_layout.h"

namespace {

// A gauge of 205 x 15 dialog units: 307 x 24 pixels, inner right edge 306.
const int32_t kWidth = 307;
const int32_t kHeight = 24;

void ExpectRect(const PlatRect& rect, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  EXPECT_EQ(rect.left, left);
  EXPECT_EQ(rect.top, top);
  EXPECT_EQ(rect.right, right);
  EXPECT_EQ(rect.bottom, bottom);
}

TEST(GaugeLayout, PartwaySplitsTheBarAndTruncates) {
  GaugeLayout layout;
  LayoutGauge(42, 100, kWidth, kHeight, &layout);
  EXPECT_EQ(layout.percent, 42u);
  EXPECT_STREQ(layout.text, " 42%");
  ExpectRect(layout.filled, 1, 1, 42 * 306 / 100 + 1, 23);
  ExpectRect(layout.empty, 42 * 306 / 100 + 1, 1, 306, 23);

  LayoutGauge(999, 1000, kWidth, kHeight, &layout);
  EXPECT_STREQ(layout.text, " 99%");
  EXPECT_EQ(layout.filled.right, 999 * 306 / 1000 + 1);
}

TEST(GaugeLayout, BeyondTheRangeDrawsAsTheRange) {
  GaugeLayout beyond;
  GaugeLayout full;
  LayoutGauge(150, 100, kWidth, kHeight, &beyond);
  LayoutGauge(100, 100, kWidth, kHeight, &full);
  EXPECT_STREQ(beyond.text, "100%");
  EXPECT_STREQ(full.text, "100%");
  EXPECT_EQ(beyond.filled.right, kWidth - 1);  // up to the frame's right column, not over it
  EXPECT_EQ(beyond.filled.right, full.filled.right);
  EXPECT_EQ(beyond.empty.left, full.empty.left);
}

// Ranges from 1 to the largest 32-bit figure, positions from 0 past the range: the percentage
// and the bar agree, the bar grows with the position and never covers the frame.
TEST(GaugeLayout, BarAndPercentageAgreeForEveryRange) {
  const uint32_t ranges[] = {1u,         7u,          100u,        14000000u,   14200000u,
                             300000000u, 1000000007u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu};
  const uint32_t inner_right = static_cast<uint32_t>(kWidth - 1);
  for (uint32_t range : ranges) {
    int32_t last_split = 0;
    for (uint32_t step = 0; step <= 1000; ++step) {
      uint64_t wanted = static_cast<uint64_t>(range) * step / 1000;
      uint32_t position = static_cast<uint32_t>(wanted);
      GaugeLayout layout;
      LayoutGauge(position, range, kWidth, kHeight, &layout);
      uint64_t percent = static_cast<uint64_t>(position) * 100 / range;
      uint64_t split = static_cast<uint64_t>(position) * inner_right / range + 1;
      if (split > inner_right) split = inner_right;
      ASSERT_EQ(layout.percent, percent) << range << " " << position;
      ASSERT_EQ(layout.filled.right, static_cast<int32_t>(split)) << range << " " << position;
      ASSERT_EQ(layout.empty.left, layout.filled.right);
      ASSERT_GE(layout.filled.right, last_split);
      ASSERT_LE(layout.filled.right, kWidth - 1);
      // A full bar reads 100 per cent, and a bar read as half full reads about half.
      if (layout.percent == 100) {
        ASSERT_EQ(layout.filled.right, kWidth - 1);
      }
      ASSERT_NEAR(static_cast<double>(layout.filled.right - 1) / (kWidth - 2) * 100,
                  static_cast<double>(layout.percent), 2.0)
          << range << " " << position;
      last_split = layout.filled.right;
    }
  }
}

TEST(GaugeLayout, NewGaugeAndEmptyRangeShowNothingDone) {
  GaugeLayout layout;
  LayoutGauge(0, 100, kWidth, kHeight, &layout);
  EXPECT_STREQ(layout.text, "  0%");
  EXPECT_EQ(layout.filled.left, layout.filled.right);
  // A range of 0 has no percentage: 0 per cent and an empty bar, never a division by zero.
  LayoutGauge(7, 0, kWidth, kHeight, &layout);
  EXPECT_EQ(layout.percent, 0u);
  EXPECT_STREQ(layout.text, "  0%");
  ExpectRect(layout.filled, 1, 1, 1, 23);
  ExpectRect(layout.empty, 1, 1, 306, 23);
}

TEST(GaugeLayout, TextIsCentredOnTheInnerRectangle) {
  int32_t x;
  int32_t y;
  GaugeTextOrigin(kWidth, kHeight, 28, 13, &x, &y);
  EXPECT_EQ(x, (306 - 28) / 2);
  EXPECT_EQ(y, (23 - 13) / 2);
}

intptr_t QuietProcedure(PlatWindow, uint32_t message, uintptr_t, intptr_t) {
  return message == kWmInitDialog;
}

class GaugeControlTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_TRUE(RegisterGaugeClass());
    dialog_ = PlatCreateDialog(210, nullptr, QuietProcedure);
    ASSERT_NE(dialog_, nullptr);
    HostClearDrawCalls();
  }
  void TearDown() override {
    PlatDestroyWindow(dialog_);
    UnregisterGaugeClass();
    MachineTest::TearDown();
  }
  // The texts drawn since the last clear, "TEXT@BACKGROUND" each, in order.
  std::string DrawnTexts() {
    std::string texts;
    for (int i = 0; i < HostDrawCallCount(); ++i) {
      const HostDrawCall* call = HostDrawCallAt(i);
      if (call->kind != kHostDrawText) continue;
      char background[16];
      snprintf(background, sizeof background, "%06X", call->background);
      texts += std::string(call->text) + "@" + background + ";";
    }
    return texts;
  }
  PlatWindow dialog_ = nullptr;
};

TEST_F(GaugeControlTest, PositionRepaintsAtOnceRangeWaitsForTheNextPaint) {
  SendGaugeRange(dialog_, 200);
  EXPECT_EQ(DrawnTexts(), "");
  SendGaugePosition(dialog_, 50);
  // The filled part (blue background) first, then the empty part (white background).
  EXPECT_EQ(DrawnTexts(), " 25%@FF0000; 25%@FFFFFF;");
  ASSERT_GE(HostDrawCallCount(), 1);
  EXPECT_EQ(HostDrawCallAt(0)->kind, kHostDrawFrame);  // the black border comes first
}

TEST_F(GaugeControlTest, AFreshGaugeCountsToOneHundred) {
  SendGaugePosition(dialog_, 42);
  EXPECT_EQ(DrawnTexts(), " 42%@FF0000; 42%@FFFFFF;");
  // The position travels in lparam; wparam is ignored.
  EXPECT_EQ(PlatSendItemMessage(dialog_, kGaugeControl, kGmSetPos, 99, 7), 1);
  EXPECT_NE(DrawnTexts().find("  7%"), std::string::npos);
}

// A silent run never shows its dialogs: its gauge is not told the positions, so it neither
// draws nor stores them; the same run shown paints each one.
TEST_F(GaugeControlTest, ASilentRunsGaugeIsNotToldEachStep) {
  for (int silent = 1; silent >= 0; --silent) {
    g_setup.silent = silent;
    HostClearDrawCalls();
    SendGaugePosition(dialog_, 30 + silent);
    EXPECT_EQ(DrawnTexts(), silent ? "" : " 30%@FF0000; 30%@FFFFFF;") << "silent " << silent;
  }
}

TEST_F(GaugeControlTest, MessagesToAMissingDialogAreHarmless) {
  SendGaugePosition(nullptr, 10);
  EXPECT_EQ(PlatSendItemMessage(dialog_, 999, kGmSetPos, 0, 10), 0);
  EXPECT_EQ(HostDrawCallCount(), 0);
}

// Every position of several ranges in turn: a paint happens exactly when the bar's edge or the
// text would change, and the last picture is always the one a full repaint draws.
TEST_F(GaugeControlTest, RepaintsExactlyWhenThePictureChanges) {
  for (uint32_t range : {7u, 100u, 1000u, 25000u}) {
    SendGaugeRange(dialog_, range);
    SendGaugePosition(dialog_, 0);
    uint32_t step = range > 5000 ? 7 : 1;
    GaugeLayout shown;
    LayoutGauge(0, range, kWidth, kHeight, &shown);
    for (uint32_t position = 0; position <= range + step; position += step) {
      HostClearDrawCalls();
      SendGaugePosition(dialog_, position);
      GaugeLayout now;
      LayoutGauge(position, range, kWidth, kHeight, &now);
      bool changed = now.filled.right != shown.filled.right || strcmp(now.text, shown.text) != 0;
      ASSERT_EQ(HostDrawCallCount() != 0, changed) << range << " " << position;
      if (changed) shown = now;
    }
  }
  // A new range shows at the next position even when the position stays.
  SendGaugeRange(dialog_, 100);
  SendGaugePosition(dialog_, 50);
  HostClearDrawCalls();
  SendGaugeRange(dialog_, 200);
  SendGaugePosition(dialog_, 50);
  EXPECT_EQ(DrawnTexts(), " 25%@FF0000; 25%@FFFFFF;");
}

}  // namespace

// The 64-bit division that SETUP.EXE carries in place of libgcc's, held against the machine's
// own division on edge values and many random ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/wide_division.h"

namespace {

TEST(WideDivision, AgreesWithTheMachinesDivision) {
  std::vector<uint64_t> values = {1,
                                  2,
                                  3,
                                  7,
                                  0xFFFFFFFFu,
                                  0x100000000,
                                  0x7FFFFFFFFFFFFFFF,
                                  0x8000000000000000,
                                  0xFFFFFFFFFFFFFFFF,
                                  308,
                                  14000000};
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 2000; ++i) values.push_back(random() >> (random() % 64));
  for (uint64_t number : values) {
    for (uint64_t divisor : values) {
      if (divisor == 0) continue;
      uint64_t rest = 0;
      ASSERT_EQ(DivideWide(number, divisor, &rest), number / divisor) << number << " " << divisor;
      ASSERT_EQ(rest, number % divisor) << number << " " << divisor;
    }
    uint64_t rest = 0;
    EXPECT_EQ(DivideWide(number, 0, &rest), ~uint64_t{0});
    EXPECT_EQ(rest, number);
  }
}

}  // namespace

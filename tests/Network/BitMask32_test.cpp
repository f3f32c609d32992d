#include "Network/BitMask32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zelvo {
namespace {

struct MaskCase {
  const char* name;
  std::vector<int> bits;
  int firstChannel;
  int setCount;
  const char* description;
};

class BitMask32Queries : public testing::TestWithParam<MaskCase> {};

TEST_P(BitMask32Queries, FirstChannelCountAndDescription) {
  const MaskCase& row = GetParam();
  BitMask32 mask;
  for (int bit : row.bits) mask.set(bit);
  EXPECT_EQ(mask.firstChannel(), row.firstChannel);
  EXPECT_EQ(mask.setCount(), row.setCount);
  EXPECT_EQ(mask.description(), row.description);
  EXPECT_EQ(mask.isEmpty(), row.bits.empty());
  for (int bit = 0; bit < 32; ++bit)
    EXPECT_EQ(mask.isSet(bit), std::find(row.bits.begin(), row.bits.end(), bit) != row.bits.end()) << bit;
}

std::vector<int> allBits() {
  std::vector<int> bits;
  for (int bit = 0; bit < 32; ++bit) bits.push_back(bit);
  return bits;
}

INSTANTIATE_TEST_SUITE_P(Cases, BitMask32Queries,
                         testing::Values(MaskCase{"Bits0And5", {0, 5}, 0, 2, "21"},
                                         MaskCase{"Empty", {}, -1, 0, "0"},
                                         MaskCase{"HighestOnly", {31}, 31, 1, "80000000"},
                                         MaskCase{"Bits1And2", {1, 2}, 1, 2, "6"},
                                         MaskCase{"All", allBits(), 0, 32, "ffffffff"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BitMask32, SetResetAndWholeMaskOperations) {
  BitMask32 mask;
  mask.set(3);
  mask.set(3);
  mask.set(31);
  EXPECT_EQ(mask.asUint32(), 0x80000008u);
  mask.reset(3);
  mask.reset(4);
  EXPECT_EQ(mask.asUint32(), 0x80000000u);
  mask.setAll();
  EXPECT_EQ(mask.asUint32(), 0xFFFFFFFFu);
  mask.resetAll();
  EXPECT_TRUE(mask.isEmpty());
  mask.setAsUint32(0x21);
  EXPECT_TRUE(mask.EQUAL(BitMask32::bitMaskWithUint32(0x21)));
  EXPECT_FALSE(mask.EQUAL(BitMask32(0x20)));
}

TEST(BitMask32, LogicalOperationsMakeNewMasksOrChangeInPlace) {
  BitMask32 a(0b1100), b(0b1010);
  EXPECT_EQ(BitMask32::AND(a, b).asUint32(), 0b1000u);
  EXPECT_EQ(BitMask32::OR(a, b).asUint32(), 0b1110u);
  EXPECT_EQ(BitMask32::XOR(a, b).asUint32(), 0b0110u);
  EXPECT_EQ(a.asUint32(), 0b1100u);  // the makers leave their operands alone
  BitMask32 c = a;
  c.AND(b);
  EXPECT_EQ(c.asUint32(), 0b1000u);
  c = a;
  c.OR(b);
  EXPECT_EQ(c.asUint32(), 0b1110u);
  c = a;
  c.XOR(b);
  EXPECT_EQ(c.asUint32(), 0b0110u);
}

TEST(BitMask32, ZeroIsOneSharedEmptyMask) {
  EXPECT_EQ(&BitMask32::zero(), &BitMask32::zero());
  EXPECT_TRUE(BitMask32::zero().isEmpty());
  // A copy taken from it is the caller's own.
  BitMask32 copy = BitMask32::zero();
  copy.set(0);
  EXPECT_TRUE(BitMask32::zero().isEmpty());
}

using BitMask32DeathTest = testing::Test;

TEST_F(BitMask32DeathTest, IndexOutsideZeroToThirtyOneIsACallersFault) {
  BitMask32 mask;
  EXPECT_DEATH(mask.set(32), "0 <= index && index < 32");
  EXPECT_DEATH(mask.set(-1), "0 <= index && index < 32");
  EXPECT_DEATH(mask.reset(32), "0 <= index && index < 32");
  EXPECT_DEATH((void)mask.isSet(32), "Invalid parameter not satisfying: 0 <= index && index < 32");
  EXPECT_DEATH((void)mask.isSet(-5), "Network/BitMask32");
}

}  // namespace
}  // namespace zelvo

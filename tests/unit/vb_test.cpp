#include "vb.h"

#include <gtest/gtest.h>

using rt::CInt;
using rt::CLng;
using rt::RuntimeError;

// Halves go to the even neighbour, in both signs; anything else to nearest.
TEST(Conversions, RoundHalvesToEven) {
    EXPECT_EQ(CInt(10.5), 10);
    EXPECT_EQ(CInt(11.5), 12);
    EXPECT_EQ(CInt(350.5), 350);
    EXPECT_EQ(CInt(351.5), 352);
    EXPECT_EQ(CInt(-0.5), 0);
    EXPECT_EQ(CInt(-1.5), -2);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(16.333), 16);
    EXPECT_EQ(CInt(-16.6), -17);
    EXPECT_EQ(CLng(2.5), 2);
    EXPECT_EQ(CLng(-3.5), -4);
    EXPECT_EQ(CLng(133.33333), 133);
}

TEST(Conversions, OutOfRangeIsOverflowNotWrapAround) {
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);  // rounds to the even -32768, which fits
    EXPECT_THROW(CInt(32767.5), RuntimeError);
    EXPECT_THROW(CInt(-32769), RuntimeError);
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_THROW(CLng(2147483647.5), RuntimeError);
    EXPECT_THROW(CLng(-2147483649.0), RuntimeError);
    try {
        CInt(1e9);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), rt::errOverflow);
    }
}

TEST(Conversions, RgbPutsRedInTheLowByte) {
    EXPECT_EQ(rt::rtcRgb(140, 32, 8), 0x08208C);
    EXPECT_EQ(rt::rtcRgb(143, 149, 158), 0x9E958F);
    EXPECT_EQ(rt::rtcRgb(255, 255, 255), 0xFFFFFF);
}

// DrawArm relies on these promotions to hand back angle and offset in the
// type its caller expects.
TEST(Variants, ArithmeticTakesTheWiderType) {
    using rt::Variant;
    const Variant angle = Variant(450.0f) - Variant(std::int16_t(90));
    EXPECT_EQ(angle.type(), Variant::Type::Single);
    EXPECT_EQ(angle.toSingle(), 360.0f);
    const Variant offset = Variant(0.5) * Variant(24.5f);
    EXPECT_EQ(offset.type(), Variant::Type::Double);
    EXPECT_EQ(offset.toDouble(), 12.25);
    const Variant zero = Variant(std::int16_t(0)) * Variant(24.5f);
    EXPECT_EQ(zero.toDouble(), 0.0);
    const Variant big = Variant(std::int16_t(300)) * Variant(std::int16_t(300));
    EXPECT_EQ(big.type(), Variant::Type::Long);
    EXPECT_EQ(big.toLong(), 90000);
}

TEST(Variants, TrueIsMinusOne) {
    using rt::Variant;
    const Variant t{Variant::Boolean{true}};
    EXPECT_TRUE(t == Variant(std::int16_t(-1)));
    EXPECT_FALSE(t == Variant(std::int16_t(1)));
    EXPECT_FALSE(Variant(Variant::Boolean{false}) == t);
    std::int32_t setting = 0x1440B4;
    const Variant ref(&setting);
    setting = 7;
    EXPECT_EQ(ref.toLong(), 7);  // a reference reads the setting as it is now
}

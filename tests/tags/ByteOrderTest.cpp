#include "tags/ByteOrder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

struct NumberCase {
    std::array<uint8_t, 4> bytes;
    uint32_t bigEndian;
    uint32_t synchsafe;
};

// Synchsafe reads take each byte whole: a set high bit is not masked.
constexpr NumberCase kNumbers[] = {
    {{0x00, 0x00, 0x00, 0x00}, 0x00000000u, 0u},
    {{0x00, 0x00, 0x00, 0x7F}, 0x0000007Fu, 127u},
    {{0x00, 0x00, 0x01, 0x00}, 0x00000100u, 128u},
    {{0x00, 0x00, 0x02, 0x01}, 0x00000201u, 257u},
    {{0x7F, 0x7F, 0x7F, 0x7F}, 0x7F7F7F7Fu, (1u << 28) - 1},
    {{0x12, 0x34, 0x56, 0x78}, 0x12345678u, (0x12u << 21) + (0x34u << 14) + (0x56u << 7) + 0x78u},
    {{0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFFu, (255u << 21) + (255u << 14) + (255u << 7) + 255u},
    {{0x80, 0x00, 0x00, 0x00}, 0x80000000u, 128u << 21},
};

TEST(ByteOrder, ReadsBothForms) {
    for (const auto& c : kNumbers) {
        EXPECT_EQ(ReadBigEndian32(c.bytes), c.bigEndian);
        EXPECT_EQ(ReadSynchsafe32(c.bytes), c.synchsafe);
    }
}

TEST(ByteOrder, ShortSpansReadNothingAndWriteNothing) {
    const std::vector<uint8_t> three = {1, 2, 3};
    EXPECT_FALSE(ReadBigEndian32(three).has_value());
    EXPECT_FALSE(ReadSynchsafe32(three).has_value());
    EXPECT_FALSE(ReadBigEndian32({}).has_value());
    std::array<uint8_t, 3> out = {9, 9, 9};
    EXPECT_FALSE(WriteBigEndian32(1, out));
    EXPECT_FALSE(WriteSynchsafe32(1, out));
    EXPECT_EQ(out, (std::array<uint8_t, 3>{9, 9, 9}));
}

TEST(ByteOrder, WritesRoundTrip) {
    for (uint32_t value : {0u, 1u, 127u, 128u, 16383u, 16384u, 0x0ABCDEFu, (1u << 28) - 1}) {
        std::array<uint8_t, 4> be{}, ss{};
        ASSERT_TRUE(WriteBigEndian32(value, be));
        ASSERT_TRUE(WriteSynchsafe32(value, ss));
        EXPECT_EQ(ReadBigEndian32(be), value);
        EXPECT_EQ(ReadSynchsafe32(ss), value);
        for (uint8_t b : ss) EXPECT_LT(b, 0x80) << value;
    }
}

TEST(ByteOrder, SynchsafeWriteKeepsLow28Bits) {
    std::array<uint8_t, 4> ss{};
    WriteSynchsafe32(0xF0000001u, ss);
    EXPECT_EQ(ss, (std::array<uint8_t, 4>{0, 0, 0, 1}));
}

TEST(ByteOrder, Swap32ReversesBytes) {
    EXPECT_EQ(Swap32(0x12345678u), 0x78563412u);
    EXPECT_EQ(Swap32(0x000000FFu), 0xFF000000u);
    EXPECT_EQ(Swap32(Swap32(0xDEADBEEFu)), 0xDEADBEEFu);
}

}  // namespace

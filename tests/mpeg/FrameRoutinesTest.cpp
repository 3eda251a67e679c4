// The analyser's routines on windows built in memory: header tests, frame
// lengths, the frame search and its boundaries, VBR headers, encoder marks and
// the reported figures.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "tags/MPEGaudioDetail.h"

namespace {

using mpeg::HeaderBytes;
using mpeg::kWindowSize;
using mpeg::Window;

HeaderBytes Bytes(const FrameSpec& spec) {
    const std::string h = FrameHeaderBytes(spec);
    return {static_cast<uint8_t>(h[0]), static_cast<uint8_t>(h[1]), static_cast<uint8_t>(h[2]),
            static_cast<uint8_t>(h[3])};
}

FrameHeader Unpacked(const FrameSpec& spec) {
    FrameHeader frame;
    mpeg::UnpackHeader(Bytes(spec), frame);
    return frame;
}

// A full window of filler with the given bytes placed at their offsets.
struct WindowBytes {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kWindowSize, 0x55);
    WindowBytes& Put(size_t offset, const std::string& data) {
        for (size_t i = 0; i < data.size() && offset + i < bytes.size(); ++i) {
            bytes[offset + i] = static_cast<uint8_t>(data[i]);
        }
        return *this;
    }
    Window View() const { return Window(bytes); }
};

FrameSpec Mpeg1Stereo128() {
    return FrameSpec{};
}

FrameSpec Spec(int version, int layer, int bitRateIndex, int sampleRateIndex, int mode = 0) {
    FrameSpec s;
    s.VersionCode = version;
    s.LayerCode = layer;
    s.BitRateIndex = bitRateIndex;
    s.SampleRateIndex = sampleRateIndex;
    s.Mode = mode;
    return s;
}

TEST(WindowTest, ReadsPastTheBytesAsZero) {
    const std::vector<uint8_t> bytes = {0x12, 0x34, 0x56};
    const Window w(bytes);
    EXPECT_EQ(w.At(0), 0x12);
    EXPECT_EQ(w.At(2), 0x56);
    EXPECT_EQ(w.At(3), 0);
    EXPECT_EQ(w.At(-1), 0);
    EXPECT_EQ(w.At(int64_t{1} << 40), 0);
    EXPECT_EQ(w.BigEndian32(1), 0x34560000);
    EXPECT_EQ(w.Text(2, 3), std::string("\x56\0\0", 3));
    const std::vector<uint8_t> high = {0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Window(high).BigEndian32(0), INT32_MIN);
    EXPECT_EQ(Window(high).BigEndian32(4), -1);
}

struct HeaderCase {
    const char* name;
    uint8_t b0, b1, b2, b3;
    bool looksLike;
};

class LooksLikeHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(LooksLikeHeaderTest, Decides) {
    const HeaderCase& c = GetParam();
    EXPECT_EQ(mpeg::LooksLikeHeader({c.b0, c.b1, c.b2, c.b3}), c.looksLike);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LooksLikeHeaderTest,
    testing::Values(HeaderCase{"Mpeg1Layer3", 0xFF, 0xFB, 0x90, 0x00, true},
                    HeaderCase{"Mpeg2", 0xFF, 0xF3, 0x90, 0x00, true},
                    HeaderCase{"Mpeg25", 0xFF, 0xE3, 0x90, 0x00, true},
                    HeaderCase{"Layer1", 0xFF, 0xFF, 0x90, 0x00, true},
                    HeaderCase{"BitRate1", 0xFF, 0xFB, 0x10, 0x00, true},
                    HeaderCase{"BitRate14", 0xFF, 0xFB, 0xE0, 0x00, true},
                    HeaderCase{"Emphasis1", 0xFF, 0xFB, 0x90, 0x01, true},
                    HeaderCase{"Emphasis3", 0xFF, 0xFB, 0x90, 0x03, true},
                    HeaderCase{"AllOtherBitsSet", 0xFF, 0xFB, 0x9B, 0xFD, true},
                    HeaderCase{"NoSyncByte", 0xFE, 0xFB, 0x90, 0x00, false},
                    HeaderCase{"SyncBitsShort", 0xFF, 0xDB, 0x90, 0x00, false},
                    HeaderCase{"ReservedVersion", 0xFF, 0xEB, 0x90, 0x00, false},
                    HeaderCase{"ReservedLayer", 0xFF, 0xF9, 0x90, 0x00, false},
                    HeaderCase{"FreeFormat", 0xFF, 0xFB, 0x00, 0x00, false},
                    HeaderCase{"BitRate15", 0xFF, 0xFB, 0xF0, 0x00, false},
                    HeaderCase{"SampleRate3", 0xFF, 0xFB, 0x9C, 0x00, false},
                    HeaderCase{"Emphasis2", 0xFF, 0xFB, 0x90, 0x02, false}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return info.param.name; });

TEST(UnpackHeaderTest, TakesEveryFieldFromItsBits) {
    FrameSpec s = Spec(2, 2, 11, 1, 2);
    s.ProtectionBit = false;
    s.Padding = true;
    s.Private = true;
    s.ModeExtension = 3;
    s.Copyright = true;
    s.Original = true;
    s.Emphasis = 3;
    const FrameHeader f = Unpacked(s);
    EXPECT_EQ(f.RawHeader, Bytes(s));
    EXPECT_EQ(f.VersionID, 2);
    EXPECT_EQ(f.LayerID, 2);
    EXPECT_TRUE(f.CrcProtected);
    EXPECT_EQ(f.BitRateIndex, 11);
    EXPECT_EQ(f.SampleRateIndex, 1);
    EXPECT_TRUE(f.PaddingBit);
    EXPECT_TRUE(f.PrivateBit);
    EXPECT_EQ(f.ModeID, 2);
    EXPECT_EQ(f.ModeExtension, 3);
    EXPECT_TRUE(f.CopyrightBit);
    EXPECT_TRUE(f.OriginalBit);
    EXPECT_EQ(f.EmphasisID, 3);

    const FrameHeader g = Unpacked(Spec(0, 1, 1, 2));
    EXPECT_FALSE(g.CrcProtected);
    EXPECT_FALSE(g.PaddingBit);
    EXPECT_FALSE(g.PrivateBit);
    EXPECT_FALSE(g.CopyrightBit);
    EXPECT_FALSE(g.OriginalBit);
    EXPECT_EQ(g.ModeID, 0);
    EXPECT_EQ(g.EmphasisID, 0);
}

struct LengthCase {
    FrameSpec spec;
    bool padding;
    int bitRate, sampleRate, slot, length, vbrOffset;
};

TEST(FrameLengthTest, TablesAndFormula) {
    const LengthCase cases[] = {
        {Spec(3, 1, 9, 0), false, 128, 44100, 144, 417, 36},
        {Spec(3, 1, 9, 0), true, 128, 44100, 144, 418, 36},
        {Spec(3, 1, 14, 1, 3), false, 320, 48000, 144, 960, 21},
        {Spec(3, 1, 1, 2, 1), false, 32, 32000, 144, 144, 36},
        {Spec(3, 2, 14, 2, 2), false, 384, 32000, 144, 1728, 36},
        {Spec(3, 3, 14, 2), true, 448, 32000, 48, 676, 36},
        {Spec(3, 3, 1, 0), false, 32, 44100, 48, 34, 36},
        {Spec(2, 1, 8, 0), false, 64, 22050, 72, 208, 21},
        {Spec(2, 1, 14, 1, 3), true, 160, 24000, 72, 481, 13},
        {Spec(2, 2, 14, 2), false, 160, 16000, 144, 1440, 21},
        {Spec(2, 3, 14, 1), true, 256, 24000, 48, 516, 21},
        {Spec(0, 1, 4, 0), false, 32, 11025, 72, 208, 21},
        {Spec(0, 1, 1, 2, 3), false, 8, 8000, 72, 72, 13},
        {Spec(0, 2, 14, 2), true, 160, 8000, 144, 2881, 21},
    };
    for (const LengthCase& c : cases) {
        FrameSpec s = c.spec;
        s.Padding = c.padding;
        const FrameHeader f = Unpacked(s);
        SCOPED_TRACE(testing::Message() << "version " << s.VersionCode << " layer " << s.LayerCode
                                        << " index " << s.BitRateIndex);
        EXPECT_EQ(mpeg::TableBitRate(f), c.bitRate);
        EXPECT_EQ(mpeg::TableSampleRate(f), c.sampleRate);
        EXPECT_EQ(mpeg::SlotFactor(f), c.slot);
        EXPECT_EQ(mpeg::FrameLength(f), c.length);
        EXPECT_EQ(mpeg::VBRHeaderOffset(f), c.vbrOffset);
        // The builder's own formula must agree, or the file tests lie.
        EXPECT_EQ(FrameLengthOf(s), c.length);
    }
}

TEST(FrameLengthTest, ReservedCodesGiveZero) {
    FrameHeader cleared;
    EXPECT_EQ(mpeg::TableBitRate(cleared), 0);
    EXPECT_EQ(mpeg::TableSampleRate(cleared), 0);
    EXPECT_EQ(mpeg::FrameLength(cleared), 0);
    FrameHeader layer0 = Unpacked(Spec(3, 1, 9, 0));
    layer0.LayerID = 0;
    EXPECT_EQ(mpeg::TableBitRate(layer0), 0);
    FrameHeader index15 = Unpacked(Spec(3, 1, 9, 0));
    index15.BitRateIndex = 15;
    EXPECT_EQ(mpeg::TableBitRate(index15), 0);
    index15.BitRateIndex = 0;
    EXPECT_EQ(mpeg::TableBitRate(index15), 0);
}

// Where the frame search looks, and what it needs to see there.
TEST(ScanForFrameTest, SearchRangeEndsAtPosition1729) {
    const std::string frame = MakeFrame(Mpeg1Stereo128());
    for (const int position : {1, 1000, 1729, 1730, 1800}) {
        SCOPED_TRACE(position);
        const auto r = mpeg::ScanForFrame(WindowBytes().Put(position, frame + frame).View());
        EXPECT_EQ(r.Frame.Found, position <= 1729);
        if (position <= 1729) {
            EXPECT_EQ(r.Frame.Position, position);
        }
    }
}

TEST(ScanForFrameTest, SuccessorMustLieWhollyInsideTheWindow) {
    // A 1,728-byte frame at 1,729: its successor's header would need bytes
    // 3,457 to 3,460, and bytes past the window are zero.
    const FrameSpec big = Spec(3, 2, 14, 2);
    const std::string frame = MakeFrame(big);
    ASSERT_EQ(frame.size(), 1728u);
    const auto past = mpeg::ScanForFrame(WindowBytes().Put(1729, frame + frame).View());
    EXPECT_FALSE(past.Frame.Found);
    // Shorter by three (a 1,725-byte frame cannot be built here): the
    // successor at 1,726 + 1,728 = 3,454 ends on the window's last byte.
    const auto inside = mpeg::ScanForFrame(WindowBytes().Put(1726, frame + frame).View());
    EXPECT_TRUE(inside.Frame.Found);
    EXPECT_EQ(inside.Frame.Position, 1726);
}

TEST(ScanForFrameTest, ShortReadLeavesTheRestZero) {
    // Only the bytes read are handed over; the frame's successor lies past them.
    const std::string frame = MakeFrame(Mpeg1Stereo128());
    std::vector<uint8_t> bytes(frame.begin(), frame.end());
    bytes.push_back(0xFF);
    bytes.push_back(0xFB);
    EXPECT_FALSE(mpeg::ScanForFrame(Window(bytes)).Frame.Found);
    bytes.push_back(0x90);
    bytes.push_back(0x00);
    EXPECT_TRUE(mpeg::ScanForFrame(Window(bytes)).Frame.Found);
    EXPECT_FALSE(mpeg::ScanForFrame(Window({})).Frame.Found);
}

TEST(ScanForFrameTest, SkipsLoneHeaderAndBadSuccessors) {
    const FrameSpec s = Mpeg1Stereo128();
    const std::string frame = MakeFrame(s);
    WindowBytes w;
    // A lone header, then a header whose successor has a reserved sample
    // rate, then the real pair.
    w.Put(10, FrameHeaderBytes(s));
    FrameSpec bad = s;
    bad.SampleRateIndex = 3;
    w.Put(600, frame).Put(600 + frame.size(), FrameHeaderBytes(bad));
    w.Put(1500, frame + frame);
    const auto r = mpeg::ScanForFrame(w.View());
    EXPECT_TRUE(r.Frame.Found);
    EXPECT_EQ(r.Frame.Position, 1500);
}

TEST(ScanForFrameTest, SuccessorNeedNotAgree) {
    FrameSpec other = Spec(2, 3, 3, 1, 3);
    other.Emphasis = 1;
    const std::string first = MakeFrame(Mpeg1Stereo128(), true);
    const auto r = mpeg::ScanForFrame(WindowBytes().Put(5, first + FrameHeaderBytes(other)).View());
    EXPECT_TRUE(r.Frame.Found);
    EXPECT_EQ(r.Frame.Position, 5);
    EXPECT_TRUE(r.Frame.EmptySideInfo);
}

struct VbrPlacement {
    const char* name;
    FrameSpec spec;
    size_t offset;
    bool vbri;
    bool found;
};

class VbrPlacementTest : public testing::TestWithParam<VbrPlacement> {};

TEST_P(VbrPlacementTest, LooksOnlyBehindTheSideInformation) {
    const VbrPlacement& c = GetParam();
    const std::string block =
        c.vbri ? VbriBlock(1234, 567890, 77) : XingBlock(1234, 567890, 77, "LAME3.96");
    // At a position other than 0, so offsets count from the frame's start.
    const auto r =
        mpeg::ScanForFrame(WindowBytes().Put(300, MakeVbrAudio(c.spec, c.offset, block, 1)).View());
    ASSERT_TRUE(r.Frame.Found);
    ASSERT_EQ(r.VBR.Present, c.found);
    if (!c.found) {
        EXPECT_TRUE(r.VBR.Tag.empty());
        return;
    }
    EXPECT_EQ(r.VBR.Tag, c.vbri ? "VBRI" : "Xing");
    EXPECT_EQ(r.VBR.FrameCount, 1234);
    EXPECT_EQ(r.VBR.ByteCount, 567890);
    EXPECT_EQ(r.VBR.Quality, 77);
    EXPECT_EQ(r.VBR.Vendor, c.vbri ? "" : "LAME3.96");
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, VbrPlacementTest,
    testing::Values(VbrPlacement{"XingMpeg1Stereo36", Spec(3, 1, 9, 0, 1), 36, false, true},
                    VbrPlacement{"XingMpeg1Mono36", Spec(3, 1, 9, 0, 3), 36, false, false},
                    VbrPlacement{"XingMpeg1Mono21", Spec(3, 1, 9, 0, 3), 21, false, true},
                    VbrPlacement{"XingMpeg1Stereo21", Spec(3, 1, 9, 0, 0), 21, false, false},
                    VbrPlacement{"XingMpeg2Mono13", Spec(2, 1, 8, 0, 3), 13, false, true},
                    VbrPlacement{"XingMpeg25Stereo21", Spec(0, 1, 8, 0, 0), 21, false, true},
                    VbrPlacement{"VbriMpeg1Stereo36", Spec(3, 1, 9, 0, 0), 36, true, true},
                    VbrPlacement{"VbriMpeg2Stereo21", Spec(2, 1, 8, 0, 0), 21, true, true},
                    VbrPlacement{"VbriMpeg2Stereo36", Spec(2, 1, 8, 0, 0), 36, true, false}),
    [](const testing::TestParamInfo<VbrPlacement>& info) { return info.param.name; });

TEST(ParseXingTest, FixedPlacesWhateverTheFlags) {
    // Flags say "nothing present"; the values still come from their places.
    std::string block = XingBlock(0x80000000u, 0xFFFFFFFFu, 0, std::string("\x01\xFFL\0AB\0Z", 8));
    PutBytes(block, 4, BigEndian32Bytes(0));
    const auto v = mpeg::ParseXing(WindowBytes().Put(100, block).View(), 100);
    EXPECT_EQ(v.FrameCount, INT32_MIN);
    EXPECT_EQ(v.ByteCount, -1);
    EXPECT_EQ(v.Vendor, std::string("\x01\u00FFL\0AB\0Z", 9));  // as UTF-8
    // A header near the window's end reads zeros past it.
    const auto tail =
        mpeg::ParseXing(WindowBytes().Put(kWindowSize - 10, block).View(), kWindowSize - 10);
    EXPECT_EQ(tail.Vendor, std::string(8, '\0'));
    EXPECT_EQ(tail.Quality, 0);
}

TEST(SearchEncoderMarkTest, LooksBackTwoFramesFromTheEnd) {
    const uint16_t frameSize = 417;
    const int last = kWindowSize - 8;  // where the search starts
    struct Case {
        int at;
        std::string mark, expected;
    } cases[] = {
        {last, "LAME3.97", "LAME3.97"},
        {last - 2 * frameSize, "LAME3.97", "LAME3.97"},
        {last - 2 * frameSize - 1, "LAME3.97", ""},
        {last - 5, "GOGO-xyz", "GOGO"},
        {last - 5, std::string("LAME\0\0\0\0", 8), std::string("LAME\0\0\0\0", 8)},
        {last - 5, "LAMB3.97", ""},
        {last + 1, "LAME3.97", ""},  // would end past the window
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        EXPECT_EQ(mpeg::SearchEncoderMark(WindowBytes().Put(c.at, c.mark).View(), frameSize),
                  c.expected);
    }
    // The mark nearest the end wins.
    WindowBytes both;
    both.Put(last - 100, "LAME3.90").Put(last - 10, "GOGO");
    EXPECT_EQ(mpeg::SearchEncoderMark(both.View(), frameSize), "GOGO");
    // A frame size larger than the window stops at its start.
    EXPECT_EQ(mpeg::SearchEncoderMark(WindowBytes().Put(0, "LAME3.99").View(), 2881), "LAME3.99");
    EXPECT_EQ(mpeg::SearchEncoderMark(Window({}), 2881), "");
    // Frame size 0 tries the last eight bytes only.
    EXPECT_EQ(mpeg::SearchEncoderMark(WindowBytes().Put(last, "LAME3.97").View(), 0), "LAME3.97");
    EXPECT_EQ(mpeg::SearchEncoderMark(WindowBytes().Put(last - 1, "LAME3.97").View(), 0), "");
}

TEST(BitRateTest, VbrAverageRoundsHalvesToEven) {
    FrameHeader f = Unpacked(Spec(3, 1, 9, 1));  // 48 kHz: kbit/s = bytes per frame / 3
    f.Found = true;
    VBRData vbr;
    vbr.Present = true;
    struct Case {
        int32_t frames, bytes;
        bool padding;
        uint16_t expected;
    } cases[] = {
        {2, 771, false, 128},                                  // 128.5
        {2, 777, false, 130},                                  // 129.5
        {2, 779, false, 130},                                  // 129.83
        {2, 773, true, 128},                                   // (386.5 - 1) / 3 = 128.5
        {1000, 21000, false, 7},      {0, 21000, false, 128},  // no frames: the table rate
        {-5, 21000, false, 128},                               // negative frame count likewise
        {10, -1000, false, 0},  // a negative average is clamped, not wrapped
        {1, INT32_MAX, false, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytes << "/" << c.frames);
        vbr.FrameCount = c.frames;
        vbr.ByteCount = c.bytes;
        f.PaddingBit = c.padding;
        EXPECT_EQ(mpeg::ComputeBitRate(f, vbr), c.expected);
    }
}

TEST(PlayTimeTest, FromFrameCountOrLength) {
    FrameHeader f = Unpacked(Spec(3, 1, 9, 0));
    VBRData vbr;
    EXPECT_EQ(mpeg::ComputePlayTime(f, vbr, 160000, 0), 0);  // not found
    f.Found = true;
    f.Position = 100;
    // (bytes - ID3v2 size - position) * 8 / kbit/s / 1000
    EXPECT_DOUBLE_EQ(mpeg::ComputePlayTime(f, vbr, 162100, 2000), 10.0);
    vbr.Present = true;
    vbr.FrameCount = 441;  // 441 * 1152 / 44100
    EXPECT_DOUBLE_EQ(mpeg::ComputePlayTime(f, vbr, 162100, 2000), 11.52);
    vbr.FrameCount = 0;
    EXPECT_DOUBLE_EQ(mpeg::ComputePlayTime(f, vbr, 162100, 2000), 10.0);
    // Large counts do not overflow.
    vbr.FrameCount = INT32_MAX;
    EXPECT_NEAR(mpeg::ComputePlayTime(f, vbr, 0, 0), INT32_MAX * 1152.0 / 44100, 1);
    vbr.FrameCount = 0;
    EXPECT_NEAR(mpeg::ComputePlayTime(f, vbr, INT32_MAX, 0), (INT32_MAX - 100) * 8.0 / 128000,
                1e-6);
}

struct EncoderCase {
    const char* name;
    FrameSpec spec;
    bool emptySideInfo;
    const char* vbrTag;  // nullptr: no VBR header
    std::string vbrVendor;
    std::string vendorText;
    uint8_t kind;
    const char* text;
};

FrameSpec With(FrameSpec s, bool crc, bool original, bool copyright) {
    s.ProtectionBit = !crc;
    s.Original = original;
    s.Copyright = copyright;
    return s;
}

class EncoderGuessTest : public testing::TestWithParam<EncoderCase> {};

TEST_P(EncoderGuessTest, KindAndText) {
    const EncoderCase& c = GetParam();
    FrameHeader f = Unpacked(c.spec);
    f.Found = true;
    f.EmptySideInfo = c.emptySideInfo;
    VBRData vbr;
    if (c.vbrTag != nullptr) {
        vbr.Present = true;
        vbr.Tag = c.vbrTag;
        vbr.Vendor = c.vbrVendor;
    }
    const uint8_t kind = mpeg::GuessEncoder(f, vbr, c.vendorText);
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(mpeg::DescribeEncoder(kind, vbr, c.vendorText), c.text);
}

const FrameSpec kJoint192 = Spec(3, 1, 11, 0, 1);
const FrameSpec kStereo128 = Spec(3, 1, 9, 0, 0);
const FrameSpec kStereo160 = Spec(3, 1, 10, 0, 0);
const FrameSpec kDual192 = Spec(3, 1, 11, 0, 2);

INSTANTIATE_TEST_SUITE_P(
    Rules, EncoderGuessTest,
    testing::Values(
        EncoderCase{"CbrDefaultFhG", kJoint192, false, nullptr, "", "", 2, "FhG"},
        EncoderCase{"OriginalCrcLame", With(kJoint192, true, true, false), false, nullptr, "", "",
                    3, "LAME"},
        EncoderCase{"Stereo160Blade", kStereo160, false, nullptr, "", "", 4, "Blade"},
        EncoderCase{"BladeOverridesLame", With(kStereo128, true, true, false), false, nullptr, "",
                    "", 4, "Blade"},
        EncoderCase{"CopyrightOriginalXing", With(kStereo128, false, true, true), false, nullptr,
                    "", "", 1, "Xing"},
        EncoderCase{"EmptySideInfoXing", With(kJoint192, true, true, false), true, nullptr, "", "",
                    1, "Xing"},
        EncoderCase{"EmptySideNotOriginal", kJoint192, true, nullptr, "", "", 2, "FhG"},
        EncoderCase{"DualCrcShine", With(kDual192, true, true, false), true, nullptr, "", "", 6,
                    "Shine"},
        EncoderCase{"DualNoCrc", kDual192, false, nullptr, "", "", 2, "FhG"},
        EncoderCase{"TailLame", kStereo128, false, nullptr, "", "LAME3.97", 3, "LAME 3.97"},
        EncoderCase{"TailLameOddVersion", kJoint192, false, nullptr, "", "LAME3.9x", 3, "LAME"},
        EncoderCase{"TailLameNoDot", kJoint192, false, nullptr, "", "LAME 397", 3, "LAME"},
        EncoderCase{"TailGogo", kDual192, false, nullptr, "", "GOGO", 5, "GoGo"},
        EncoderCase{"XingLame", kJoint192, false, "Xing", "LAME3.96", "", 3, "LAME 3.96"},
        EncoderCase{"XingLameTailIgnored", kJoint192, false, "Xing", "LAME3.96", "LAME3.10", 3,
                    "LAME 3.10"},
        EncoderCase{"XingGogo", kJoint192, false, "Xing", "GOGO0.01", "", 5, "GoGo"},
        EncoderCase{"XingMpge", kJoint192, false, "Xing", "MPGE1234", "", 5, "GoGo"},
        EncoderCase{"XingOtherVendor", kStereo128, false, "Xing", "Blah1.00", "", 1, "Xing"},
        EncoderCase{"XingNoVendor", kStereo128, false, "Xing", std::string(8, '\0'), "", 1, "Xing"},
        EncoderCase{"Vbri", kStereo128, false, "VBRI", "", "", 2, "FhG"}),
    [](const testing::TestParamInfo<EncoderCase>& info) { return info.param.name; });

TEST(EncoderGuessTest, NoFrameIsUnknown) {
    FrameHeader f = Unpacked(kStereo128);
    EXPECT_EQ(mpeg::GuessEncoder(f, VBRData{}, "LAME3.97"), 0);
    EXPECT_EQ(mpeg::DescribeEncoder(0, VBRData{}, ""), "Unknown");
    EXPECT_EQ(mpeg::DescribeEncoder(200, VBRData{}, ""), "Unknown");
}

}  // namespace

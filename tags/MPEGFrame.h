#pragma once

// What the analyser finds of the MPEG audio: the first valid frame's header
// and its VBR header.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The names of the encoders the analyser tells apart, by EncoderKind.
extern const std::array<std::string_view, 7> EncoderNames;

struct VBRData {
    bool Present = false;
    std::string Tag;  // "Xing", "VBRI" or empty
    int32_t FrameCount = 0;
    int32_t ByteCount = 0;
    uint8_t Quality = 0;
    std::string Vendor;  // 8 characters or empty
    // The digit right after them, where the version goes on ("0" of
    // LAME3.100); empty otherwise.
    std::string VendorMore;
};

struct FrameHeader {
    bool Found = false;
    int32_t Position = 0;
    uint16_t Size = 0;
    bool EmptySideInfo = false;
    std::array<uint8_t, 4> RawHeader{};
    uint8_t VersionID = 1;
    uint8_t LayerID = 0;
    bool CrcProtected = false;
    uint16_t BitRateIndex = 0;
    uint16_t SampleRateIndex = 3;
    bool PaddingBit = false;
    bool PrivateBit = false;
    uint8_t ModeID = 4;
    uint8_t ModeExtension = 4;
    bool CopyrightBit = false;
    bool OriginalBit = false;
    uint8_t EmphasisID = 2;
};

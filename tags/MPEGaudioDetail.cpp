#include "tags/MPEGaudioDetail.h"

#include <algorithm>
#include <cmath>

#include "tags/Text.h"

const std::array<std::string_view, 7> EncoderNames = {"Unknown", "Xing", "FhG",  "LAME",
                                                      "Blade",   "GoGo", "Shine"};

namespace mpeg {
namespace {

constexpr uint8_t kVersionMpeg1 = 3;
constexpr uint8_t kLayerI = 3, kLayerII = 2;
constexpr uint8_t kModeStereo = 0, kModeDual = 2, kModeMono = 3;

using RateRow = std::array<uint16_t, 16>;
constexpr RateRow kNoRates{};
constexpr RateRow kMpeg1LayerI{0,   32,  64,  96,  128, 160, 192, 224,
                               256, 288, 320, 352, 384, 416, 448, 0};
constexpr RateRow kMpeg1LayerII{0,   32,  48,  56,  64,  80,  96,  112,
                                128, 160, 192, 224, 256, 320, 384, 0};
constexpr RateRow kMpeg1LayerIII{0,   32,  40,  48,  56,  64,  80,  96,
                                 112, 128, 160, 192, 224, 256, 320, 0};
constexpr RateRow kMpeg2LayerI{0,   32,  48,  56,  64,  80,  96,  112,
                               128, 144, 160, 176, 192, 224, 256, 0};
constexpr RateRow kMpeg2LayerIIandIII{0,  8,  16, 24,  32,  40,  48,  56,
                                      64, 80, 96, 112, 128, 144, 160, 0};

// kbit/s by [version code][layer code][bit-rate index]; version code 1 and
// layer code 0 are reserved, MPEG 2.5 uses the MPEG 2 rows.
static constexpr std::array<std::array<RateRow, 4>, 4> kBitRates = {{
    {kNoRates, kMpeg2LayerIIandIII, kMpeg2LayerIIandIII, kMpeg2LayerI},  // MPEG 2.5
    {kNoRates, kNoRates, kNoRates, kNoRates},                            // reserved
    {kNoRates, kMpeg2LayerIIandIII, kMpeg2LayerIIandIII, kMpeg2LayerI},  // MPEG 2
    {kNoRates, kMpeg1LayerIII, kMpeg1LayerII, kMpeg1LayerI},             // MPEG 1
}};

// Hz by [version code][sample-rate index].
static constexpr std::array<std::array<uint16_t, 4>, 4> kSampleRates = {{
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
}};

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool Window::Matches(int64_t index, std::string_view text) const {
    for (size_t i = 0; i < text.size(); ++i) {
        if (At(index + static_cast<int64_t>(i)) != static_cast<uint8_t>(text[i])) return false;
    }
    return true;
}

int32_t Window::BigEndian32(int64_t index) const {
    const uint32_t value = (uint32_t{At(index)} << 24) | (uint32_t{At(index + 1)} << 16) |
                           (uint32_t{At(index + 2)} << 8) | uint32_t{At(index + 3)};
    return static_cast<int32_t>(value);  // 2^31 and more read as negative
}

std::string Window::Text(int64_t index, int32_t length) const {
    std::string text(static_cast<size_t>(std::max(length, 0)), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>(At(index + static_cast<int64_t>(i)));
    }
    return AnsiToUtf8(text);
}

bool LooksLikeHeader(const HeaderBytes& b) {
    return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && ((b[1] >> 3) & 3) != 1 &&
           ((b[1] >> 1) & 3) != 0 && (b[2] >> 4) != 0 && (b[2] >> 4) != 15 &&
           ((b[2] >> 2) & 3) != 3 && (b[3] & 3) != 2;
}

void UnpackHeader(const HeaderBytes& b, FrameHeader& frame) {
    frame.RawHeader = b;
    frame.VersionID = (b[1] >> 3) & 3;
    frame.LayerID = (b[1] >> 1) & 3;
    frame.CrcProtected = (b[1] & 1) == 0;
    frame.BitRateIndex = b[2] >> 4;
    frame.SampleRateIndex = (b[2] >> 2) & 3;
    frame.PaddingBit = ((b[2] >> 1) & 1) != 0;
    frame.PrivateBit = (b[2] & 1) != 0;
    frame.ModeID = b[3] >> 6;
    frame.ModeExtension = (b[3] >> 4) & 3;
    frame.CopyrightBit = ((b[3] >> 3) & 1) != 0;
    frame.OriginalBit = ((b[3] >> 2) & 1) != 0;
    frame.EmphasisID = b[3] & 3;
}

uint16_t TableBitRate(const FrameHeader& frame) {
    // Fields come from UnpackHeader or the cleared state; guard anyway, as the
    // record is public.
    if (frame.VersionID > 3 || frame.LayerID > 3 || frame.BitRateIndex > 15) return 0;
    return kBitRates[frame.VersionID][frame.LayerID][frame.BitRateIndex];
}

uint16_t TableSampleRate(const FrameHeader& frame) {
    if (frame.VersionID > 3 || frame.SampleRateIndex > 3) return 0;
    return kSampleRates[frame.VersionID][frame.SampleRateIndex];
}

uint16_t SlotFactor(const FrameHeader& frame) {
    if (frame.LayerID == kLayerI) return 48;
    if (frame.VersionID == kVersionMpeg1 || frame.LayerID == kLayerII) return 144;
    return 72;
}

uint16_t PaddingSize(const FrameHeader& frame) {
    if (!frame.PaddingBit) return 0;
    return frame.LayerID == kLayerI ? 4 : 1;
}

uint16_t FrameLength(const FrameHeader& frame) {
    const uint16_t bitRate = TableBitRate(frame);
    const uint16_t sampleRate = TableSampleRate(frame);
    if (bitRate == 0 || sampleRate == 0) return 0;
    const double slots = static_cast<double>(SlotFactor(frame)) * bitRate * 1000 / sampleRate;
    // At most 144 * 160 kbit/s / 8 kHz + 4 = 2,884: fits.
    return static_cast<uint16_t>(static_cast<uint32_t>(slots) + PaddingSize(frame));
}

uint16_t VBRHeaderOffset(const FrameHeader& frame) {
    const bool mono = frame.ModeID == kModeMono;
    if (frame.VersionID == kVersionMpeg1) return mono ? 21 : 36;
    return mono ? 13 : 21;
}

VBRData ParseXing(const Window& window, int64_t q) {
    VBRData vbr;
    vbr.Present = true;
    vbr.Tag = "Xing";
    // Fixed places, as if every optional field were present; the flags are
    // not consulted.
    vbr.FrameCount = window.BigEndian32(q + 8);
    vbr.ByteCount = window.BigEndian32(q + 12);
    vbr.Quality = window.At(q + 119);
    vbr.Vendor = window.Text(q + 120, 8);
    if (IsDigit(static_cast<char>(window.At(q + 128)))) vbr.VendorMore = window.Text(q + 128, 1);
    return vbr;
}

VBRData ParseVBRI(const Window& window, int64_t q) {
    VBRData vbr;
    vbr.Present = true;
    vbr.Tag = "VBRI";
    vbr.Quality = window.At(q + 9);
    vbr.ByteCount = window.BigEndian32(q + 10);
    vbr.FrameCount = window.BigEndian32(q + 14);
    return vbr;
}

VBRData ProbeVBRHeader(const Window& window, int64_t q) {
    if (window.Matches(q, "Xing")) return ParseXing(window, q);
    if (window.Matches(q, "VBRI")) return ParseVBRI(window, q);
    return {};
}

ScanResult ScanForFrame(const Window& window) {
    ScanResult result;
    // A four-byte register shifted through the window, one byte per step.
    HeaderBytes b = {0, window.At(0), window.At(1), window.At(2)};
    for (int32_t p = 0; p < kSearchPositions; ++p) {
        b = {b[1], b[2], b[3], window.At(p + 3)};
        if (b[0] != 0xFF || !LooksLikeHeader(b)) continue;
        FrameHeader frame;
        UnpackHeader(b, frame);
        const uint16_t length = FrameLength(frame);
        const int64_t next = int64_t{p} + length;
        if (!LooksLikeHeader(
                {window.At(next), window.At(next + 1), window.At(next + 2), window.At(next + 3)})) {
            continue;
        }
        frame.Found = true;
        frame.Position = p;
        frame.Size = length;
        frame.EmptySideInfo = true;
        for (int64_t i = p + 4; i <= p + 9; ++i) {
            if (window.At(i) != 0) frame.EmptySideInfo = false;
        }
        result.Frame = frame;
        result.VBR = ProbeVBRHeader(window, p + VBRHeaderOffset(frame));
        return result;
    }
    // Nothing found: an all-zero frame record.
    result.Frame = FrameHeader{};
    result.Frame.VersionID = 0;
    result.Frame.SampleRateIndex = 0;
    result.Frame.ModeID = 0;
    result.Frame.ModeExtension = 0;
    result.Frame.EmphasisID = 0;
    return result;
}

std::string SearchEncoderMark(const Window& window, uint16_t frameSize, std::string* more) {
    const int64_t candidates = 2 * int64_t{frameSize} + 1;
    for (int64_t i = 0; i < candidates; ++i) {
        const int64_t k = kWindowSize - 8 - i;
        if (k < 0) break;
        // Most places start with neither mark: one byte tells.
        const uint8_t first = window.At(k);
        if (first != 'L' && first != 'G') continue;
        if (window.Matches(k, "LAME")) {
            if (more && IsDigit(static_cast<char>(window.At(k + 8)))) *more = window.Text(k + 8, 1);
            return window.Text(k, 8);
        }
        if (window.Matches(k, "GOGO")) return "GOGO";
    }
    return {};
}

uint16_t ComputeBitRate(const FrameHeader& frame, const VBRData& vbr) {
    const uint16_t sampleRate = TableSampleRate(frame);
    if (vbr.Present && vbr.FrameCount > 0 && sampleRate > 0) {
        const double bytesPerFrame =
            static_cast<double>(vbr.ByteCount) / vbr.FrameCount - PaddingSize(frame);
        const double kbits = bytesPerFrame * sampleRate / SlotFactor(frame) / 1000;
        // Nearest, halves to even (the default rounding mode). A broken header
        // can give any value: clamp rather than wrap, so it never lands in the
        // valid range by accident.
        const double rounded = std::nearbyint(kbits);
        return static_cast<uint16_t>(std::clamp(rounded, 0.0, 65535.0));
    }
    return TableBitRate(frame);
}

double ComputePlayTime(const FrameHeader& frame, const VBRData& vbr, int64_t fileBytes,
                       int32_t tag2Size) {
    if (!frame.Found) return 0;
    const uint16_t sampleRate = TableSampleRate(frame);
    if (vbr.Present && vbr.FrameCount > 0 && sampleRate > 0) {
        return static_cast<double>(SlotFactor(frame)) * 8 * vbr.FrameCount / sampleRate;
    }
    const uint16_t bitRate = TableBitRate(frame);
    if (bitRate == 0) return 0;
    const double audioBytes =
        static_cast<double>(fileBytes) - static_cast<double>(tag2Size) - frame.Position;
    return audioBytes * 8 / bitRate / 1000;
}

uint8_t GuessEncoder(const FrameHeader& frame, const VBRData& vbr, const std::string& vendorText) {
    if (!frame.Found) return 0;
    uint8_t kind = 0;
    if (vbr.Present) {
        const std::string v = vbr.Vendor.substr(0, 4);
        if (v == "LAME") kind = 3;
        if (v == "GOGO" || v == "MPGE") kind = 5;
        if (vbr.Tag == "Xing" && v != "LAME" && v != "GOGO" && v != "MPGE") kind = 1;
        if (vbr.Tag == "VBRI") kind = 2;
        return kind;
    }
    kind = 2;
    if (frame.OriginalBit && frame.CrcProtected) kind = 3;
    if (TableBitRate(frame) <= 160 && frame.ModeID == kModeStereo) kind = 4;
    if (frame.CopyrightBit && frame.OriginalBit && !frame.CrcProtected) kind = 1;
    if (frame.EmptySideInfo && frame.OriginalBit) kind = 1;
    if (frame.ModeID == kModeDual && frame.CrcProtected) kind = 6;
    if (StartsWith(vendorText, "LAME")) kind = 3;
    if (StartsWith(vendorText, "GOGO")) kind = 5;
    return kind;
}

std::string DescribeEncoder(uint8_t kind, const VBRData& vbr, const std::string& vendorText,
                            std::string_view more) {
    if (kind >= EncoderNames.size()) kind = 0;
    std::string text(EncoderNames[kind]);
    const std::string& v = vendorText.empty() ? vbr.Vendor : vendorText;
    if (vendorText.empty()) more = vbr.VendorMore;
    if (kind == 3 && v.size() >= 8 && IsDigit(v[4]) && v[5] == '.' && IsDigit(v[6]) &&
        IsDigit(v[7])) {
        // A version such as 3.100 goes on past the 8 characters of the mark.
        text += ' ';
        text += v.substr(4, 4);
        text += more;
    }
    return text;
}

bool CountsAsValid(const FrameHeader& frame, uint16_t bitRate, double playTime) {
    return frame.Found && bitRate >= 8 && bitRate <= 448 && playTime >= 0.1;
}

}  // namespace mpeg

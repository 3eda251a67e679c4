#pragma once

// The routines behind TMPEGaudio, open to tests. They work on a window of
// bytes read from a file: a window is kWindowSize bytes long whatever the read
// gave, and every byte past the bytes actually read counts as zero, so no
// routine ever reads outside the buffer it was handed.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tags/MPEGFrame.h"
#include "tags/TagArea.h"

namespace mpeg {

constexpr int32_t kWindowSize = 3458;
// Frame starts tried per window: 0 to kWindowSize - 1729.
constexpr int32_t kSearchPositions = kWindowSize - 1729 + 1;
// Bytes of an ID3v1 tag at the end of the file.
constexpr auto kId3v1Size = static_cast<int32_t>(::kId3v1Size);

// A window over bytes that were read; out-of-range reads give zero.
class Window {
  public:
    explicit Window(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint8_t At(int64_t index) const {
        return index >= 0 && static_cast<uint64_t>(index) < bytes_.size()
                   ? bytes_[static_cast<size_t>(index)]
                   : 0;
    }
    bool Matches(int64_t index, std::string_view text) const;
    // Four bytes, most significant first, as a signed number.
    int32_t BigEndian32(int64_t index) const;
    // length bytes as Windows-1252 text, in UTF-8 like every text the tag code gives.
    std::string Text(int64_t index, int32_t length) const;

  private:
    std::span<const uint8_t> bytes_;
};

using HeaderBytes = std::array<uint8_t, 4>;

bool LooksLikeHeader(const HeaderBytes& b);
// Fills the header fields of frame; leaves Found, Position, Size and
// EmptySideInfo alone.
void UnpackHeader(const HeaderBytes& b, FrameHeader& frame);

// Table lookups; 0 for reserved or unknown codes.
uint16_t TableBitRate(const FrameHeader& frame);
uint16_t TableSampleRate(const FrameHeader& frame);
uint16_t SlotFactor(const FrameHeader& frame);
uint16_t PaddingSize(const FrameHeader& frame);
// 0 when the table gives no bit rate or sample rate.
uint16_t FrameLength(const FrameHeader& frame);
uint16_t VBRHeaderOffset(const FrameHeader& frame);

VBRData ParseXing(const Window& window, int64_t q);
VBRData ParseVBRI(const Window& window, int64_t q);
VBRData ProbeVBRHeader(const Window& window, int64_t q);

struct ScanResult {
    FrameHeader Frame;
    VBRData VBR;
};
// The first position whose header is followed by another header one frame
// length further on.
ScanResult ScanForFrame(const Window& window);

// "LAMEx.yz" or "GOGO" from the last two frames' worth of the tail window;
// more gets the digit after "LAMEx.yz" where the version goes on.
std::string SearchEncoderMark(const Window& window, uint16_t frameSize,
                              std::string* more = nullptr);

// What the analyser's getters report, from its fields.
uint16_t ComputeBitRate(const FrameHeader& frame, const VBRData& vbr);
double ComputePlayTime(const FrameHeader& frame, const VBRData& vbr, int64_t fileBytes,
                       int32_t tag2Size);
uint8_t GuessEncoder(const FrameHeader& frame, const VBRData& vbr, const std::string& vendorText);
// more: the digit after an 8-character mark (the tail's, or the Xing header's
// VendorMore when there is no tail mark).
std::string DescribeEncoder(uint8_t kind, const VBRData& vbr, const std::string& vendorText,
                            std::string_view more = {});
bool CountsAsValid(const FrameHeader& frame, uint16_t bitRate, double playTime);

}  // namespace mpeg

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/MPEGFrame.h"

class CachedFile;

// Analyses one MP3 file: both tags, the first valid MPEG frame and its VBR
// header, from at most three windows of the file. Only reads.
class TMPEGaudio {
  public:
    TMPEGaudio();
    void ResetData();
    bool ReadFromFile(const std::string& fileName);

    int64_t FileBytes() const { return fileBytes_; }
    const std::string& VendorText() const { return vendorText_; }
    const VBRData& VBR() const { return vbr_; }
    const FrameHeader& Frame() const { return frame_; }
    TID3v1& Tag1() { return tag1_; }
    const TID3v1& Tag1() const { return tag1_; }
    TID3v2& Tag2() { return tag2_; }
    const TID3v2& Tag2() const { return tag2_; }
    uint16_t BitRate() const;
    uint16_t SampleRate() const;
    double PlayTime() const;
    uint8_t EncoderKind() const;
    std::string EncoderText() const;
    bool IsValid() const;
    // The last read met a file whose ID3v1 area could not be read (Tag1's
    // Unreadable, kept when the analysis clears the tags).
    bool Unreadable() const { return unreadable_; }

    // The two byte ranges ReadFromFile reads first from a file of this size
    // (head, tail), so that read-ahead can ask for exactly these. A count may
    // reach beyond the end of a small file.
    struct ByteRange {
        int64_t Offset = 0;
        int64_t Count = 0;
    };
    static std::array<ByteRange, 2> FirstReads(int64_t fileSize);

  private:
    bool ReadStream(CachedFile& file);

    int64_t fileBytes_ = 0;
    std::string vendorText_;
    std::string vendorMore_;  // the digit after vendorText_ ("0" of LAME3.100)
    VBRData vbr_;
    FrameHeader frame_;
    TID3v1 tag1_;
    TID3v2 tag2_;
    bool unreadable_ = false;
};

#include "tags/MPEGaudio.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "tags/CachedFile.h"
#include "tags/MPEGaudioDetail.h"

TMPEGaudio::TMPEGaudio() {
    ResetData();
}

void TMPEGaudio::ResetData() {
    fileBytes_ = 0;
    vendorText_.clear();
    vendorMore_.clear();
    vbr_ = VBRData{};
    frame_ = FrameHeader{};
    tag1_.ResetData();
    tag2_.ResetData();
    unreadable_ = false;
}

namespace {

// The first read of a file: the ID3v2 header, the frames of a small tag and,
// behind a tag of up to 638 bytes, the whole first window. One page: a second
// one costs about as much as one more read.
constexpr size_t kHeadChunk = 4 * 1024;
// A file up to this size is read whole at once instead of in two reads.
constexpr int64_t kWholeFile = 8 * 1024;
// The last read: the ID3v1 tag and the tail window, which ends either right
// before that tag or at the end of the file.
constexpr int64_t kTailChunk = int64_t{mpeg::kWindowSize} + mpeg::kId3v1Size;

}  // namespace

std::array<TMPEGaudio::ByteRange, 2> TMPEGaudio::FirstReads(int64_t fileSize) {
    // Asking for more than a small file holds marks its end as read.
    const int64_t head = fileSize <= kWholeFile ? kWholeFile + 1 : int64_t{kHeadChunk};
    const int64_t tail = std::min(fileSize, kTailChunk);
    return {ByteRange{0, head}, ByteRange{std::max<int64_t>(fileSize - kTailChunk, 0), tail}};
}

bool TMPEGaudio::ReadFromFile(const std::string& fileName) {
    ResetData();
    // One open for the whole analysis; the tag readers and the windows read
    // through it, mostly from the two blocks fetched here.
    CachedFile file(fileName);
    if (file.IsOpen() && file.IsRegular()) {
        for (const ByteRange& range : FirstReads(file.Size()))
            file.Prefetch(range.Offset, static_cast<size_t>(range.Count));
    }
    // The first window follows the tag: the frame walk's last read takes it along.
    const bool result = tag1_.ReadFromOpenFile(file) &&
                        tag2_.ReadFromOpenFile(file, mpeg::kWindowSize) && ReadStream(file);
    // No frame: not an audio file, so nothing about it is reported, tags included.
    const bool unreadable = tag1_.Unreadable();
    if (!frame_.Found) ResetData();
    unreadable_ = unreadable;
    return result;
}

// Steps through the windows; returns false at the first failed read, keeping
// what was found up to then.
bool TMPEGaudio::ReadStream(CachedFile& file) {
    if (!file.IsOpen() || !file.IsRegular()) return false;
    if (file.Size() < 0) return false;
    fileBytes_ = file.Size();

    std::array<uint8_t, mpeg::kWindowSize> buffer{};
    const auto readWindow = [&](int64_t offset) -> ssize_t {
        if (offset < 0) return -1;
        return file.ReadAt(buffer.data(), buffer.size(), offset);
    };
    const auto window = [&](ssize_t filled) {
        return mpeg::Window(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(filled)));
    };

    const int64_t audioStart = tag2_.Size();
    ssize_t filled = readWindow(audioStart);
    if (filled < 0) return false;
    mpeg::ScanResult scan = mpeg::ScanForFrame(window(filled));
    frame_ = scan.Frame;
    vbr_ = scan.VBR;

    if (!frame_.Found && filled == mpeg::kWindowSize) {
        filled = readWindow((fileBytes_ - audioStart) / 2);
        if (filled < 0) return false;
        scan = mpeg::ScanForFrame(window(filled));
        frame_ = scan.Frame;
        vbr_ = scan.VBR;
    }

    if (frame_.Found && !vbr_.Present) {
        // The tail window ends where the audio ends; a file too short for it
        // counts as a failed read.
        const int64_t tailStart =
            fileBytes_ - mpeg::kWindowSize - (tag1_.Exists() ? mpeg::kId3v1Size : 0);
        filled = readWindow(tailStart);
        if (filled < 0) return false;
        vendorText_ = mpeg::SearchEncoderMark(window(filled), frame_.Size, &vendorMore_);
    }
    return true;
}

uint16_t TMPEGaudio::BitRate() const {
    return mpeg::ComputeBitRate(frame_, vbr_);
}

uint16_t TMPEGaudio::SampleRate() const {
    return mpeg::TableSampleRate(frame_);
}

double TMPEGaudio::PlayTime() const {
    return mpeg::ComputePlayTime(frame_, vbr_, fileBytes_, tag2_.Size());
}

uint8_t TMPEGaudio::EncoderKind() const {
    return mpeg::GuessEncoder(frame_, vbr_, vendorText_);
}

std::string TMPEGaudio::EncoderText() const {
    return mpeg::DescribeEncoder(EncoderKind(), vbr_, vendorText_, vendorMore_);
}

bool TMPEGaudio::IsValid() const {
    return mpeg::CountsAsValid(frame_, BitRate(), PlayTime());
}

// libFuzzer target for the MPEG audio analyser: each input becomes the whole
// content of a file that TMPEGaudio::ReadFromFile analyses; the frame search
// also runs on the input as a window of its own.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "fuzz/FuzzInput.h"
#include "tags/MPEGaudio.h"
#include "tags/MPEGaudioDetail.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::InputPath(data, size);

    TMPEGaudio audio;
    audio.ReadFromFile(path);
    const FrameHeader& frame = audio.Frame();
    if (!frame.Found) {
        // Cleared, tags included.
        Check(audio.FileBytes() == 0 && !audio.Tag1().Exists() && !audio.Tag2().Exists());
        Check(!audio.IsValid() && audio.PlayTime() == 0 && audio.EncoderKind() == 0);
    } else {
        Check(audio.FileBytes() == static_cast<int64_t>(size));
        Check(frame.Position >= 0 && frame.Position < mpeg::kSearchPositions);
        Check(frame.Size > 0 && audio.SampleRate() > 0);
        Check(std::isfinite(audio.PlayTime()));
        Check(audio.EncoderKind() < EncoderNames.size());
        Check(audio.VendorText().empty() || audio.VendorText() == "GOGO" ||
              audio.VendorText().size() >= 8);
    }
    (void)audio.EncoderText();

    // The routines on the raw input, which may be shorter or longer than a window.
    const mpeg::Window window(std::span<const uint8_t>(data, size));
    const mpeg::ScanResult scan = mpeg::ScanForFrame(window);
    if (scan.Frame.Found) {
        (void)mpeg::ComputeBitRate(scan.Frame, scan.VBR);
        Check(std::isfinite(mpeg::ComputePlayTime(scan.Frame, scan.VBR, INT32_MAX, 0)));
    }
    (void)mpeg::SearchEncoderMark(window, size > 0 ? static_cast<uint16_t>(data[0] << 4) : 0);
    return 0;
}

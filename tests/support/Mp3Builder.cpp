#include "support/Mp3Builder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "support/TempDir.h"

using namespace std::string_literals;

namespace {

// [version code][layer code][index]; MPEG 2 and 2.5 share rows.
int TableBitRate(int version, int layer, int index) {
    static const int v1[4][16] = {
        {0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}};
    static const int v2[4][16] = {
        {0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}};
    if (version == 1) return 0;
    return version == 3 ? v1[layer][index] : v2[layer][index];
}

int TableSampleRate(int version, int index) {
    static const int rates[4][4] = {
        {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};
    return rates[version][index];
}

}  // namespace

std::string FrameHeaderBytes(const FrameSpec& s) {
    std::string h(4, '\0');
    h[0] = static_cast<char>(0xFF);
    h[1] = static_cast<char>(0xE0 | (s.VersionCode << 3) | (s.LayerCode << 1) |
                             (s.ProtectionBit ? 1 : 0));
    h[2] = static_cast<char>((s.BitRateIndex << 4) | (s.SampleRateIndex << 2) |
                             (s.Padding ? 2 : 0) | (s.Private ? 1 : 0));
    h[3] = static_cast<char>((s.Mode << 6) | (s.ModeExtension << 4) | (s.Copyright ? 8 : 0) |
                             (s.Original ? 4 : 0) | s.Emphasis);
    return h;
}

int FrameLengthOf(const FrameSpec& s) {
    int slot = 144;
    if (s.LayerCode == 3)
        slot = 48;
    else if (s.LayerCode == 1 && s.VersionCode != 3)
        slot = 72;
    const int rate = TableBitRate(s.VersionCode, s.LayerCode, s.BitRateIndex);
    const int sr = TableSampleRate(s.VersionCode, s.SampleRateIndex);
    if (rate == 0 || sr == 0) return 4;
    const int pad = s.Padding ? (s.LayerCode == 3 ? 4 : 1) : 0;
    return static_cast<int>(static_cast<double>(slot) * rate * 1000 / sr) + pad;
}

std::string MakeFrame(const FrameSpec& spec, bool zeroSideInfo) {
    std::string frame = FrameHeaderBytes(spec);
    frame.resize(static_cast<size_t>(FrameLengthOf(spec)), '\x55');
    if (!zeroSideInfo && frame.size() > 9) {
        for (size_t i = 4; i < 10; ++i) frame[i] = '\x11';
    } else {
        for (size_t i = 4; i < 10 && i < frame.size(); ++i) frame[i] = '\0';
    }
    return frame;
}

std::string MakeFrames(const FrameSpec& spec, int count) {
    const std::string one = MakeFrame(spec);
    std::string all;
    all.reserve(one.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) all += one;
    return all;
}

std::string MakeCbrAudio(int bitRateIndex, double seconds) {
    FrameSpec spec;
    spec.BitRateIndex = bitRateIndex;
    const int frames = static_cast<int>(std::ceil(seconds * 44100.0 / 1152.0));
    return MakeFrames(spec, frames);
}

std::string BigEndian32Bytes(uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

void PutBytes(std::string& target, size_t offset, const std::string& bytes) {
    if (offset + bytes.size() > target.size()) throw std::out_of_range("PutBytes past the end");
    target.replace(offset, bytes.size(), bytes);
}

std::string XingBlock(uint32_t frameCount, uint32_t byteCount, uint8_t quality,
                      const std::string& vendor) {
    std::string block = "Xing" + BigEndian32Bytes(0x0F) + BigEndian32Bytes(frameCount) +
                        BigEndian32Bytes(byteCount);
    for (int i = 0; i < 100; ++i) block += static_cast<char>(i * 2);  // table of contents
    block += BigEndian32Bytes(quality);
    block += (vendor + std::string(8, '\0')).substr(0, 8);
    return block;
}

std::string VbriBlock(uint32_t frameCount, uint32_t byteCount, uint8_t quality) {
    std::string block = "VBRI";
    block += std::string{'\0', '\1', '\0', '\0'};  // version 1, delay 0
    block += std::string{'\0', static_cast<char>(quality)};
    block += BigEndian32Bytes(byteCount) + BigEndian32Bytes(frameCount);
    block += std::string(8, '\0');  // table description, no entries
    return block;
}

std::string MakeVbrAudio(const FrameSpec& spec, size_t offset, const std::string& block,
                         int frames) {
    std::string first = MakeFrame(spec, true);
    PutBytes(first, offset, block);
    return first + MakeFrames(spec, frames);
}

std::string MakeId3v1Tag(const std::string& title, const std::string& artist,
                         const std::string& album, const std::string& year,
                         const std::string& comment, uint8_t track, uint8_t genre) {
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    auto put = [&tag](size_t offset, const std::string& text, size_t width) {
        tag.replace(offset, std::min(text.size(), width), text.substr(0, width));
    };
    put(3, title, 30);
    put(33, artist, 30);
    put(63, album, 30);
    put(93, year, 4);
    put(97, comment, track > 0 ? 28 : 30);
    if (track > 0) {
        tag[125] = '\0';
        tag[126] = static_cast<char>(track);
    }
    tag[127] = static_cast<char>(genre);
    return tag;
}

std::string TextFrameData(const std::string& text) {
    return std::string(1, '\0') + text;
}

std::string Id3v2Frame(uint8_t version, const std::string& id, const std::string& data,
                       uint16_t flags) {
    const auto n = static_cast<uint32_t>(data.size());
    if (version == 2) {
        // Three-letter ids, three size bytes, no flags.
        return id.substr(0, 3) + BigEndian32Bytes(n).substr(1) + data;
    }
    return id.substr(0, 4) + (version == 4 ? SynchsafeBytes(n) : BigEndian32Bytes(n)) +
           static_cast<char>(flags >> 8) + static_cast<char>(flags & 0xFF) + data;
}

std::string Id3v2Header(uint8_t version, uint8_t flags, uint32_t size) {
    return "ID3"s + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
           SynchsafeBytes(size);
}

std::string MakeId3v2Tag(const std::vector<std::pair<std::string, std::string>>& frames,
                         uint8_t version, int padding, uint8_t flags) {
    std::string body;
    for (const auto& [id, data] : frames) body += Id3v2Frame(version, id, data);
    body += std::string(static_cast<size_t>(padding), '\0');
    return Id3v2Header(version, flags, static_cast<uint32_t>(body.size())) + body;
}

std::string SynchsafeBytes(uint32_t value) {
    return {static_cast<char>((value >> 21) & 0x7F), static_cast<char>((value >> 14) & 0x7F),
            static_cast<char>((value >> 7) & 0x7F), static_cast<char>(value & 0x7F)};
}

void WriteMp3(const std::string& path, const std::string& id3v2, const std::string& audio,
              const std::string& id3v1) {
    WriteFileBytes(path, id3v2 + audio + id3v1);
}

std::string Tail128(const std::string& bytes) {
    return bytes.size() < 128 ? std::string() : bytes.substr(bytes.size() - 128);
}

std::string LastBlock(const std::string& path) {
    return Tail128(ReadFileBytes(path));
}

bool LameAvailable() {
    return std::system("command -v lame >/dev/null 2>&1") == 0;
}

std::string LameVersion() {
    FILE* out = ::popen("lame --version 2>/dev/null", "r");
    if (!out) return {};
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, out) != nullptr;
    ::pclose(out);
    const std::string text = read ? line : "";
    const size_t at = text.find("version ");
    if (at == std::string::npos) return {};
    const size_t from = at + 8;
    return text.substr(from, text.find(' ', from) - from);
}

bool EncodeWithLame(const std::string& outPath, const std::vector<std::string>& extraArgs,
                    double seconds, int sampleRate, int channels) {
    if (!LameAvailable()) return false;
    const std::string raw = outPath + ".pcm";
    {
        std::ofstream out(raw, std::ios::binary);
        const long samples = std::lround(seconds * sampleRate);
        for (long i = 0; i < samples; ++i) {
            // Two tones, so the encoder has something to spend bits on.
            const double t = static_cast<double>(i) / sampleRate;
            const double v =
                0.4 * std::sin(2 * M_PI * 440 * t) + 0.2 * std::sin(2 * M_PI * 3520 * t);
            const auto sample = static_cast<int16_t>(v * 32767);
            for (int c = 0; c < channels; ++c) {
                out.put(static_cast<char>(sample & 0xFF));
                out.put(static_cast<char>((sample >> 8) & 0xFF));
            }
        }
    }
    std::string cmd = "lame --quiet -r -s " + std::to_string(sampleRate / 1000.0) +
                      " --bitwidth 16 --signed --little-endian -m " + (channels == 1 ? "m" : "j");
    for (const auto& a : extraArgs) cmd += " '" + a + "'";
    cmd += " '" + raw + "' '" + outPath + "'";
    const int rc = std::system(cmd.c_str());
    std::remove(raw.c_str());
    return rc == 0;
}

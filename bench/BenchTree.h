#pragma once

// Writes a tree of small synthetic MP3 files for the benchmarks: each file has
// an ID3v2.3 tag with padding, ten MPEG-1 Layer III frames (128, 160 or
// 192 kbit/s, a LAME mark near the end) and an ID3v1.1 tag. The files are
// spread over 16 album folders below 8 artist folders, a few at the top.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace benchtree {

inline std::string SynchSafe(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 3; i >= 0; --i) {
        s[i] = static_cast<char>(v & 0x7F);
        v >>= 7;
    }
    return s;
}

inline std::string Frame(const char* id, const std::string& body) {
    const uint32_t size = static_cast<uint32_t>(body.size());
    std::string f(id, 4);
    for (int shift = 24; shift >= 0; shift -= 8) f += static_cast<char>((size >> shift) & 0xFF);
    f += std::string(2, '\0');  // flags
    return f + body;
}

// Latin-1 text.
inline std::string TextFrame(const char* id, const std::string& text) {
    return Frame(id, std::string(1, '\0') + text);
}

// A cover of pictureBytes follows the text frames, as taggers order them.
inline std::string Id3v2(const std::string& title, const std::string& artist,
                         const std::string& album, int track, size_t pictureBytes = 0) {
    std::string frames = TextFrame("TIT2", title) + TextFrame("TPE1", artist) +
                         TextFrame("TALB", album) + TextFrame("TRCK", std::to_string(track)) +
                         TextFrame("TYER", "2004") + TextFrame("TCON", "Rock");
    if (pictureBytes > 0) {
        std::string picture("\0image/jpeg\0\x03\0", 14);  // front cover, no description
        // Bytes like a JPEG's, none repeating its neighbour: a frame moved
        // by a few bytes differs all through, as a real picture does.
        uint32_t x = 2463534242u;
        while (picture.size() < pictureBytes) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            picture += static_cast<char>(x >> 24);
        }
        frames += Frame("APIC", picture);
    }
    frames += std::string(256, '\0');  // padding, as taggers leave it
    return std::string("ID3\x03\x00\x00", 6) + SynchSafe(static_cast<uint32_t>(frames.size())) +
           frames;
}

inline std::string Field(const std::string& text, size_t width) {
    std::string f = text.substr(0, width);
    f.resize(width, '\0');
    return f;
}

inline std::string Id3v1(const std::string& title, const std::string& artist,
                         const std::string& album, int track) {
    return "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) + "2004" +
           Field("bench", 28) + std::string(1, '\0') + static_cast<char>(track) +
           static_cast<char>(17);
}

// Frames of MPEG-1 Layer III, joint stereo, 44.1 kHz (ten: a short file).
inline std::string Audio(int bitRateIndex, int frameCount = 10) {
    static constexpr std::array<int, 16> kRates = {0,   32,  40,  48,  56,  64,  80,  96,
                                                   112, 128, 160, 192, 224, 256, 320, 0};
    const int length = 144 * kRates[bitRateIndex] * 1000 / 44100;
    std::string frame(static_cast<size_t>(length), '\x55');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = static_cast<char>(bitRateIndex << 4);
    frame[3] = '\x44';
    std::string audio;
    for (int i = 0; i < frameCount; ++i) audio += frame;
    audio.replace(audio.size() - 200, 8, "LAME3.99");
    return audio;
}

}  // namespace benchtree

// count files; with audioBytes and pictureBytes, files of about that much
// audio with a cover of that size (else short files without a cover).
inline void MakeBenchTree(const std::string& folder, int count, size_t audioBytes = 0,
                          size_t pictureBytes = 0) {
    namespace fs = std::filesystem;
    static constexpr std::array<int, 3> kIndexes = {9, 10, 11};
    std::array<std::string, 3> audio;
    for (size_t i = 0; i < kIndexes.size(); ++i) {
        const int frameBytes = 144 * 128 * 1000 / 44100;
        const int frames = audioBytes > 0 ? static_cast<int>(audioBytes) / frameBytes : 10;
        audio[i] = benchtree::Audio(kIndexes[i], frames);
    }

    for (int i = 0; i < count; ++i) {
        // Every 17th file stays at the top; the rest fill the album folders.
        const int slot = i % 17;
        fs::path dir = folder;
        std::string artist = "Interpret";
        std::string album = "Album";
        if (slot < 16) {
            artist.append(" ").append(std::to_string(slot / 2));
            album.append(" ").append(std::to_string(slot % 2));
            dir = dir / artist / album;
        }
        fs::create_directories(dir);
        const std::string title = "Titel " + std::to_string(i);
        const int track = i % 99 + 1;
        char name[32];
        std::snprintf(name, sizeof name, "%05d Titel.mp3", i);
        const std::string bytes = benchtree::Id3v2(title, artist, album, track, pictureBytes) +
                                  audio[static_cast<size_t>(i) % audio.size()] +
                                  benchtree::Id3v1(title, artist, album, track);
        std::FILE* f = std::fopen((dir / name).c_str(), "wb");
        if (f == nullptr) throw std::runtime_error("cannot write " + (dir / name).string());
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (std::fclose(f) != 0 || !ok)
            throw std::runtime_error("cannot write " + (dir / name).string());
    }
}

#pragma once

// Builds MP3 files byte by byte for tests: MPEG audio frames, ID3v1 and
// ID3v2 tags, and real encodings through the lame encoder.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The four header bytes' fields, with codes as they stand in the header.
struct FrameSpec {
    int VersionCode = 3;        // 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
    int LayerCode = 1;          // 1 Layer III, 2 Layer II, 3 Layer I
    bool ProtectionBit = true;  // true: no CRC
    int BitRateIndex = 9;       // 128 kbit/s in MPEG 1 Layer III
    int SampleRateIndex = 0;    // 44100 Hz in MPEG 1
    bool Padding = false;
    bool Private = false;
    int Mode = 0;  // 0 stereo, 1 joint, 2 dual, 3 mono
    int ModeExtension = 0;
    bool Copyright = false;
    bool Original = false;
    int Emphasis = 0;
};

std::string FrameHeaderBytes(const FrameSpec& spec);
// Frame length in bytes as the analyser computes it (slot factor, padding).
int FrameLengthOf(const FrameSpec& spec);
// One frame: header, then body bytes (0x55 by default so no chance headers
// appear; side information zero when zeroSideInfo).
std::string MakeFrame(const FrameSpec& spec, bool zeroSideInfo = false);
// count frames of the same spec.
std::string MakeFrames(const FrameSpec& spec, int count);
// MPEG-1 Layer III stereo frames at the given table rate, about seconds long.
std::string MakeCbrAudio(int bitRateIndex, double seconds);

// Four bytes, most significant first.
std::string BigEndian32Bytes(uint32_t value);
// Writes bytes over target at offset; throws when they would not fit.
void PutBytes(std::string& target, size_t offset, const std::string& bytes);
// A Xing header of 128 bytes as the analyser reads it: tag, flags, frame and
// byte count at +8 and +12, a table of contents, quality (low byte at +119)
// and 8 vendor bytes at +120 (such as "LAME3.96").
std::string XingBlock(uint32_t frameCount, uint32_t byteCount, uint8_t quality,
                      const std::string& vendor);
// A VBRI header of 26 bytes: quality at +8 (low byte at +9), byte count at
// +10, frame count at +14.
std::string VbriBlock(uint32_t frameCount, uint32_t byteCount, uint8_t quality);
// First frame carrying block at offset, then more plain frames.
std::string MakeVbrAudio(const FrameSpec& spec, size_t offset, const std::string& block,
                         int frames);

// A 128-byte ID3v1 block; track > 0 makes it version 1.1.
std::string MakeId3v1Tag(const std::string& title, const std::string& artist,
                         const std::string& album, const std::string& year,
                         const std::string& comment, uint8_t track, uint8_t genre);

// An ID3v2 tag: header (version, flags, size as 7-bit groups) and frames
// given as (id, data) pairs, each data written after a frame header of the
// version (2.2: three-letter id and three size bytes; 2.3: four-letter id,
// big-endian size, two zero flag bytes; 2.4: the size in 7-bit groups);
// padding zero bytes at the end. Frame data is taken as it stands.
std::string MakeId3v2Tag(const std::vector<std::pair<std::string, std::string>>& frames,
                         uint8_t version = 3, int padding = 0, uint8_t flags = 0);
// Four 7-bit groups, most significant first.
std::string SynchsafeBytes(uint32_t value);
// One frame of the version's layout, with the given flags (none in 2.2).
std::string Id3v2Frame(uint8_t version, const std::string& id, const std::string& data,
                       uint16_t flags = 0);
// The 10 header bytes of a tag whose frame area has size bytes.
std::string Id3v2Header(uint8_t version, uint8_t flags, uint32_t size);
// Data of a text frame with encoding byte 0.
std::string TextFrameData(const std::string& text);

// Writes id3v2 + audio + id3v1 to path.
void WriteMp3(const std::string& path, const std::string& id3v2, const std::string& audio,
              const std::string& id3v1);

// The last 128 bytes, where an ID3v1 tag stands; empty when there are fewer.
std::string Tail128(const std::string& bytes);
// The same of a file's bytes.
std::string LastBlock(const std::string& path);

// lame: encodes generated PCM (a sine) of the given length; returns false when
// lame is missing or fails. extraArgs such as {"-b", "128"} or {"-V", "2"}.
bool LameAvailable();
// The version "lame --version" names ("3.100"); empty without lame.
std::string LameVersion();
bool EncodeWithLame(const std::string& outPath, const std::vector<std::string>& extraArgs,
                    double seconds, int sampleRate, int channels);

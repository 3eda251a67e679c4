#pragma once

// python3-mutagen as an independent ID3 reader and writer for tests. Texts
// cross the border as Windows-1252 bytes (the tag code's own form) or, for
// writing, as UTF-8 text with the frame's encoding byte.

#include <map>
#include <optional>
#include <string>
#include <vector>

// True when a python3 with mutagen can be run.
bool MutagenAvailable();

struct MutagenTag {
    int MajorVersion = 0;  // 3 for an ID3v2.3 tag; 1 for a tag read from ID3v1
    // Frame id -> text. Latin-1 frames give their bytes as stored; UTF-16 ones
    // are turned into Windows-1252 ("?" for characters without a byte). For
    // "COMM" the key is "COMM" and the value is description, zero byte, text;
    // its language is under "COMM:lang".
    std::map<std::string, std::string> Texts;
};

// The ID3 tag of the file as mutagen sees it (ID3v2, or ID3v1 when there is
// no ID3v2 tag); nullopt when mutagen finds none or fails.
std::optional<MutagenTag> MutagenRead(const std::string& path);

struct MutagenFrame {
    std::string Id;                // "TIT2", ..., "COMM"
    int Encoding = 0;              // 0 Latin-1, 1 UTF-16
    std::string Text = {};         // UTF-8
    std::string Description = {};  // UTF-8, "COMM" only
    std::string Language = "eng";
};

// Writes the frames as an ID3v2.3 tag in front of the file's content (an
// existing tag is replaced). False when mutagen fails.
bool MutagenWriteId3v23(const std::string& path, const std::vector<MutagenFrame>& frames);

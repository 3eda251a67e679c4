#pragma once

// python3-mutagen as an independent ID3 reader and writer for tests. Every
// text crosses the border as UTF-8.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// True when a python3 with mutagen can be run.
bool MutagenAvailable();

// One frame as mutagen reads it.
struct MutagenFrame {
    // mutagen's FrameID. mutagen names the frames of a 2.2 tag by their 2.3
    // ids (TT2 -> TIT2, TYE -> TYER, COM -> COMM, PIC -> APIC) and drops
    // those that have none (CRM).
    std::string Id;
    // Frame class and every attribute, sorted by name, encoding included;
    // byte data as length and SHA-256. Equal exactly when mutagen sees the
    // same frame. Frames mutagen cannot parse: "raw" and their bytes' hash.
    std::string Content;
    int Encoding = -1;  // the encoding byte; -1 for frames without one (POPM)
    // UTF-8: the values of a text frame (TXXX included), each on its own;
    // the one text of COMM and USLT.
    std::vector<std::string> Texts;
    std::string Description;  // COMM, USLT, TXXX, APIC
    std::string Language;     // COMM, USLT
};

struct MutagenTag {
    int MajorVersion = 0;  // 2, 3 or 4; 1 when only an ID3v1 tag was found
    // In file order; frames mutagen cannot parse come last. mutagen keeps
    // one frame per id and key (description; for COMM and USLT also the
    // language; POPM's email): a repeated text frame's values join the first
    // one's, a repeated picture gets a blank added to its description, other
    // repeats replace the first in its place.
    std::vector<MutagenFrame> Frames;

    // The first frame with the id; nullptr when there is none.
    const MutagenFrame* Find(std::string_view id) const;
    // The first such frame's values joined by " / "; empty when there is none.
    std::string Text(std::string_view id) const;
    // All frames with the id, in order.
    std::vector<MutagenFrame> All(std::string_view id) const;
};

// The ID3v2 tag of the file as mutagen sees it, opened with translate=False
// so no frame is renamed to another version's id (TYER stays TYER); an
// ID3v1 tag is only read when there is no ID3v2 tag (its year comes as
// TDRC). nullopt when mutagen finds no tag or fails.
std::optional<MutagenTag> MutagenRead(const std::string& path);

// The ID3v2 tag as mutagen reads it translated to 2.4, one line per frame,
// sorted, without what a conversion between 2.3 and 2.4 may change: text
// encodings, several values (joined by "/", as 2.3 holds them), TMCL's
// people apart from TIPL's (in one TIPL line), a 2.2 picture's format for its
// MIME type. nullopt when mutagen fails.
std::optional<std::vector<std::string>> MutagenView(const std::string& path);

// A frame for mutagen to write. Text frames of any id take Texts (several
// values are joined by "/" in 2.3, separate in 2.4); COMM and USLT take
// Language, Description and the first of Texts; TXXX Description and Texts;
// APIC Mime, PictureType, Description and Data; POPM Email, Rating, Count.
struct MutagenNewFrame {
    std::string Id;
    int Encoding = 0;  // 0 Latin-1, 1 UTF-16 with BOM; in 2.4 also 2 UTF-16BE, 3 UTF-8
    std::vector<std::string> Texts = {};  // UTF-8
    std::string Description = {};
    std::string Language = "eng";
    std::string Mime = "image/jpeg";
    int PictureType = 3;
    std::string Data = {};
    std::string Email = {};
    int Rating = 0;
    int Count = 0;
};

// Writes the frames as an ID3v2 tag of version 3 or 4 in place of the file's
// tag (the file is created when missing). mutagen orders the frames itself
// (TIT2 TPE1 TRCK TALB TPOS TDRC TCON first, then the rest by size) and adds
// its usual padding. Everything behind the old tag stays, an ID3v1 block
// included. False when mutagen fails or an encoding does not exist in the
// version.
bool MutagenWrite(const std::string& path, int version, const std::vector<MutagenNewFrame>& frames);

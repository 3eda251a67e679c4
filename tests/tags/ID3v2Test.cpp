#include "tags/ID3v2.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/CachedFile.h"
#include "tags/PosixFile.h"

namespace {

using namespace std::string_literals;
using Frames = std::vector<std::pair<std::string, std::string>>;

const std::string kAudio = "\xFF\xFB\x90\x00"s + std::string(2000, '\x55');
const std::string kTag1 = "TAG" + std::string(125, '\0');

// UTF-16 code units in the given byte order, with or without a byte-order mark.
std::string Utf16(std::u16string_view text, bool bigEndian = false, bool bom = true) {
    std::string out = !bom ? "" : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

// Comment frame data in encoding 0.
std::string CommData(const std::string& description, const std::string& text,
                     const std::string& language = "eng") {
    return "\0"s + language + description + '\0' + text;
}

// Frame data of encoding 3.
std::string Utf8Data(const std::string& text) {
    return "\x03"s + text;
}

// A tag of the version from whole frames (see Id3v2Frame), after the header
// and, when given, an extended header, with a footer when asked.
std::string TagOf(uint8_t version, uint8_t flags, const std::vector<std::string>& frames,
                  const std::string& extended = "", bool footer = false) {
    std::string body = extended;
    for (const auto& f : frames) body += f;
    const std::string header = Id3v2Header(version, flags, static_cast<uint32_t>(body.size()));
    return header + body + (footer ? "3DI" + header.substr(3) : "");
}

// A tag as a save leaves it in an area of room bytes: where it fits, zero
// padding fills the area; where it does not, the area grows by whole 4 KiB
// pages and leaves at least 1 KiB of padding. The size field follows.
std::string AsSaved(const std::string& tag, size_t room) {
    size_t target = room;
    while (tag.size() > room && target < tag.size() + 1024) target += 4096;
    std::string out = tag;
    out.replace(6, 4, SynchsafeBytes(static_cast<uint32_t>(target - 10)));
    out.resize(target, '\0');
    return out;
}

// The frame area of a tag with every 0xFF followed by a zero byte where
// unsynchronisation puts one, the flag set and the size counted anew.
std::string Unsynchronised(const std::string& tag) {
    std::string body;
    for (size_t i = 10; i < tag.size(); ++i) {
        body += tag[i];
        if (tag[i] == '\xFF' &&
            (i + 1 == tag.size() || tag[i + 1] == '\0' || static_cast<uint8_t>(tag[i + 1]) >= 0xE0))
            body += '\0';
    }
    return Id3v2Header(static_cast<uint8_t>(tag[3]), static_cast<uint8_t>(tag[5] | 0x80),
                       static_cast<uint32_t>(body.size())) +
           body;
}

struct Fields {
    std::string title = {};
    std::string artist = {};
    std::string album = {};
    uint8_t track = 0;
    std::string year = {};
    std::string genre = {};
    std::string comment = {};
};

void ExpectFields(const TID3v2& tag, const Fields& f) {
    EXPECT_EQ(tag.Title(), f.title);
    EXPECT_EQ(tag.Artist(), f.artist);
    EXPECT_EQ(tag.Album(), f.album);
    EXPECT_EQ(tag.Track(), f.track);
    EXPECT_EQ(tag.Year(), f.year);
    EXPECT_EQ(tag.Genre(), f.genre);
    EXPECT_EQ(tag.Comment(), f.comment);
}

struct ReadCase {
    const char* name;
    std::string tag;
    Fields expected;
    std::vector<std::string> others = {};
};

void ExpectReads(const std::vector<ReadCase>& cases) {
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteMp3(path, c.tag, kAudio, kTag1);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.VersionID(), static_cast<uint8_t>(c.tag[3]));
        EXPECT_EQ(tag.Size(), static_cast<int32_t>(c.tag.size()));
        ExpectFields(tag, c.expected);
        EXPECT_EQ(tag.OtherFrameIDs(), c.others);
    }
}

TEST(ID3v2Read, FramesAndFieldRules) {
    const std::string long300(300, 'L');
    ExpectReads({
        {"all seven of 2.3, other frames listed",
         MakeId3v2Tag({{"TIT2", TextFrameData("Titel")},
                       {"TPE1", TextFrameData("K\xFCnstler")},
                       {"APIC", std::string(5000, '\x01')},
                       {"TALB", TextFrameData("Album")},
                       {"TRCK", TextFrameData("5/12")},
                       {"TYER", TextFrameData("1999")},
                       {"TCON", TextFrameData("(17)Rock")},
                       {"COMM", CommData("", "Kommentar")},
                       {"TXXX", "\0a\0b"s}}),
         {"Titel", "Künstler", "Album", 5, "1999", "Rock", "Kommentar"},
         {"APIC", "TXXX"}},
        {"blanks at both ends and a terminator go",
         MakeId3v2Tag({{"TIT2", TextFrameData("  Titel \0"s)}}),
         {.title = "Titel"}},
        {"text frames are read whole",
         MakeId3v2Tag({{"TIT2", TextFrameData(long300)}}),
         {.title = long300}},
        {"the comment: the first without a description, in any language",
         MakeId3v2Tag({{"COMM", CommData("iTunNORM", " 0000 0001")},
                       {"COMM", CommData("", "erster", "deu")},
                       {"COMM", CommData("", "zweiter")}}),
         {.comment = "erster"},
         {"COMM"}},
        {"a later duplicate wins",
         MakeId3v2Tag({{"TIT2", TextFrameData("Erst")}, {"TIT2", TextFrameData("Zweit")}}),
         {.title = "Zweit"}},
        {"ids are case-sensitive",
         MakeId3v2Tag({{"TIT2", TextFrameData("x")}, {"Tit2", TextFrameData("y")}}),
         {.title = "x"},
         {"Tit2"}},
        {"padding ends the walk",
         MakeId3v2Tag({{"TIT2", TextFrameData("x")}}, 3, 64),
         {.title = "x"}},
        {"a lower-case id ends the walk",
         MakeId3v2Tag({{"tit2", TextFrameData("x")}, {"TALB", TextFrameData("y")}}),
         {}},
    });
}

// Each version with each text encoding it may hold.
TEST(ID3v2Read, VersionsAndEncodings) {
    ExpectReads({
        {"2.2: three-letter ids",
         MakeId3v2Tag({{"TT2", TextFrameData("Titel")},
                       {"TP1", TextFrameData("Wer")},
                       {"TAL", TextFrameData("Album")},
                       {"TRK", TextFrameData("3/9")},
                       {"TYE", TextFrameData("1987")},
                       {"TCO", TextFrameData("(17)")},
                       {"COM", CommData("", "Kommentar")},
                       {"PIC", "\0JPG\x03\0data"s}},
                      2),
         {"Titel", "Wer", "Album", 3, "1987", "Rock", "Kommentar"},
         {"PIC"}},
        {"2.2: UTF-16", MakeId3v2Tag({{"TT2", "\x01" + Utf16(u"Жук")}}, 2), {.title = "Жук"}},
        {"encoding 0 is Windows-1252",
         MakeId3v2Tag({{"TIT2", TextFrameData("\x84Zitat\x93 \x80 F\xFCr")}}),
         {.title = "„Zitat“ € Für"}},
        {"UTF-16 little-endian with byte-order mark",
         MakeId3v2Tag({{"TIT2", "\x01" + Utf16(u"Звезда по имени Солнце")}}),
         {.title = "Звезда по имени Солнце"}},
        {"UTF-16 big-endian with byte-order mark",
         MakeId3v2Tag({{"TPE1", "\x01" + Utf16(u"東京事変", true)}}),
         {.artist = "東京事変"}},
        {"UTF-16 without byte-order mark is little-endian",
         MakeId3v2Tag({{"TALB", "\x01" + Utf16(u"Zażółć gęślą jaźń", false, false)}}),
         {.album = "Zażółć gęślą jaźń"}},
        {"encoding 2: UTF-16 big-endian",
         MakeId3v2Tag({{"TIT2", "\x02" + Utf16(u"Für", true, false)}}),
         {.title = "Für"}},
        {"surrogate pairs, and a lone surrogate as U+FFFD",
         MakeId3v2Tag({{"TIT2", "\x01" + Utf16(u"a\U0001F600b")},
                       {"TPE1", "\x01" + Utf16(std::u16string{u'a', 0xD800, u'b'})}}),
         {.title = "a😀b", .artist = "a\uFFFDb"}},
        {"UTF-16 comment, description and text with their own marks",
         MakeId3v2Tag({{"COMM",
                        "\x01"
                        "deu"s +
                            Utf16(u"", true) + "\0\0"s + Utf16(u"Schön")}}),
         {.comment = "Schön"}},
        {"an unknown encoding byte as 0",
         MakeId3v2Tag({{"TIT2",
                        "\x07Gr\xFC\xDF"
                        "e"s}}),
         {.title = "Grüße"}},
        {"2.4: UTF-8, a malformed byte as U+FFFD, the year from TDRC",
         MakeId3v2Tag({{"TIT2", Utf8Data("東京 \xFF!")},
                       {"TDRC", Utf8Data("2020-05-01")},
                       {"TYER", TextFrameData("1999")}},
                      4),
         {.title = "東京 \uFFFD!", .year = "2020-05-01"},
         {"TYER"}},
        {"2.4: several values joined, genre numbers named",
         MakeId3v2Tag({{"TPE1", Utf8Data("Anna\0Ben\0"s)},
                       {"TCON", TextFrameData("17\0Pop\0(9)"s)},
                       {"TRCK", TextFrameData("4/10\0"
                                              "5"s)}},
                      4),
         {.artist = "Anna / Ben", .track = 4, .genre = "Rock / Pop / Metal"}},
        {"2.4: sizes in 7-bit groups",
         MakeId3v2Tag(
             {{"TIT2", TextFrameData(std::string(200, 'x'))}, {"TPE1", TextFrameData("Wer")}}, 4),
         {.title = std::string(200, 'x'), .artist = "Wer"}},
        {"2.4: a frame size written as a plain number",
         TagOf(4, 0,
               {"TIT2" + BigEndian32Bytes(201) + "\0\0"s + TextFrameData(std::string(200, 'x')),
                Id3v2Frame(4, "TPE1", TextFrameData("Wer"))}),
         {.title = std::string(200, 'x'), .artist = "Wer"}},
    });
}

TEST(ID3v2Read, HeaderAndFrameFlags) {
    const std::string plain23 = MakeId3v2Tag({{"TIT2", TextFrameData("a\xFF\xFE"
                                                                     "b")},
                                              {"TPE1", "\x01" + Utf16(u"Wer")}});
    ExpectReads({
        {"2.3 unsynchronised as a whole",
         Unsynchronised(plain23),
         {.title = "aÿþb", .artist = "Wer"}},
        {"2.2 unsynchronised as a whole",
         Unsynchronised(MakeId3v2Tag({{"TT2", "\x01" + Utf16(u"ÿ")}}, 2)),
         {.title = "ÿ"}},
        {"2.4 frame unsynchronised, with a data length",
         TagOf(
             4, 0,
             {Id3v2Frame(4, "TIT2", SynchsafeBytes(5) + "\x01\xFF\x00\xFE\xFF\x00\x00"s, 0x0003)}),
         {.title = "ÿ"}},
        {"2.4 tag unsynchronised: every frame",
         TagOf(4, 0x80, {Id3v2Frame(4, "TIT2", "\x01\xFF\x00\xFE\x41\x00"s)}),
         {.title = "A"}},
        {"2.3 extended header skipped",
         TagOf(3, 0x40, {Id3v2Frame(3, "TIT2", TextFrameData("T"))},
               "\0\0\0\x06"s + std::string(6, '\0')),
         {.title = "T"}},
        {"2.4 extended header skipped, footer counted",
         TagOf(4, 0x50, {Id3v2Frame(4, "TIT2", TextFrameData("T"))}, "\0\0\0\x06\x01\0"s, true),
         {.title = "T"}},
        {"compressed or encrypted frames read as empty, grouped ones skip their byte",
         TagOf(3, 0,
               {Id3v2Frame(3, "TIT2", "\0\0\0\x05xyz"s, 0x0080),
                Id3v2Frame(3, "TPE1", TextFrameData("Wer"), 0x0040),
                Id3v2Frame(3, "TALB", "\x07" + TextFrameData("Album"), 0x0020),
                Id3v2Frame(3, "COMM", CommData("", "x"), 0x0080)}),
         {.album = "Album"},
         {"COMM"}},
        {"2.4 compressed and encrypted",
         TagOf(4, 0,
               {Id3v2Frame(4, "TIT2", TextFrameData("T"), 0x0008),
                Id3v2Frame(4, "TPE1", TextFrameData("A"), 0x0004),
                Id3v2Frame(4, "TALB", "\x07" + TextFrameData("Album"), 0x0040)}),
         {.album = "Album"}},
        {"2.2 compressed as a whole: nothing read",
         MakeId3v2Tag({{"TT2", TextFrameData("Titel")}}, 2, 0, 0x40),
         {}},
        {"version 5: measured, nothing read",
         MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}}, 5),
         {}},
    });
}

TEST(ID3v2Read, FilesWithoutATag) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        bool result;
    };
    const std::vector<Case> cases = {
        {"empty", "", false},
        {"nine bytes", "ID3\x03\0\0\0\0"s, false},
        {"ten bytes, no tag", "0123456789", true},
        {"lower-case marker", "id3\x03\0\0\0\0\0\x05"s + kAudio, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteFileBytes(path, c.bytes);
        TID3v2 tag;
        tag.SetTitle("vorher");
        EXPECT_EQ(tag.ReadFromFile(path), c.result);
        EXPECT_FALSE(tag.Exists());
        EXPECT_EQ(tag.Size(), 0);
        EXPECT_EQ(tag.VersionID(), 0);
        EXPECT_EQ(tag.Title(), "");
    }
    // Neither a folder nor a pipe under an ".mp3" name can hang or fool it.
    const std::string pipe = dir.File("pipe.mp3");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    TID3v2 tag;
    for (const std::string& path : {dir.File("missing.mp3"), dir.Path().string(), pipe}) {
        EXPECT_FALSE(tag.ReadFromFile(path)) << path;
        EXPECT_FALSE(tag.SaveToFile(path)) << path;
    }
}

// Tags whose numbers lie: every case must end the walk without reading
// outside what was read, and keep what was stored before.
TEST(ID3v2Read, LyingSizesEndTheWalk) {
    auto frameHeader = [](const std::string& id, uint32_t size) {
        std::string h = id;
        for (int shift : {24, 16, 8, 0}) h += static_cast<char>(size >> shift);
        return h + "\0\0"s;
    };
    auto header = [](uint32_t size) {
        std::string h = "ID3\x03\0\0"s;
        for (int shift : {21, 14, 7, 0}) h += static_cast<char>((size >> shift) & 0x7F);
        return h;
    };
    const std::string title = frameHeader("TIT2", 3) + "\0ok"s;
    struct Case {
        const char* name;
        std::string bytes;
        int32_t size;
        std::string title;
        std::string artist;
    };
    const std::vector<Case> cases = {
        {"negative frame size",
         header(100) + title + frameHeader("TPE1", 0x80000005u) + "\0abcd"s + std::string(100, 'z'),
         110, "ok", ""},
        {"frame larger than the file: its text ends with the tag",
         header(40) + title + frameHeader("TPE1", 5000) + "\0abc"s + std::string(20, 'z'), 50, "ok",
         "abc" + std::string(13, 'z')},
        {"frame larger than the tag but inside the file",
         header(30) + title + frameHeader("TPE1", 400) + "\0Name"s + std::string(400, '\0'), 40,
         "ok", "Name"},
        {"tag size larger than the file", header(5000) + title + std::string(50, 'z'), 0, "", ""},
        {"frame header cut by the end of the file", header(19) + title + "TPE1\0\0"s, 29, "ok", ""},
        {"size bytes with high bits", "ID3\x03\0\0\xFF\xFF\xFF\xFF"s + title, 0, "", ""},
        {"zero-size frames",
         header(40) + frameHeader("TIT2", 0) + frameHeader("TPE1", 0) + title +
             std::string(20, '\0'),
         50, "ok", ""},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteFileBytes(path, c.bytes);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.Size(), c.size);
        EXPECT_EQ(tag.Title(), c.title);
        EXPECT_EQ(tag.Artist(), c.artist);
    }
}

// A file that gets shorter after it was opened: the walk ends at the first
// frame that is no longer there and keeps the frames before it.
TEST(ID3v2Read, FileShrinksWhileTheFramesAreRead) {
    const Frames frames = {{"TIT2", TextFrameData("Titel")},
                           {"TXXX", std::string(100000, 'x')},
                           {"TPE1", TextFrameData("Wer")},
                           {"TALB", TextFrameData("Album")}};
    const std::string tag = MakeId3v2Tag(frames);
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    for (const size_t keep : {size_t{50000}, tag.size() - 8, tag.size() - 3}) {
        SCOPED_TRACE(keep);
        WriteFileBytes(path, tag + kAudio);
        CachedFile file(path);
        id3v2::TagInfo info;
        ASSERT_TRUE(id3v2::ReadHeader(file, info));
        std::filesystem::resize_file(path, keep);
        id3v2::ReadFrames(file, info);
        EXPECT_EQ(info.Frame[id3v2::FieldTitle], "Titel");
        EXPECT_EQ(info.Frame[id3v2::FieldArtist], keep > tag.size() - 19 ? "Wer" : "");
        EXPECT_EQ(info.Frame[id3v2::FieldAlbum], "");
    }
}

TEST(ID3v2Routines, ExtractTrack) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"5/12", 5},
        {"07", 7},
        {"A5", 0},
        {"300", 44},
        {"", 0},
        {" 9 ", 9},
        {"-1", 255},
        {"+3", 3},
        {"$1F", 31},
        {"0x10", 16},
        {"0X10", 16},
        {"5 /12", 0},
        {"/3", 0},
        {"12a", 0},
        {"2147483647", 255},
        {"2147483648", 0},
        {"-2147483648", 0},
        {"$", 0},
        {"0x", 0},
        {"-", 0},
        {TextFrameData("4"), 4},
        {"4\0\0\0"s, 4},
    };
    for (const auto& [text, track] : cases) EXPECT_EQ(id3v2::ExtractTrack(text), track) << text;
}

TEST(ID3v2Routines, GenreOf) {
    struct Case {
        std::string text;
        std::string genre;    // 2.2, 2.3
        std::string genre24;  // 2.4, where a plain number names a genre too
    };
    const std::vector<Case> cases = {
        {"(17)Rock", "Rock", "Rock"},
        {"(17)", "Rock", "Rock"},
        {"Rock", "Rock", "Rock"},
        {"(17) Rock", " Rock", " Rock"},
        {"(17)(18)Pop", "Pop", "Pop"},
        {"(17)(18)", "Techno", "Techno"},
        {"  Jazz  ", "Jazz", "Jazz"},
        {"\0(1)x\0\0"s, "x", "x"},
        {"a)b)c", "c", "c"},
        {"(147)", "Synthpop", "Synthpop"},
        {"(148)", "", ""},
        {"(RX)", "", ""},
        {"17", "17", "Rock"},
        {"0", "0", "Blues"},
        {"200", "200", "200"},
        {"17a", "17a", "17a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(id3v2::GenreOf(c.text, false), c.genre) << c.text;
        EXPECT_EQ(id3v2::GenreOf(c.text, true), c.genre24) << c.text;
    }
}

TEST(ID3v2Set, TrailingBlanksOnly) {
    TID3v2 tag;
    tag.SetTitle("  Titel \t\0"s);
    tag.SetArtist("A");
    tag.SetAlbum(std::string(1000, 'x') + " ");
    tag.SetYear("1999 ");
    tag.SetGenre(" Rock ");
    tag.SetComment("\x01\x02");
    ExpectFields(tag, {"  Titel", "A", std::string(1000, 'x'), 0, "1999", " Rock", ""});
    tag.SetTitle(
        "a\xFF\xC3"
        "b ");  // malformed UTF-8
    EXPECT_EQ(tag.Title(), "a\uFFFD\uFFFDb");
}

std::string FrameBytes(const std::string& id, const std::string& text) {
    std::string f = id;
    const auto n = static_cast<uint32_t>(text.size() + 1);
    for (int shift : {24, 16, 8, 0}) f += static_cast<char>(n >> shift);
    return f + "\0\0\0"s + text;
}

TEST(ID3v2Save, FourLetterTitleIs25BytesAndRoomToGrow) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, kTag1);
    TID3v2 tag;
    tag.SetTitle("Test");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string saved = ReadFileBytes(path);
    EXPECT_EQ(saved,
              AsSaved("ID3\x03\0\0\0\0\0\x0F"s + FrameBytes("TIT2", "Test"), 0) + kAudio + kTag1);
    EXPECT_EQ(saved.size() - kAudio.size() - kTag1.size(), 4096u);
}

// A save on a tag as a file holds it: the fields changed get new frames,
// everything else stays as it stood, in the tag's own version.
TEST(ID3v2Save, ChangesOnlyWhatWasChanged) {
    struct Case {
        const char* name;
        std::string before;
        std::function<void(TID3v2&)> change;
        std::string after;
    };
    const std::string picture = "\0image/jpeg\0\x03\0"s + std::string(3000, '\xD8');
    const std::string gain = "\0REPLAYGAIN_TRACK_GAIN\0-6.50 dB"s;
    const std::string popm = "a@b.c\0\xC4\0\0\0\x05"s;
    const std::string lyrics = "\0deuText\0Zeile eins\nZeile zwei"s;
    const std::string norm = CommData("iTunNORM", " 00000A2C");
    const std::string elise = "F\u00FCr Elise \u2013 \u201EBagatelle\u201C";
    const auto setYear = [](TID3v2& t) { t.SetYear("2020"); };
    const std::vector<Case> cases = {
        {"2.3: every frame stays in its place",
         MakeId3v2Tag({{"APIC", picture},
                       {"TIT2", TextFrameData("Titel")},
                       {"TXXX", gain},
                       {"TYER", TextFrameData("1999")},
                       {"USLT", lyrics},
                       {"COMM", norm},
                       {"POPM", popm},
                       {"TPE2", TextFrameData("Band")}},
                      3, 1024),
         setYear,
         MakeId3v2Tag({{"APIC", picture},
                       {"TIT2", TextFrameData("Titel")},
                       {"TXXX", gain},
                       {"TYER", TextFrameData("2020")},
                       {"USLT", lyrics},
                       {"COMM", norm},
                       {"POPM", popm},
                       {"TPE2", TextFrameData("Band")}})},
        {"a field nobody changed keeps its frame, however it is encoded",
         MakeId3v2Tag({{"TIT2", "\x01" + Utf16(u"Звезда", true)},
                       {"TRCK", TextFrameData("05/12")},
                       {"TCON", TextFrameData("(17)")},
                       {"TPE1", TextFrameData("Alt")}}),
         [](TID3v2& t) { t.SetArtist("Neu"); },
         MakeId3v2Tag({{"TIT2", "\x01" + Utf16(u"Звезда", true)},
                       {"TRCK", TextFrameData("05/12")},
                       {"TCON", TextFrameData("(17)")},
                       {"TPE1", TextFrameData("Neu")}})},
        {"a changed field replaces every frame of its id; an emptied one loses them",
         MakeId3v2Tag({{"TPE1", TextFrameData("A")},
                       {"TALB", TextFrameData("Album")},
                       {"TPE1", TextFrameData("B")}}),
         [](TID3v2& t) {
             t.SetArtist("C");
             t.SetAlbum("");
         },
         MakeId3v2Tag({{"TPE1", TextFrameData("C")}})},
        {"a new comment keeps the language it replaces; a described one stays",
         MakeId3v2Tag({{"COMM", norm}, {"COMM", CommData("", "alt", "deu")}}),
         [](TID3v2& t) { t.SetComment("neu"); },
         MakeId3v2Tag({{"COMM", norm}, {"COMM", CommData("", "neu", "deu")}})},
        {"2.3: text beyond Latin-1 as UTF-16", MakeId3v2Tag({}),
         [&](TID3v2& t) {
             t.SetTitle(elise);
             t.SetComment("Жук");
         },
         MakeId3v2Tag({{"TIT2", "\x01" + Utf16(u"F\u00FCr Elise \u2013 \u201EBagatelle\u201C")},
                       {"COMM",
                        "\x01"
                        "eng"s +
                            Utf16(u"") + "\0\0"s + Utf16(u"Жук")}})},
        {"2.4: the year in TDRC, text beyond Latin-1 as UTF-8",
         MakeId3v2Tag({{"TDRC", Utf8Data("1999")}, {"APIC", picture}}, 4),
         [](TID3v2& t) {
             t.SetYear("2020");
             t.SetTitle("東京事変");
         },
         MakeId3v2Tag(
             {{"TDRC", TextFrameData("2020")}, {"APIC", picture}, {"TIT2", Utf8Data("東京事変")}},
             4)},
        {"2.2 stays 2.2",
         MakeId3v2Tag(
             {{"TT2", TextFrameData("T")}, {"PIC", "\0JPGx"s}, {"TYE", TextFrameData("1999")}}, 2),
         [](TID3v2& t) {
             t.SetYear("2020");
             t.SetArtist("Жук");
         },
         MakeId3v2Tag({{"TT2", TextFrameData("T")},
                       {"PIC", "\0JPGx"s},
                       {"TYE", TextFrameData("2020")},
                       {"TP1", "\x01" + Utf16(u"Жук")}},
                      2)},
        {"2.3 unsynchronised: written without, frames as they read",
         Unsynchronised(MakeId3v2Tag({{"TIT2", TextFrameData("\xFF\xFE")}, {"APIC", "\xFF\xE0"s}})),
         setYear,
         MakeId3v2Tag({{"TIT2", TextFrameData("\xFF\xFE")},
                       {"APIC", "\xFF\xE0"s},
                       {"TYER", TextFrameData("2020")}})},
        {"2.4: extended header and footer not written",
         TagOf(4, 0x50, {Id3v2Frame(4, "TIT2", TextFrameData("T"))}, "\0\0\0\x06\x01\0"s, true),
         setYear, MakeId3v2Tag({{"TIT2", TextFrameData("T")}, {"TDRC", TextFrameData("2020")}}, 4)},
        {"2.4 unsynchronised: the flag stays, a new frame is unsynchronised",
         TagOf(4, 0x80, {Id3v2Frame(4, "TIT2", "\x01\xFF\x00\xFE\x41\x00"s)}),
         [](TID3v2& t) { t.SetAlbum("\u00FF"); },
         TagOf(4, 0x80,
               {Id3v2Frame(4, "TIT2", "\x01\xFF\x00\xFE\x41\x00"s),
                Id3v2Frame(4, "TALB", "\0\xFF\0"s, 0x0002)})},
        {"a frame cut off by the tag's end keeps what there is of it",
         TagOf(3, 0,
               {Id3v2Frame(3, "TIT2", TextFrameData("T")),
                "APIC" + BigEndian32Bytes(5000) + "\0\0xyz"s}),
         setYear,
         MakeId3v2Tag(
             {{"TIT2", TextFrameData("T")}, {"APIC", "xyz"}, {"TYER", TextFrameData("2020")}})},
        {"2.4: a footer flag without a footer takes no audio byte",
         TagOf(4, 0x10, {Id3v2Frame(4, "TIT2", TextFrameData("T"))}), setYear,
         MakeId3v2Tag({{"TIT2", TextFrameData("T")}, {"TDRC", TextFrameData("2020")}}, 4)},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteMp3(path, c.before, kAudio, kTag1);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        c.change(tag);
        ASSERT_TRUE(tag.SaveToFile(path));
        EXPECT_EQ(ReadFileBytes(path), AsSaved(c.after, c.before.size()) + kAudio + kTag1);
    }
}

// Without reading first, the object's values are the fields: a field the
// file holds and the object lacks is emptied, the other frames stay.
TEST(ID3v2Save, AFreshObjectSetsAllSevenFields) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const std::string before = MakeId3v2Tag({{"TRCK", TextFrameData("3/10")},
                                             {"TIT2", TextFrameData("Alt")},
                                             {"APIC", std::string(300, 'p')}});
    WriteMp3(path, before, kAudio, "");
    TID3v2 tag;
    tag.SetTitle("T");
    tag.SetArtist("A");
    tag.SetAlbum("B");
    tag.SetYear("2020");
    tag.SetGenre("Rock");
    tag.SetComment("C");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string frames = FrameBytes("TIT2", "T") + "APIC" + BigEndian32Bytes(300) + "\0\0"s +
                               std::string(300, 'p') + FrameBytes("TPE1", "A") +
                               FrameBytes("TALB", "B") + FrameBytes("TYER", "2020") +
                               FrameBytes("TCON", "Rock") + FrameBytes("COMM", "eng\0C"s);
    EXPECT_EQ(
        ReadFileBytes(path),
        AsSaved(Id3v2Header(3, 0, static_cast<uint32_t>(frames.size())) + frames, before.size()) +
            kAudio);
    TID3v2 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    ExpectFields(back, {"T", "A", "B", 0, "2020", "Rock", "C"});
}

TEST(ID3v2Save, WhereTheNewTagGoes) {
    struct Case {
        const char* name;
        std::string before;
        std::string keptAfterTag;
        size_t room;  // of the old tag
    };
    const std::string v5 = MakeId3v2Tag({{"TIT2", TextFrameData("alt")}}, 5, 10);
    const std::string broken = "ID3\x03\0\0\0\0\x7F\x7F"s + "TIT2";
    const std::vector<Case> cases = {
        {"no tag: in front of everything", kAudio + kTag1, kAudio + kTag1, 0},
        {"an unknown version replaced, exactly its size skipped", v5 + kAudio, kAudio, v5.size()},
        {"size beyond the file keeps the old bytes", broken + kAudio, broken + kAudio, 0},
        {"ten bytes that are no tag", "0123456789", "0123456789", 0},
        {"bare header of size 0", "ID3\x03\0\0\0\0\0\0"s + kAudio, kAudio, 10},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteFileBytes(path, c.before);
        TID3v2 tag;
        ASSERT_TRUE(tag.SaveToFile(path));  // all fields empty: the bare header
        EXPECT_EQ(ReadFileBytes(path), AsSaved("ID3\x03\0\0\0\0\0\0"s, c.room) + c.keptAfterTag);
    }
}

TEST(ID3v2Save, LargeTagSizeUsesSevenBitGroups) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, "");
    TID3v2 tag;
    tag.SetTitle(std::string(10000, 't'));
    tag.SetComment(std::string(10000, 'c'));
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string bytes = ReadFileBytes(path);
    const uint32_t frames = 10000 + 11 + 10004 + 11;
    const auto s = static_cast<uint32_t>(AsSaved(std::string(10 + frames, '\0'), 0).size() - 10);
    ASSERT_GE(s, 16384u);
    const std::string sizeBytes = {static_cast<char>((s >> 21) & 0x7F),
                                   static_cast<char>((s >> 14) & 0x7F),
                                   static_cast<char>((s >> 7) & 0x7F), static_cast<char>(s & 0x7F)};
    EXPECT_EQ(bytes.substr(6, 4), sizeBytes);
    for (int i = 6; i < 10; ++i) EXPECT_LT(static_cast<uint8_t>(bytes[i]), 0x80);
    TID3v2 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.Size(), static_cast<int32_t>(s + 10));
    EXPECT_EQ(back.Title(), std::string(10000, 't'));
    EXPECT_EQ(bytes.substr(s + 10), kAudio);
}

TEST(ID3v2Save, FailuresLeaveTheFileAlone) {
    TempDir dir;
    TID3v2 tag;
    tag.SetTitle("neu");

    const std::string shortFile = dir.File("short.mp3");
    WriteFileBytes(shortFile, "ID3\x03");
    EXPECT_FALSE(tag.SaveToFile(shortFile));
    EXPECT_EQ(ReadFileBytes(shortFile), "ID3\x03");

    EXPECT_FALSE(tag.SaveToFile(dir.File("missing.mp3")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.mp3")));
    EXPECT_FALSE(tag.SaveToFile(dir.Path().string()));

    // Another holder of the file keeps it from being rewritten.
    const std::string locked = dir.File("locked.mp3");
    WriteMp3(locked, "", kAudio, "");
    {
        PosixFile holder(locked, O_RDONLY);
        ASSERT_EQ(::flock(holder.Fd(), LOCK_EX | LOCK_NB), 0);
        EXPECT_FALSE(tag.SaveToFile(locked));
        EXPECT_EQ(ReadFileBytes(locked), kAudio);
    }
    EXPECT_TRUE(tag.SaveToFile(locked));
}

TEST(ID3v2Save, LinksAreNotReplaced) {
    TempDir dir;
    const std::string target = dir.File("real.mp3");
    const std::string link = dir.File("link.mp3");
    WriteMp3(target, "", kAudio, "");
    std::filesystem::create_symlink(target, link);
    TID3v2 tag;
    tag.SetTitle("Test");
    ASSERT_TRUE(tag.SaveToFile(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target),
              AsSaved("ID3\x03\0\0\0\0\0\x0F"s + FrameBytes("TIT2", "Test"), 0) + kAudio);
}

TEST(ID3v2Save, GenreAndTrackRoundTrip) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, MakeId3v2Tag({{"TRCK", TextFrameData("12")}}), kAudio, "");
    TID3v2 reader;
    ASSERT_TRUE(reader.ReadFromFile(path));
    reader.SetGenre("Rock");
    ASSERT_TRUE(reader.SaveToFile(path));
    TID3v2 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.Genre(), "Rock");
    EXPECT_EQ(back.Track(), 12);

    // A fresh object knows no track: the save drops it.
    TID3v2 fresh;
    fresh.SetGenre("Pop");
    ASSERT_TRUE(fresh.SaveToFile(path));
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.Track(), 0);
    EXPECT_EQ(back.Genre(), "Pop");
}

}  // namespace

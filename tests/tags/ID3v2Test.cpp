#include "tags/ID3v2.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
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

// UTF-16 with a byte-order mark, as encoding byte 1 expects.
std::string Utf16(std::u16string_view text, bool bigEndian = false, bool terminate = false) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    std::u16string units(text);
    if (terminate) units += u'\0';
    for (char16_t unit : units) {
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

std::string CommData(const std::string& description, const std::string& text) {
    return "\0eng"s + description + '\0' + text;
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
    Frames frames;
    int padding;
    Fields expected;
};

TEST(ID3v2Read, FramesOfAVersion3Tag) {
    const std::string long300(300, 'L');
    const std::vector<ReadCase> cases = {
        {"all seven",
         {{"TIT2", TextFrameData("Titel")},
          {"TPE1", TextFrameData("K\xFCnstler")},
          {"TALB", TextFrameData("Album")},
          {"TRCK", TextFrameData("5/12")},
          {"TYER", TextFrameData("1999")},
          {"TCON", TextFrameData("(17)Rock")},
          {"COMM", CommData("", "Kommentar")}},
         0,
         {"Titel", "K\xFCnstler", "Album", 5, "1999", "Rock", "Kommentar"}},
        {"blanks at both ends and a terminator go",
         {{"TIT2", TextFrameData("  Titel \0"s)}},
         0,
         {.title = "Titel"}},
        {"comment with a described content",
         {{"COMM", CommData("Beschreibung", "Text")}},
         0,
         {.comment = "Beschreibung\0Text"s}},
        {"genre forms", {{"TCON", TextFrameData("(17) Rock")}}, 0, {.genre = " Rock"}},
        {"frame over 250 bytes is cut and the next found",
         {{"TIT2", TextFrameData(long300)}, {"TPE1", TextFrameData("Nachher")}},
         0,
         {.title = long300.substr(0, 249), .artist = "Nachher"}},
        {"later duplicate wins",
         {{"TIT2", TextFrameData("Erst")}, {"TIT2", TextFrameData("Zweit")}},
         0,
         {.title = "Zweit"}},
        {"other frames are passed over",
         {{"APIC", std::string(5000, '\x01')}, {"TXXX", "\0a\0b"s}, {"TALB", TextFrameData("A")}},
         0,
         {.album = "A"}},
        {"ids are case-sensitive",
         {{"TIT2", TextFrameData("x")}, {"Tit2", TextFrameData("y")}},
         0,
         {.title = "x"}},
        {"padding ends the walk", {{"TIT2", TextFrameData("x")}}, 64, {.title = "x"}},
        {"lower-case id ends the walk",
         {{"tit2", TextFrameData("x")}, {"TALB", TextFrameData("y")}},
         0,
         {}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        const std::string tag2 = MakeId3v2Tag(c.frames, 3, c.padding);
        WriteMp3(path, tag2, kAudio, kTag1);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.VersionID(), 3);
        EXPECT_EQ(tag.Size(), static_cast<int32_t>(tag2.size()));
        ExpectFields(tag, c.expected);
    }
}

TEST(ID3v2Read, Utf16TextBecomesWindows1252) {
    struct Case {
        const char* name;
        Frames frames;
        Fields expected;
    };
    // U+20AC and U+201E have Windows-1252 bytes (0x80, 0x84); U+0416 has none.
    const std::vector<Case> cases = {
        {"little endian",
         {{"TIT2", "\x01"s + Utf16(u"Gr\u00FC\u00DFe \u20AC")}},
         {.title = "Gr\xFC\xDF\x65 \x80"}},
        {"big endian",
         {{"TPE1", "\x01"s + Utf16(u"\u201EZitat\u201C", true)}},
         {.artist = "\x84Zitat\x93"}},
        {"terminated", {{"TALB", "\x01"s + Utf16(u"Album", false, true)}}, {.album = "Album"}},
        {"no byte for a character", {{"TIT2", "\x01"s + Utf16(u"a\u0416b")}}, {.title = "a?b"}},
        {"surrogate pair", {{"TIT2", "\x01"s + Utf16(u"a\U0001F600b")}}, {.title = "a?b"}},
        {"track and genre",
         {{"TRCK", "\x01"s + Utf16(u"7/9")}, {"TCON", "\x01"s + Utf16(u"(9)Metal")}},
         {.track = 7, .genre = "Metal"}},
        {"comment with empty description",
         {{"COMM",
           "\x01"
           "deu"s +
               Utf16(u"", false, true) + Utf16(u"Sch\u00F6n")}},
         {.comment = "Sch\xF6n"}},
        {"comment with description",
         {{"COMM",
           "\x01"
           "deu"s +
               Utf16(u"Info", true, true) + Utf16(u"Text", true)}},
         {.comment = "Info\0Text"s}},
        {"comment text inherits the order",
         {{"COMM",
           "\x01"
           "deu"s +
               Utf16(u"d", true, true) + "\0x\0y"s}},
         {.comment = "d\0xy"s}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteMp3(path, MakeId3v2Tag(c.frames), kAudio, "");
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        ExpectFields(tag, c.expected);
    }
}

TEST(ID3v2Read, Utf16CutAtTheLimitLosesOnlyTheLastCharacter) {
    // 1 encoding byte + 2 BOM bytes + 123 full characters = 249 bytes: the
    // 250th byte is half of the 124th character.
    const std::u16string text(200, u'\u00E4');
    const std::string odd = "\x01"s + Utf16(text);
    // A surrogate pair straddling the limit: the high half is dropped too.
    std::u16string pairs(121, u'x');
    pairs += u"\U0001F600\U0001F600";
    const std::string split = "\x01"s + Utf16(pairs);
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, MakeId3v2Tag({{"TIT2", odd}, {"TPE1", split}}), kAudio, "");
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Title(), std::string(123, '\xE4'));
    EXPECT_EQ(tag.Artist(), std::string(121, 'x') + "?");
}

TEST(ID3v2Read, OtherVersionsAreEmptyButMeasured) {
    TempDir dir;
    for (uint8_t version : {2, 4, 5}) {
        SCOPED_TRACE(static_cast<int>(version));
        const std::string path = dir.File("a.mp3");
        const std::string tag2 = MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}}, version);
        WriteMp3(path, tag2, kAudio, "");
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.VersionID(), version);
        EXPECT_EQ(tag.Size(), static_cast<int32_t>(tag2.size()));
        ExpectFields(tag, {});
    }
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
        {"frame larger than the file",
         header(40) + title + frameHeader("TPE1", 5000) + "\0abc"s + std::string(20, 'z'), 50, "ok",
         ""},
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
        EXPECT_EQ(info.Frame[0].substr(0, 6), "\0Titel"s);
        EXPECT_EQ(info.Frame[1].substr(0, 4), keep > tag.size() - 19 ? "\0Wer"s : ""s);
        EXPECT_EQ(info.Frame[2], ""s);
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
        {"\0"
         "4"s,
         4},
        {"4\0\0\0"s, 4},
    };
    for (const auto& [text, track] : cases) EXPECT_EQ(id3v2::ExtractTrack(text), track) << text;
}

TEST(ID3v2Routines, ExtractGenre) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"(17)Rock", "Rock"},   {"(17)", ""},         {"Rock", "Rock"},     {"(17) Rock", " Rock"},
        {"(17)(18)Pop", "Pop"}, {"  Jazz  ", "Jazz"}, {"\0(1)x\0\0"s, "x"}, {"a)b)c", "c"},
    };
    for (const auto& [text, genre] : cases) EXPECT_EQ(id3v2::ExtractGenre(text), genre) << text;
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
}

std::string FrameBytes(const std::string& id, const std::string& text) {
    std::string f = id;
    const auto n = static_cast<uint32_t>(text.size() + 1);
    for (int shift : {24, 16, 8, 0}) f += static_cast<char>(n >> shift);
    return f + "\0\0\0"s + text;
}

TEST(ID3v2Save, FourLetterTitleIs25Bytes) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, kTag1);
    TID3v2 tag;
    tag.SetTitle("Test");
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path),
              "ID3\x03\0\0\0\0\0\x0F"s + FrameBytes("TIT2", "Test") + kAudio + kTag1);
    EXPECT_FALSE(std::filesystem::exists(path + "~"));
}

TEST(ID3v2Save, AllSevenFieldsInOrderAndReadBack) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, MakeId3v2Tag({{"TRCK", TextFrameData("3/10")}, {"APIC", std::string(300, 'p')}}),
             kAudio, "");
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    tag.SetTitle("T");
    tag.SetArtist("A");
    tag.SetAlbum("B");
    tag.SetYear("2020");
    tag.SetGenre("Rock");
    tag.SetComment("C");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string frames = FrameBytes("TIT2", "T") + FrameBytes("TPE1", "A") +
                               FrameBytes("TALB", "B") + FrameBytes("TRCK", "3") +
                               FrameBytes("TYER", "2020") + FrameBytes("TCON", "Rock") +
                               FrameBytes("COMM", "eng\0C"s);
    ASSERT_EQ(frames.size(), 7u * 11 + 1 + 1 + 1 + 1 + 4 + 4 + 5);
    EXPECT_EQ(ReadFileBytes(path),
              "ID3\x03\0\0\0\0\0"s + static_cast<char>(frames.size()) + frames + kAudio);

    TID3v2 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    ExpectFields(back, {"T", "A", "B", 3, "2020", "Rock", "C"});
}

TEST(ID3v2Save, WhereTheNewTagGoes) {
    struct Case {
        const char* name;
        std::string before;
        std::string keptAfterTag;
    };
    const std::string v24 = MakeId3v2Tag({{"TIT2", TextFrameData("alt")}}, 4, 10);
    const std::string broken = "ID3\x03\0\0\0\0\x7F\x7F"s + "TIT2";
    const std::vector<Case> cases = {
        {"no tag: in front of everything", kAudio + kTag1, kAudio + kTag1},
        {"version 2.4 replaced, exactly its size skipped", v24 + kAudio, kAudio},
        {"size beyond the file keeps the old bytes", broken + kAudio, broken + kAudio},
        {"ten bytes that are no tag", "0123456789", "0123456789"},
        {"bare header of size 0", "ID3\x03\0\0\0\0\0\0"s + kAudio, kAudio},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteFileBytes(path, c.before);
        TID3v2 tag;
        ASSERT_TRUE(tag.SaveToFile(path));  // all fields empty: the bare header
        EXPECT_EQ(ReadFileBytes(path), "ID3\x03\0\0\0\0\0\0"s + c.keptAfterTag);
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
    const uint32_t s = 10000 + 11 + 10004 + 11;
    ASSERT_GE(s, 16384u);
    const std::string sizeBytes = {static_cast<char>((s >> 21) & 0x7F),
                                   static_cast<char>((s >> 14) & 0x7F),
                                   static_cast<char>((s >> 7) & 0x7F), static_cast<char>(s & 0x7F)};
    EXPECT_EQ(bytes.substr(6, 4), sizeBytes);
    for (int i = 6; i < 10; ++i) EXPECT_LT(static_cast<uint8_t>(bytes[i]), 0x80);
    TID3v2 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.Size(), static_cast<int32_t>(s + 10));
    EXPECT_EQ(back.Title(), std::string(249, 't'));  // frames are read up to 250 bytes
    EXPECT_EQ(bytes.substr(s + 10), kAudio);
}

TEST(ID3v2Save, PermissionsAndLeftovers) {
    struct Case {
        const char* name;
        mode_t before;
        mode_t after;
    };
    const std::vector<Case> cases = {
        {"read-only becomes owner-writable", 0444, 0644},
        {"group bits stay", 0640, 0640},
        {"owner read only", 0400, 0600},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        ::unlink(path.c_str());
        WriteMp3(path, "", kAudio, "");
        ASSERT_EQ(::chmod(path.c_str(), c.before), 0);
        // A stale buffer file from an earlier crash is replaced.
        WriteFileBytes(path + "~", "stale");
        TID3v2 tag;
        tag.SetArtist("X");
        ASSERT_TRUE(tag.SaveToFile(path));
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.after);
        EXPECT_FALSE(std::filesystem::exists(path + "~"));
        EXPECT_EQ(ReadFileBytes(path).substr(10 + 12), kAudio);
    }
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
        EXPECT_FALSE(std::filesystem::exists(locked + "~"));
    }
    EXPECT_TRUE(tag.SaveToFile(locked));

    // A buffer name that cannot be taken: the read-only file keeps its mode.
    const std::string blocked = dir.File("blocked.mp3");
    WriteMp3(blocked, "", kAudio, "");
    ASSERT_EQ(::chmod(blocked.c_str(), 0444), 0);
    std::filesystem::create_directory(blocked + "~");
    WriteFileBytes(blocked + "~/inside", "x");
    EXPECT_FALSE(tag.SaveToFile(blocked));
    EXPECT_EQ(ReadFileBytes(blocked), kAudio);
    struct stat st {};
    ASSERT_EQ(::stat(blocked.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(ReadFileBytes(blocked + "~/inside"), "x");
}

TEST(ID3v2Save, FolderWithoutWritePermission) {
    TempDir dir;
    TID3v2 tag;
    tag.SetTitle("neu");
    // No buffer file can be made, and a read-only file keeps its mode.: no buffer file can be made,
    // and a read-only file keeps its mode.
    const std::filesystem::path sub = dir.Path() / "ro";
    std::filesystem::create_directory(sub);
    const std::string inside = (sub / "a.mp3").string();
    WriteMp3(inside, "", kAudio, "");
    ASSERT_EQ(::chmod(inside.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
    if (::access(sub.c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights to ignore modes";
    EXPECT_FALSE(tag.SaveToFile(inside));
    EXPECT_EQ(ReadFileBytes(inside), kAudio);
    struct stat st {};
    ASSERT_EQ(::stat(inside.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_FALSE(std::filesystem::exists(inside + "~"));
}

TEST(ID3v2Save, LinksAreNotReplaced) {
    TempDir dir;
    const std::string target = dir.File("real.mp3");
    const std::string link = dir.File("link.mp3");
    WriteMp3(target, "", kAudio, "");
    std::filesystem::create_symlink(target, link);
    // A link planted under the buffer name must not be written through.
    const std::string victim = dir.File("victim");
    WriteFileBytes(victim, "keep");
    std::filesystem::create_symlink(victim, target + "~");

    TID3v2 tag;
    tag.SetTitle("Test");
    ASSERT_TRUE(tag.SaveToFile(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(victim), "keep");
    EXPECT_EQ(ReadFileBytes(target),
              "ID3\x03\0\0\0\0\0\x0F"s + FrameBytes("TIT2", "Test") + kAudio);
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

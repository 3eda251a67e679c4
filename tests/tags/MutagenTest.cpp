// Interoperability with an independent ID3 implementation (python3-mutagen):
// tags it writes read right, and a save changes only the field that changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"

namespace {

using namespace std::string_literals;

const std::string kCyrillic = "Звезда по имени Солнце";
const std::string kPolish = "Zażółć gęślą jaźń";
const std::string kJapanese = "東京事変";
const std::string kGerman = "Für Elise – „Bagatelle“";

const std::string kAudio = MakeCbrAudio(9, 0.3);

// Stands in for a cover: a JPEG start, then bytes that do not repeat soon.
std::string Picture() {
    std::string data = "\xFF\xD8\xFF\xE0"s;
    for (int i = 0; i < 4096; ++i) data += static_cast<char>((i * 31 + i / 251) % 256);
    return data;
}

std::string Utf16(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

struct Sample {
    const char* name;
    int version;
    int encoding;  // of the texts; -1: a 2.2 tag built from bytes
    std::string title;
    std::vector<std::string> artists;  // several: values of one frame
    std::string album, genre, readGenre, comment;
};

// Every sample has track "4/12", year "1989" and, besides these, the frames
// a real tagger leaves: a cover, lyrics, ReplayGain, a rating, more texts and
// an "iTunNORM" comment that is not the comment.
const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples = {
        {"2.2", 2, -1, "Für Elise", {kCyrillic}, kPolish, "(17)", "Rock", "Aufgenommen in Köln"},
        {"2.3 Latin-1", 3, 0, "Für Elise", {"Anaïs"}, "Ærø", "(17)", "Rock", "Live aus Köln, 89"},
        {"2.3 UTF-16", 3, 1, kCyrillic, {kJapanese}, kGerman, "Шансон", "Шансон", kPolish},
        {"2.4 UTF-16", 4, 1, kGerman, {kPolish}, kJapanese, "17", "Rock", kCyrillic},
        {"2.4 UTF-16BE", 4, 2, kPolish, {kCyrillic}, kGerman, "Pop", "Pop", kGerman},
        {"2.4 UTF-8", 4, 3, "本能", {kJapanese, "椎名林檎"}, kPolish, "17", "Rock", kGerman},
    };
    return samples;
}

const Sample& Named(std::string_view name) {
    return *std::find_if(Samples().begin(), Samples().end(),
                         [&](const Sample& s) { return s.name == name; });
}

// The 2.2 sample in the frames' own byte form; the described comment stands
// behind the comment.
std::string Tag22() {
    return MakeId3v2Tag({{"TT2", "\0F\xFCr Elise"s},
                         {"TP1", "\x01"s + Utf16(u"Звезда по имени Солнце")},
                         {"TAL", "\x01"s + Utf16(u"Zażółć gęślą jaźń")},
                         {"TRK", "\0"s + "4/12"},
                         {"TYE", "\0"s + "1989"},
                         {"TCO", "\0(17)"s},
                         {"COM", "\0deu\0Aufgenommen in K\xF6ln"s},
                         {"PIC", "\0JPG\x03"s + "Cover" + '\0' + Picture()},
                         {"COM", "\0engiTunNORM\0 000001A4"s}},
                        2);
}

bool WriteSample(const Sample& s, const std::string& path) {
    if (s.version == 2) {
        WriteMp3(path, Tag22(), kAudio, "");
        return true;
    }
    WriteMp3(path, "", kAudio, "");
    const int e = s.encoding;
    return MutagenWrite(
        path, s.version,
        {{.Id = "TIT2", .Encoding = e, .Texts = {s.title}},
         {.Id = "TPE1", .Encoding = e, .Texts = s.artists},
         {.Id = "TALB", .Encoding = e, .Texts = {s.album}},
         {.Id = "TRCK", .Encoding = e, .Texts = {"4/12"}},
         {.Id = s.version == 4 ? "TDRC" : "TYER", .Encoding = e, .Texts = {"1989"}},
         {.Id = "TCON", .Encoding = e, .Texts = {s.genre}},
         // Shorter than the comment, so mutagen writes it first.
         {.Id = "COMM", .Encoding = 0, .Texts = {" 0000"}, .Description = "iTunNORM"},
         {.Id = "COMM", .Encoding = e, .Texts = {s.comment}, .Language = "deu"},
         {.Id = "TPE2", .Encoding = e, .Texts = {s.artists[0]}},
         {.Id = "TPOS", .Encoding = e, .Texts = {"1/2"}},
         {.Id = "TCOM", .Encoding = e, .Texts = {"Ludwig van Beethoven"}},
         {.Id = "USLT", .Encoding = e, .Texts = {s.title + "\n" + s.comment}},
         {.Id = "TXXX",
          .Encoding = e,
          .Texts = {"-6.5 dB"},
          .Description = "REPLAYGAIN_TRACK_GAIN"},
         {.Id = "APIC", .Encoding = e, .Description = "Cover", .Data = Picture()},
         {.Id = "POPM", .Email = "rating@example.org", .Rating = 196, .Count = 3}});
}

std::string YearId(int version) {
    return version == 4 ? "TDRC" : "TYER";
}

// Where the audio begins: behind the header's size and a 2.4 footer.
size_t TagEnd(const std::string& bytes) {
    if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0) return 0;
    size_t size = 0;
    for (int i = 6; i < 10; ++i) size = size << 7 | (static_cast<unsigned char>(bytes[i]) & 0x7F);
    const bool footer = bytes[3] == 4 && (bytes[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

// mutagen's descriptions of the frames but the year: the six other fields
// (sorted, as a save writes the fields first) and all else (in file order).
struct Split {
    std::vector<std::string> fields, others;
};

Split SplitFrames(const MutagenTag& tag) {
    static const std::vector<std::string> kFieldIds = {"TIT2", "TPE1", "TALB", "TRCK", "TCON"};
    Split split;
    for (const auto& f : tag.Frames) {
        if (f.Id == YearId(tag.MajorVersion)) continue;
        const bool field = std::count(kFieldIds.begin(), kFieldIds.end(), f.Id) > 0 ||
                           (f.Id == "COMM" && f.Description.empty());
        (field ? split.fields : split.others).push_back(f.Id + " " + f.Content);
    }
    std::sort(split.fields.begin(), split.fields.end());
    return split;
}

std::vector<std::string> CommentDescriptions(const MutagenTag& tag) {
    std::vector<std::string> descriptions;
    for (const auto& f : tag.All("COMM")) descriptions.push_back(f.Description);
    return descriptions;
}

class Mutagen : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!MutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
    }
    TempDir dir_;
};

TEST_F(Mutagen, ReadsTheFieldsOfItsTagsInEveryVersionAndEncoding) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        const std::string path = dir_.File("a.mp3");
        ASSERT_TRUE(WriteSample(s, path));
        const auto seen = MutagenRead(path);
        ASSERT_TRUE(seen.has_value());
        ASSERT_EQ(seen->MajorVersion, s.version);
        // A described comment first (last in 2.2): neither the first nor the
        // last COMM is the comment by chance.
        const std::vector<std::string> order = s.version == 2
                                                   ? std::vector<std::string>{"", "iTunNORM"}
                                                   : std::vector<std::string>{"iTunNORM", ""};
        ASSERT_EQ(CommentDescriptions(*seen), order);

        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_EQ(tag.VersionID(), s.version);
        EXPECT_EQ(tag.Title(), s.title);
        std::string artist = s.artists[0];
        for (size_t i = 1; i < s.artists.size(); ++i) artist += " / " + s.artists[i];
        EXPECT_EQ(tag.Artist(), artist);
        EXPECT_EQ(tag.Album(), s.album);
        EXPECT_EQ(tag.Track(), 4);
        EXPECT_EQ(tag.Year(), "1989");
        EXPECT_EQ(tag.Genre(), s.readGenre);
        EXPECT_EQ(tag.Comment(), s.comment);
    }
}

TEST_F(Mutagen, SavingTheYearChangesNoOtherFrameAndNoAudioByte) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        const std::string path = dir_.File("a.mp3");
        ASSERT_TRUE(WriteSample(s, path));
        const std::string before = ReadFileBytes(path);
        const auto seenBefore = MutagenRead(path);
        ASSERT_TRUE(seenBefore.has_value());

        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        tag.SetYear("2020");
        ASSERT_TRUE(tag.SaveToFile(path));

        const std::string after = ReadFileBytes(path);
        const auto seen = MutagenRead(path);
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->MajorVersion, s.version);
        const auto years = seen->All(YearId(s.version));
        ASSERT_EQ(years.size(), 1u);
        EXPECT_EQ(years[0].Texts, std::vector<std::string>{"2020"});
        EXPECT_EQ(years[0].Encoding, 0);
        if (s.version == 2) {
            // mutagen names it TYER; on disk it is the short form.
            EXPECT_NE(after.find("TYE\0\0\x05\0"s + "2020"), std::string::npos);
        }
        const Split was = SplitFrames(*seenBefore), now = SplitFrames(*seen);
        EXPECT_EQ(now.fields, was.fields);
        EXPECT_EQ(now.others, was.others);
        EXPECT_EQ(after.substr(TagEnd(after)), before.substr(TagEnd(before)));
    }
}

// A malformed tag keeps its bytes through a save: mutagen finds every frame
// (the cut-off picture with what there was of it) and the audio unchanged.
TEST_F(Mutagen, AMalformedTagKeepsItsBytesThroughASave) {
    struct Case {
        const char* name;
        std::string tag;
        std::vector<std::string> frames;  // as mutagen sees them after the save
    };
    const std::string title = "TIT2" + BigEndian32Bytes(2) + "\0\0\0T"s;
    const std::string picture =
        "APIC" + BigEndian32Bytes(5000) + "\0\0"s + "\0image/jpeg\0\x03\0"s + std::string(100, 'p');
    const Case cases[] = {
        {"a picture cut off by the tag's end",
         Id3v2Header(3, 0, static_cast<uint32_t>(title.size() + picture.size())) + title + picture,
         {"TIT2", "APIC", "TYER"}},
        {"2.4: a footer flag without a footer",
         Id3v2Header(4, 0x10, 12) + "TIT2" + SynchsafeBytes(2) + "\0\0\0T"s,
         {"TIT2", "TDRC"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.File("a.mp3");
        WriteFileBytes(path, c.tag + kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        tag.SetYear("2020");
        ASSERT_TRUE(tag.SaveToFile(path));
        const auto seen = MutagenRead(path);
        ASSERT_TRUE(seen.has_value());
        std::vector<std::string> ids;
        for (const auto& f : seen->Frames) ids.push_back(f.Id);
        EXPECT_EQ(ids, c.frames);
        const std::string after = ReadFileBytes(path);
        EXPECT_EQ(after.substr(TagEnd(after)), kAudio);
    }
}

// A 2.4 tag whose extended-header flag is set while its frames start right
// behind the header, as some taggers write it: read as mutagen reads it, and
// a save keeps the header byte.
TEST_F(Mutagen, ReadsAndSavesATagWhoseExtendedHeaderFlagHasNoHeader) {
    const std::string frames = Id3v2Frame(4, "TIT2", "\x03" + kPolish) +
                               Id3v2Frame(4, "TPE1", "\x01" + Utf16(u"Кино")) +
                               Id3v2Frame(4, "TALB", TextFrameData("Gruppa krovi")) +
                               Id3v2Frame(4, "TDRC", TextFrameData("1988")) +
                               Id3v2Frame(4, "TCON", TextFrameData("Rock")) +
                               Id3v2Frame(4, "COMM", "\x03rus\0"s + kCyrillic);
    const std::string path = dir_.File("a.mp3");
    WriteFileBytes(path, Id3v2Header(4, 0x40, static_cast<uint32_t>(frames.size() + 100)) + frames +
                             std::string(100, '\0') + kAudio);
    const auto seen = MutagenRead(path);
    ASSERT_TRUE(seen.has_value());
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Title(), seen->Text("TIT2"));
    EXPECT_EQ(tag.Artist(), seen->Text("TPE1"));
    EXPECT_EQ(tag.Album(), seen->Text("TALB"));
    EXPECT_EQ(tag.Year(), seen->Text("TDRC"));
    EXPECT_EQ(tag.Genre(), seen->Text("TCON"));
    EXPECT_EQ(tag.Comment(), seen->Text("COMM"));
    EXPECT_EQ(tag.Comment(), kCyrillic);

    tag.SetYear("1989");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string after = ReadFileBytes(path);
    EXPECT_EQ(after[5], '\x40');
    const auto saved = MutagenRead(path);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->Text("TDRC"), "1989");
    EXPECT_EQ(saved->Text("TPE1"), "Кино");
    EXPECT_EQ(after.substr(TagEnd(after)), kAudio);
}

TEST_F(Mutagen, AChangedTitleIsWrittenInTheNarrowestEncodingOfTheVersion) {
    struct Case {
        const char* sample;
        std::string title;
        int encoding;
    };
    const std::vector<Case> cases = {
        {"2.2", kJapanese, 1},
        {"2.3 Latin-1", kJapanese, 1},
        // Windows-1252 has bytes for these, ISO-8859-1 has none.
        {"2.3 Latin-1", "Œuvre – Ÿ", 1},
        {"2.4 UTF-8", kJapanese, 3},
        {"2.4 UTF-8", "Für Elise", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sample) + " " + c.title);
        const Sample& s = Named(c.sample);
        const std::string path = dir_.File("a.mp3");
        ASSERT_TRUE(WriteSample(s, path));
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        ASSERT_NE(tag.Title(), c.title);  // else the old frame stays as it was
        tag.SetTitle(c.title);
        ASSERT_TRUE(tag.SaveToFile(path));

        const auto seen = MutagenRead(path);
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->MajorVersion, s.version);
        const auto titles = seen->All("TIT2");
        ASSERT_EQ(titles.size(), 1u);
        EXPECT_EQ(titles[0].Texts, std::vector<std::string>{c.title});
        EXPECT_EQ(titles[0].Encoding, c.encoding);
    }
}

TEST_F(Mutagen, ReadsTheVersion1TagWeWrite) {
    const std::string path = dir_.File("a.mp3");
    WriteMp3(path, "", kAudio, MakeId3v1Tag("", "", "", "", "", 7, 0));
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    tag.SetTitle("Titel ü");
    tag.SetArtist("Beyoncé");
    tag.SetAlbum("Album");
    tag.SetYear("1987");
    tag.SetComment("Kommentar");
    tag.SetGenreID(17);
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(LastBlock(path).substr(3, 7), "Titel \xFC");  // Windows-1252 on disk

    const auto seen = MutagenRead(path);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->MajorVersion, 1);
    EXPECT_EQ(seen->Text("TIT2"), "Titel ü");
    EXPECT_EQ(seen->Text("TPE1"), "Beyoncé");
    EXPECT_EQ(seen->Text("TALB"), "Album");
    EXPECT_EQ(seen->Text("TDRC"), "1987");
    EXPECT_EQ(seen->Text("COMM"), "Kommentar");
    EXPECT_EQ(seen->Text("TRCK"), "7");
    EXPECT_EQ(seen->Text("TCON"), "17");  // the genre number, in mutagen's notation
}

}  // namespace

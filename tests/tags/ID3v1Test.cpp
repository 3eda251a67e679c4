#include "tags/ID3v1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/Messages.h"

namespace {

using namespace std::string_literals;

// Records the tag code's messages for the length of a test.
class MessageRecorder {
  public:
    MessageRecorder() {
        previous_ = SetMessageHandler([this](const std::string& text) { texts.push_back(text); });
    }
    ~MessageRecorder() { SetMessageHandler(previous_); }
    std::vector<std::string> texts;

  private:
    MessageHandler previous_;
};

const std::string kAudio(1000, '\x55');

// A block with the given bytes at the given offsets, over "TAG" and zeros.
std::string Block(std::initializer_list<std::pair<size_t, std::string>> pieces) {
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    for (const auto& [offset, bytes] : pieces) tag.replace(offset, bytes.size(), bytes);
    return tag;
}

struct ReadCase {
    const char* name;
    std::string block;
    bool exists;
    uint8_t version;
    std::string title;
    std::string comment;
    uint8_t track;
    uint8_t genreID;
    std::string genre;
};

TEST(ID3v1Read, FieldsAndVersions) {
    const std::string comment30 = "abcdefghijklmnopqrstuvwxyz0123";
    const std::vector<ReadCase> cases = {
        {"v11 zero then track", Block({{3, "Title"}, {97, comment30}, {125, "\0\x07"s}}), true, 2,
         "Title", comment30.substr(0, 28), 7, 0, "Blues"},
        {"both zero is v10", Block({{97, "Hi"}, {127, "\x11"}}), true, 1, "", "Hi", 0, 17, "Rock"},
        {"space then X is v11", Block({{97, comment30}, {125, " X"}}), true, 2, "",
         comment30.substr(0, 28), 88, 0, "Blues"},
        {"two spaces is v10", Block({{97, "Hallo"}, {125, "  "}}), true, 1, "", "Hallo", 0, 0,
         "Blues"},
        {"full 30-byte comment in v10", Block({{97, comment30}}), true, 1, "", comment30, 0, 0,
         "Blues"},
        {"lower-case marker", "tag" + Block({}).substr(3), false, 1, "", "", 0, 255, ""},
        {"trailing zeros trimmed", Block({{3, "AB"}}), true, 1, "AB", "", 0, 0, "Blues"},
        {"inner zero kept", Block({{3, "AB\0C"s + std::string(26, ' ')}}), true, 1, "AB\0C"s, "", 0,
         0, "Blues"},
        {"genre 147", Block({{127, "\x93"}}), true, 1, "", "", 0, 147, "Synthpop"},
        {"genre 148 has no name", Block({{127, "\x94"}}), true, 1, "", "", 0, 148, ""},
        {"genre 255", Block({{127, "\xFF"}}), true, 1, "", "", 0, 255, ""},
        {"high bytes are Windows-1252 characters", Block({{3, "Gr\xFC\xDF\x65 \x80\x84\x81"}}),
         true, 1, "Grüße €„\u0081", "", 0, 0, "Blues"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("a.mp3");
        WriteMp3(path, "", kAudio, c.block);
        TID3v1 tag;
        MessageRecorder messages;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_TRUE(messages.texts.empty());
        EXPECT_EQ(tag.Exists(), c.exists);
        EXPECT_EQ(tag.VersionID(), c.version);
        EXPECT_EQ(tag.Title(), c.title);
        EXPECT_EQ(tag.Comment(), c.comment);
        EXPECT_EQ(tag.Track(), c.track);
        EXPECT_EQ(tag.GenreID(), c.genreID);
        EXPECT_EQ(tag.Genre(), c.genre);
    }
}

TEST(ID3v1Read, AllTextFields) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, MakeId3v1Tag("T", "Artist  ", "Album", "1999", "C", 3, 13));
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.Genre(), "Pop");
}

TEST(ID3v1Read, UnreadableFilesAreMarkedAndStayReset) {
    TempDir dir;
    const std::string missing = dir.File("missing.mp3");
    const std::string tiny = dir.File("tiny.mp3");
    WriteFileBytes(tiny, std::string(127, 'x'));
    const std::string empty = dir.File("empty.mp3");
    WriteFileBytes(empty, "");
    const std::string pipe = dir.File("pipe.mp3");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    for (const std::string& path : {missing, tiny, empty, dir.Path().string(), pipe}) {
        SCOPED_TRACE(path);
        TID3v1 tag;
        tag.SetTitle("x");
        MessageRecorder messages;
        EXPECT_FALSE(tag.ReadFromFile(path));
        // The reader names nothing itself: the caller shows the message.
        EXPECT_TRUE(messages.texts.empty());
        EXPECT_TRUE(tag.Unreadable());
        EXPECT_FALSE(tag.Exists());
        EXPECT_EQ(tag.Title(), "");
        EXPECT_EQ(tag.GenreID(), 255);
    }
}

TEST(ID3v1Read, FileOfExactlyOneBlockIsAllTag) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", "", MakeId3v1Tag("Only", "", "", "", "", 0, 1));
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.Title(), "Only");
}

struct SetterCase {
    const char* name;
    std::string input;
    std::string stored;
};

TEST(ID3v1Set, TrimThenCut) {
    const std::vector<SetterCase> texts = {
        {"30 bytes and 5 spaces", std::string(30, 'x') + "     ", std::string(30, 'x')},
        {"cut leaves inner blanks at the end", "A" + std::string(29, ' ') + "B",
         "A" + std::string(29, ' ')},
        {"leading blanks stay", "  lead\t\n\0"s, "  lead"},
        {"long text cut", std::string(40, 'y'), std::string(30, 'y')},
        {"only blanks", " \x01\x1F ", ""},
        {"the limit counts characters", std::string(32, 'x') + "äöü", std::string(30, 'x')},
        {"characters of two bytes", "Ä" + std::string(28, 'x') + "ÖÜ",
         "Ä" + std::string(28, 'x') + "Ö"},
        {"no Windows-1252 byte: a question mark", "Жук €", "??? €"},
        {"a malformed byte: a question mark",
         "a\xFF"
         "b",
         "a?b"},
    };
    for (const auto& c : texts) {
        SCOPED_TRACE(c.name);
        TID3v1 tag;
        tag.SetTitle(c.input);
        tag.SetArtist(c.input);
        tag.SetAlbum(c.input);
        tag.SetComment(c.input);
        EXPECT_EQ(tag.Title(), c.stored);
        EXPECT_EQ(tag.Artist(), c.stored);
        EXPECT_EQ(tag.Album(), c.stored);
        EXPECT_EQ(tag.Comment(), c.stored);
    }
    const std::vector<SetterCase> years = {
        {"four digits and a space", "1999 ", "1999"},
        {"five digits", "12345", "1234"},
        {"not a number", "ab", "ab"},
    };
    for (const auto& c : years) {
        SCOPED_TRACE(c.name);
        TID3v1 tag;
        tag.SetYear(c.input);
        EXPECT_EQ(tag.Year(), c.stored);
    }
}

TEST(ID3v1Save, WritesTheBlockByteForByte) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, "");
    TID3v1 tag;
    tag.SetTitle("Titel");
    tag.SetArtist("Künstler");
    tag.SetAlbum("Жук – €");
    tag.SetYear("2001");
    tag.SetComment("Kommentar");
    tag.SetGenreID(200);
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string expected = Block({{3, "Titel"},
                                        {33, "K\xFCnstler"},
                                        {63, "??? \x96 \x80"},
                                        {93, "2001"},
                                        {97, "Kommentar"},
                                        {127, "\xC8"}});
    EXPECT_EQ(ReadFileBytes(path), kAudio + expected);

    // Saving again replaces the block; the length stays.
    tag.SetTitle("Neu");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), kAudio.size() + 128);
    EXPECT_EQ(bytes.substr(kAudio.size() + 3, 6), "Neu\0\0\0"s);

    TID3v1 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.GenreID(), 200);
    EXPECT_EQ(back.Genre(), "");
    EXPECT_EQ(back.Artist(), "Künstler");
}

TEST(ID3v1Save, TrackTakesTheLastTwoCommentBytes) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const std::string comment30 = std::string(29, 'c') + "Z";
    WriteMp3(path, "", kAudio, MakeId3v1Tag("", "", "", "", "", 5, 0));
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    ASSERT_EQ(tag.Track(), 5);
    tag.SetComment(comment30);
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string block = ReadFileBytes(path).substr(kAudio.size());
    EXPECT_EQ(block.substr(97, 30), std::string(28, 'c') + "\0\x05"s);

    // A fresh object has no track: the tag becomes version 1.0 and the
    // comment keeps all 30 bytes.
    TID3v1 fresh;
    fresh.SetComment(comment30);
    ASSERT_TRUE(fresh.SaveToFile(path));
    TID3v1 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.VersionID(), 1);
    EXPECT_EQ(back.Track(), 0);
    EXPECT_EQ(back.Comment(), comment30);
}

TEST(ID3v1Save, ReadOnlyFileIsWrittenAndKeepsItsMode) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, "");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    TID3v1 tag;
    tag.SetTitle("RO");
    ASSERT_TRUE(tag.SaveToFile(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(ReadFileBytes(path).size(), kAudio.size() + 128);
}

TEST(ID3v1Save, UnreadableFileIsNotWritten) {
    TempDir dir;
    const std::string path = dir.File("short.mp3");
    WriteFileBytes(path, "abc");
    TID3v1 tag;
    tag.SetTitle("x");
    MessageRecorder messages;
    EXPECT_FALSE(tag.SaveToFile(path));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(ReadFileBytes(path), "abc");
}

TEST(ID3v1Remove, CutsOnlyAnExistingTag) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    TID3v1 tag;
    WriteMp3(path, "", kAudio, MakeId3v1Tag("x", "", "", "", "", 0, 0));
    EXPECT_TRUE(tag.RemoveFromFile(path));
    EXPECT_EQ(ReadFileBytes(path), kAudio);
    EXPECT_TRUE(tag.RemoveFromFile(path));  // nothing left to cut
    EXPECT_EQ(ReadFileBytes(path), kAudio);

    const std::string tiny = dir.File("tiny.mp3");
    WriteFileBytes(tiny, "TAG");
    MessageRecorder messages;
    EXPECT_FALSE(tag.RemoveFromFile(tiny));
    EXPECT_TRUE(messages.texts.empty());
}

TEST(ID3v1Routines, DeleteAndSaveTagFailOnMissingFiles) {
    TempDir dir;
    const std::string missing = dir.File("none.mp3");
    id3v1::TagRecord record{};
    EXPECT_FALSE(id3v1::DeleteTag(missing));
    EXPECT_FALSE(id3v1::SaveTag(missing, record));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ID3v1Routines, OverwriteRefusesABlockThatIsNoLongerATag) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, "");
    id3v1::TagRecord record{};
    record.fill('Q');
    EXPECT_FALSE(id3v1::SaveTag(path, record, true));
    EXPECT_EQ(ReadFileBytes(path), kAudio);
}

TEST(GenreNames, TableHoldsTheNamesInOrder) {
    ASSERT_EQ(GenreNames.size(), 148u);
    const std::vector<std::pair<size_t, std::string_view>> spots = {
        {0, "Blues"},         {17, "Rock"},         {40, "AlternRock"},
        {67, "Psychadelic"},  {78, "Rock & Roll"},  {92, "Progessive Rock"},
        {123, "A capella"},   {127, "Drum & Bass"}, {136, "Christian Gangsta Rap"},
        {144, "Trash Metal"}, {147, "Synthpop"}};
    for (const auto& [index, name] : spots) EXPECT_EQ(GenreNames[index], name) << index;
    for (size_t i = 0; i < GenreNames.size(); ++i) {
        EXPECT_FALSE(GenreNames[i].empty()) << i;
        for (size_t j = i + 1; j < GenreNames.size(); ++j) EXPECT_NE(GenreNames[i], GenreNames[j]);
    }
}

// Every name, character by character: a name's position is the genre number
// written to files, and the names are the pick lists' texts.
TEST(GenreNames, EveryNameExactly) {
    // clang-format off
    const std::vector<std::string_view> expected = {
        "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
        "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
        "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
        "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical",
        "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock",
        "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
        "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance",
        "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap",
        "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave",
        "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro",
        "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing",
        "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde",
        "Gothic Rock", "Progessive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock",
        "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
        "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire",
        "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad",
        "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella", "Euro-House",
        "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie", "BritPop",
        "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal", "Black Metal",
        "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
        "Trash Metal", "Anime", "JPop", "Synthpop"};
    // clang-format on
    ASSERT_EQ(expected.size(), GenreNames.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(GenreNames[i], expected[i]) << i;
}
}  // namespace

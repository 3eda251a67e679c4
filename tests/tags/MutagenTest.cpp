// Cross-checks with an independent ID3 implementation (python3-mutagen).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"

namespace {

using namespace std::string_literals;

const std::string kAudio = "\xFF\xFB\x90\x00"s + std::string(3000, '\x55');

class Mutagen : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!MutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
    }
    TempDir dir_;
};

TEST_F(Mutagen, ReadsTheVersion23TagWeWrite) {
    const std::string path = dir_.File("a.mp3");
    WriteMp3(path, MakeId3v2Tag({{"TRCK", TextFrameData("9/10")}}), kAudio, "");
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    tag.SetTitle("Gr\xFC\xDF\x65");
    tag.SetArtist("S\xE9\x62\x61stien");
    tag.SetAlbum("Album \xC4\xD6\xDC");
    tag.SetYear("2004");
    tag.SetGenre("Rock");
    tag.SetComment("Sch\xF6n und gut");
    ASSERT_TRUE(tag.SaveToFile(path));

    const auto seen = MutagenRead(path);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->MajorVersion, 3);
    const std::map<std::string, std::string> expected = {{"TIT2", "Gr\xFC\xDF\x65"},
                                                         {"TPE1", "S\xE9\x62\x61stien"},
                                                         {"TALB", "Album \xC4\xD6\xDC"},
                                                         {"TRCK", "9"},
                                                         {"TYER", "2004"},
                                                         {"TCON", "Rock"},
                                                         {"COMM", "\0Sch\xF6n und gut"s},
                                                         {"COMM:lang", "eng"}};
    EXPECT_EQ(seen->Texts, expected);
}

TEST_F(Mutagen, WeReadItsLatin1AndUtf16Tags) {
    struct Case {
        const char* name;
        int encoding;
    };
    for (const Case& c : {Case{"Latin-1", 0}, Case{"UTF-16", 1}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.File("a.mp3");
        WriteMp3(path, "", kAudio, "");
        // The euro sign has no Latin-1 byte; only UTF-16 can carry it.
        const std::string euro = c.encoding == 1 ? "\u20AC" : "";
        ASSERT_TRUE(MutagenWriteId3v23(path, {{"TIT2", c.encoding, "Gr\u00FC\u00DFe" + euro},
                                              {"TPE1", c.encoding, "M\u00FCller"},
                                              {"TALB", c.encoding, "Album"},
                                              {"TRCK", c.encoding, "4/12"},
                                              {"TYER", c.encoding, "1999"},
                                              {"TCON", c.encoding, "Pop"},
                                              {"COMM", c.encoding, "Sch\u00F6n", "", "deu"}}));
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_EQ(tag.VersionID(), 3);
        EXPECT_EQ(tag.Title(), "Gr\xFC\xDF\x65"s + (c.encoding == 1 ? "\x80" : ""));
        EXPECT_EQ(tag.Artist(), "M\xFCller");
        EXPECT_EQ(tag.Album(), "Album");
        EXPECT_EQ(tag.Track(), 4);
        EXPECT_EQ(tag.Year(), "1999");
        EXPECT_EQ(tag.Genre(), "Pop");
        EXPECT_EQ(tag.Comment(), "Sch\xF6n");

        // Change one field; the others must come through intact.
        tag.SetAlbum("Neu");
        ASSERT_TRUE(tag.SaveToFile(path));
        const auto seen = MutagenRead(path);
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->MajorVersion, 3);
        EXPECT_EQ(seen->Texts.at("TIT2"), tag.Title());
        EXPECT_EQ(seen->Texts.at("TPE1"), "M\xFCller");
        EXPECT_EQ(seen->Texts.at("TALB"), "Neu");
        EXPECT_EQ(seen->Texts.at("TRCK"), "4");
        EXPECT_EQ(seen->Texts.at("TYER"), "1999");
        EXPECT_EQ(seen->Texts.at("TCON"), "Pop");
        EXPECT_EQ(seen->Texts.at("COMM"), "\0Sch\xF6n"s);
        TID3v2 again;
        ASSERT_TRUE(again.ReadFromFile(path));
        EXPECT_EQ(ReadFileBytes(path).substr(static_cast<size_t>(again.Size())), kAudio);
    }
}

TEST_F(Mutagen, ReadsTheVersion1TagWeWrite) {
    const std::string path = dir_.File("a.mp3");
    WriteMp3(path, "", kAudio, "");
    TID3v1 tag;
    tag.SetTitle("Titel \xFC");
    tag.SetArtist("Interpret");
    tag.SetAlbum("Album");
    tag.SetYear("1987");
    tag.SetComment("Kommentar");
    tag.SetGenreID(17);
    ASSERT_TRUE(tag.SaveToFile(path));

    const auto seen = MutagenRead(path);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->Texts.at("TIT2"), "Titel \xFC");
    EXPECT_EQ(seen->Texts.at("TPE1"), "Interpret");
    EXPECT_EQ(seen->Texts.at("TALB"), "Album");
    const bool hasYear = seen->Texts.count("TYER") || seen->Texts.count("TDRC");
    ASSERT_TRUE(hasYear);
    EXPECT_EQ(seen->Texts.count("TYER") ? seen->Texts.at("TYER") : seen->Texts.at("TDRC"), "1987");
    // mutagen keeps the genre number in its own notation.
    EXPECT_THAT(seen->Texts.at("TCON"), ::testing::AnyOf("17", "(17)", "Rock"));
    // mutagen names the version 1 comment itself; the text follows the zero.
    const std::string& comm = seen->Texts.at("COMM");
    EXPECT_EQ(comm.substr(comm.find('\0') + 1), "Kommentar");
    EXPECT_EQ(seen->Texts.count("TRCK"), 0u);

    // With a track number (version 1.1).
    const std::string withTrack = dir_.File("b.mp3");
    WriteMp3(withTrack, "", kAudio, MakeId3v1Tag("", "", "", "", "", 7, 0));
    TID3v1 reader;
    ASSERT_TRUE(reader.ReadFromFile(withTrack));
    reader.SetTitle("Sieben");
    ASSERT_TRUE(reader.SaveToFile(withTrack));
    const auto seen2 = MutagenRead(withTrack);
    ASSERT_TRUE(seen2.has_value());
    EXPECT_EQ(seen2->Texts.at("TIT2"), "Sieben");
    EXPECT_EQ(seen2->Texts.at("TRCK"), "7");
}

}  // namespace

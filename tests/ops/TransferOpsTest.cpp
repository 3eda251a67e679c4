#include "ops/TransferOps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/Mp3FolderTest.h"
#include "support/OneSave.h"
#include "support/TempDir.h"
#include "tags/MPEGaudio.h"
#include "tags/Messages.h"

namespace {

class TransferOpsTest : public Mp3FolderTest {
  protected:
    TMPEGaudio audio;
};

TEST_F(TransferOpsTest, Level1To2CopiesTheFieldsAndKeepsTheId3v2Track) {
    struct Case {
        const char* name;
        std::string id3v1;
        TagCells expected;
    };
    const Case cases[] = {
        {"full.mp3",
         MakeId3v1Tag("Titel", "K\xFCnstler", "Album", "1999", "Kommentar", 7, 147),
         {"Künstler", "Album", "Titel", "1999", "Synthpop", "Kommentar"}},
        {"blues.mp3", MakeId3v1Tag("T", "A", "", "", "", 0, 0), {"A", "", "T", "", "Blues", ""}},
        {"nogenre.mp3", MakeId3v1Tag("T", "A", "", "", "", 0, 255), {"A", "", "T", "", "", ""}},
        {"genre200.mp3", MakeId3v1Tag("T", "A", "", "", "", 0, 200), {"A", "", "T", "", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Make(c.name,
                                      MakeId3v2Tag({{"TIT2", TextFrameData("Alt")},
                                                    {"TPE1", TextFrameData("Alt")},
                                                    {"TCON", TextFrameData("Rock")},
                                                    {"TRCK", TextFrameData("9")}}),
                                      c.id3v1);
        const TransferResult r = TransferLevel1To2(audio, path);
        ASSERT_EQ(r.Status, FileOutcome::Written);
        EXPECT_EQ(r.Cells.Artist, c.expected.Artist);
        EXPECT_EQ(r.Cells.Album, c.expected.Album);
        EXPECT_EQ(r.Cells.Title, c.expected.Title);
        EXPECT_EQ(r.Cells.Year, c.expected.Year);
        EXPECT_EQ(r.Cells.Genre, c.expected.Genre);
        EXPECT_EQ(r.Cells.Comment, c.expected.Comment);

        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_EQ(tag.Artist(), c.expected.Artist);
        EXPECT_EQ(tag.Title(), c.expected.Title);
        EXPECT_EQ(tag.Genre(), c.expected.Genre);
        EXPECT_EQ(tag.Comment(), c.expected.Comment);
        EXPECT_EQ(tag.Track(), 9);
        EXPECT_EQ(LastBlock(path), c.id3v1);  // the ID3v1 tag is only read
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(TransferOpsTest, Level2To1MapsGenreNamesAndCutsTo30) {
    const std::string title40(40, 't');
    struct Case {
        const char* name;
        std::string genreText;
        uint8_t genreId;
        const char* genreCell;
    };
    const Case cases[] = {
        {"synth.mp3", "Synthpop", 147, "Synthpop"}, {"blues.mp3", "Blues", 0, "Blues"},
        {"bracket.mp3", "(17)Rock", 17, "Rock"},    {"number.mp3", "(17)", 17, "Rock"},
        {"blank.mp3", "(17) Rock", 255, ""},        {"lower.mp3", "rock", 17, "Rock"},
        {"other.mp3", "Krautrock", 255, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Make(c.name,
                                      MakeId3v2Tag({{"TIT2", TextFrameData(title40)},
                                                    {"TPE1", TextFrameData("Band")},
                                                    {"TALB", TextFrameData("Platte")},
                                                    {"TYER", TextFrameData("19845")},
                                                    {"TCON", TextFrameData(c.genreText)},
                                                    {"TRCK", TextFrameData("5")}}),
                                      "");
        const TransferResult r = TransferLevel2To1(audio, path);
        ASSERT_EQ(r.Status, FileOutcome::Written);
        EXPECT_EQ(r.Cells.Title, title40.substr(0, 30));
        EXPECT_EQ(r.Cells.Year, "1984");
        EXPECT_EQ(r.Cells.Genre, c.genreCell);
        // The ID3v2 track number is not copied: a version 1.0 tag results.
        EXPECT_EQ(LastBlock(path),
                  MakeId3v1Tag(title40.substr(0, 30), "Band", "Platte", "1984", "", 0, c.genreId));
    }
}

TEST_F(TransferOpsTest, Level2To1KeepsTheId3v1TrackNumber) {
    const std::string comment30 = "abcdefghijklmnopqrstuvwxyz0123";
    const std::string path =
        Make("track.mp3", MakeId3v2Tag({{"COMM", std::string("\0deu\0", 5) + comment30}}),
             MakeId3v1Tag("x", "y", "z", "2000", "old", 7, 3));
    const TransferResult r = TransferLevel2To1(audio, path);
    ASSERT_EQ(r.Status, FileOutcome::Written);
    // The cell shows what the object holds; the file keeps 28 bytes and the track.
    EXPECT_EQ(r.Cells.Comment, comment30);
    EXPECT_EQ(LastBlock(path), MakeId3v1Tag("", "", "", "", comment30.substr(0, 28), 7, 255));
}

TEST_F(TransferOpsTest, FilesThatCannotBeWorkedOnAreNotWritten) {
    struct Direction {
        TransferResult (*transfer)(TMPEGaudio&, const std::string&);
        std::string id3v2, id3v1;  // the file's tags, one of them missing
    };
    const Direction directions[] = {
        {TransferLevel1To2, MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}}), ""},
        {TransferLevel2To1, "", MakeId3v1Tag("T", "A", "", "", "", 7, 1)},
    };
    for (const auto& d : directions) {
        messages.texts.clear();
        EXPECT_EQ(d.transfer(audio, dir.File("missing.mp3")).Status, FileOutcome::Unreadable);
        EXPECT_EQ(messages.texts.size(), 1u);

        const std::string silent = dir.File("silent.mp3");
        WriteMp3(silent, MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}}), std::string(3000, '\0'),
                 MakeId3v1Tag("T", "A", "", "", "", 0, 1));
        const std::string before = ReadFileBytes(silent);
        EXPECT_EQ(d.transfer(audio, silent).Status, FileOutcome::NoFrame);
        EXPECT_EQ(ReadFileBytes(silent), before);

        // No tag to copy from: the target tag stays as it is.
        const std::string path = Make("ohne.mp3", d.id3v2, d.id3v1);
        const std::string untouched = ReadFileBytes(path);
        EXPECT_EQ(d.transfer(audio, path).Status, FileOutcome::NoSourceTag);
        EXPECT_EQ(ReadFileBytes(path), untouched);
        EXPECT_EQ(messages.texts.size(), 1u);
    }
}

// The ID3v2 genre text as an ID3v1 number, beside the genre box's exact entry.
TEST(GenreNumbers, TextToNumber) {
    struct Case {
        const char* text;
        int index;  // GenreIndexOf
        int entry;  // GenreEntryOf
    };
    const Case cases[] = {
        {"Rock", 17, 17},  {"rock", 17, 255},   {"ROCK", 17, 255},      {"Synthpop", 147, 147},
        {"17", 17, 255},   {"(17)", 17, 255},   {"0", 0, 255},          {"147", 147, 255},
        {"148", 255, 255}, {"(148)", 255, 255}, {" Rock", 255, 255},    {"Rockmusik", 255, 255},
        {"", 255, 255},    {"1 7", 255, 255},   {"(17)Rock", 255, 255}, {"Röck", 255, 255},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GenreIndexOf(c.text), c.index) << c.text;
        EXPECT_EQ(GenreEntryOf(c.text), c.entry) << c.text;
    }
}

}  // namespace

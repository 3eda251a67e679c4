#include "ops/TransferOps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ops/Genres.h"
#include "ops/Reasons.h"
#include "support/Mp3Builder.h"
#include "support/Mp3FolderTest.h"
#include "support/OneSave.h"
#include "support/TempDir.h"
#include "support/TransferCases.h"
#include "tags/MPEGaudio.h"
#include "tags/Messages.h"

namespace {

class TransferOpsTest : public Mp3FolderTest {
  protected:
    TMPEGaudio audio;
};

// Each rule of the transfers on a file with both tags: the target gets what
// the source holds, but never something poorer than it held.
TEST_F(TransferOpsTest, TheTargetGetsTheSourceButNeverLessThanItHeld) {
    for (const TransferCase& c : TransferCases()) {
        SCOPED_TRACE(c.name);
        const std::string path = Make(c.name, c.id3v2, c.id3v1);
        TID3v2 v2Before;
        ASSERT_TRUE(v2Before.ReadFromFile(path));
        const TransferResult r =
            c.from == 1 ? TransferLevel1To2(audio, path) : TransferLevel2To1(audio, path);
        ASSERT_EQ(r.Status, FileOutcome::Written);
        const std::vector<std::string> cells = {r.Cells.Artist, r.Cells.Album, r.Cells.Title,
                                                r.Cells.Year,   r.Cells.Genre, r.Cells.Comment};
        EXPECT_EQ(cells, c.after);
        EXPECT_EQ(TargetFields(c, path), c.after);
        std::vector<std::string> kept;
        for (const TagField f : r.Kept) kept.emplace_back(FieldName(f));
        EXPECT_EQ(kept, c.kept);
        // The source tag is only read, and each tag's track number stays.
        const std::string bytes = ReadFileBytes(path);
        if (c.from == 1) {
            EXPECT_EQ(Tail128(bytes), c.id3v1);
            TID3v2 v2After;
            ASSERT_TRUE(v2After.ReadFromFile(path));
            EXPECT_EQ(v2After.Track(), v2Before.Track());
        } else {
            EXPECT_EQ(bytes.substr(0, c.id3v2.size()), c.id3v2);
            EXPECT_EQ(Tail128(bytes)[126], c.id3v1[126]);
        }
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
    EXPECT_EQ(LastBlock(path), MakeId3v1Tag("x", "y", "z", "2000", comment30.substr(0, 28), 7, 3));
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
        EXPECT_TRUE(messages.texts.empty());

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
        EXPECT_TRUE(messages.texts.empty());
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

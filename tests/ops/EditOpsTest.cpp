#include "ops/EditOps.h"

#include <gtest/gtest.h>
#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ops/Reasons.h"
#include "support/HeldFile.h"
#include "support/Mp3Builder.h"
#include "support/Mp3FolderTest.h"
#include "support/OneSave.h"
#include "support/TempDir.h"
#include "tags/ID3v2.h"
#include "tags/Messages.h"

namespace {

using namespace std::string_literals;

const std::string kAudio = MakeCbrAudio(9, 0.3);

std::string OldId3v2() {
    return MakeId3v2Tag({{"TIT2", TextFrameData("Alter Titel")},
                         {"TPE1", TextFrameData("Alter Interpret")},
                         {"TALB", TextFrameData("Altes Album")},
                         {"TRCK", TextFrameData("7/12")},
                         {"TYER", TextFrameData("1999")},
                         {"TCON", TextFrameData("Jazz")},
                         {"TXXX", TextFrameData("anderes")}},
                        3, 64);
}

std::string OldId3v1() {
    return MakeId3v1Tag("Alter Titel", "Alter Interpret", "Altes Album", "1999", "alt", 7, 8);
}

TEST(SaveTagTextsTest, LevelOneSetsTheSixFieldsAndKeepsTheTrack) {
    struct Case {
        const char* what;
        TagTexts texts;
        std::string expected;  // the new last 128 bytes
    };
    const Case cases[] = {
        {"plain",
         {"Artist", "Album", "Title", "2004", "Rock", "Comment"},
         MakeId3v1Tag("Title", "Artist", "Album", "2004", "Comment", 7, 17)},
        {"genre not a name",
         {"A", "B", "C", "1", "Rockmusik", ""},
         MakeId3v1Tag("C", "A", "B", "1", "", 7, 255)},
        {"genre differs in case",
         {"", "", "", "", "rock", ""},
         MakeId3v1Tag("", "", "", "", "", 7, 255)},
        {"all empty", {}, MakeId3v1Tag("", "", "", "", "", 7, 255)},
        {"long title, five-digit year, trailing blanks",
         {"Artist  ", "", std::string(40, 'T'), "20045", "Blues", "c"},
         MakeId3v1Tag(std::string(30, 'T'), "Artist", "", "2004", "c", 7, 0)},
        {"umlauts become Windows-1252",
         {"M\xC3\xBCller", "", "", "", "", "\xE2\x82\xAC"},
         MakeId3v1Tag("", "M\xFCller", "", "", "\x80", 7, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.File("a.mp3");
        WriteMp3(path, OldId3v2(), kAudio, OldId3v1());
        const std::string before = ReadFileBytes(path);

        ASSERT_EQ(SaveTagTexts(path, 1, c.texts), FileOutcome::Written);
        const std::string after = ReadFileBytes(path);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(Tail128(after), c.expected);
        EXPECT_EQ(after.substr(0, after.size() - 128), before.substr(0, before.size() - 128));
    }
}

TEST(SaveTagTextsTest, LevelOneAppendsATagToAFileWithout) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, "");
    ASSERT_EQ(SaveTagTexts(path, 1, {"A", "", "", "", "Pop", ""}), FileOutcome::Written);
    const std::string after = ReadFileBytes(path);
    EXPECT_EQ(after, kAudio + MakeId3v1Tag("", "A", "", "", "", 0, 13));
}

TEST(SaveTagTextsTest, LevelTwoKeepsTheTrackAndEveryOtherFrameAndLeavesTheId3v1TagAlone) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, OldId3v2(), kAudio, OldId3v1());

    ASSERT_EQ(
        SaveTagTexts(path, 2, {"Artist", "Album", "Title", "2004", "Eigenes Genre", "Kommentar"}),
        FileOutcome::Written);
    const std::string after = ReadFileBytes(path);
    EXPECT_EQ(Tail128(after), OldId3v1());
    EXPECT_EQ(after.substr(after.size() - 128 - kAudio.size(), kAudio.size()), kAudio);
    EXPECT_NE(after.find("TXXX"), std::string::npos);
    EXPECT_NE(after.find("TRCK\0\0\0\x05\0\0\0"
                         "7/12"s),
              std::string::npos);

    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Title(), "Title");
    EXPECT_EQ(tag.Year(), "2004");
    EXPECT_EQ(tag.Genre(), "Eigenes Genre");
    EXPECT_EQ(tag.Comment(), "Kommentar");
    EXPECT_EQ(tag.Track(), 7);
}

// The editor loads the file first: one that cannot be loaded is not written.
TEST(SaveTagTextsTest, NothingIsWrittenWhenTheFileCannotBeLoaded) {
    TempDir dir;
    const std::string folder = dir.File("ordner.mp3");
    std::filesystem::create_directory(folder);
    const std::string noAudio = dir.File("leer.mp3");
    const std::string noAudioBytes = OldId3v2() + std::string(4000, '\x11') + OldId3v1();
    WriteFileBytes(noAudio, noAudioBytes);
    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        MessageRecorder messages;
        EXPECT_EQ(SaveTagTexts(folder, level, {"A", "B", "C", "D", "E", "F"}),
                  FileOutcome::Unreadable);
        EXPECT_TRUE(messages.texts.empty());
        EXPECT_EQ(SaveTagTexts(noAudio, level, {"A", "B", "C", "D", "E", "F"}),
                  FileOutcome::NoFrame);
        EXPECT_EQ(ReadFileBytes(noAudio), noAudioBytes);
        EXPECT_TRUE(messages.texts.empty());
    }
}

TEST(WriteTagFieldTest, EachFieldChangesAloneAndTheRestSurvives) {
    struct Case {
        TagField field;
        const char* text;
        std::string level1;  // the expected ID3v1 block
    };
    const Case cases[] = {
        {TagField::Artist, "Neu",
         MakeId3v1Tag("Alter Titel", "Neu", "Altes Album", "1999", "alt", 7, 8)},
        {TagField::Album, "Neu",
         MakeId3v1Tag("Alter Titel", "Alter Interpret", "Neu", "1999", "alt", 7, 8)},
        {TagField::Title, "Neu",
         MakeId3v1Tag("Neu", "Alter Interpret", "Altes Album", "1999", "alt", 7, 8)},
        {TagField::Year, "20045",
         MakeId3v1Tag("Alter Titel", "Alter Interpret", "Altes Album", "2004", "alt", 7, 8)},
        {TagField::Genre, "Techno",
         MakeId3v1Tag("Alter Titel", "Alter Interpret", "Altes Album", "1999", "alt", 7, 18)},
        {TagField::Genre, "Technoo",
         MakeId3v1Tag("Alter Titel", "Alter Interpret", "Altes Album", "1999", "alt", 7, 255)},
        {TagField::Comment, "Neu",
         MakeId3v1Tag("Alter Titel", "Alter Interpret", "Altes Album", "1999", "Neu", 7, 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        const std::string one = dir.File("1.mp3");
        const std::string two = dir.File("2.mp3");
        WriteMp3(one, OldId3v2(), kAudio, OldId3v1());
        WriteMp3(two, OldId3v2(), kAudio, OldId3v1());
        const std::string oldTwo = ReadFileBytes(two);

        ASSERT_EQ(WriteTagField(one, 1, c.field, c.text), FileOutcome::Written);
        const std::string afterOne = ReadFileBytes(one);
        EXPECT_EQ(Tail128(afterOne), c.level1);
        EXPECT_EQ(afterOne.substr(0, OldId3v2().size()), OldId3v2());

        ASSERT_EQ(WriteTagField(two, 2, c.field, c.text), FileOutcome::Written);
        const std::string afterTwo = ReadFileBytes(two);
        EXPECT_EQ(Tail128(afterTwo), OldId3v1());
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(two));
        auto expect = [&](TagField f, const std::string& old, const std::string& actual) {
            EXPECT_EQ(actual, f == c.field ? std::string(c.text) : old);
        };
        expect(TagField::Artist, "Alter Interpret", tag.Artist());
        expect(TagField::Album, "Altes Album", tag.Album());
        expect(TagField::Title, "Alter Titel", tag.Title());
        expect(TagField::Year, "1999", tag.Year());
        expect(TagField::Genre, "Jazz", tag.Genre());
        expect(TagField::Comment, "", tag.Comment());
        EXPECT_EQ(tag.Track(), 7);
        EXPECT_NE(afterTwo.find("TXXX\0\0\0\x08\0\0\0anderes"s), std::string::npos);
        EXPECT_NE(afterTwo, oldTwo);
    }
}

TEST(WriteTagFieldTest, AFileWithoutAnId3v1TagGetsOneWithOnlyThatField) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", kAudio, "");
    ASSERT_EQ(WriteTagField(path, 1, TagField::Year, "2004"), FileOutcome::Written);
    EXPECT_EQ(ReadFileBytes(path), kAudio + MakeId3v1Tag("", "", "", "2004", "", 0, 255));
}

TEST(WriteTagFieldTest, NothingIsWrittenWhenTheFileCannotBeLoaded) {
    TempDir dir;
    const std::string missing = dir.File("weg.mp3");
    const std::string noAudio = dir.File("leer.mp3");
    // Tags, but noise in between where the audio was.
    const std::string noAudioBytes = OldId3v2() + std::string(4000, '\x11') + OldId3v1();
    WriteFileBytes(noAudio, noAudioBytes);

    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        MessageRecorder messages;
        EXPECT_EQ(WriteTagField(missing, level, TagField::Title, "x"), FileOutcome::Unreadable);
        EXPECT_TRUE(messages.texts.empty());
        EXPECT_FALSE(std::filesystem::exists(missing));

        EXPECT_EQ(WriteTagField(noAudio, level, TagField::Title, "x"), FileOutcome::NoFrame);
        EXPECT_EQ(ReadFileBytes(noAudio), noAudioBytes);
        EXPECT_TRUE(messages.texts.empty());
    }
}

TEST(WriteTagFieldTest, ALevelTwoSaveRefusedByALockFailsAndLeavesTheFile) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, OldId3v2(), kAudio, OldId3v1());
    const std::string before = ReadFileBytes(path);
    MessageRecorder messages;
    {
        const HeldFile held(path);
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(WriteTagField(path, 2, TagField::Title, "x"), FileOutcome::SaveFailed);
    }
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(SaveFailedTextTest, QuotesTheFullPathReadably) {
    EXPECT_EQ(SaveFailedText("/a b/M\xE4"
                             "dchen.mp3"),
              "Die Datei \"/a b/Mädchen.mp3\" konnte nicht gespeichert werden.");
}

}  // namespace

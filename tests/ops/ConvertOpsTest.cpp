#include "ops/ConvertOps.h"

#include <gtest/gtest.h>
#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/HeldFile.h"
#include "support/Mp3Builder.h"
#include "support/Mp3FolderTest.h"
#include "support/OneSave.h"
#include "support/TempDir.h"
#include "tags/MPEGaudio.h"
#include "tags/Messages.h"

namespace {

TEST(SplitFileName, FirstOccurrenceDividesAndPartsAreTrimmed) {
    struct Case {
        const char* name;
        const char* separator;
        bool found;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"Artist - Title", "-", true, "Artist", "Title"},
        {"A - B - C", "-", true, "A", "B - C"},
        {"The Beatles Help", " ", true, "The", "Beatles Help"},
        {"Artist - Title", " ", true, "Artist", "- Title"},
        {"Artist_-_Title", "-", true, "Artist_", "_Title"},
        {"Artist_-_Title", "_-_", true, "Artist", "Title"},
        {"Artist_Title", "_", true, "Artist", "Title"},
        {"-Title", "-", true, "", "Title"},
        {"Artist-", "-", true, "Artist", ""},
        {"\t Artist \x01-\x1f Title \x7f", "-", true, "Artist", "Title \x7f"},
        {"A \t B-C", "-", true, "A \t B", "C"},
        {"Artist Title", "-", false, "", ""},
        {"Artist_Title", "_-_", false, "", ""},
        {"", "-", false, "", ""},
        {"Täler – Öl - Ärger", "-", true, "Täler – Öl", "Ärger"},  // en dash is no hyphen
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " / '" + c.separator + "'");
        const SplitResult r = SplitFileName(c.name, c.separator);
        EXPECT_EQ(r.Found, c.found);
        EXPECT_EQ(r.First, c.first);
        EXPECT_EQ(r.Second, c.second);
    }
}

TEST(CutExtension, FromTheLastDotUnlessAPathCharacterFollows) {
    const std::pair<const char*, const char*> cases[] = {
        {"Artist - Title.mp3", "Artist - Title"},
        {"a.b.mp3", "a.b"},
        {"NoExtension", "NoExtension"},
        {"Vol. 2: Intro", "Vol. 2: Intro"},
        {"dir.x\\name", "dir.x\\name"},
        {"dir.x/name", "dir.x/name"},
        {".mp3", ""},
        {"trailing.", "trailing"},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(CutExtension(name), expected) << name;
}

TEST(FieldsFromFileName, OrderAndSeparatorItems) {
    struct Case {
        const char* name;
        int item;
        NameOrder order;
        bool found;
        const char* artist;
        const char* title;
    };
    const Case cases[] = {
        {"Artist - Title.mp3", 0, NameOrder::ArtistTitle, true, "Artist", "Title"},
        {"Artist - Title.mp3", 0, NameOrder::TitleArtist, true, "Title", "Artist"},
        {"Artist_-_Title.mp3", 2, NameOrder::ArtistTitle, true, "Artist", "Title"},
        {"Artist_Title.MP3", 1, NameOrder::ArtistTitle, true, "Artist", "Title"},
        {"Artist - Title.mp3", 3, NameOrder::ArtistTitle, true, "Artist", "- Title"},
        {"-Title.mp3", 0, NameOrder::ArtistTitle, true, "", "Title"},
        {"Artist-.mp3", 0, NameOrder::ArtistTitle, true, "Artist", ""},
        {"a-b.c-d.mp3", 0, NameOrder::ArtistTitle, true, "a", "b.c-d"},
        {"Title only.mp3", 0, NameOrder::ArtistTitle, false, "", ""},
        // The separator inside the extension does not count.
        {"Name.a-b", 0, NameOrder::ArtistTitle, false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const NameFields f = FieldsFromFileName(c.name, SeparatorOfItem(c.item), c.order);
        EXPECT_EQ(f.Found, c.found);
        EXPECT_EQ(f.Artist, c.artist);
        EXPECT_EQ(f.Title, c.title);
    }
    EXPECT_EQ(SeparatorOfItem(2), "_-_");
    EXPECT_EQ(SeparatorOfItem(3), " ");
}

class WriteArtistTitleTest : public Mp3FolderTest {};

TEST_F(WriteArtistTitleTest, Level1KeepsTheOtherFieldsAndCutsTo30) {
    const std::string path =
        Make("a.mp3", "", MakeId3v1Tag("Old", "Old", "Album", "1999", "Comment", 7, 17));
    const std::string artist(40, 'A');
    TMPEGaudio audio;
    ASSERT_EQ(WriteArtistTitle(audio, path, 1, artist, "Neuer Titel"), FileOutcome::Written);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(bytes.size() - 128),
              MakeId3v1Tag("Neuer Titel", std::string(30, 'A'), "Album", "1999", "Comment", 7, 17));
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(WriteArtistTitleTest, Level1WithoutTagAppendsOneWithNoGenre) {
    const std::string path = Make("b.mp3", "", "");
    const size_t before = ReadFileBytes(path).size();
    TMPEGaudio audio;
    // Umlauts arrive as UTF-8 and are stored as Windows-1252 bytes.
    ASSERT_EQ(WriteArtistTitle(audio, path, 1, "Künstler", "Lied"), FileOutcome::Written);
    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), before + 128);
    EXPECT_EQ(bytes.substr(before), MakeId3v1Tag("Lied", "K\xFCnstler", "", "", "", 0, 255));
}

TEST_F(WriteArtistTitleTest, Level2KeepsAlbumCommentTrackAndLeavesId3v1Alone) {
    const std::string v1 = MakeId3v1Tag("T1", "A1", "Al1", "2001", "C1", 3, 0);
    const std::string path = Make("c.mp3",
                                  MakeId3v2Tag({{"TALB", TextFrameData("Album")},
                                                {"TRCK", TextFrameData("4/12")},
                                                {"TCON", TextFrameData("(17)Rock")},
                                                {"TYER", TextFrameData("1984")}}),
                                  v1);
    TMPEGaudio audio;
    ASSERT_EQ(WriteArtistTitle(audio, path, 2, "Band", "Song"), FileOutcome::Written);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(bytes.size() - 128), v1);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Artist(), "Band");
    EXPECT_EQ(tag.Title(), "Song");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Year(), "1984");
    EXPECT_EQ(tag.Genre(), "Rock");
    EXPECT_EQ(tag.Track(), 4);
}

TEST_F(WriteArtistTitleTest, FilesThatCannotBeWrittenAreReportedAndLeftAlone) {
    // Missing file: no message of its own (the run names it in its end message).
    TMPEGaudio audio;
    EXPECT_EQ(WriteArtistTitle(audio, dir.File("gone.mp3"), 1, "A", "T"), FileOutcome::Unreadable);
    EXPECT_TRUE(messages.texts.empty());

    // A tag but no audio any more: the emptied objects must not be saved.
    const std::string noAudio = dir.File("noaudio.mp3");
    const std::string v1 = MakeId3v1Tag("T", "A", "Album", "2000", "C", 7, 1);
    WriteMp3(noAudio, "", std::string(4000, '\0'), v1);
    const std::string before = ReadFileBytes(noAudio);
    for (int level : {1, 2}) {
        EXPECT_EQ(WriteArtistTitle(audio, noAudio, level, "X", "Y"), FileOutcome::NoFrame);
        EXPECT_EQ(ReadFileBytes(noAudio), before);
    }
    EXPECT_TRUE(messages.texts.empty());

    // Level 2 on a file another process holds locked: the save fails.
    const std::string locked = Make("locked.mp3", "", v1);
    const std::string lockedBefore = ReadFileBytes(locked);
    {
        const HeldFile held(locked);
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(WriteArtistTitle(audio, locked, 2, "X", "Y"), FileOutcome::SaveFailed);
    }
    EXPECT_EQ(ReadFileBytes(locked), lockedBefore);
}

}  // namespace

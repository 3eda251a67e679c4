// The cover tool's file work on files as real taggers leave them (mutagen
// writes them and reads them back): pictures put, replaced, removed,
// retyped and shrunk, every other frame and the audio as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image/Image.h"
#include "ops/CoverOps.h"
#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"
#include "support/TestImages.h"
#include "tags/ID3v2.h"
#include "tags/Pictures.h"

namespace {

using id3v2::Picture;

struct Pic {
    int Type;
    std::string Mime;
    std::string Data;
    std::string Description = {};
    int Encoding = 0;
};

// The pictures as mutagen sees them, and the other frames' contents.
struct Seen {
    std::vector<std::string> Pictures;  // "type mime bytes-hash-content"
    std::vector<std::string> Others;
};

Seen SeenBy(const std::string& path) {
    Seen seen;
    if (const auto tag = MutagenRead(path)) {
        for (const auto& f : tag->Frames)
            (f.Id == "APIC" ? seen.Pictures : seen.Others).push_back(f.Content);
    }
    return seen;
}

std::string AudioOf(const std::string& bytes, size_t tagSize) {
    return bytes.substr(tagSize, bytes.size() - tagSize - 128);
}

size_t TagSizeOf(const std::string& path) {
    TID3v2 tag;
    return tag.ReadFromFile(path) ? static_cast<size_t>(tag.Size()) : 0;
}

CoverOutcome Apply(const std::string& path, const CoverAction& action) {
    SaveRun run;
    FolderImages folders;
    CoverOutcome outcome;
    CoverFile(run, path, action, folders, [&](const CoverOutcome& o) { outcome = o; });
    run.Commit();
    return outcome;
}

TEST(CoverOpsTest, EachChangeLeavesEverythingElseAsItWas) {
    if (!MutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
    const std::string front = MakeImage(60, 60), back = MakeImage(40, 30, "PNG"),
                      newFront = MakeImage(80, 80), big = MakeImage(1200, 800);
    CoverAction set;
    set.Image = {newFront, "image/jpeg"};
    CoverAction setBack = set;
    setBack.Type = 4;
    CoverAction removeBack;
    removeBack.What = CoverAction::Remove;
    removeBack.Only = 4;
    CoverAction removeAll;
    removeAll.What = CoverAction::Remove;
    CoverAction retype;
    retype.What = CoverAction::SetType;
    retype.Type = 3;
    retype.Only = 0;
    CoverAction shrink;
    shrink.What = CoverAction::Shrink;
    shrink.Scale = JpegShrinker(1000);
    struct Case {
        const char* name;
        int version;
        std::vector<Pic> before;
        CoverAction action;
        std::vector<std::string> after;  // "type mime WxH", sorted
        CoverSkip skip = CoverSkip::None;
    } cases[] = {
        {"add to a file without pictures", 3, {}, set, {"3 image/jpeg 80x80"}},
        {"replace the front cover, the back cover byte for byte",
         4,
         {{3, "image/jpeg", front}, {4, "image/png", back, "Rückseite ✓", 3}},
         set,
         {"3 image/jpeg 80x80", "4 image/png 40x30"}},
        {"a second type goes behind",
         3,
         {{3, "image/jpeg", front}},
         setBack,
         {"3 image/jpeg 60x60", "4 image/jpeg 80x80"}},
        {"remove one type",
         3,
         {{3, "image/jpeg", front}, {4, "image/png", back}},
         removeBack,
         {"3 image/jpeg 60x60"}},
        {"remove all", 4, {{3, "image/jpeg", front}, {4, "image/png", back}}, removeAll, {}},
        {"remove what is not there",
         3,
         {{3, "image/jpeg", front}},
         removeBack,
         {"3 image/jpeg 60x60"},
         CoverSkip::NoPicture},
        {"change the type", 3, {{0, "image/png", back}}, retype, {"3 image/png 40x30"}},
        {"no type twice",
         3,
         {{0, "image/png", back}, {3, "image/jpeg", front}},
         retype,
         {"0 image/png 40x30", "3 image/jpeg 60x60"},
         CoverSkip::TypeTaken},
        {"shrink the large one, keep the small one",
         4,
         {{3, "image/png", big}, {4, "image/png", back}},
         shrink,
         {"3 image/jpeg 1000x666", "4 image/png 40x30"}},
        {"a broken picture is named and kept",
         3,
         {{3, "image/jpeg", "\xFF\xD8\xFF kaputt"}},
         shrink,
         {"3 image/jpeg -"},
         CoverSkip::BrokenImage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("lied.mp3");
        WriteMp3(path, "", MakeCbrAudio(9, 1.0), MakeId3v1Tag("T", "A", "", "", "", 1, 8));
        std::vector<MutagenNewFrame> frames = {
            {.Id = "TIT2", .Encoding = 1, .Texts = {"Звезда"}},
            {.Id = "USLT", .Encoding = 1, .Texts = {"Zeile eins\nZeile zwei"}, .Language = "deu"},
            {.Id = "TXXX", .Encoding = 0, .Texts = {"x"}, .Description = "Eigenes"}};
        int n = 0;
        for (const Pic& p : c.before)
            frames.push_back({.Id = "APIC",
                              .Encoding = p.Encoding,
                              .Description = p.Description.empty() ? "Bild " + std::to_string(++n)
                                                                   : p.Description,
                              .Mime = p.Mime,
                              .PictureType = p.Type,
                              .Data = p.Data});
        ASSERT_TRUE(MutagenWrite(path, c.version, frames));
        const Seen before = SeenBy(path);
        const std::string bytes = ReadFileBytes(path);
        const std::string audio = AudioOf(bytes, TagSizeOf(path));

        const CoverOutcome outcome = Apply(path, c.action);
        EXPECT_EQ(outcome.Save.Outcome, FileOutcome::Written);
        EXPECT_EQ(outcome.Skip, c.skip);

        const auto pictures = id3v2::ReadPictures(path, true);
        ASSERT_TRUE(pictures);
        std::vector<std::string> got;
        for (const Picture& p : *pictures) {
            const auto size = PixelSizeOf(p.Data);
            got.push_back(
                std::to_string(p.Type) + " " + id3v2::MimeOf(p) + " " +
                (size ? std::to_string(size->Width) + "x" + std::to_string(size->Height) : "-"));
        }
        // mutagen orders the frames it writes by itself: the order is not the point here.
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, c.after);
        // Mutagen reads the same pictures, and every other frame as it was.
        const Seen after = SeenBy(path);
        EXPECT_EQ(after.Others, before.Others);
        EXPECT_EQ(after.Pictures.size(), c.after.size());
        for (const std::string& kept : before.Pictures) {
            const bool unchanged = kept.find("type=4") != std::string::npos &&
                                   c.action.What == CoverAction::Set && c.action.Type == 3;
            if (unchanged) {
                EXPECT_NE(std::find(after.Pictures.begin(), after.Pictures.end(), kept),
                          after.Pictures.end());
            }
        }
        const std::string now = ReadFileBytes(path);
        EXPECT_TRUE(AudioOf(now, TagSizeOf(path)) == audio);
        if (c.skip != CoverSkip::None) {
            EXPECT_TRUE(now == bytes);
        }
    }
}

// A 2.2 tag's "PIC" frame: read with its three-letter format, and a new
// picture goes in as "PIC" too.
TEST(CoverOpsTest, Version22PicturesAreReadAndWritten) {
    TempDir dir;
    const std::string path = dir.File("alt.mp3");
    const std::string png = MakeImage(20, 10, "PNG");
    const std::string pic = std::string("\0PNG\x04", 5) + "Hinten" + '\0' + png;
    WriteMp3(path, MakeId3v2Tag({{"TT2", TextFrameData("Alt")}, {"PIC", pic}}, 2, 256),
             MakeCbrAudio(9, 1.0), "");
    auto pictures = id3v2::ReadPictures(path, true);
    ASSERT_TRUE(pictures && pictures->size() == 1);
    EXPECT_EQ((*pictures)[0].Type, 4);
    EXPECT_EQ((*pictures)[0].Mime, "PNG");
    EXPECT_EQ(id3v2::MimeOf((*pictures)[0]), "image/png");
    EXPECT_EQ((*pictures)[0].Description, "Hinten");
    EXPECT_TRUE((*pictures)[0].Data == png);

    CoverAction set;
    set.Image = {MakeImage(30, 30), "image/jpeg"};
    EXPECT_EQ(Apply(path, set).Save.Outcome, FileOutcome::Written);
    pictures = id3v2::ReadPictures(path, true);
    ASSERT_TRUE(pictures && pictures->size() == 2);
    EXPECT_EQ((*pictures)[1].Mime, "JPG");
    EXPECT_TRUE((*pictures)[0].Data == png);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Title(), "Alt");
}

// Behind a 2.3 extended header the pictures are found, and a new one keeps
// every frame readable (the header, whose CRC would be wrong, goes).
TEST(CoverOpsTest, PicturesBehindAnExtendedHeader) {
    TempDir dir;
    const std::string path = dir.File("ext.mp3");
    const std::string old = std::string("\0image/png\0\x04\0", 13) + MakeImage(20, 10, "PNG");
    const std::string frames =
        Id3v2Frame(3, "TIT2", TextFrameData("Alt")) + Id3v2Frame(3, "APIC", old);
    const std::string extended("\0\0\0\x06\0\0\0\0\0\0", 10);
    WriteMp3(path,
             Id3v2Header(3, 0x40, static_cast<uint32_t>(extended.size() + frames.size())) +
                 extended + frames,
             MakeCbrAudio(9, 1.0), "");
    ASSERT_EQ(id3v2::ReadPictures(path, false)->size(), 1u);
    CoverAction set;
    set.Image = {MakeImage(30, 30), "image/jpeg"};
    EXPECT_EQ(Apply(path, set).Save.Outcome, FileOutcome::Written);
    EXPECT_EQ(id3v2::ReadPictures(path, false)->size(), 2u);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Title(), "Alt");
}

}  // namespace

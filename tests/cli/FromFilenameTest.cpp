#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"

namespace {

class FromFilenameTest : public EncodedFilesTest {};

TEST_F(FromFilenameTest, Level1MergesArtistAndTitleIntoTheId3v1Tag) {
    const std::string path =
        Encode("Die Band - Das Lied.mp3",
               {"--id3v1-only", "--tt", "Alt", "--ta", "Alt", "--tl", "Album", "--ty", "1999",
                "--tc", "Kommentar", "--tn", "7", "--tg", "Rock"});
    const CliRun run = RunCli(dir, {"from-filename", path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    auto tags = BothTagsFields(dir, path);
    EXPECT_EQ(tags["v1.TPE1"], "Die Band");
    EXPECT_EQ(tags["v1.TIT2"], "Das Lied");
    EXPECT_EQ(tags["v1.TALB"], "Album");
    EXPECT_EQ(tags["v1.TDRC"], "1999");
    EXPECT_EQ(tags["v1.COMM"], "Kommentar");
    EXPECT_EQ(tags["v1.TRCK"], "7");
    EXPECT_EQ(tags["v1.TCON"], "Rock");
    EXPECT_EQ(tags.count("v2.TPE1"), 0u);
}

TEST_F(FromFilenameTest, Level2WithOtherSeparatorAndOrder) {
    const std::string path =
        Encode("Märchen_-_Künstlerin.mp3", {"--id3v2-only", "--tl", "Platte", "--tn", "3"});
    const CliRun run = RunCli(dir, {"from-filename", "--level", "2", "--separator", "_-_",
                                    "--order", "title-artist", path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    auto tags = BothTagsFields(dir, path);
    EXPECT_EQ(tags["v2.TPE1"], "Künstlerin");
    EXPECT_EQ(tags["v2.TIT2"], "Märchen");
    EXPECT_EQ(tags["v2.TALB"], "Platte");
    EXPECT_EQ(tags["v2.TRCK"], "3");
    EXPECT_EQ(tags.count("v1.TPE1"), 0u);  // the other level is never written
}

TEST_F(FromFilenameTest, SpaceSeparatorDividesAtTheFirstSpace) {
    const std::string path = Encode("Artist - Title.mp3", {});
    const CliRun run = RunCli(dir, {"from-filename", "--separator", " ", path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    auto tags = BothTagsFields(dir, path);
    EXPECT_EQ(tags["v1.TPE1"], "Artist");
    EXPECT_EQ(tags["v1.TIT2"], "- Title");
}

TEST_F(FromFilenameTest, FailuresAreReportedPerFileAndTheRestIsWritten) {
    const std::string good = Encode("A - B.mp3", {});
    const std::string noSeparator = Encode("Ohne Trenner.mp3", {});
    const std::string before = ReadFileBytes(noSeparator);
    const std::string missing = dir.File("X - Y.mp3");
    const CliRun run = RunCli(dir, {"from-filename", noSeparator, missing, good});
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find(noSeparator), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("\"" + missing + "\""), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find(good), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(noSeparator), before);
    EXPECT_EQ(BothTagsFields(dir, good)["v1.TPE1"], "A");
}

TEST_F(FromFilenameTest, BadUsageIsExitCode2AndTouchesNothing) {
    const std::string path = Encode("A - B.mp3", {});
    const std::string before = ReadFileBytes(path);
    const std::vector<std::vector<std::string>> cases = {
        {"from-filename"},
        {"from-filename", "--separator", "x", path},
        {"from-filename", "--level", "3", path},
        {"from-filename", "--order", "artist", path},
        {"from-filename", "--bogus", path},
    };
    for (const auto& args : cases) {
        const CliRun run = RunCli(dir, args);
        EXPECT_EQ(run.Code, 2) << args.back();
        EXPECT_FALSE(run.Err.empty());
    }
    EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace

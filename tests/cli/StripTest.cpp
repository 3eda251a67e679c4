// tonzettel-cli strip: each kind of removal leaves exactly the rest of the
// file, and restore gives the tags back byte for byte.

#include <gtest/gtest.h>

#include <string>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"

namespace {

TEST(StripTest, EachRemovalLeavesTheRestAndRestoreGivesItBack) {
    const std::string audio = MakeCbrAudio(9, 1.0);
    const std::string v2 = MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}}, 3, 2000);
    const std::string v1 = MakeId3v1Tag("Titel", "Band", "", "", "", 1, 17);
    struct Case {
        const char* level;
        std::string before, after;
    } cases[] = {
        {"1", v2 + audio + v1, v2 + audio},
        {"2", v2 + audio + v1, audio + v1},
        {"both", v2 + audio + v1, audio},
        {"both", audio, audio},  // nothing to remove
        {"2", MakeId3v2Tag({{"TIT2", TextFrameData("x")}}, 4, 0) + audio, audio},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        TempDir dir;
        const std::string path = dir.File("lied.mp3"), backup = dir.File("sicherung");
        WriteFileBytes(path, c.before);
        const CliRun run = RunCli(dir, {"strip", "--level", c.level, "--backup", backup, path});
        EXPECT_EQ(run.Code, 0) << run.Err;
        EXPECT_TRUE(ReadFileBytes(path) == c.after);
        EXPECT_EQ(RunCli(dir, {"restore", backup}).Code, 0);
        EXPECT_TRUE(ReadFileBytes(path) == c.before);
    }
    TempDir dir;
    EXPECT_EQ(RunCli(dir, {"strip", "--level", "3", dir.File("x.mp3")}).Code, 2);
}

}  // namespace

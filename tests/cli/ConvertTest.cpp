// tonzettel-cli convert: the version asked for, what it cannot take named,
// restore gives the old tag back byte for byte; info shows each frame's
// encoding.

#include <gtest/gtest.h>

#include <string>

#include "ops/Reasons.h"
#include "ops/VersionOps.h"
#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"

namespace {

using namespace std::string_literals;

TEST(ConvertCliTest, ConvertNameWhatIsLostAndRestore) {
    TempDir dir;
    const std::string path = dir.File("lied.mp3"), backup = dir.File("sicherung");
    WriteMp3(
        path,
        MakeId3v2Tag({{"TIT2", "\x03\xC3\x84"s}, {"TDRC", TextFrameData("1989-05-17T10:11:12")}}, 4,
                     100),
        MakeCbrAudio(9, 0.5), "");
    const std::string before = ReadFileBytes(path);
    CliRun run = RunCli(dir, {"convert", "--to", "2.3", "--backup", backup, path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Err, path + ": nicht übernommen: " +
                           LossesText({{"TDRC", id3v2::LossKind::Precision}}) + ".\n");
    EXPECT_EQ(ReadFileBytes(path).size(), before.size());  // in its padding
    run = RunCli(dir, {"info", path});
    EXPECT_NE(run.Out.find("ID3v2.VersionID: 3\n"), std::string::npos);
    EXPECT_NE(run.Out.find("ID3v2.Frames: TIT2=UTF-16 TYER=ISO-8859-1 TDAT=ISO-8859-1 "
                           "TIME=ISO-8859-1\n"),
              std::string::npos);
    EXPECT_EQ(RunCli(dir, {"restore", backup}).Code, 0);
    EXPECT_TRUE(ReadFileBytes(path) == before);
    EXPECT_EQ(RunCli(dir, {"convert", "--to", "2.5", path}).Code, 2);
}

}  // namespace

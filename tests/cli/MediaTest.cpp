// The media people carry, as real file systems mounted from images: FAT32,
// exFAT and NTFS through FUSE, ext4 as the control. What holds on the
// user's disk must hold there too: edits in place and grown, a rename that
// only changes case, backups that restore gives back, a full medium.

#include <dirent.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ops/Backup.h"
#include "ops/Reasons.h"
#include "support/Cli.h"
#include "support/Medium.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"

namespace {

// The names a folder lists, byte for byte.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) names.insert(e->d_name);
        ::closedir(dir);
    }
    return names;
}

std::string Audio() {
    return MakeCbrAudio(9, 2.0);
}

// An ID3v2.3 tag with room to spare, and an ID3v1 block.
void MakeFile(const std::string& path, const std::string& title) {
    WriteMp3(path, MakeId3v2Tag({{"TIT2", TextFrameData(title)}}, 3, 2048), Audio(),
             MakeId3v1Tag(title, "Interpret", "Album", "2000", "", 1, 8));
}

// The audio between the tags, as it must stay.
std::string AudioOf(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    TID3v2 tag;
    tag.ReadFromFile(path);
    const size_t from = static_cast<size_t>(tag.Size());
    return bytes.size() < from + 128 ? std::string()
                                     : bytes.substr(from, bytes.size() - from - 128);
}

struct MediumCase {
    MediumKind Kind;
    bool NoPermissions;  // every file shows 0777: backups trusted on the medium only
};

class MediaTest : public testing::TestWithParam<MediumCase> {
  protected:
    void SetUp() override {
        medium_ = std::make_unique<Medium>(GetParam().Kind);
        if (!medium_->Mounted())
            GTEST_SKIP() << MediumName(GetParam().Kind) << ": " << medium_->Why();
    }
    CliRun Cli(const std::vector<std::string>& args) { return RunCli(work_, args); }
    TempDir work_;
    std::unique_ptr<Medium> medium_;
};

TEST_P(MediaTest, EditsRenamesAndBackupsWorkAsOnTheUsersDisk) {
    const Medium& m = *medium_;
    const std::string song = m.File("lied.mp3"), other = m.File("b.mp3");
    MakeFile(song, "Lied");
    MakeFile(other, "Zwei");
    const std::string audio = AudioOf(song);

    const CliRun scan = Cli({"scan", "--level", "2", m.Root()});
    EXPECT_EQ(scan.Code, 0) << scan.Err;
    EXPECT_EQ(std::count(scan.Out.begin(), scan.Out.end(), '\n'), 2);

    // In place at both levels, then grown past the tag's room.
    const std::string comment(6000, 'k');
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"set", "--level", "1", "--year", "1999", other},
             {"set", "--level", "2", "--year", "2001", other},
             {"set", "--level", "2", "--comment", comment, other}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.Code, 0) << args[4] << ": " << run.Err;
    }
    TID3v1 v1;
    TID3v2 v2;
    ASSERT_TRUE(v1.ReadFromFile(other));
    ASSERT_TRUE(v2.ReadFromFile(other));
    EXPECT_EQ(v1.Year(), "1999");
    EXPECT_EQ(v2.Year(), "2001");
    EXPECT_EQ(v2.Comment(), comment);
    EXPECT_TRUE(AudioOf(other) == audio);

    // A change of case only, and back: the file itself, not another.
    const CliRun up = Cli({"rename", "--pattern", "%Titel%", song});
    EXPECT_EQ(up.Code, 0) << up.Err;
    EXPECT_TRUE(Names(m.Root()).contains("Lied.mp3"));
    EXPECT_FALSE(Names(m.Root()).contains("lied.mp3"));
    ASSERT_EQ(Cli({"set", "--title", "lied", m.File("Lied.mp3")}).Code, 0);
    const CliRun down = Cli({"rename", "--pattern", "%Titel%", m.File("Lied.mp3")});
    EXPECT_EQ(down.Code, 0) << down.Err;
    EXPECT_TRUE(Names(m.Root()).contains("lied.mp3"));
    EXPECT_FALSE(Names(m.Root()).contains("Lied.mp3"));
    EXPECT_TRUE(AudioOf(song) == audio);

    // Two runs with backups on the medium, and restore gives both files back.
    const std::string before[] = {ReadFileBytes(song), ReadFileBytes(other)};
    const std::string backups = m.File("Sicherung");
    for (const char* artist : {"Erster", "Zweiter"}) {
        const CliRun run = Cli({"set", "--artist", artist, "--backup", backups, song, other});
        EXPECT_EQ(run.Code, 0) << run.Err;
    }
    const CliRun restore = Cli({"restore", backups});
    EXPECT_EQ(restore.Code, 0) << restore.Out << restore.Err;
    EXPECT_TRUE(ReadFileBytes(song) == before[0]);
    EXPECT_TRUE(ReadFileBytes(other) == before[1]);

    // Backups on a medium without permissions, for a file elsewhere: refused
    // before anything changes, as restore would refuse them.
    const std::string elsewhere = work_.File("daheim.mp3");
    MakeFile(elsewhere, "Daheim");
    const std::string home = ReadFileBytes(elsewhere);
    const CliRun mixed = Cli({"set", "--artist", "X", "--backup", backups, elsewhere});
    if (GetParam().NoPermissions) {
        EXPECT_EQ(mixed.Code, 2);
        EXPECT_NE(mixed.Err.find(BackupFolderRefusal(backups, BackupProblem::OtherMedium)),
                  std::string::npos)
            << mixed.Err;
        EXPECT_TRUE(ReadFileBytes(elsewhere) == home);
    } else {
        EXPECT_EQ(mixed.Code, 0) << mixed.Err;
    }
}

TEST_P(MediaTest, AFullMediumSaysSoAndLeavesTheFileAlone) {
    const std::string song = medium_->File("lied.mp3");
    MakeFile(song, "Lied");
    const std::string before = ReadFileBytes(song);
    medium_->Fill();
    const CliRun run = Cli({"set", "--level", "2", "--comment", std::string(20000, 'k'), song});
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find(FailureText(writepath::Failure::NoSpace)), std::string::npos) << run.Err;
    EXPECT_TRUE(ReadFileBytes(song) == before);
}

INSTANTIATE_TEST_SUITE_P(Media, MediaTest,
                         testing::Values(MediumCase{MediumKind::Ext4, false},
                                         MediumCase{MediumKind::Fat32, false},
                                         MediumCase{MediumKind::Exfat, true},
                                         MediumCase{MediumKind::Ntfs, true}),
                         [](const testing::TestParamInfo<MediumCase>& info) {
                             return std::string(MediumName(info.param.Kind));
                         });

}  // namespace

// The journal's folder on a medium that is full, or mounted read-only: the
// save says so, with the folder, and the file stays as it was.
TEST(StateFolderMediumTest, AFullOrReadOnlyJournalFolderIsNamed) {
    struct Case {
        const char* name;
        bool readOnly;
        writepath::Failure why;
    } cases[] = {
        {"full", false, writepath::Failure::StateFull},
        {"read-only", true, writepath::Failure::StateReadOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Medium state(MediumKind::Ext4, 16, c.readOnly);
        if (!state.Mounted()) GTEST_SKIP() << state.Why();
        if (!c.readOnly) state.Fill();
        TempDir work;
        const std::string song = work.File("lied.mp3");
        MakeFile(song, "Lied");
        const std::string before = ReadFileBytes(song);
        const CliRun run = RunCli(work, {"set", "--level", "2", "--year", "1999", song},
                                  "XDG_STATE_HOME=" + ShellQuote(state.Root()));
        EXPECT_EQ(run.Code, 1);
        writepath::SetStateFolder(state.Root() + "/tonzettel");  // the text names it
        EXPECT_NE(run.Err.find(FailureText(c.why)), std::string::npos) << run.Err;
        writepath::SetStateFolder({});
        EXPECT_TRUE(ReadFileBytes(song) == before);
    }
}

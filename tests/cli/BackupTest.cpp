#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// The ID3v2 tag as mutagen reads it, frame by frame, and the ID3v1 block.
std::string Seen(const std::string& path) {
    std::string seen;
    if (const auto tag = MutagenRead(path)) {
        seen = "v" + std::to_string(tag->MajorVersion) + "\n";
        for (const auto& f : tag->Frames) seen += f.Id + " " + f.Content + "\n";
    }
    return seen + LastBlock(path);
}

class BackupTest : public EncodedFilesTest {
  protected:
    // Two files as taggers leave them: a full 2.4 tag with a picture and an
    // ID3v1 block, and one with lame's 2.3 tag alone.
    void SetUp() override {
        EncodedFilesTest::SetUp();
        if (IsSkipped()) return;
        rich = Encode("Interpret - Titel.mp3", {"--id3v1-only", "--tt", "Alt", "--ta", "Alt"});
        ASSERT_TRUE(MutagenWrite(
            rich, 4,
            {{.Id = "TIT2", .Encoding = 3, .Texts = {"Звезда"}},
             {.Id = "TPE1", .Encoding = 3, .Texts = {"東京事変"}},
             {.Id = "TDRC", .Encoding = 3, .Texts = {"1999"}},
             {.Id = "APIC", .Encoding = 3, .Description = "Cover", .Data = std::string(60000, 'p')},
             {.Id = "USLT",
              .Encoding = 3,
              .Texts = {"Zeile eins\nZeile zwei"},
              .Language = "deu"}}));
        plain = Encode("Zweiter - Song.mp3",
                       {"--id3v2-only", "--tt", "Titel", "--ta", "Alt", "--tn", "3"});
        for (const auto& p : {rich, plain}) {
            bytes[p] = ReadFileBytes(p);
            tags[p] = Seen(p);
        }
    }
    CliRun Run(std::vector<std::string> args) {
        args.push_back(rich);
        args.push_back(plain);
        return RunCli(dir, args);
    }
    std::vector<std::string> Backups() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(backup)) names.push_back(e.path().string());
        return names;
    }

    std::string rich, plain;
    std::string backup = dir.File("sicherung");
    std::map<std::string, std::string> bytes;
    std::map<std::string, std::string> tags;
};

// Every writing command with --backup, then restore: every file byte for
// byte as before, and mutagen reads the old tags again.
TEST_F(BackupTest, RestorePutsBackWhatEachCommandChanged) {
    struct Case {
        const char* what;
        std::vector<std::vector<std::string>> runs;
    };
    const Case cases[] = {
        {"set level 2", {{"set", "--level", "2", "--artist", "Neu", "--year", "2024"}}},
        {"set level 1", {{"set", "--title", "Neu", "--genre", "Rock"}}},
        {"from-filename level 2", {{"from-filename", "--level", "2"}}},
        {"copy-tags 2 to 1", {{"copy-tags", "--from", "2", "--to", "1"}}},
        {"copy-tags 1 to 2", {{"copy-tags", "--from", "1", "--to", "2"}}},
        {"two runs into one folder",
         {{"set", "--level", "2", "--album", "Eins"}, {"set", "--level", "2", "--album", "Zwei"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [path, b] : bytes) WriteFileBytes(path, b);
        fs::remove_all(backup);
        for (auto args : c.runs) {
            args.insert(args.begin() + 1, {"--backup", backup});
            const CliRun run = Run(args);
            // A file without the source tag is reported and stays.
            EXPECT_LE(run.Code, 1) << run.Err;
        }
        EXPECT_NE(Seen(rich), tags[rich]);
        EXPECT_FALSE(Backups().empty());

        const CliRun restore = RunCli(dir, {"restore", backup});
        EXPECT_EQ(restore.Code, 0) << restore.Err;
        EXPECT_EQ(restore.Err, "");
        for (const auto& [path, b] : bytes) {
            EXPECT_EQ(ReadFileBytes(path), b) << path;
            EXPECT_EQ(Seen(path), tags[path]) << path;
        }
        EXPECT_TRUE(Backups().empty());
    }
}

TEST_F(BackupTest, AFileChangedSinceIsLeftAloneAndListed) {
    ASSERT_EQ(Run({"set", "--backup", backup, "--level", "2", "--album", "Neu"}).Code, 0);
    ASSERT_TRUE(MutagenWrite(plain, 3, {{.Id = "TIT2", .Texts = {"Fremd"}}}));
    const std::string changed = ReadFileBytes(plain);
    const std::string broken = backup + "/kaputt.tzundo";
    WriteFileBytes(broken, "TZUNDO1\n\x05");

    const CliRun restore = RunCli(dir, {"restore", backup});
    EXPECT_EQ(restore.Code, 1);
    EXPECT_EQ(restore.Err,
              "Folgende Dateien wurden inzwischen geändert und nicht zurückgesetzt:\n" + plain +
                  "\n\nFolgende Sicherungen können nicht gelesen werden:\n" + broken + "\n");
    EXPECT_EQ(ReadFileBytes(rich), bytes[rich]);
    EXPECT_EQ(ReadFileBytes(plain), changed);
    EXPECT_EQ(Backups().size(), 2u) << "the backup of the changed file stays, the broken one too";
}

}  // namespace

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ops/Backup.h"
#include "ops/Reasons.h"
#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"
#include "tags/ByteRecord.h"
#include "tags/Hash.h"

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
    EXPECT_EQ(restore.Err, std::string(ChangedSinceHeading(false)) + "\n" + plain + "\n\n" +
                               std::string(kUnreadableBackupsHeading) + "\n" + broken +
                               ": ist beschädigt\n");
    EXPECT_EQ(ReadFileBytes(rich), bytes[rich]);
    EXPECT_EQ(ReadFileBytes(plain), changed);
    EXPECT_EQ(Backups().size(), 2u) << "the backup of the changed file stays, the broken one too";
}

// The name restore expects of the backup of path.
std::string NameFor(const std::string& path) {
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(HashBytes(path)));
    return std::string(name) + ".tzundo";
}

// A backup as another program might forge it.
std::string Forged(const std::string& path, const std::string& id3v2, const std::string& id3v1) {
    std::string out = "TZUNDO2\n";
    PutText(out, path);
    PutText(out, id3v2);
    PutText(out, id3v1);
    for (int i = 0; i < 8; ++i) PutNumber(out, 0);
    return out;
}

// Backups that restore would not use are not written: a folder others may
// write stops the run before the first file changes.
TEST_F(BackupTest, AFolderOthersMayWriteStopsTheRunFirst) {
    fs::create_directory(backup);
    ::chmod(backup.c_str(), 0777);
    const CliRun run = Run({"set", "--backup", backup, "--album", "Neu"});
    EXPECT_EQ(run.Code, 2);
    EXPECT_NE(run.Err.find(BackupFolderRefusal(backup, BackupProblem::FolderOpen)),
              std::string::npos)
        << run.Err;
    EXPECT_TRUE(ReadFileBytes(rich) == bytes[rich] && ReadFileBytes(plain) == bytes[plain]);
    EXPECT_TRUE(fs::is_empty(backup));
}

// restore uses no backup it cannot trust, and touches no file such a backup
// names; each is listed with the reason.
TEST_F(BackupTest, RestoreTrustsNoForgedBackup) {
    ASSERT_EQ(Run({"set", "--backup", backup, "--level", "2", "--album", "Neu"}).Code, 0);
    const std::string valid = backup + "/" + NameFor(rich);
    const std::string good = ReadFileBytes(valid);
    const std::string after = ReadFileBytes(rich);
    const std::string text = dir.File("notiz.txt");
    WriteFileBytes(text, "Einkaufsliste\n");
    const std::string link = dir.File("verweis.mp3");
    fs::create_symlink(text, link);
    const std::string block = "TAG" + std::string(125, '\0');
    struct Case {
        const char* name;
        std::function<std::string(const std::string& folder)> lay;  // returns the backup file
        const char* reason;
    };
    const auto put = [](const std::string& file, const std::string& content) {
        WriteFileBytes(file, content);
        return file;
    };
    std::vector<Case> cases = {
        {"a name made from another path",
         [&](const std::string& f) { return put(f + "/0123456789abcdef.tzundo", good); },
         "passt nicht zu ihrem Namen"},
        {"writable by others",
         [&](const std::string& f) {
             put(f + "/" + NameFor(rich), good);
             ::chmod((f + "/" + NameFor(rich)).c_str(), 0646);
             return f + "/" + NameFor(rich);
         },
         "gehört einem anderen Benutzer oder ist für andere beschreibbar"},
        {"in a folder others may write",
         [&](const std::string& f) {
             ::chmod(f.c_str(), 0777);
             return put(f + "/" + NameFor(rich), good);
         },
         "der Ordner ist für andere beschreibbar"},
        {"a tag that is no tag",
         [&](const std::string& f) {
             return put(f + "/" + NameFor(rich), Forged(rich, "ID3 kein Tag", block));
         },
         "enthält keine gültigen Tags"},
        {"naming a text file",
         [&](const std::string& f) {
             return put(f + "/" + NameFor(text), Forged(text, "", block));
         },
         "nennt keine MP3-Datei: "},
        {"naming a link",
         [&](const std::string& f) {
             return put(f + "/" + NameFor(link), Forged(link, "", block));
         },
         "nennt keine MP3-Datei: "},
        {"larger than any backup",
         [&](const std::string& f) {
             const std::string file = f + "/" + NameFor(rich);
             put(file, good);
             fs::resize_file(file, uintmax_t{10} << 40);
             return file;
         },
         "ist zu groß für eine Sicherung"},
        {"cut short",
         [&](const std::string& f) {
             return put(f + "/" + NameFor(rich), good.substr(0, good.size() / 2));
         },
         "ist beschädigt"},
    };
    if (::geteuid() == 0) {
        cases.push_back({"owned by another user",
                         [&](const std::string& f) {
                             put(f + "/" + NameFor(rich), good);
                             ::chown((f + "/" + NameFor(rich)).c_str(), 65534, 65534);
                             return f + "/" + NameFor(rich);
                         },
                         "gehört einem anderen Benutzer oder ist für andere beschreibbar"});
    }
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = dir.File("gefaelscht" + std::to_string(n++));
        fs::create_directory(folder);
        ::chmod(folder.c_str(), 0700);
        const std::string file = c.lay(folder);
        const CliRun restore = RunCli(dir, {"restore", folder});
        EXPECT_EQ(restore.Code, 1);
        EXPECT_TRUE(restore.Err.starts_with(std::string(kUnreadableBackupsHeading) + "\n" + file +
                                            ": " + c.reason))
            << restore.Err;
        EXPECT_EQ(ReadFileBytes(rich), after);
        EXPECT_EQ(ReadFileBytes(text), "Einkaufsliste\n");
        EXPECT_TRUE(fs::exists(file));
    }
    // A run that finds a file not its own at a backup's name leaves it, and
    // the MP3 file as it is.
    const std::string foreign = backup + "/" + NameFor(plain);
    WriteFileBytes(foreign, "fremd");
    const std::string plainBefore = ReadFileBytes(plain);
    const CliRun set =
        RunCli(dir, {"set", "--backup", backup, "--level", "2", "--year", "1", plain});
    EXPECT_EQ(set.Code, 1);
    EXPECT_EQ(ReadFileBytes(foreign), "fremd");
    EXPECT_EQ(ReadFileBytes(plain), plainBefore);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "support/TransferCases.h"

namespace {

// A Python string literal of UTF-8 text.
std::string PyString(const std::string& text) {
    std::string s = "'";
    for (char c : text) s += (c == '\'' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return s + "'";
}

// Writes an ID3v2.3 tag with the given frames through the independent writer.
void WriteId3v2WithMutagen(const TempDir& dir, const std::string& path,
                           const std::vector<std::pair<std::string, std::string>>& frames) {
    std::string py =
        "import sys\nfrom mutagen.id3 import ID3, TIT2, TPE1, TALB, TYER, TCON, COMM, TRCK\n"
        "t = ID3()\n";
    for (const auto& [id, text] : frames) {
        if (id == "COMM") {
            py += "t.add(COMM(encoding=0, lang='deu', desc='', text=" + PyString(text) + "))\n";
        } else {
            py += "t.add(" + id + "(encoding=0, text=" + PyString(text) + "))\n";
        }
    }
    py += "t.save(sys.argv[1], v1=0, v2_version=3)\n";
    WriteFileBytes(dir.File("writer.py"), py);
    const std::string cmd =
        "/usr/bin/python3 " + ShellQuote(dir.File("writer.py")) + " " + ShellQuote(path);
    ASSERT_EQ(std::system(cmd.c_str()), 0);
}

class CopyTagsTest : public EncodedFilesTest {};

TEST_F(CopyTagsTest, Level1To2CopiesTheSixFieldsWithTheGenreName) {
    const std::string path =
        Encode("a.mp3", {"--id3v1-only", "--tt", "Titel", "--ta", "Band", "--tl", "Album", "--ty",
                         "1999", "--tc", "Kommentar", "--tn", "7", "--tg", "Synthpop"});
    const std::string v1Before = ReadFileBytes(path).substr(ReadFileBytes(path).size() - 128);
    const CliRun run = RunCli(dir, {"copy-tags", "--from", "1", "--to", "2", path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    auto tags = BothTagsFields(dir, path);
    EXPECT_EQ(tags["v2.TPE1"], "Band");
    EXPECT_EQ(tags["v2.TIT2"], "Titel");
    EXPECT_EQ(tags["v2.TALB"], "Album");
    EXPECT_EQ(tags["v2.TYER"], "1999");
    EXPECT_EQ(tags["v2.TCON"], "Synthpop");
    EXPECT_EQ(tags["v2.COMM"], "Kommentar");
    EXPECT_EQ(tags.count("v2.TRCK"), 0u);  // the ID3v1 track number is not copied
    const std::string after = ReadFileBytes(path);
    EXPECT_EQ(after.substr(after.size() - 128), v1Before);
}

TEST_F(CopyTagsTest, Level2To1MapsTheGenreCutsTo30AndKeepsTheTrack) {
    struct Case {
        const char* name;
        const char* genre;
        const char* expectedGenre;
    };
    const Case cases[] = {
        {"synth.mp3", "Synthpop", "Synthpop"},
        {"blues.mp3", "Blues", "Blues"},
        {"unknown.mp3", "Krautrock", "Classic Rock"},  // none of the table: the old one stays
        {"lower.mp3", "rock", "Rock"},                 // names match without regard to case
        {"number.mp3", "17", "Rock"},                  // a number of the table
        {"bracket.mp3", "(9)", "Metal"},               // the ID3v2 reader names it
    };
    const std::string title40 = "Ein sehr langer Titel mit vierzig Zeiche";
    ASSERT_EQ(title40.size(), 40u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Encode(c.name);
        WriteId3v2WithMutagen(dir, path,
                              {{"TIT2", title40},
                               {"TPE1", "Künstler"},
                               {"TCON", c.genre},
                               {"TYER", "2004"},
                               {"TRCK", "9"},
                               {"COMM", "neu"}});
        // An ID3v1.1 tag with track 7 behind the audio.
        std::string bytes = ReadFileBytes(path);
        bytes += MakeId3v1Tag("alt", "alt", "alt", "1970", "alt", 7, 1);
        WriteFileBytes(path, bytes);

        const CliRun run = RunCli(dir, {"copy-tags", "--from", "2", "--to", "1", path});
        EXPECT_EQ(run.Code, 0) << run.Err;
        auto tags = BothTagsFields(dir, path);
        EXPECT_EQ(tags["v1.TIT2"], title40.substr(0, 30));
        EXPECT_EQ(tags["v1.TPE1"], "Künstler");
        EXPECT_EQ(tags["v1.TALB"], "alt");  // the ID3v2 tag had no album
        EXPECT_EQ(tags["v1.TDRC"], "2004");
        EXPECT_EQ(tags["v1.COMM"], "neu");
        EXPECT_EQ(tags["v1.TRCK"], "7");
        EXPECT_EQ(tags["v1.TCON"], c.expectedGenre);
        EXPECT_EQ(ReadFileBytes(path).size(), bytes.size());
    }
}

// Each transfer rule: the target's fields afterwards, and the fields it kept
// named on standard error without failing the run.
TEST_F(CopyTagsTest, TheTargetGetsTheSourceButNeverLessThanItHeld) {
    for (const int from : {1, 2}) {
        std::vector<std::string> args = {"copy-tags", "--from", std::to_string(from), "--to",
                                         std::to_string(3 - from)};
        std::string expectedErr;
        for (const TransferCase& c : TransferCases()) {
            if (c.from != from) continue;
            const std::string path = dir.File(c.name);
            WriteMp3(path, c.id3v2, MakeCbrAudio(9, 0.5), c.id3v1);
            args.push_back(path);
            if (!c.kept.empty())
                expectedErr += path + ": Behält " + JoinedFields(c.kept) +
                               (from == 1 ? " des ID3v2-Tags, weil das ID3v2-Tag mehr enthält, "
                                            "als das ID3v1-Tag hält.\n"
                                          : " des ID3v1-Tags, weil das ID3v2-Tag dafür nichts "
                                            "enthält.\n");
        }
        const CliRun run = RunCli(dir, args);
        EXPECT_EQ(run.Code, 0);
        EXPECT_EQ(run.Err, expectedErr);
        for (const TransferCase& c : TransferCases()) {
            if (c.from != from) continue;
            EXPECT_EQ(TargetFields(c, dir.File(c.name)), c.after) << c.name;
        }
    }
}

// A file without the tag to copy from is left as it was and named; a file
// whose name is not UTF-8 is found by its bytes.
TEST_F(CopyTagsTest, AMissingSourceTagChangesNothingAndAnyNameWorks) {
    const std::string v2only = Encode("nur v2.mp3", {"--id3v2-only", "--tt", "Titel"});
    const std::string v1only = Encode("nur v1.mp3", {"--id3v1-only", "--tt", "Titel"});
    const std::string latin1 = Encode(
        "M\xE4"
        "dchen.mp3",
        {"--id3v1-only", "--ta", "Band"});
    struct Case {
        const char* from;
        const char* to;
        std::string path;
        const char* missing;
    };
    for (const Case& c : {Case{"1", "2", v2only, "ID3v1"}, Case{"2", "1", v1only, "ID3v2"}}) {
        SCOPED_TRACE(c.path);
        const std::string before = ReadFileBytes(c.path);
        const CliRun run =
            RunCli(dir, {"copy-tags", "--from", c.from, "--to", c.to, c.path, latin1});
        EXPECT_EQ(run.Code, 1);
        EXPECT_EQ(run.Err,
                  c.path + ": Die Datei hat kein " + c.missing + "-Tag und bleibt unverändert.\n");
        EXPECT_EQ(ReadFileBytes(c.path), before);
        // The target tag still holds what it held.
        EXPECT_EQ(BothTagsFields(dir, c.path)["v" + std::string(c.to) + ".TIT2"], "Titel");
    }
    const auto tags = BothTagsFields(dir, latin1);
    EXPECT_EQ(tags.at("v2.TPE1"), "Band");
    EXPECT_EQ(tags.at("v1.TPE1"), "Band");
}

TEST_F(CopyTagsTest, FailuresAndBadUsage) {
    const std::string good = Encode("good.mp3", {"--id3v1-only", "--ta", "Band"});
    const std::string missing = dir.File("missing.mp3");
    const CliRun run = RunCli(dir, {"copy-tags", "--from", "1", "--to", "2", missing, good});
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find("\"" + missing + "\""), std::string::npos) << run.Err;
    EXPECT_EQ(BothTagsFields(dir, good)["v2.TPE1"], "Band");

    const std::string before = ReadFileBytes(good);
    const std::vector<std::vector<std::string>> usage = {
        {"copy-tags", good},
        {"copy-tags", "--from", "1", good},
        {"copy-tags", "--from", "1", "--to", "1", good},
        {"copy-tags", "--from", "3", "--to", "1", good},
        {"copy-tags", "--from", "1", "--to", "2"},
    };
    for (const auto& args : usage) EXPECT_EQ(RunCli(dir, args).Code, 2) << args.size();
    EXPECT_EQ(ReadFileBytes(good), before);
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"

namespace {

// The ID3v2 frames as an independent reader sees them: "TPE1" -> text.
constexpr const char* kOracle = R"PY(
import sys
from mutagen.id3 import ID3, TCON
for key, f in ID3(sys.argv[1], load_v1=False, translate=False).items():
    key = key.split(':')[0]
    text = f.genres[0] if isinstance(f, TCON) and f.genres else (str(f.text[0]) if f.text else '')
    print(key + '=' + text)
)PY";

std::map<std::string, std::string> Oracle(const TempDir& dir, const std::string& path) {
    return PythonFields(dir, kOracle, path);
}

TEST(SetCommandTest, LevelTwoSetsTheGivenFieldsAndKeepsTheOthers) {
    if (!LameAndMutagenAvailable()) GTEST_SKIP() << "lame or python3-mutagen missing";
    TempDir dir;
    std::vector<std::string> files;
    for (const char* name : {"eins.mp3", "zwei.mp3"}) {
        const std::string path = dir.File(name);
        ASSERT_TRUE(EncodeWithLame(path,
                                   {"-b", "128", "--id3v2-only", "--tt", "Titel", "--ta", "Alt",
                                    "--tl", "Album", "--ty", "1999", "--tn", "3"},
                                   0.5, 44100, 2));
        files.push_back(path);
    }
    std::vector<std::string> args = {
        "set", "--level", "2", "--artist", "Müller", "--genre=Eigenes Genre", "--year", "20045"};
    args.insert(args.end(), files.begin(), files.end());
    const CliRun run = RunCli(dir, args);
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    for (const auto& path : files) {
        SCOPED_TRACE(path);
        auto tags = Oracle(dir, path);
        EXPECT_EQ(tags["TPE1"], "Müller");
        EXPECT_EQ(tags["TCON"], "Eigenes Genre");
        EXPECT_EQ(tags["TYER"], "20045");
        EXPECT_EQ(tags["TIT2"], "Titel");
        EXPECT_EQ(tags["TALB"], "Album");
        EXPECT_EQ(tags["TRCK"], "3");
        EXPECT_EQ(ReadFileBytes(path).substr(0, 4), std::string("ID3\x03", 4));
    }
}

// A file as today's taggers leave it, under a name that is not UTF-8: one
// field changes, every other frame, the tag's version and the audio stay.
TEST(SetCommandTest, AYearEditKeepsEverythingElseOfATaggedFileUnderAnyName) {
    if (!LameAndMutagenAvailable()) GTEST_SKIP() << "lame or python3-mutagen missing";
    TempDir dir;
    const std::string path = dir.File(
        "Gr\xFC\xDF"
        "e.mp3");
    ASSERT_TRUE(EncodeWithLame(path, {"-b", "128"}, 0.5, 44100, 2));
    const std::string audio = ReadFileBytes(path);
    ASSERT_TRUE(MutagenWrite(
        path, 4,
        {{.Id = "TIT2", .Encoding = 3, .Texts = {"Звезда по имени Солнце"}},
         {.Id = "TPE1", .Encoding = 3, .Texts = {"東京事変"}},
         {.Id = "TDRC", .Encoding = 3, .Texts = {"1999"}},
         {.Id = "APIC", .Encoding = 3, .Description = "Cover", .Data = std::string(5000, 'p')},
         {.Id = "USLT", .Encoding = 3, .Texts = {"Zeile eins\nZeile zwei"}, .Language = "deu"},
         {.Id = "TXXX",
          .Encoding = 3,
          .Texts = {"-6.50 dB"},
          .Description = "REPLAYGAIN_TRACK_GAIN"},
         {.Id = "POPM", .Email = "a@b.c", .Rating = 196, .Count = 5}}));
    const auto before = MutagenRead(path);
    ASSERT_TRUE(before.has_value());

    const CliRun run = RunCli(dir, {"set", "--level", "2", "--year", "2020", path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    const auto after = MutagenRead(path);
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->MajorVersion, 4);
    EXPECT_EQ(after->Text("TDRC"), "2020");
    std::vector<std::string> kept, keptBefore;
    for (const auto& f : after->Frames)
        if (f.Id != "TDRC") kept.push_back(f.Content);
    for (const auto& f : before->Frames)
        if (f.Id != "TDRC") keptBefore.push_back(f.Content);
    std::sort(kept.begin(), kept.end());
    std::sort(keptBefore.begin(), keptBefore.end());
    EXPECT_EQ(kept, keptBefore);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(bytes.size() - audio.size()), audio);
}

TEST(SetCommandTest, LevelOneIsTheDefaultAndKeepsTheTrackNumber) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    const std::string audio = MakeCbrAudio(9, 0.3);
    WriteMp3(path, "", audio, MakeId3v1Tag("Titel", "Band", "Album", "1999", "Kommentar", 5, 17));

    const CliRun run = RunCli(dir, {"set", "--year", "2004", "--genre", "Blues", "--", path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(path),
              audio + MakeId3v1Tag("Titel", "Band", "Album", "2004", "Kommentar", 5, 0));

    // Without any field nothing is written.
    const CliRun none = RunCli(dir, {"set", path});
    EXPECT_EQ(none.Code, 0) << none.Err;
    EXPECT_EQ(Tail128(ReadFileBytes(path)),
              MakeId3v1Tag("Titel", "Band", "Album", "2004", "Kommentar", 5, 0));
}

TEST(SetCommandTest, AFileThatFailsIsReportedAndTheOthersAreWritten) {
    TempDir dir;
    const std::string audio = MakeCbrAudio(9, 0.3);
    const std::string good = dir.File("gut.mp3");
    const std::string missing = dir.File("fehlt.mp3");
    const std::string noAudio = dir.File("leer.mp3");
    WriteMp3(good, "", audio, "");
    const std::string noAudioBytes =
        std::string(2000, '\x11') + MakeId3v1Tag("T", "", "", "", "", 0, 1);
    WriteFileBytes(noAudio, noAudioBytes);

    const CliRun run = RunCli(dir, {"set", "--title", "Neu", missing, noAudio, good});
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find("\"" + missing + "\""), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(noAudio + ": Keine MPEG-Audiodaten"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find(good), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(noAudio), noAudioBytes);
    EXPECT_EQ(ReadFileBytes(good), audio + MakeId3v1Tag("Neu", "", "", "", "", 0, 255));
}

TEST(SetCommandTest, BadUsageChangesNothing) {
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, "", MakeCbrAudio(9, 0.3), "");
    const std::string before = ReadFileBytes(path);
    const std::vector<std::vector<std::string>> cases = {
        {"set", "--title", "x"},                        // no file
        {"set", "--level", "3", "--title", "x", path},  // no such level
        {"set", "--track", "5", path},                  // no such field
        {"set", path, "--title"},                       // option without a value
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        const CliRun run = RunCli(dir, args);
        EXPECT_EQ(run.Code, 2);
        EXPECT_NE(run.Err.find("set"), std::string::npos);
    }
    EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace

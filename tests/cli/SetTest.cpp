#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/TempDir.h"

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string CliPath() {
    const char* env = std::getenv("TZ_CLI");
    return env && *env ? env : TZ_BINARY_DIR "/bin/tonzettel-cli";
}

struct CliRun {
    int Code = -1;
    std::string Err;
};

CliRun RunCli(const TempDir& dir, const std::vector<std::string>& args) {
    std::string cmd = Quote(CliPath());
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " >/dev/null 2>" + Quote(dir.File("stderr.txt"));
    const int rc = std::system(cmd.c_str());
    CliRun run;
    run.Code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    run.Err = ReadFileBytes(dir.File("stderr.txt"));
    return run;
}

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
    WriteFileBytes(dir.File("oracle.py"), kOracle);
    const std::string out = dir.File("oracle.txt");
    const std::string cmd =
        "/usr/bin/python3 " + Quote(dir.File("oracle.py")) + " " + Quote(path) + " >" + Quote(out);
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::map<std::string, std::string> fields;
    std::istringstream lines(ReadFileBytes(out));
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

bool OraclesAvailable() {
    return LameAvailable() &&
           std::system("/usr/bin/python3 -c 'import mutagen' >/dev/null 2>&1") == 0;
}

std::string Tail128(const std::string& bytes) {
    return bytes.substr(bytes.size() - 128);
}

TEST(SetCommandTest, LevelTwoSetsTheGivenFieldsAndKeepsTheOthers) {
    if (!OraclesAvailable()) GTEST_SKIP() << "lame or python3-mutagen missing";
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
    EXPECT_NE(run.Err.find("\"" + noAudio + "\""), std::string::npos) << run.Err;
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

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
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

// Both tags as an independent reader sees them: "v1.TPE1" -> text, and so on.
constexpr const char* kOracle = R"PY(
import sys
from mutagen.id3 import ID3, ParseID3v1, TCON
from mutagen.id3._util import ID3NoHeaderError
path = sys.argv[1]
data = open(path, 'rb').read()
def show(prefix, frames):
    for key, f in frames.items():
        key = key.split(':')[0]
        text = f.genres[0] if isinstance(f, TCON) and f.genres else (str(f.text[0]) if f.text else '')
        print(prefix + '.' + key + '=' + text)
v1 = ParseID3v1(data[-128:]) if len(data) >= 128 else None
if v1: show('v1', v1)
try:
    show('v2', ID3(path, load_v1=False, translate=False))
except ID3NoHeaderError:
    pass
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

class FromFilenameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!OraclesAvailable()) GTEST_SKIP() << "lame or python3-mutagen missing";
    }
    std::string Encode(const std::string& name, const std::vector<std::string>& tagArgs) {
        const std::string path = dir.File(name);
        std::vector<std::string> args = {"-b", "128"};
        args.insert(args.end(), tagArgs.begin(), tagArgs.end());
        EXPECT_TRUE(EncodeWithLame(path, args, 1.0, 44100, 2));
        return path;
    }
    TempDir dir;
};

TEST_F(FromFilenameTest, Level1MergesArtistAndTitleIntoTheId3v1Tag) {
    const std::string path =
        Encode("Die Band - Das Lied.mp3",
               {"--id3v1-only", "--tt", "Alt", "--ta", "Alt", "--tl", "Album", "--ty", "1999",
                "--tc", "Kommentar", "--tn", "7", "--tg", "Rock"});
    const CliRun run = RunCli(dir, {"from-filename", path});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    auto tags = Oracle(dir, path);
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
    auto tags = Oracle(dir, path);
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
    auto tags = Oracle(dir, path);
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
    EXPECT_EQ(Oracle(dir, good)["v1.TPE1"], "A");
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

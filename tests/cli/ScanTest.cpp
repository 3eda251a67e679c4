// End-to-end runs of "tonzettel-cli scan" on trees built in the test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ops/Reasons.h"
#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// The tool in the C locale unless prefix says otherwise.
CliRun RunScanCli(const TempDir& work, const std::vector<std::string>& args,
                  const std::string& prefix = "LC_ALL=C") {
    return RunCli(work, args, prefix);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Row(const std::vector<std::string>& cells) {
    std::string line;
    for (const auto& c : cells) line += (line.empty() ? "" : "\t") + c;
    return line;
}

// 300 frames of MPEG 1 Layer III, 44.1 kHz stereo, at a table bit rate index.
std::string Audio(int bitRateIndex) {
    FrameSpec spec;
    spec.BitRateIndex = bitRateIndex;
    return MakeFrames(spec, 300);
}

class ScanCliTest : public ::testing::Test {
  protected:
    std::string Root() const { return tree_.Path().string(); }
    std::string File(const std::string& rel) const {
        fs::create_directories((tree_.Path() / rel).parent_path());
        return (tree_.Path() / rel).string();
    }
    TempDir tree_;  // the scanned folder
    TempDir work_;  // output files of the runs, outside the tree
};

TEST_F(ScanCliTest, TreeInScanOrderWithStatusTexts) {
    const std::string v1 = MakeId3v1Tag("Titel", "Interpret", "Album", "1999", "Kommentar", 3, 17);
    const std::string v2 = MakeId3v2Tag({{"TPE1", TextFrameData("Zweiter")}});
    WriteMp3(File("b.mp3"), v2, Audio(9), v1);
    WriteMp3(File("A.MP3"), "", Audio(10), "");
    WriteMp3(File(".versteckt.mp3"), "", Audio(11), v1);
    WriteFileBytes(File("kaputt.mp3"), std::string(4000, '\x55'));  // counted, no row
    WriteFileBytes(File("notiz.txt"), "keine MP3-Datei");
    WriteMp3(File("Rock/Live/z.mp3"), "", Audio(14), "");
    WriteMp3(File("Rock/x.Mp3"), "", Audio(9), "");
    WriteMp3(File(".git/versteckt.mp3"), "", Audio(9), "");
    fs::create_directory_symlink(tree_.Path(), tree_.Path() / "Rock" / "zurueck");

    const std::string root = Root() + "/";
    const CliRun run = RunScanCli(work_, {"scan", Root()});
    EXPECT_EQ(run.Code, 0) << run.Err;
    const std::vector<std::string> expected = {
        Row({"2", ".versteckt.mp3", "Interpret", "Album", "Titel", "1999", "Rock", "Kommentar",
             "192 KBit/s", "44100 Hz", "0:07", "0.18 MB", "FhG", root}),
        Row({"1", "A.MP3", "", "", "", "", "", "", "160 KBit/s", "44100 Hz", "0:07", "0.15 MB",
             "Blade", root}),
        Row({"0", "b.mp3", "Interpret", "Album", "Titel", "1999", "Rock", "Kommentar", "128 KBit/s",
             "44100 Hz", "0:07", "0.12 MB", "Blade", root}),
        Row({"0", "x.Mp3", "", "", "", "", "", "", "128 KBit/s", "44100 Hz", "0:07", "0.12 MB",
             "Blade", root + "Rock/"}),
        Row({"2", "z.mp3", "", "", "", "", "", "", "320 KBit/s", "44100 Hz", "0:07", "0.30 MB",
             "FhG", root + "Rock/Live/"}),
    };
    EXPECT_EQ(Lines(run.Out), expected);
    EXPECT_EQ(run.Err, Root() + "\n" + FoundCountText(6) + "\n");

    // Level 2 takes the tag cells from the ID3v2 tag; the rest stays.
    const CliRun level2 = RunScanCli(work_, {"scan", "--level", "2", root});
    ASSERT_EQ(Lines(level2.Out).size(), 5u);
    EXPECT_EQ(Lines(level2.Out)[0],
              Row({"2", ".versteckt.mp3", "", "", "", "", "", "", "192 KBit/s", "44100 Hz", "0:07",
                   "0.18 MB", "FhG", root}));
    EXPECT_EQ(Lines(level2.Out)[2], Row({"0", "b.mp3", "Zweiter", "", "", "", "", "", "128 KBit/s",
                                         "44100 Hz", "0:07", "0.12 MB", "Blade", root}));
    EXPECT_EQ(level2.Err, root + "\n" + FoundCountText(6) + "\n");
}

TEST_F(ScanCliTest, ScanWritesNothing) {
    WriteMp3(File("a.mp3"), MakeId3v2Tag({{"TIT2", TextFrameData("x")}}), Audio(9),
             MakeId3v1Tag("T", "A", "", "", "", 1, 1));
    WriteMp3(File("sub/b.mp3"), "", Audio(10), "");
    std::map<std::string, std::pair<std::string, fs::file_time_type>> before;
    for (const auto& e : fs::recursive_directory_iterator(tree_.Path()))
        if (e.is_regular_file()) before[e.path()] = {ReadFileBytes(e.path()), e.last_write_time()};
    fs::permissions(tree_.Path() / "a.mp3", fs::perms::owner_write, fs::perm_options::remove);
    for (const char* level : {"1", "2"}) {
        const CliRun run = RunScanCli(work_, {"scan", std::string("--level=") + level, Root()});
        EXPECT_EQ(run.Code, 0);
        EXPECT_EQ(Lines(run.Out).size(), 2u);
    }
    std::map<std::string, std::pair<std::string, fs::file_time_type>> after;
    for (const auto& e : fs::recursive_directory_iterator(tree_.Path()))
        if (e.is_regular_file()) after[e.path()] = {ReadFileBytes(e.path()), e.last_write_time()};
    EXPECT_EQ(before, after);
}

TEST_F(ScanCliTest, CountTexts) {
    struct Case {
        int valid, invalid;  // the count names both
    };
    const Case cases[] = {{0, 0}, {1, 0}, {2, 1}, {0, 1}};
    for (const auto& c : cases) {
        TempDir tree;
        for (int i = 0; i < c.valid; ++i)
            WriteMp3(tree.File("ok" + std::to_string(i) + ".mp3"), "", Audio(9), "");
        for (int i = 0; i < c.invalid; ++i)
            WriteFileBytes(tree.File("bad" + std::to_string(i) + ".mp3"), std::string(300, 'x'));
        const CliRun run = RunScanCli(work_, {"scan", tree.Path().string()});
        EXPECT_EQ(run.Code, 0);
        EXPECT_EQ(Lines(run.Out).size(), static_cast<size_t>(c.valid));
        EXPECT_EQ(run.Err,
                  tree.Path().string() + "\n" + FoundCountText(c.valid + c.invalid) + "\n");
    }
}

TEST_F(ScanCliTest, CellsAreEscaped) {
    const std::string v1 =
        MakeId3v1Tag("Zeile1\nZeile2", "Tab\there", "Back\\slash", "", "CR\rend", 0, 255);
    WriteMp3(File("a\tb\\c.mp3"), "", Audio(9), v1);
    WriteMp3(File("Neu\nZeile/d.mp3"), "", Audio(9), "");
    const CliRun run = RunScanCli(work_, {"scan", Root()});
    const auto lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 2u) << run.Out;
    EXPECT_EQ(lines[0], Row({"0", "a\\tb\\\\c.mp3", "Tab\\there", "Back\\\\slash",
                             "Zeile1\\nZeile2", "", "", "CR\\rend", "128 KBit/s", "44100 Hz",
                             "0:07", "0.12 MB", "Blade", Root() + "/"}));
    EXPECT_EQ(lines[1].substr(lines[1].rfind('\t') + 1), Root() + "/Neu\\nZeile/");
}

TEST_F(ScanCliTest, SizeUsesTheLocaleDecimalSeparator) {
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string restore = saved ? saved : "C";
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    std::setlocale(LC_ALL, restore.c_str());
    if (!german) GTEST_SKIP() << "no German locale (scripts/install-deps.sh generates it)";

    std::string audio = Audio(9);
    audio.resize(1048576, '\x55');  // exactly one MB
    WriteMp3(File("mb.mp3"), "", audio, "");
    const CliRun de = RunScanCli(work_, {"scan", Root()}, "LC_ALL=de_DE.UTF-8");
    const CliRun c = RunScanCli(work_, {"scan", Root()}, "LC_ALL=C");
    ASSERT_EQ(Lines(de.Out).size(), 1u);
    ASSERT_EQ(Lines(c.Out).size(), 1u);
    EXPECT_NE(de.Out.find("\t1,00 MB\t"), std::string::npos) << de.Out;
    EXPECT_NE(c.Out.find("\t1.00 MB\t"), std::string::npos) << c.Out;
}

TEST_F(ScanCliTest, UnreadableTailShowsTagMessageAndGoesOn) {
    WriteFileBytes(File("a-kurz.mp3"), std::string(50, 'x'));  // shorter than an ID3v1 tag
    WriteMp3(File("b.mp3"), "", Audio(9), "");
    const CliRun run = RunScanCli(work_, {"scan", Root()});
    EXPECT_EQ(run.Code, 1) << "a file that could not be read is a failure";
    EXPECT_EQ(Lines(run.Out).size(), 1u);
    const auto err = Lines(run.Err);
    ASSERT_EQ(err.size(), 3u) << run.Err;
    EXPECT_NE(err[0].find(File("a-kurz.mp3")), std::string::npos) << err[0];
    EXPECT_EQ(err[1], Root());
    EXPECT_EQ(err[2], FoundCountText(2));
}

TEST_F(ScanCliTest, BadUsageAndMissingFolders) {
    WriteFileBytes(File("datei.mp3"), "x");
    struct Case {
        std::vector<std::string> args;
        const char* inError;  // what the message must name
    };
    const Case cases[] = {
        {{"scan"}, "scan"},
        {{"scan", Root() + "/fehlt"}, "fehlt"},
        {{"scan", File("datei.mp3")}, "datei.mp3"},
        {{"scan", "--level", "3", Root()}, "3"},
        {{"scan", "--level"}, "--level"},
        {{"scan", "--tiefe", Root()}, "--tiefe"},
        {{"scan", Root(), Root()}, "scan"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunScanCli(work_, c.args);
        EXPECT_EQ(run.Code, 2) << c.inError;
        EXPECT_EQ(run.Out, "") << c.inError;
        EXPECT_NE(run.Err.find(c.inError), std::string::npos) << run.Err;
    }
    const CliRun help = RunScanCli(work_, {"scan", "--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_NE(help.Out.find("--level 1|2"), std::string::npos);
    EXPECT_EQ(RunScanCli(work_, {"--version"}).Out, "tonzettel-cli 1.0.6\n");
}

TEST_F(ScanCliTest, FolderThatCannotBeListed) {
    WriteMp3(File("gesperrt/a.mp3"), "", Audio(9), "");
    WriteMp3(File("offen/b.mp3"), "", Audio(9), "");
    fs::permissions(tree_.Path() / "gesperrt", fs::perms::none);
    std::string prefix = "LC_ALL=C";
    if (::geteuid() == 0) {
        // Root reads anything; run the tool as an unprivileged user.
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv";
        ::chmod(tree_.Path().c_str(), 0755);
        ::chmod(work_.Path().c_str(), 0777);
        prefix += " setpriv --reuid=65534 --regid=65534 --clear-groups";
    }
    // Inside the tree it is named, and the scan goes on without it...
    const CliRun run = RunScanCli(work_, {"scan", Root()}, prefix);
    EXPECT_EQ(run.Code, 1) << run.Err;
    ASSERT_EQ(Lines(run.Out).size(), 1u) << run.Out;
    EXPECT_NE(run.Out.find("offen/"), std::string::npos);
    EXPECT_EQ(Lines(run.Err).front(),
              "Der Ordner \"" + Root() + "/gesperrt\" kann nicht gelesen werden.");
    EXPECT_EQ(Lines(run.Err).back(), FoundCountText(1));
    // ...as the folder to scan it is an error.
    const CliRun top = RunScanCli(work_, {"scan", Root() + "/gesperrt"}, prefix);
    EXPECT_EQ(top.Code, 2);
    EXPECT_NE(top.Err.find("gesperrt"), std::string::npos) << top.Err;
}

TEST_F(ScanCliTest, LiveCountOnATerminal) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script";
    for (int i = 0; i < 3; ++i) WriteMp3(File(std::to_string(i) + ".mp3"), "", Audio(9), "");
    // script gives the tool a terminal for standard error; standard output
    // still goes to a file and must not carry the count.
    const std::string out = work_.File("rows.txt");
    const std::string inner = "LC_ALL=C " + ShellQuote(CliPath()) + " scan " + ShellQuote(Root()) +
                              " >" + ShellQuote(out);
    const CliRun run = RunShell(work_, "script -qec " + ShellQuote(inner) + " /dev/null");
    EXPECT_EQ(run.Code, 0);
    EXPECT_NE(run.Out.find("1 gefunden"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find(FoundCountText(3)), std::string::npos) << run.Out;
    EXPECT_EQ(Lines(ReadFileBytes(out)).size(), 3u);
    EXPECT_EQ(ReadFileBytes(out).find("gefunden"), std::string::npos);
}

}  // namespace

// The journal seen from the command line: a start finishes a save that a
// crash cut short and says which files it finished or left alone, and never
// touches a save that another program is still making.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/CutSave.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/ID3v2.h"
#include "tags/WritePath.h"

namespace {

namespace fs = std::filesystem;

const std::string kTag = MakeId3v2Tag({{"TYER", TextFrameData("1999")}}, 3, 512);

std::string Year(const std::string& path) {
    TID3v2 tag;
    tag.ReadFromFile(path);
    return tag.Year();
}

// A save of the year cut once its journal entry is durable; with relative,
// made in the file's folder by its bare name.
void SaveEndedAfterTheJournal(const std::string& state, std::string path, bool relative) {
    CutAfterJournal(state, [&] {
        if (relative) {
            if (::chdir(fs::path(path).parent_path().c_str()) != 0) ::_exit(7);
            path = fs::path(path).filename().string();
        }
        TID3v2 tag;
        tag.SetYear("2023");
        tag.SaveToFile(path);
    });
}

TEST(JournalCliTest, AStartFinishesASaveLeftBehindAndSaysWhich) {
    struct Case {
        const char* name;
        bool otherWriter;  // another program wrote the tag after the crash
        bool relative;     // the save named the file relative to its folder
        const char* heading;
        const char* year;
    };
    const char* finished = "Folgende Dateien wurden nach einem Abbruch fertig gespeichert:";
    const Case cases[] = {
        {"finished", false, false, finished, "2023"},
        {"saved by a relative name, finished from elsewhere", false, true, finished, "2023"},
        {"changed since", true, false,
         "Folgende Dateien wurden seit einem abgebrochenen Speichern verändert und bleiben, wie "
         "sie sind:",
         "1977"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string state = dir.File("state");
        const std::string path = dir.File("a.mp3");
        WriteMp3(path, kTag, MakeCbrAudio(9, 0.2), "");
        SaveEndedAfterTheJournal(state + "/tonzettel", path, c.relative);
        EXPECT_EQ(Year(path), "1999");
        if (c.otherWriter) {
            std::string bytes = ReadFileBytes(path);
            bytes.replace(bytes.find("1999"), 4, "1977");
            WriteFileBytes(path, bytes);
        }
        const CliRun run = RunCli(dir, {"--version"}, "XDG_STATE_HOME=" + ShellQuote(state));
        EXPECT_EQ(run.Code, 0);
        EXPECT_EQ(run.Err, std::string(c.heading) + "\n" + path + "\n");
        EXPECT_EQ(Year(path), c.year);
        EXPECT_TRUE(fs::is_empty(state + "/tonzettel"));
        // Told once: the next start finds nothing.
        EXPECT_EQ(RunCli(dir, {"--version"}, "XDG_STATE_HOME=" + ShellQuote(state)).Err, "");
    }
}

// What is pending is listed, finished once the file is back, or dropped on
// request; a folder others may write stops every save before it begins.
TEST(JournalCliTest, RecoverListsFinishesAndDiscards) {
    TempDir dir;
    const std::string state = dir.File("state");
    const std::string env = "XDG_STATE_HOME=" + ShellQuote(state);
    const fs::path music = dir.Path() / "stick";
    fs::create_directory(music);
    const std::string path = (music / "a.mp3").string();
    const auto cut = [&] {
        WriteMp3(path, kTag, MakeCbrAudio(9, 0.2), "");
        SaveEndedAfterTheJournal(state + "/tonzettel", path, false);
    };
    const char* pending =
        "Folgende Dateien können noch nicht fertig gespeichert werden, weil sie nicht "
        "erreichbar sind; Tonzettel versucht es beim nächsten Start wieder:\n";

    cut();
    fs::rename(music, music.string() + "-weg");
    CliRun run = RunCli(dir, {"recover"}, env);
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Out, path + "\n");
    EXPECT_EQ(run.Err, pending + path + "\n");
    // Every start says it again, and a save of another file still works.
    fs::rename(music.string() + "-weg", music);
    const std::string other = dir.File("b.mp3");
    WriteMp3(other, kTag, MakeCbrAudio(9, 0.2), "");
    fs::rename(music, music.string() + "-weg");
    run = RunCli(dir, {"set", "--level", "2", "--year", "2001", other}, env);
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Err, pending + path + "\n");
    EXPECT_EQ(Year(other), "2001");
    fs::rename(music.string() + "-weg", music);
    run = RunCli(dir, {"recover"}, env);
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(Year(path), "2023");
    EXPECT_TRUE(fs::is_empty(state + "/tonzettel"));

    cut();
    run = RunCli(dir, {"recover", "--discard", path}, env);
    EXPECT_EQ(run.Code, 0);
    EXPECT_NE(run.Err.find("verworfen"), std::string::npos) << run.Err;
    EXPECT_TRUE(fs::is_empty(state + "/tonzettel"));
    EXPECT_EQ(Year(path), "1999");
    EXPECT_EQ(RunCli(dir, {"recover", "--discard", path}, env).Code, 1);

    ::chmod((state + "/tonzettel").c_str(), 0777);
    run = RunCli(dir, {"set", "--level", "2", "--year", "2001", path}, env);
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find("chmod 700 \"" + state + "/tonzettel\""), std::string::npos) << run.Err;
    EXPECT_EQ(Year(path), "1999");
    run = RunCli(dir, {"info", path}, env);
    EXPECT_EQ(run.Code, 0);
    EXPECT_NE(run.Err.find("für andere beschreibbar"), std::string::npos);
}

// Starts of the tool while a run writes: each finds the run's journal
// locked and leaves it alone, and the run writes every file.
TEST(JournalCliTest, AStartLeavesARunningSaveAlone) {
    TempDir dir;
    const std::string audio = MakeCbrAudio(9, 0.2);
    std::string files;
    for (int i = 0; i < 300; ++i) {
        const std::string path = dir.File("f" + std::to_string(i) + ".mp3");
        // Without padding: each file grows, so the run takes a while.
        WriteMp3(path, i % 2 ? kTag : MakeId3v2Tag({{"TYER", TextFrameData("1999")}}), audio, "");
        files += " " + ShellQuote(path);
    }
    const std::string env = "XDG_STATE_HOME=" + ShellQuote(dir.File("state"));
    const std::string cli = ShellQuote(CliPath());
    const CliRun run =
        RunShell(dir, env + " " + cli + " set --level 2 --year 2023" + files +
                          " & pid=$!; n=0; while kill -0 $pid 2>/dev/null; do " + env + " " + cli +
                          " --version >/dev/null || exit 3; n=$((n+1)); done; wait $pid; echo $n");
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_GT(std::stoi(run.Out), 0) << "no start happened during the run";
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(Year(dir.File("f" + std::to_string(i) + ".mp3")), "2023");
}

// A start while a save stands still with its journal entry written: the
// start says nothing and leaves journal and file to the save, which then
// finishes.
TEST(JournalCliTest, AStartLeavesASaveInFlightAlone) {
    TempDir dir;
    const std::string state = dir.File("state");
    const std::string path = dir.File("a.mp3");
    WriteMp3(path, kTag, MakeCbrAudio(9, 0.2), "");
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        writepath::SetStateFolder(state + "/tonzettel");
        writepath::SetStepHook([&](const writepath::Step& step) {
            if (step.Kind != writepath::StepKind::Sync || !step.Path.starts_with(state) ||
                fs::file_size(step.Path) == 0) {
                return;
            }
            char c = 0;
            if (::write(toParent[1], &c, 1) != 1 || ::read(toChild[0], &c, 1) != 1) ::_exit(8);
        });
        TID3v2 tag;
        tag.SetYear("2023");
        ::_exit(tag.SaveToFile(path) ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    const CliRun start = RunCli(dir, {"--version"}, "XDG_STATE_HOME=" + ShellQuote(state));
    EXPECT_EQ(start.Err, "");
    EXPECT_EQ(Year(path), "1999");
    ASSERT_EQ(::write(toChild[1], &c, 1), 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Year(path), "2023");
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
}

}  // namespace

// A run of saves with --backup, cut short at every step of the write path:
// by ending the process there, and by a simulated power cut there. After
// the next start's recovery every file is wholly old or wholly new, and
// restoring the backups gives every file back byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ops/Backup.h"
#include "ops/EditOps.h"
#include "ops/History.h"
#include "ops/Reasons.h"
#include "ops/SaveRun.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/WritePath.h"

namespace {

namespace fs = std::filesystem;

struct FileSpec {
    std::string name, id3v2, id3v1;
    int level;
    std::vector<FieldText> fields;
    mode_t mode = 0644;
};

std::vector<FileSpec> Specs() {
    const std::string block = MakeId3v1Tag("Titel", "A", "B", "1999", "", 3, 17);
    return {
        {"padded.mp3",
         MakeId3v2Tag({{"TYER", TextFrameData("1999")}}, 4, 1024),
         block,
         2,
         {{TagField::Year, "2023"}, {TagField::Album, "Neu"}}},
        {"grows.mp3",
         MakeId3v2Tag({{"APIC", std::string(20000, 'p')}}),
         "",
         2,
         {{TagField::Title, std::string(200, 't')}}},
        {"append.mp3", "", "", 1, {{TagField::Artist, "Neu"}}},
        {"readonly.mp3", "", block, 1, {{TagField::Title, "Neu"}}, 0444},
        // A 2.4 footer flag with no footer behind the tag.
        {"footer.mp3",
         MakeId3v2Tag({{"TDRC", TextFrameData("1999")}}, 4, 64, 0x10),
         "",
         2,
         {{TagField::Year, "2023"}}},
    };
}

void Lay(const fs::path& folder) {
    fs::create_directories(folder / "state");
    fs::create_directories(folder / "backup");
    for (const auto& s : Specs()) {
        const std::string path = (folder / s.name).string();
        WriteMp3(path, s.id3v2, MakeCbrAudio(9, 0.3), s.id3v1);
        ::chmod(path.c_str(), s.mode);
    }
}

// The run the CLI's "set --backup" makes, over all files in one group.
void RunSaves(const fs::path& folder) {
    writepath::SetStateFolder((folder / "state").string());
    BackupFolder backup((folder / "backup").string());
    StepRecorder recorder(nullptr, "backup", nullptr, &backup);
    SaveRun run;
    for (const auto& s : Specs())
        WriteTagFields(run, (folder / s.name).string(), s.level, s.fields,
                       [](const SaveOutcome&) {});
    run.Commit();
}

std::optional<std::string> Contents(const std::string& path) {
    if (!fs::exists(path)) return std::nullopt;
    return ReadFileBytes(path);
}

// What a power cut may leave of the files: the rule this simulates.
// - A file's content is durable as of its last flush (fsync/fdatasync);
//   every 512-byte sector written since may hold the old or the new bytes,
//   and the size may be the old or the new one.
// - A file made or removed is durable as of the last flush of its folder;
//   before that it may or may not exist.
// - Room inserted at a file's start is there whole or not at all until the
//   file's next flush (the file system journals it as one change).
class PowerCut {
  public:
    PowerCut(const fs::path& folder, unsigned seed) : random_(seed) {
        for (const auto& s : Specs()) {
            const std::string path = (folder / s.name).string();
            files_[path] = {ReadFileBytes(path), true, true};
        }
    }

    void Note(const writepath::Step& step) {
        switch (step.Kind) {
            case writepath::StepKind::Create:
                files_[step.Path] = {std::string(), false, true};
                break;
            case writepath::StepKind::Remove:
                files_[step.Path].Exists = false;
                break;
            case writepath::StepKind::Sync:
                files_[step.Path].Synced = ReadFileBytes(step.Path);
                files_[step.Path].Inserting = false;
                break;
            case writepath::StepKind::Insert:
                files_[step.Path].Inserting = true;
                break;
            case writepath::StepKind::SyncFolder:
                for (auto& [path, f] : files_)
                    if (fs::path(path).parent_path() == fs::path(step.Path)) f.Durable = f.Exists;
                break;
            default:
                break;
        }
    }

    // Leaves on disk one state the cut may have left.
    void Strike() {
        for (auto& [path, f] : files_) {
            const auto now = Contents(path);
            const bool exists = f.Durable == f.Exists ? f.Exists : Coin();
            if (!exists) {
                fs::remove(path);
                continue;
            }
            const std::string& fresh = now ? *now : f.Synced;
            if (f.Inserting) {
                WriteFileBytes(path, Coin() ? f.Synced : fresh);
                continue;
            }
            std::string image;
            const size_t size = Coin() ? f.Synced.size() : fresh.size();
            for (size_t at = 0; at < size; at += 512) {
                const std::string& from = Coin() ? f.Synced : fresh;
                std::string sector = at < from.size() ? from.substr(at, 512) : std::string();
                sector.resize(std::min<size_t>(512, size - at), '\0');
                image += sector;
            }
            WriteFileBytes(path, image);
        }
    }

  private:
    struct File {
        std::string Synced;
        bool Durable = false;  // its existence, as of the folder's last flush
        bool Exists = false;
        bool Inserting = false;  // room inserted since the last flush
    };
    bool Coin() { return random_() % 2 == 0; }
    std::map<std::string, File> files_;
    std::mt19937 random_;
};

// Runs the saves in a child ended at step n (by a power cut when seed is
// given); false when the run had fewer steps.
bool CutAt(const fs::path& folder, int n, std::optional<unsigned> seed) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::optional<PowerCut> cut;
        if (seed) cut.emplace(folder, *seed);
        int steps = 0;
        writepath::SetStepHook([&](const writepath::Step& step) {
            if (cut) cut->Note(step);
            if (++steps < n) return;
            if (cut) cut->Strike();
            ::_exit(9);
        });
        RunSaves(folder);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

class CrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The files as the run leaves them.
        const fs::path ref = dir_.Path() / "ref";
        Lay(ref);
        for (const auto& s : Specs()) before_[s.name] = ReadFileBytes((ref / s.name).string());
        RunSaves(ref);
        writepath::SetStateFolder({});
        for (const auto& s : Specs()) {
            after_[s.name] = ReadFileBytes((ref / s.name).string());
            EXPECT_NE(after_[s.name], before_[s.name]) << s.name;
        }
    }

    // Every step of the run, cut short; true when some cut met a file that
    // was neither old nor new after the recovery.
    void CutEveryStep(const char* how, std::optional<unsigned> seed) {
        for (int n = 1; n < 1000; ++n) {
            SCOPED_TRACE(std::string(how) + " at step " + std::to_string(n));
            const fs::path folder = dir_.Path() / (std::string(how) + std::to_string(n));
            Lay(folder);
            const bool cut = CutAt(folder, n, seed);
            writepath::SetStateFolder((folder / "state").string());
            const auto report = writepath::RecoverJournals();
            EXPECT_TRUE(report.LeftAlone.empty()) << RecoveryText(report);
            for (const auto& s : Specs()) {
                const std::string path = (folder / s.name).string();
                const std::string now = ReadFileBytes(path);
                EXPECT_TRUE(now == before_[s.name] || now == after_[s.name]) << s.name;
                struct stat st {};
                ASSERT_EQ(::stat(path.c_str(), &st), 0);
                EXPECT_EQ(st.st_mode & 07777, s.mode) << s.name;
            }
            EXPECT_TRUE(fs::is_empty(folder / "state"));
            // The backups take every file back, whichever way it went.
            const ApplyReport restored = RestoreFolder((folder / "backup").string());
            EXPECT_TRUE(restored.Empty()) << restored.Text();
            for (const auto& s : Specs())
                EXPECT_EQ(ReadFileBytes((folder / s.name).string()), before_[s.name]) << s.name;
            writepath::SetStateFolder({});
            fs::remove_all(folder);
            if (!cut) return;
            if (HasFailure()) return;
        }
        ADD_FAILURE() << "the run never ended";
    }

    TempDir dir_;
    std::map<std::string, std::string> before_, after_;
};

TEST_F(CrashTest, EndedAtEveryStep) {
    CutEveryStep("kill", std::nullopt);
}

TEST_F(CrashTest, PowerCutAtEveryStep) {
    for (const unsigned seed : {1u, 2u, 3u}) CutEveryStep("power", seed);
}

}  // namespace

#include "scan/FolderWalk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scan/FileRow.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/MPEGaudio.h"

namespace fs = std::filesystem;

namespace {

struct Visit {
    std::string folder;
    DirEntry entry;
};

struct Recorder {
    std::vector<Visit> visits;
    int stopAfter = -1;  // stop the walk after this many visits
};

bool Record(void* context, const std::string& folder, const DirEntry& entry) {
    auto& r = *static_cast<Recorder*>(context);
    r.visits.push_back({folder, entry});
    return r.stopAfter < 0 || static_cast<int>(r.visits.size()) < r.stopAfter;
}

// Paths relative to the start folder, in visiting order.
std::vector<std::string> Walk(const std::string& start, const std::string& root,
                              bool* completed = nullptr) {
    Recorder r;
    const bool done = WalkFolder(start, "*.mp3", Record, &r);
    if (completed) *completed = done;
    std::vector<std::string> paths;
    for (const auto& v : r.visits) {
        EXPECT_EQ(v.folder.back(), '/');
        EXPECT_EQ(v.folder.rfind(root, 0), 0u) << v.folder;
        paths.push_back(v.folder.substr(root.size()) + v.entry.Name);
    }
    return paths;
}

void Touch(const fs::path& p, size_t size = 0) {
    WriteFileBytes(p.string(), std::string(size, 'x'));
}

class FolderWalkTest : public ::testing::Test {
  protected:
    std::string Root() const { return dir_.Path().string() + "/"; }
    fs::path P(const std::string& rel) const { return dir_.Path() / rel; }
    void Files(std::initializer_list<const char*> rels) {
        for (const char* rel : rels) {
            fs::create_directories(P(rel).parent_path());
            Touch(P(rel));
        }
    }
    TempDir dir_;
};

TEST_F(FolderWalkTest, FilesBeforeSubfoldersDepthFirstCaseBlindOrder) {
    Files({"b.mp3", "A.mp3", "c.MP3", "Zeta/z.mp3", "alpha/x.mp3", "alpha/inner/y.mp3",
           "alpha/w.mp3", "beta/v.mp3"});
    const std::vector<std::string> expected = {"A.mp3",       "b.mp3",       "c.MP3",
                                               "alpha/w.mp3", "alpha/x.mp3", "alpha/inner/y.mp3",
                                               "beta/v.mp3",  "Zeta/z.mp3"};
    bool completed = false;
    EXPECT_EQ(Walk(Root(), Root(), &completed), expected);
    EXPECT_TRUE(completed);
}

TEST_F(FolderWalkTest, StartFolderWithOrWithoutSeparatorGivesSameFolders) {
    Files({"a.mp3", "Rock/b.mp3"});
    const std::vector<std::string> expected = {"a.mp3", "Rock/b.mp3"};
    EXPECT_EQ(Walk(dir_.Path().string(), Root()), expected);
    EXPECT_EQ(Walk(Root(), Root()), expected);
}

TEST_F(FolderWalkTest, PatternMatchesExtensionWithoutRegardToCase) {
    Files(
        {"SONG.MP3", "song.Mp3", "song.mp3", "x.mp3.txt", "mp3", "xmp3", ".mp3", "y.mp", "Ä.mP3"});
    fs::create_directories(P("folder.mp3"));  // a folder is never a file
    // Names equal without case keep a fixed order: their bytes decide.
    const std::vector<std::string> expected = {".mp3", "SONG.MP3", "song.Mp3", "song.mp3", "Ä.mP3"};
    EXPECT_EQ(Walk(Root(), Root()), expected);
}

TEST_F(FolderWalkTest, HiddenFilesListedDotFoldersNotEntered) {
    Files({".hidden.mp3", "visible.mp3", ".config/in-dot-folder.mp3", ".x/deep/y.mp3",
           "sub/.also-hidden.mp3"});
    const std::vector<std::string> expected = {".hidden.mp3", "visible.mp3",
                                               "sub/.also-hidden.mp3"};
    EXPECT_EQ(Walk(Root(), Root()), expected);
}

TEST_F(FolderWalkTest, SymlinkedFoldersNotFollowedLinkedFilesAreFiles) {
    Files({"a/song.mp3", "real.mp3"});
    fs::create_directory_symlink(dir_.Path(), P("a/loop"));   // a loop back to the top
    fs::create_directory_symlink(P("a"), P("b-link"));        // a second way into "a"
    fs::create_directory_symlink(P("a"), P("dir-link.mp3"));  // link to a folder named like a file
    fs::create_symlink(P("real.mp3"), P("link.mp3"));         // link to a file
    fs::create_symlink(P("missing.mp3"), P("dangling.mp3"));  // points nowhere
    const std::vector<std::string> expected = {"link.mp3", "real.mp3", "a/song.mp3"};
    EXPECT_EQ(Walk(Root(), Root()), expected);
}

TEST_F(FolderWalkTest, EntryCarriesSizeHiddenAndReadOnly) {
    Touch(P(".h.mp3"), 7);
    Touch(P("ro.mp3"), 300);
    fs::permissions(P("ro.mp3"), fs::perms::owner_write, fs::perm_options::remove);
    Recorder r;
    ASSERT_TRUE(WalkFolder(dir_.Path().string(), "*.mp3", Record, &r));
    ASSERT_EQ(r.visits.size(), 2u);
    EXPECT_EQ(r.visits[0].entry.Name, ".h.mp3");
    EXPECT_EQ(r.visits[0].entry.Size, 7u);
    EXPECT_TRUE(r.visits[0].entry.Hidden);
    EXPECT_FALSE(r.visits[0].entry.ReadOnly);
    EXPECT_EQ(r.visits[1].entry.Size, 300u);
    EXPECT_FALSE(r.visits[1].entry.Hidden);
    EXPECT_TRUE(r.visits[1].entry.ReadOnly);
    EXPECT_GT(r.visits[1].entry.ModifiedTime, 0);
}

TEST_F(FolderWalkTest, VisitorStopsTheWholeWalk) {
    Files({"a.mp3", "b.mp3", "sub/c.mp3", "sub/deeper/d.mp3", "tail/e.mp3"});
    for (int stop : {1, 2, 3, 4}) {
        Recorder r;
        r.stopAfter = stop;
        EXPECT_FALSE(WalkFolder(Root(), "*.mp3", Record, &r)) << stop;
        EXPECT_EQ(r.visits.size(), static_cast<size_t>(stop));
    }
}

TEST_F(FolderWalkTest, MissingOrEmptyStartFolderIsEmpty) {
    Recorder r;
    EXPECT_TRUE(WalkFolder(P("nowhere").string(), "*.mp3", Record, &r));
    EXPECT_TRUE(WalkFolder("", "*.mp3", Record, &r));
    EXPECT_TRUE(WalkFolder(Root(), "*.mp3", Record, &r));
    EXPECT_TRUE(r.visits.empty());
}

// Permission bits do not stop root, so the walk runs in a child process that
// has given up root, where possible.
TEST_F(FolderWalkTest, UnlistableFolderCountsAsEmpty) {
    Files({"a.mp3", "locked/hidden-away.mp3", "locked/sub/deeper.mp3", "open/b.mp3"});
    fs::permissions(P("locked"), fs::perms::none);
    const auto runWalk = [this] {
        auto got = Walk(Root(), Root());
        return got == std::vector<std::string>{"a.mp3", "open/b.mp3"};
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(runWalk());
        return;
    }
    ::chmod(dir_.Path().c_str(), 0755);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        ::_exit(runWalk() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot drop root privileges";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "walk as an unprivileged user listed the locked folder";
}

TEST(MatchesPatternTest, Wildcards) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"a.mp3", "*.mp3", true},
        {"A.MP3", "*.mp3", true},
        {".mp3", "*.mp3", true},
        {"a.mp3.mp3", "*.mp3", true},
        {"a.mp31", "*.mp3", false},
        {"a.mp", "*.mp3", false},
        {"mp3", "*.mp3", false},
        {"", "*", true},
        {"", "*.mp3", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"x.ogg", "*.*", true},
        {"\xC3\x84.mp3", "*.mp3", true},
        {"\xC3\x84", "\xC3\xA4", false},  // no folding past ASCII
        {"aXbXc", "a*b*c", true},
        {"aXbX", "a*b*c", false},
        {"abc", "abc**", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
    }
}

// Rows of a scan whose first visit deletes one file and puts a folder in
// place of another, both already hinted by then; and the open handles left.
struct ScanRecord {
    std::vector<std::string> rows;
    int found = 0;
    fs::path gone, becomesFolder;
    TMPEGaudio audio;
};

bool RecordRow(void* context, const std::string& folder, const DirEntry& entry) {
    auto& r = *static_cast<ScanRecord*>(context);
    if (r.found++ == 0) {
        fs::remove(r.gone);
        fs::remove(r.becomesFolder);
        fs::create_directory(r.becomesFolder);
    }
    r.audio.ReadFromFile(folder + entry.Name);
    FileRow row;
    if (!BuildFileRow(r.audio, 2, folder, entry.Name, row)) return true;
    std::string line;
    for (const auto& cell : row.Cells) line += cell + "|";
    r.rows.push_back(line);
    return true;
}

size_t OpenHandles() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

TEST_F(FolderWalkTest, ReadAheadLeavesTheRowsAsTheyAre) {
    // More files than one hint window, some with a cover behind which the
    // analyser reads, and a pipe under an ".mp3" name.
    std::vector<std::pair<fs::path, std::string>> files;
    fs::create_directories(P("music/sub"));
    for (int i = 0; i < 3 * kReadAheadFiles; ++i) {
        const std::string cover = i % 3 == 0 ? std::string(70000, '\x11') : std::string();
        const std::string tag = MakeId3v2Tag({{"TIT2", TextFrameData("Titel " + std::to_string(i))},
                                              {"APIC", std::string(1, '\0') + cover}});
        const std::string name = (i < 10 ? "song0" : "song") + std::to_string(i) + ".mp3";
        const fs::path path = P("music") / (i % 4 == 0 ? "sub/" + name : name);
        files.emplace_back(path, tag + MakeCbrAudio(9, 1.0));
        WriteFileBytes(path.string(), files.back().second);
    }
    ASSERT_EQ(::mkfifo(P("music/pipe.mp3").c_str(), 0644), 0);
    ::sync();

    const auto scan = [&](int readAhead) {
        ScanRecord r;
        r.gone = files[5].first;
        r.becomesFolder = files[9].first;
        fs::remove_all(r.becomesFolder);
        for (const auto& [path, bytes] : files) {
            const bool mended = path == r.gone || path == r.becomesFolder;
            if (mended) WriteFileBytes(path.string(), bytes);
            // Out of the page cache, so that the hints have work to do.
            const int fd = ::open(path.c_str(), O_RDONLY);
            if (mended) ::fdatasync(fd);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
        const size_t handles = OpenHandles();
        WalkFolder(P("music").string(), "*.mp3", RecordRow, &r, readAhead);
        EXPECT_EQ(OpenHandles(), handles) << readAhead;
        return std::make_pair(r.found, r.rows);
    };
    const auto plain = scan(0);
    EXPECT_EQ(plain.first, 3 * kReadAheadFiles);  // the pipe and the vanished file count
    EXPECT_EQ(plain.second.size(), 3u * kReadAheadFiles - 2);
    for (const int readAhead : {1, 2, kReadAheadFiles, 1000})
        EXPECT_EQ(scan(readAhead), plain) << readAhead;
}

}  // namespace

// What a start does with the journal that a cut save left: it finishes the
// save only from a journal this user made, only into the file the save was
// for, and keeps the entry while that file is out of reach.
#include "tags/WritePath.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/CutSave.h"
#include "support/Mp3Builder.h"
#include "support/OtherUser.h"
#include "support/TempDir.h"
#include "tags/ID3v2.h"
#include "tags/PosixFile.h"
#include "tags/write/Record.h"
#include "tags/write/StateFolder.h"

namespace {

namespace fs = std::filesystem;
using writepath::RecoveryReport;

bool Has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

class RecoveryTest : public ::testing::Test {
  public:
    void SetUp() override {
        ::chmod(dir_.Path().c_str(), 0755);  // nobody must reach the files
        fs::create_directory(music_);
        ::chmod(music_.c_str(), 0755);
        // The growing saves here go through a buffer, whatever the file
        // system could do; the shifted save has a test of its own.
        writepath::SetRoomInsertion(false);
    }
    void TearDown() override {
        writepath::SetStateFolder({});
        writepath::SetRoomInsertion(true);
    }

    // The file, what its save makes of it (on a copy), and the save cut
    // after its journal. With torn, part of the new file is in it already,
    // as an interrupted copy leaves it.
    void CutSave(bool grows, bool torn) {
        const std::string tag =
            grows ? MakeId3v2Tag({{"TIT2", TextFrameData("alt")}})
                  : MakeId3v2Tag({{"TIT2", TextFrameData("alt")}, {"TYER", TextFrameData("1999")}},
                                 3, 1024);
        const auto save = [grows](const std::string& p) {
            TID3v2 v2;
            if (grows) {
                v2.SetTitle(std::string(300, 't'));
            } else {
                v2.SetYear("2023");
            }
            v2.SaveToFile(p);
        };
        const std::string audio = MakeCbrAudio(9, 4.0);
        WriteMp3(path_, tag, audio, "");
        if (nobodysFile_) {
            ASSERT_EQ(::chown(path_.c_str(), kNobody, kNobody), 0);
        }
        before_ = ReadFileBytes(path_);
        const std::string ref = dir_.File("ref.mp3");
        WriteMp3(ref, tag, audio, "");
        writepath::SetStateFolder(dir_.File("ref-state"));
        save(ref);
        writepath::SetStateFolder({});
        after_ = ReadFileBytes(ref);
        ASSERT_NE(after_, before_);
        CutAfterJournal(state_, [&] { save(path_); });
        ASSERT_EQ(ReadFileBytes(path_), before_);
        if (torn && grows) {
            const std::string buffer = ReadFileBytes(Buffer());
            PosixFile f(path_, O_WRONLY);
            ASSERT_TRUE(f.WriteAllAt(buffer.data() + before_.size(), buffer.size() - before_.size(),
                                     static_cast<off_t>(before_.size())));
            ASSERT_TRUE(f.WriteAllAt(buffer.data(), 8192, 0));
        }
        cut_ = ReadFileBytes(path_);
    }

    std::string Named(bool journal) const {
        for (const auto& e : fs::directory_iterator(state_)) {
            const std::string name = e.path().filename().string();
            if (journal ? writepath::IsJournalName(name) : name.find(".buf-") != std::string::npos)
                return e.path().string();
        }
        return {};
    }
    std::string Journal() const { return Named(true); }
    std::string Buffer() const { return Named(false); }
    RecoveryReport Recover() const { return writepath::RecoverJournals(state_); }

    // Hands the state folder to nobody, as that user's own.
    void GiveToNobody() const {
        for (const auto& p : {dir_.File("state"), state_, Journal(), Buffer()})
            if (!p.empty()) {
                ASSERT_EQ(::chown(p.c_str(), kNobody, kNobody), 0) << p;
            }
    }

    TempDir dir_;
    const std::string music_ = dir_.File("music");
    const std::string path_ = music_ + "/a.mp3";
    const std::string state_ = dir_.File("state") + "/tonzettel";
    std::string before_, after_, cut_;
    bool nobodysFile_ = false;
};

// Each rule of whom a journal belongs to, as another user or root would
// break it: the save is finished only in the first row.
TEST_F(RecoveryTest, OnlyThisUsersJournalIsActedOn) {
    enum class Named { Finished, StateProblem, Untrusted, Pending };
    struct Case {
        const char* name;
        std::function<void(RecoveryTest&)> attack;
        Named named;
        bool root = false;  // needs root to stage
    };
    const auto journal = [](RecoveryTest& t) { return t.Journal(); };
    const Case cases[] = {
        {"the user's own journal", [](RecoveryTest&) {}, Named::Finished},
        {"a journal of another user",
         [&](RecoveryTest& t) { ASSERT_EQ(::chown(journal(t).c_str(), kNobody, kNobody), 0); },
         Named::Untrusted, true},
        {"a journal others may write", [&](RecoveryTest& t) { ::chmod(journal(t).c_str(), 0666); },
         Named::Untrusted},
        {"a journal that is a link",
         [&](RecoveryTest& t) {
             const std::string j = journal(t), away = t.dir_.File("journal-away");
             fs::rename(j, away);
             fs::create_symlink(away, j);
         },
         Named::Untrusted},
        {"a journal with a second name",
         [&](RecoveryTest& t) { fs::create_hard_link(journal(t), t.dir_.File("zweiter")); },
         Named::Untrusted},
        {"a buffer that is a link",
         [](RecoveryTest& t) {
             const std::string b = t.Buffer(), away = t.dir_.File("buffer-away");
             fs::rename(b, away);
             fs::create_symlink(away, b);
         },
         Named::Pending},
        {"a buffer of another user",
         [](RecoveryTest& t) { ASSERT_EQ(::chown(t.Buffer().c_str(), kNobody, kNobody), 0); },
         Named::Pending, true},
        {"the folder open to all", [](RecoveryTest& t) { ::chmod(t.state_.c_str(), 0777); },
         Named::StateProblem},
        {"the folder open to all, sticky",
         [](RecoveryTest& t) { ::chmod(t.state_.c_str(), 01777); }, Named::StateProblem},
        {"the folder writable by its group",
         [](RecoveryTest& t) { ::chmod(t.state_.c_str(), 0770); }, Named::StateProblem},
        {"a folder above open to all",
         [](RecoveryTest& t) { ::chmod(t.dir_.File("state").c_str(), 0777); }, Named::StateProblem},
        {"the folder of another user (root with that user's HOME)",
         [](RecoveryTest& t) { t.GiveToNobody(); }, Named::StateProblem, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.root && ::geteuid() != 0) continue;
        RecoveryTest& t = *this;
        fs::remove_all(t.dir_.File("state"));
        fs::remove_all(t.dir_.File("ref-state"));
        for (const char* stray : {"journal-away", "buffer-away", "zweiter"})
            fs::remove(t.dir_.File(stray));
        ASSERT_NO_FATAL_FAILURE(CutSave(true, true));
        const std::string j = Journal();
        c.attack(t);
        const RecoveryReport report = Recover();
        switch (c.named) {
            case Named::Finished:
                EXPECT_EQ(report.Finished, std::vector<std::string>{path_});
                EXPECT_TRUE(ReadFileBytes(path_) == after_);
                EXPECT_TRUE(fs::is_empty(state_));
                continue;
            case Named::StateProblem:
                EXPECT_FALSE(report.State.Trusted());
                break;
            case Named::Untrusted:
                EXPECT_TRUE(Has(report.Untrusted, j));
                break;
            case Named::Pending:
                EXPECT_TRUE(Has(report.Pending, path_));
                break;
        }
        EXPECT_TRUE(report.Finished.empty());
        EXPECT_TRUE(ReadFileBytes(path_) == cut_);
        EXPECT_TRUE(fs::exists(fs::symlink_status(j))) << "the journal was removed";
    }
}

// The same journal, given to the user it belongs to, is that user's to
// finish; root has named it and left it.
TEST_F(RecoveryTest, AnotherUsersJournalWaitsForThatUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    nobodysFile_ = true;
    ASSERT_NO_FATAL_FAILURE(CutSave(true, true));
    GiveToNobody();
    EXPECT_FALSE(Recover().State.Trusted());
    const int code = AsOtherUser([this] {
        const RecoveryReport r = Recover();
        return r.Finished == std::vector<std::string>{path_} && r.State.Trusted() ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(ReadFileBytes(path_) == after_);
}

// A medium pulled, coming back (at the same path, perhaps with another
// inode number, as FAT gives), or another medium in its place.
TEST_F(RecoveryTest, ASaveOutOfReachIsKeptUntilItsFileIsBack) {
    struct Case {
        const char* name;
        std::function<void(RecoveryTest&)> meanwhile;  // before the first start
        std::function<void(RecoveryTest&)> back;       // before the second, or none
        bool finished;                                 // by the second start
    };
    const auto away = [](RecoveryTest& t) { fs::rename(t.music_, t.music_ + "-weg"); };
    const auto back = [](RecoveryTest& t) { fs::rename(t.music_ + "-weg", t.music_); };
    const auto newInode = [back](RecoveryTest& t) {
        back(t);
        const std::string bytes = ReadFileBytes(t.path_);
        fs::remove(t.path_);
        WriteFileBytes(t.path_, bytes);
    };
    const Case cases[] = {
        {"the medium back", away, back, true},
        {"the medium back, other inode numbers", away, newInode, true},
        {"another file of the same name and size",
         [](RecoveryTest& t) {
             fs::remove(t.path_);
             WriteFileBytes(t.path_, std::string(t.cut_.size(), 'x'));
         },
         {},
         false},
    };
    for (const bool grows : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (grows ? ", growing" : ", in place"));
            fs::remove_all(dir_.File("state"));
            fs::remove_all(dir_.File("ref-state"));
            fs::remove_all(music_ + "-weg");
            ASSERT_NO_FATAL_FAILURE(CutSave(grows, true));
            c.meanwhile(*this);
            const std::string there = fs::exists(path_) ? ReadFileBytes(path_) : "";
            for (int start = 0; start < 2; ++start) {
                const RecoveryReport r = Recover();
                EXPECT_EQ(r.Pending, std::vector<std::string>{path_});
                EXPECT_TRUE(r.Finished.empty() && r.LeftAlone.empty());
                EXPECT_NE(Journal(), "");
                EXPECT_EQ(Buffer() != "", grows);
                if (fs::exists(path_)) {
                    EXPECT_TRUE(ReadFileBytes(path_) == there);
                }
            }
            if (!c.back) continue;
            c.back(*this);
            const RecoveryReport r = Recover();
            EXPECT_EQ(r.Finished, std::vector<std::string>{path_});
            EXPECT_TRUE(ReadFileBytes(path_) == after_);
            EXPECT_TRUE(fs::is_empty(state_));
        }
    }
}

// A group of two whose second file is out of reach: the first is finished,
// and the journal is left holding the second alone, with its buffer.
TEST_F(RecoveryTest, AJournalKeepsJustWhatIsPending) {
    const std::string other = dir_.File("stick");
    fs::create_directory(other);
    const std::string second = other + "/b.mp3";
    const std::string audio = MakeCbrAudio(9, 1.0);
    WriteMp3(path_, MakeId3v2Tag({{"TYER", TextFrameData("1999")}}, 3, 256), audio, "");
    WriteMp3(second, MakeId3v2Tag({{"TYER", TextFrameData("1999")}}), audio, "");
    CutAfterJournal(state_, [&] {
        writepath::WriteGroup group;
        for (const std::string& p : {path_, second}) {
            TID3v2 tag;
            tag.SetYear("2023");
            if (p == second) tag.SetTitle(std::string(300, 't'));  // it grows
            group.Add(tag.Change(p));
        }
    });
    fs::rename(other, other + "-weg");
    RecoveryReport r = Recover();
    EXPECT_EQ(r.Finished, std::vector<std::string>{path_});
    EXPECT_EQ(r.Pending, std::vector<std::string>{second});
    const auto left = writepath::DecodeRecord(ReadFileBytes(Journal()));
    ASSERT_TRUE(left && left->size() == 1);
    EXPECT_EQ(left->front().Path, second);
    EXPECT_EQ(state_ + "/" + left->front().Buffer, Buffer());
    fs::rename(other + "-weg", other);
    r = Recover();
    EXPECT_EQ(r.Finished, std::vector<std::string>{second});
    EXPECT_TRUE(fs::is_empty(state_));
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(second));
    EXPECT_EQ(tag.Year(), "2023");
}

// A journal entry that is the user's own but names what no save of this
// program makes: nothing there is touched.
TEST_F(RecoveryTest, AnEntryWritesOnlyIntoTheFileItWasMadeFor) {
    const std::string victim = dir_.File("passwd");
    WriteFileBytes(victim, "root:x:0:0:root:/root:/bin/bash\n");
    ::chmod(victim.c_str(), 0640);
    const std::string link = dir_.File("link.mp3");
    fs::create_symlink(victim, link);
    const std::string others = dir_.File("others.mp3");
    WriteFileBytes(others, std::string(4096, 'o'));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(others.c_str(), kNobody, kNobody), 0);
    }
    const std::string tiny = dir_.File("tiny.mp3");
    WriteFileBytes(tiny, "hallo");
    const auto entry = [](const std::string& path, int64_t oldSize = -1) {
        if (oldSize < 0) oldSize = static_cast<int64_t>(fs::file_size(path));
        writepath::JournalEntry e;
        e.Path = path;
        e.Identity.Uid = ::geteuid();
        e.OldSize = oldSize;
        e.NewSize = oldSize + 9;
        writepath::Range r;
        r.Offset = oldSize;
        r.New = "evil::0:0";
        e.Ranges.push_back(r);
        e.KeptDigest = writepath::DigestOf("");
        return e;
    };
    struct Case {
        const char* name;
        writepath::JournalEntry e;
        const std::string& target;
    };
    const Case cases[] = {
        {"a file that is no MP3 file", entry(victim), victim},
        {"an MP3 name that is a link", entry(link), victim},
        {"a file of another user", entry(others), others},
        {"an old size of 0", entry(tiny, 0), tiny},
        {"no old byte named, which any file would match", entry(tiny), tiny},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_.File("state"));
        ASSERT_TRUE(writepath::CheckStateFolder(state_, true).Trusted());
        const std::string before = ReadFileBytes(c.target);
        WriteFileBytes(state_ + "/journal-forged", writepath::EncodeRecord({&c.e}));
        ::chmod((state_ + "/journal-forged").c_str(), 0600);
        const RecoveryReport r = Recover();
        EXPECT_TRUE(r.Finished.empty());
        EXPECT_TRUE(ReadFileBytes(c.target) == before);
    }
    EXPECT_EQ(fs::status(victim).permissions(), fs::perms(0640));

    // A mode beyond the permission bits is no record of ours.
    WriteFileBytes(path_, before_ = std::string(4096, 'a'));
    writepath::JournalEntry e = entry(path_);
    e.Mode = 0755;
    e.ModeRaised = true;
    // The form before, whose digest is BLAKE2b, so the forged record is whole.
    std::string record = writepath::EncodeRecord({&e}, writepath::RecordForm::NoShift);
    std::string payload = record.substr(28);
    std::string mode(8, '\0'), setuid(8, '\0');
    mode[0] = static_cast<char>(0755 & 0xFF), mode[1] = static_cast<char>(0755 >> 8);
    setuid[0] = mode[0], setuid[1] = static_cast<char>(04755 >> 8);
    const size_t at = payload.find(mode + std::string("\1\0\0\0\0\0\0\0", 8));
    ASSERT_NE(at, std::string::npos);
    payload.replace(at, 8, setuid);
    const writepath::Digest d = writepath::DigestOf(payload);
    record = record.substr(0, 12) + std::string(d.begin(), d.end()) + payload;
    ::chmod(path_.c_str(), 0644);
    WriteFileBytes(state_ + "/journal-forged", record);
    Recover();
    EXPECT_EQ(fs::status(path_).permissions(), fs::perms(0644));
    EXPECT_TRUE(ReadFileBytes(path_) == before_);
}

// A save that grows the file by room inserted at its start, cut at each
// state it can leave: finished in the file it was made for, never in
// another of that name and size, and left alone in one changed since.
TEST_F(RecoveryTest, AShiftedSaveIsFinishedWhereverItWasCut) {
    writepath::SetRoomInsertion(true);
    enum class Named { Finished, Pending, LeftAlone };
    const auto insert = [](const std::string& path, int64_t length) {
        PosixFile f(path, O_RDWR);
        ASSERT_EQ(::fallocate(f.Fd(), FALLOC_FL_INSERT_RANGE, 0, length), 0);
    };
    struct Case {
        const char* name;
        std::function<void(RecoveryTest&, int64_t shift)> cut;
        Named named;
    } cases[] = {
        {"before the room", [](RecoveryTest&, int64_t) {}, Named::Finished},
        {"the room inserted", [&](RecoveryTest& t, int64_t n) { insert(t.path_, n); },
         Named::Finished},
        {"the room and half the area",
         [&](RecoveryTest& t, int64_t n) {
             insert(t.path_, n);
             PosixFile f(t.path_, O_WRONLY);
             ASSERT_TRUE(f.WriteAllAt(t.after_.data(), static_cast<size_t>(n / 2 + 700), 0));
         },
         Named::Finished},
        {"another stick's file of that name and size",
         [](RecoveryTest& t, int64_t) {
             fs::remove(t.path_);
             WriteFileBytes(t.path_, std::string(t.before_.size(), 'x'));
         },
         Named::Pending},
        {"the file changed since",
         [](RecoveryTest& t, int64_t) {
             PosixFile f(t.path_, O_WRONLY);
             ASSERT_TRUE(f.WriteAllAt("zz", 2, 200));
         },
         Named::LeftAlone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_.File("state"));
        fs::remove_all(dir_.File("ref-state"));
        ASSERT_NO_FATAL_FAILURE(CutSave(true, false));
        const auto entries = writepath::DecodeRecord(ReadFileBytes(Journal()));
        ASSERT_TRUE(entries && entries->size() == 1);
        if (entries->front().Shift == 0) GTEST_SKIP() << "the file system cannot insert room";
        EXPECT_TRUE(Buffer().empty());
        ASSERT_NO_FATAL_FAILURE(c.cut(*this, entries->front().Shift));
        const std::string cut = ReadFileBytes(path_);
        const RecoveryReport report = Recover();
        switch (c.named) {
            case Named::Finished:
                EXPECT_EQ(report.Finished, std::vector<std::string>{path_});
                EXPECT_TRUE(ReadFileBytes(path_) == after_);
                break;
            case Named::Pending:
                EXPECT_TRUE(Has(report.Pending, path_));
                EXPECT_TRUE(ReadFileBytes(path_) == cut);
                break;
            case Named::LeftAlone:
                EXPECT_TRUE(Has(report.LeftAlone, path_));
                EXPECT_TRUE(ReadFileBytes(path_) == cut);
                break;
        }
    }
}

// Journals of the forms before, left by an earlier version, are still
// finished: BLAKE2b prints of the old sectors and the buffer (a growing
// save), BLAKE2b digests of the old pieces (an in-place one).
TEST_F(RecoveryTest, AJournalOfAFormBeforeIsFinished) {
    for (const auto form :
         {writepath::RecordForm::StrongPrints, writepath::RecordForm::StrongPieces}) {
        const bool grows = form == writepath::RecordForm::StrongPrints;
        SCOPED_TRACE(grows ? "TZJ2" : "TZJ4");
        ASSERT_NO_FATAL_FAILURE(CutSave(grows, true));
        const std::string journal = Journal();
        auto entries = writepath::DecodeRecord(ReadFileBytes(journal));
        ASSERT_TRUE(entries && entries->size() == 1);
        writepath::JournalEntry& e = entries->front();
        const auto strong = [this](int64_t at, int64_t n) {
            return writepath::DigestOf(
                std::string_view(before_).substr(static_cast<size_t>(at), static_cast<size_t>(n)));
        };
        if (grows) {
            e.OldSectors.clear();
            for (size_t at = 0; at < before_.size(); at += writepath::kSector)
                e.OldSectors.push_back(strong(static_cast<int64_t>(at), writepath::kSector));
            e.BufferDigest = writepath::DigestOf(ReadFileBytes(Buffer()));
        }
        for (writepath::Range& r : e.Ranges) {
            r.OldPieces.clear();
            writepath::ForEachPiece(r.Offset, r.OldLength, [&](int64_t at, int64_t n) {
                r.OldPieces.push_back(strong(at, n));
            });
        }
        WriteFileBytes(journal, writepath::EncodeRecord({&e}, form));
        EXPECT_EQ(Recover().Finished.size(), 1u);
        EXPECT_TRUE(ReadFileBytes(path_) == after_);
    }
}

// Where the journal lives when the environment says little.
TEST(StateFolderTest, TheUsersOwnHomeAndNeverAFolderOfAll) {
    struct Case {
        const char* xdg;
        const char* home;
        std::string folder;
    };
    const passwd* pw = ::getpwuid(::geteuid());
    ASSERT_NE(pw, nullptr);
    const std::string own = std::string(pw->pw_dir) + "/.local/state/tonzettel";
    const Case cases[] = {
        {"/x/state", "/h", "/x/state/tonzettel"},
        {"relativ", "/h", "/h/.local/state/tonzettel"},
        {nullptr, "/h/", "/h/.local/state/tonzettel"},
        {nullptr, nullptr, own},
        {"", "", own},
    };
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        c.xdg ? ::setenv("XDG_STATE_HOME", c.xdg, 1) : ::unsetenv("XDG_STATE_HOME");
        c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(writepath::DefaultStateFolder(), c.folder);
    }
    ::setenv("HOME", savedHome.c_str(), 1);
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_FALSE(fs::exists("/tmp/.local/state/tonzettel"));
}

}  // namespace

namespace {

// The digest is BLAKE2b with a 16-byte result: Python's hashlib gives these.
TEST(DigestTest, MatchesBlake2bOf16Bytes) {
    std::string counting;
    for (int r = 0; r < 3; ++r)
        for (int b = 0; b < 256; ++b) counting += static_cast<char>(b);
    const std::pair<std::string, const char*> cases[] = {
        {"", "cae66941d9efbd404e4d88758ea67670"},
        {"abc", "cf4ab791c62b8d2b2109c90275287816"},
        {std::string(128, 'a'), "1271d28e731afb57bdfba6bdaf3501be"},  // one full block
        {std::string(129, 'a'), "68b7bafbad5055c4ebe6eb170a0f8524"},
        {counting, "e0892860f9fc0da273b9db57e857c19a"},
    };
    for (const auto& [bytes, hex] : cases) {
        const writepath::Digest d = writepath::DigestOf(bytes);
        std::string got;
        for (const uint8_t b : d)
            got += "0123456789abcdef"[b >> 4], got += "0123456789abcdef"[b & 15];
        EXPECT_EQ(got, hex) << bytes.size() << " bytes";
    }
}

}  // namespace

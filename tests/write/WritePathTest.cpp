#include "tags/WritePath.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/Mp3Builder.h"
#include "support/OtherUser.h"
#include "support/TempDir.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/PosixFile.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using writepath::Failure;

const std::string kAudio = MakeCbrAudio(9, 0.5);
constexpr off_t kHole = 4 << 20;

// A POSIX ACL as the kernel stores it: owner rw, user nobody r, group r,
// mask r, others nothing.
std::string AclGrantingNobody() {
    std::string acl;
    const auto put32 = [&acl](uint32_t v) {
        for (int i = 0; i < 4; ++i) acl += static_cast<char>(v >> (8 * i));
    };
    const auto entry = [&](uint16_t tag, uint16_t perm, uint32_t id) {
        acl += static_cast<char>(tag & 0xFF);
        acl += static_cast<char>(tag >> 8);
        acl += static_cast<char>(perm & 0xFF);
        acl += static_cast<char>(perm >> 8);
        put32(id);
    };
    put32(2);
    entry(0x01, 6, ~0u);
    entry(0x02, 4, kNobody);
    entry(0x04, 4, ~0u);
    entry(0x10, 4, ~0u);
    entry(0x20, 0, ~0u);
    return acl;
}

std::string GetXattr(const std::string& path, const char* name) {
    char value[256];
    const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? std::string("(none)") : std::string(value, static_cast<size_t>(n));
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

class WritePathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(dir_.Path().c_str(), 0755);  // the other user must reach the files
        state_ = dir_.File("state");
        fs::create_directory(state_);
        writepath::SetStateFolder(state_);
    }
    void TearDown() override { writepath::SetStateFolder({}); }

    TempDir dir_;
    std::string state_;
};

// What a save keeps of the file and around it, at both levels, for a tag
// that fits its room and one that must grow.
TEST_F(WritePathTest, ASaveKeepsWhatLiesAroundTheTag) {
    struct Case {
        const char* name;
        std::string id3v2, id3v1;
        std::function<bool(const std::string&)> save;
        bool inPlace;
    };
    const std::string padded =
        MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}, {"TYER", TextFrameData("1999")}}, 3, 1024);
    const std::string tight = MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}});
    const std::string block = MakeId3v1Tag("Titel", "A", "B", "1999", "", 3, 17);
    const auto level2 = [](const std::string& title) {
        return [title](const std::string& p) {
            TID3v2 tag;
            return tag.ReadFromFile(p) && (tag.SetTitle(title), tag.SaveToFile(p));
        };
    };
    const auto level1 = [](const std::string& p) {
        TID3v1 tag;
        return tag.ReadFromFile(p) && (tag.SetTitle("Neu"), tag.SaveToFile(p));
    };
    const Case cases[] = {
        {"level 2, fits its padding", padded, block, level2("Neu"), true},
        {"level 2, must grow", tight, block, level2(std::string(300, 'x')), false},
        {"level 1, over the old block", padded, block, level1, true},
        {"level 1, appended", tight, "", level1, true},
    };
    const std::string acl = AclGrantingNobody();
    bool viaLink = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A name of 255 bytes and a hard link beside a file named as the
        // link with "~"; the save goes through each name in turn.
        const std::string longName = dir_.File(std::string(251, 'a') + ".mp3");
        const std::string shortName = dir_.File("link.mp3");
        fs::remove(longName);
        fs::remove(shortName);
        viaLink = !viaLink;
        const std::string& path = viaLink ? shortName : longName;
        const std::string& link = viaLink ? longName : shortName;
        {
            // Audio, a hole of 4 MiB, more audio: a sparse file.
            WriteMp3(path, c.id3v2, kAudio, "");
            PosixFile f(path, O_WRONLY);
            const std::string tail = kAudio + c.id3v1;
            ASSERT_TRUE(f.WriteAllAt(tail.data(), tail.size(), kHole));
        }
        const std::string audio =
            ReadFileBytes(path).substr(c.id3v2.size(), kHole + kAudio.size() - c.id3v2.size());
        ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
        WriteFileBytes(shortName + "~", "keep");
        ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::setxattr(path.c_str(), "user.xdg.tags", "lieblings", 9, 0), 0);
        const bool hasAcl =
            ::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
        const struct stat before = StatOf(path);

        ASSERT_TRUE(c.save(path));

        const struct stat after = StatOf(path);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_nlink, 2u);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(GetXattr(path, "user.xdg.tags"), "lieblings");
        if (hasAcl) {
            EXPECT_EQ(GetXattr(path, "system.posix_acl_access"), acl);
        }
        // The hole stays a hole: far fewer blocks than its 4 MiB.
        EXPECT_LT(after.st_blocks, before.st_blocks + 64);
        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(ReadFileBytes(link), bytes);
        TID3v2 v2;
        ASSERT_TRUE(v2.ReadFromFile(path));
        const size_t tagEnd = static_cast<size_t>(v2.Size());
        EXPECT_EQ(bytes.substr(tagEnd, audio.size()), audio);
        EXPECT_EQ(c.inPlace, tagEnd == c.id3v2.size());
        EXPECT_EQ(ReadFileBytes(shortName + "~"), "keep");
        // No buffer is left, and the journal holds nothing between saves.
        for (const auto& e : fs::directory_iterator(state_)) {
            EXPECT_EQ(e.path().filename().string().find(".buf-"), std::string::npos);
            EXPECT_EQ(e.file_size(), 0u);
        }
    }
}

// Where the folder cannot be written, or the file lacks write permission, a
// save still works and leaves the mode as it was; another holder of the file
// stops it at both levels.
TEST_F(WritePathTest, FolderModeAndLocks) {
    const fs::path sub = dir_.Path() / "nur lesen";
    fs::create_directory(sub);
    const std::string path = (sub / "a.mp3").string();
    WriteMp3(path, MakeId3v2Tag({{"TIT2", TextFrameData("alt")}}), kAudio, "");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
    for (const int level : {1, 2}) {
        SCOPED_TRACE(level);
        const int code = AsOtherUser(
            [&] {
                // While the file is written, nobody else can lock it.
                bool unlocked = false;
                writepath::SetStepHook([&](const writepath::Step& step) {
                    if (step.Kind != writepath::StepKind::Write || step.Path != path) return;
                    PosixFile other(path, O_RDONLY);
                    unlocked = unlocked || ::flock(other.Fd(), LOCK_EX | LOCK_NB) == 0;
                });
                bool saved = false;
                if (level == 1) {
                    TID3v1 tag;
                    tag.SetTitle("neu");
                    saved = tag.SaveToFile(path);
                } else {
                    TID3v2 tag;
                    tag.SetTitle("neu und länger als der alte Titel");
                    saved = tag.SaveToFile(path);
                }
                writepath::SetStepHook({});
                return !saved ? 1 : unlocked ? 2 : 0;
            },
            FolderOfOtherUser(dir_.File("state-nobody")));
        EXPECT_EQ(code, 0);
        EXPECT_EQ(StatOf(path).st_mode & 07777, 0444u);
    }
    TID3v2 back;
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.Title(), "neu und länger als der alte Titel");
    EXPECT_EQ(ReadFileBytes(path).substr(static_cast<size_t>(back.Size())).substr(0, kAudio.size()),
              kAudio);

    ASSERT_EQ(::chmod(sub.c_str(), 0755), 0);
    const std::string before = ReadFileBytes(path);
    PosixFile holder(path, O_RDONLY);
    ASSERT_EQ(::flock(holder.Fd(), LOCK_EX | LOCK_NB), 0);
    TID3v1 v1;
    v1.SetTitle("x");
    EXPECT_EQ(v1.SaveChange(path), Failure::Locked);
    TID3v2 v2;
    v2.SetTitle("x");
    EXPECT_EQ(v2.SaveChange(path), Failure::Locked);
    EXPECT_EQ(ReadFileBytes(path), before);
}

// The first edit of a tag without padding grows the tag by whole pages:
// where the file system inserts room at the start, only the new tag is
// written, else the file once through a buffer; the next edit writes only
// the bytes that change.
TEST_F(WritePathTest, TheSecondEditIsInPlace) {
    const std::string probe = dir_.File("probe");
    WriteFileBytes(probe, std::string(8192, 'p'));
    const bool inserts = [&] {
        PosixFile f(probe, O_RDWR);
        return ::fallocate(f.Fd(), FALLOC_FL_INSERT_RANGE, 0, 4096) == 0;
    }();
    for (const bool insertion : {false, true}) {
        SCOPED_TRACE(insertion ? "room inserted" : "through a buffer");
        writepath::SetRoomInsertion(insertion);
        const std::string path = dir_.File("a.mp3");
        WriteMp3(path,
                 MakeId3v2Tag({{"TYER", TextFrameData("1999")}, {"APIC", std::string(60000, 'p')}}),
                 kAudio, "");
        const std::string audio = kAudio;
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        tag.SetTitle("Neu");
        const auto first = writepath::SaveChange(tag.Change(path));
        ASSERT_EQ(first.Why, Failure::None);
        EXPECT_FALSE(first.InPlace);
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_EQ(tag.Title(), "Neu");
        EXPECT_TRUE(ReadFileBytes(path).substr(static_cast<size_t>(tag.Size())) == audio);
        EXPECT_EQ(first.BytesWritten, insertion && inserts ? tag.Size() : first.NewSize);
        tag.SetYear("2023");
        const auto second = writepath::SaveChange(tag.Change(path));
        ASSERT_EQ(second.Why, Failure::None);
        EXPECT_TRUE(second.InPlace);
        EXPECT_EQ(second.BytesWritten, 4);
        EXPECT_EQ(second.NewSize, first.NewSize);
    }
}

// On a full file system a save into the tag's room still works; one that
// must grow fails, names the reason and leaves the file as it was, and so
// does one that changes the tag in place and puts an ID3v1 block on (its
// file ends at a page, so the block needs room).
TEST_F(WritePathTest, AFullFileSystem) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    const fs::path mnt = dir_.Path() / "voll";
    fs::create_directory(mnt);
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "no tmpfs could be mounted here";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{mnt.string()};
    const std::string fits = (mnt / "passt.mp3").string();
    const std::string grows = (mnt / "waechst.mp3").string();
    WriteMp3(fits, MakeId3v2Tag({{"TIT2", TextFrameData("alt")}}, 3, 1024), kAudio, "");
    WriteMp3(grows, MakeId3v2Tag({{"TIT2", TextFrameData("alt")}}), kAudio, "");
    const std::string both = (mnt / "beide.mp3").string();
    const std::string head = MakeId3v2Tag({{"TIT2", TextFrameData("alt")}}, 3, 1024);
    WriteMp3(both, head, kAudio + std::string(4096 - (head.size() + kAudio.size()) % 4096, '\0'),
             "");
    {
        // Fill what is left.
        PosixFile filler((mnt / "fueller").string(), O_WRONLY | O_CREAT, 0644);
        const std::string block(4096, 'f');
        for (off_t at = 0; filler.WriteAllAt(block.data(), block.size(), at); at += 4096) {
        }
    }
    const std::string before = ReadFileBytes(grows);
    TID3v2 tag;
    tag.SetTitle("neu");
    EXPECT_EQ(tag.SaveChange(fits), Failure::None);
    tag.SetTitle(std::string(3000, 'n'));
    EXPECT_EQ(tag.SaveChange(grows), Failure::NoSpace);
    EXPECT_EQ(ReadFileBytes(grows), before);
    const std::string bothBefore = ReadFileBytes(both);
    writepath::TagChange change{both,
                                id3v2::HeadOf(
                                    [](const id3v2::ParsedTag*, std::string& t) {
                                        t = MakeId3v2Tag({{"TIT2", TextFrameData("neu")}});
                                        return true;
                                    },
                                    true),
                                writepath::BlockChange::Put};
    change.NewBlock.fill('v');
    EXPECT_EQ(writepath::SaveChange(change).Why, Failure::NoSpace);
    EXPECT_EQ(ReadFileBytes(both), bothBefore);
    EXPECT_TRUE(writepath::RecoverJournals().Finished.empty());
}

}  // namespace

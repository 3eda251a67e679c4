#include "tags/write/Plan.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tags/Hash.h"
#include "tags/TagArea.h"
#include "tags/Text.h"
#include "tags/write/Diff.h"
#include "tags/write/Disk.h"

namespace writepath {
namespace {

bool& InsertionAllowed() {
    static bool allowed = true;
    return allowed;
}

std::vector<dev_t>& RefusingDevices() {
    static std::vector<dev_t> devices;
    return devices;
}

// The first audio bytes behind the tag that a journal entry names the old
// file by, beside its tags.
constexpr int64_t kAudioPrint = 4096;

// Spans minus holes (both sorted by offset, holes not overlapping).
std::vector<Span> Without(std::vector<Span> spans, const std::vector<Span>& holes) {
    std::vector<Span> out;
    for (Span s : spans) {
        int64_t at = s.Offset;
        const int64_t end = s.Offset + s.Length;
        for (const Span& h : holes) {
            if (h.Offset + h.Length <= at || h.Offset >= end) continue;
            if (h.Offset > at) out.push_back({at, h.Offset - at});
            at = std::max(at, h.Offset + h.Length);
        }
        if (at < end) out.push_back({at, end - at});
    }
    return out;
}

// What names the old file in an in-place entry, beside the ranges' old
// bytes: its tag areas, the first audio behind the ID3v2 area and the last
// bytes, less what the ranges and a cut-off ID3v1 block change. Without
// the head (a shift writes it after moving it), from the audio on.
Failure NameOldFile(PlannedFile& e, const std::string& tail, bool withHead = true) {
    const FilePlan& p = e.Plan;
    JournalEntry& j = e.Journal;
    const auto room = static_cast<int64_t>(p.OldHead.size());
    std::string audio(static_cast<size_t>(std::clamp<int64_t>(p.OldSize - room, 0, kAudioPrint)),
                      '\0');
    if (e.File.ReadAt(audio.data(), audio.size(), room) != static_cast<ssize_t>(audio.size()))
        return Failure::Io;
    const auto tailAt = p.OldSize - static_cast<int64_t>(tail.size());
    const int64_t from = withHead ? 0 : room, audioEnd = room + static_cast<int64_t>(audio.size());
    std::vector<Span> spans{{from, audioEnd - from}};
    if (!tail.empty() && tailAt > audioEnd) spans.push_back({tailAt, p.OldSize - tailAt});
    if (!tail.empty() && tailAt <= audioEnd) spans[0].Length = p.OldSize - from;
    std::vector<Span> changed;
    for (const Range& r : j.Ranges) changed.push_back({r.Offset, r.OldLength});
    if (p.NewSize < p.OldSize) changed.push_back({p.NewSize, p.OldSize - p.NewSize});
    j.Kept = Without(std::move(spans), changed);
    QuickPrint digest;
    for (const Span& s : j.Kept) {
        for (int64_t at = s.Offset, end = s.Offset + s.Length; at < end;) {
            std::string_view from;
            int64_t base = 0;
            if (at < room) {
                from = p.OldHead;
            } else if (at < room + static_cast<int64_t>(audio.size())) {
                from = audio;
                base = room;
            } else {
                from = tail;
                base = tailAt;
            }
            const int64_t n = std::min(end, base + static_cast<int64_t>(from.size())) - at;
            digest.Add(from.substr(static_cast<size_t>(at - base), static_cast<size_t>(n)));
            at += n;
        }
    }
    j.KeptDigest = digest.Finish();
    return Failure::None;
}

}  // namespace

// Opens and locks the file and works out its new bytes.
void PlanChange(PlannedFile& e, const TagChange& change, bool hashTags, std::string& oldHead,
                std::string& newHead) {
    FilePlan& p = e.Plan;
    p.Path = change.Path;
    p.OldHead.swap(oldHead);
    p.NewHead.swap(newHead);
    const auto fail = [&p](Failure f) { p.Why = f; };
    e.File = PosixFile(change.Path, O_RDWR | O_NONBLOCK);
    e.Writable = e.File.IsOpen();
    if (!e.Writable) {
        // A file without write permission is written once its owner's
        // permission is raised, under the journal; anything else fails here.
        if (errno != EACCES && errno != EPERM) return fail(FailureOfErrno(errno));
        e.File = PosixFile(change.Path, O_RDONLY | O_NONBLOCK);
        if (!e.File.IsOpen()) return fail(FailureOfErrno(errno));
    }
    if (::fstat(e.File.Fd(), &e.Stat) != 0) return fail(Failure::Io);
    if (!S_ISREG(e.Stat.st_mode)) return fail(Failure::NotRegular);
    // A start finishes a cut save only in an MP3 file: the write path makes
    // no save it could not finish.
    if (!HasMp3Extension(change.Path)) return fail(Failure::NotMp3);
    if (!e.Writable && e.Stat.st_uid != ::geteuid()) return fail(Failure::NoPermission);
    // Nobody else may hold the file while it is written.
    if (::flock(e.File.Fd(), LOCK_EX | LOCK_NB) != 0) return fail(Failure::Locked);
    const int64_t size = e.Stat.st_size;
    p.OldSize = size;
    p.MtimeNs = int64_t{e.Stat.st_mtim.tv_sec} * 1000000000 + e.Stat.st_mtim.tv_nsec;
    TagAreas areas;
    areas.Head.swap(p.OldHead);  // its room is used again
    const AreaRead read = ReadTagAreas(e.File, size, areas);
    p.OldHead.swap(areas.Head);
    if (read == AreaRead::Io) return fail(Failure::Io);
    if (read == AreaRead::Short && change.Head) return fail(Failure::TooShort);
    const auto room = static_cast<int64_t>(p.OldHead.size());
    if (!change.Head) {
        p.NewHead = p.OldHead;
    } else if (!change.Head(p.OldHead, areas.Info, p.NewHead)) {
        return fail(Failure::TooLarge);
    }
    const std::string& tail = areas.Tail;  // the last 128 bytes, whatever they hold
    if (areas.HasBlock()) p.OldBlock = tail;
    p.NewBlock = p.OldBlock;
    if (change.Block != BlockChange::Keep) {
        if (size < static_cast<int64_t>(kId3v1Size)) return fail(Failure::TooShort);
        if (change.Block == BlockChange::PutOverTag && p.OldBlock.empty())
            return fail(Failure::Changed);
        if (change.Block == BlockChange::Remove) {
            p.NewBlock.clear();
        } else {
            p.NewBlock.assign(reinterpret_cast<const char*>(change.NewBlock.data()), kId3v1Size);
        }
        // A block that lies inside the ID3v2 area cannot change apart from it.
        if (p.NewBlock != p.OldBlock && !p.OldBlock.empty() &&
            size - static_cast<int64_t>(kId3v1Size) < room)
            return fail(Failure::TooShort);
    }
    const bool blockChanges = p.OldBlock != p.NewBlock;
    const int64_t bodyEnd = size - (blockChanges && !p.OldBlock.empty() ? kId3v1Size : 0);
    const auto newRoom = static_cast<int64_t>(p.NewHead.size());
    p.NewSize =
        newRoom + (bodyEnd - room) + (blockChanges ? static_cast<int64_t>(p.NewBlock.size()) : 0);
    p.InPlace = newRoom == room;
    // Room inserted at the start moves the audio without copying it: whole
    // pages, where the file system can, and the ID3v1 block as it was.
    const int64_t growth = newRoom - room;
    e.Shifted = growth > 0 && growth % 4096 == 0 && !blockChanges && size - room >= kAudioPrint &&
                RoomInsertion() && CanInsertRoom(e.File, growth) &&
                std::find(RefusingDevices().begin(), RefusingDevices().end(), e.Stat.st_dev) ==
                    RefusingDevices().end();
    if (hashTags) p.NewTagsHash = HashBytes(p.NewBlock, HashBytes(p.NewHead, 0));

    JournalEntry& j = e.Journal;
    // The next start may run in another folder: the journal names the file
    // by its full path.
    if (char* full = ::realpath(change.Path.c_str(), nullptr)) {
        j.Path = full;
        std::free(full);
    } else {
        j.Path = change.Path;
    }
    j.Identity = IdentityOf(e.File.Fd());
    j.OldSize = p.OldSize;
    j.NewSize = p.NewSize;
    j.Mode = e.Stat.st_mode & 0777;
    j.ModeRaised = !e.Writable;
    if (e.Shifted) {
        j.Shift = growth;
        Range r;
        r.New = p.NewHead;
        j.Ranges.push_back(std::move(r));
        ForEachPiece(0, room, [&](int64_t at, int64_t n) {
            j.OldSectors.push_back(PrintOf(
                std::string_view(p.OldHead).substr(static_cast<size_t>(at), static_cast<size_t>(n)),
                false));
        });
        if (const Failure f = NameOldFile(e, tail, false); f != Failure::None) return fail(f);
        return;
    }
    if (!p.InPlace) return;
    j.Ranges = DifferingRuns(p.OldHead, p.NewHead, 0);
    if (blockChanges && !p.NewBlock.empty()) {
        if (p.OldBlock.empty()) {
            Range r;
            r.Offset = size;
            r.New = p.NewBlock;
            j.Ranges.push_back(std::move(r));
        } else {
            for (auto& r : DifferingRuns(p.OldBlock, p.NewBlock, size - kId3v1Size))
                j.Ranges.push_back(std::move(r));
        }
    }
    if (j.Ranges.empty() && p.NewSize == p.OldSize) return;  // nothing to write
    if (const Failure f = NameOldFile(e, tail); f != Failure::None) return fail(f);
}

bool NothingToWrite(const PlannedFile& e) {
    return e.Plan.InPlace && e.Journal.Ranges.empty() && e.Plan.NewSize == e.Plan.OldSize;
}

bool RoomInsertion() {
    return InsertionAllowed();
}

void NoteInsertionRefused(dev_t device) {
    RefusingDevices().push_back(device);
}

void SetRoomInsertion(bool allowed) {
    InsertionAllowed() = allowed;
}

int64_t GrownRoom(int64_t oldRoom, int64_t tagSize) {
    constexpr int64_t kPage = 4096, kMinPadding = 1024;
    const int64_t growth = std::max<int64_t>(tagSize + kMinPadding - oldRoom, 1);
    return oldRoom + (growth + kPage - 1) / kPage * kPage;
}

}  // namespace writepath

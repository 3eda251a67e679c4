#include "tags/write/Record.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "tags/ByteRecord.h"

namespace writepath {
namespace {

constexpr std::string_view kMagic{"TZJ5"};
constexpr std::string_view kMagicStrongPieces{"TZJ4"};  // BLAKE2b digests of the old pieces
constexpr std::string_view kMagicNoShift{"TZJ3"};
constexpr std::string_view kMagicBefore{"TZJ2"};  // BLAKE2b prints on the growing path

// What tells a whole record from a torn one: BLAKE2b in the first forms;
// then a QuickPrint, as the journal is this user's own and the record holds
// every new tag area of a group, which BLAKE2b took long over.
bool ShiftKnown(RecordForm form) {
    return form == RecordForm::Current || form == RecordForm::StrongPieces;
}

Digest PayloadDigest(std::string_view payload, RecordForm form) {
    if (!ShiftKnown(form)) return DigestOf(payload);
    QuickPrint print;
    print.Add(payload);
    return print.Finish();
}

std::string_view AsText(const Digest& d) {
    return {reinterpret_cast<const char*>(d.data()), d.size()};
}

void PutDigests(std::string& out, const std::vector<Digest>& digests) {
    PutNumber(out, digests.size() * sizeof(Digest));
    for (const Digest& d : digests) out += AsText(d);
}

void PutOptional(std::string& out, bool has, uint64_t value) {
    PutNumber(out, has ? 1 : 0);
    PutNumber(out, has ? value : 0);
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : in_(bytes) {}
    bool Number(uint64_t& v) { return in_.Number(v); }
    bool Signed(int64_t& v) {
        uint64_t u = 0;
        if (!in_.Number(u) || u > uint64_t{INT64_MAX}) return false;
        v = static_cast<int64_t>(u);
        return true;
    }
    bool Text(std::string& t) { return in_.Text(t); }
    bool One(Digest& d) {
        std::string t;
        if (!in_.Text(t) || t.size() != d.size()) return false;
        std::copy(t.begin(), t.end(), d.begin());
        return true;
    }
    bool Digests(std::vector<Digest>& out, int64_t count) {
        std::string t;
        if (!in_.Text(t) || count < 0 || t.size() != static_cast<uint64_t>(count) * sizeof(Digest))
            return false;
        out.resize(static_cast<size_t>(count));
        for (size_t i = 0; i < out.size(); ++i)
            std::copy_n(t.begin() + static_cast<std::ptrdiff_t>(i * sizeof(Digest)), sizeof(Digest),
                        out[i].begin());
        return true;
    }
    template <typename T>
    bool Optional(std::optional<T>& out) {
        uint64_t has = 0, value = 0;
        if (!in_.Number(has) || !in_.Number(value) || has > 1) return false;
        if (has) out = static_cast<T>(value);
        return true;
    }
    bool AtEnd() const { return in_.AtEnd(); }

  private:
    RecordReader in_;
};

bool DecodeEntry(Reader& in, JournalEntry& e, bool withShift) {
    uint64_t dev = 0, ino = 0, uid = 0, mode = 0, raised = 0, ranges = 0, spans = 0;
    if (!in.Text(e.Path) || !in.Number(dev) || !in.Number(ino) || !in.Number(uid) ||
        uid > UINT32_MAX || !in.Optional(e.Identity.BirthNs) ||
        !in.Optional(e.Identity.Generation) || !in.Signed(e.OldSize) || !in.Signed(e.NewSize) ||
        !in.Number(mode) || mode > 0777 || !in.Number(raised) || raised > 1 ||
        (withShift && !in.Signed(e.Shift)) || !in.Number(ranges)) {
        return false;
    }
    e.Identity.Dev = dev;
    e.Identity.Ino = ino;
    e.Identity.Uid = static_cast<uint32_t>(uid);
    e.Mode = static_cast<uint32_t>(mode);
    e.ModeRaised = raised != 0;
    for (uint64_t i = 0; i < ranges; ++i) {
        Range r;
        if (!in.Signed(r.Offset) || !in.Signed(r.OldLength) || !in.Text(r.New) ||
            r.OldLength > static_cast<int64_t>(r.New.size()) ||
            r.Offset > INT64_MAX - static_cast<int64_t>(r.New.size()) ||
            !in.Digests(r.OldPieces, PieceCount(r.Offset, r.OldLength))) {
            return false;
        }
        e.Ranges.push_back(std::move(r));
    }
    if (!in.Number(spans)) return false;
    for (uint64_t i = 0; i < spans; ++i) {
        Span s;
        if (!in.Signed(s.Offset) || !in.Signed(s.Length) || s.Offset > INT64_MAX - s.Length)
            return false;
        e.Kept.push_back(s);
    }
    if (!in.One(e.KeptDigest) || !in.Text(e.Buffer) || !in.One(e.BufferDigest)) return false;
    if (e.Shift == 0)
        return in.Digests(e.OldSectors, e.Buffer.empty() ? 0 : PieceCount(0, e.OldSize));
    // A shift moves whole pages, grows the file by them, and writes the one
    // new area over the room and the old one.
    if (e.Shift < 0 || e.Shift % 4096 != 0 || e.OldSize > INT64_MAX - e.Shift ||
        e.NewSize != e.OldSize + e.Shift || !e.Buffer.empty() || e.Ranges.size() != 1 ||
        e.Ranges[0].Offset != 0 || e.Ranges[0].OldLength != 0 ||
        static_cast<int64_t>(e.Ranges[0].New.size()) < e.Shift || e.Kept.empty()) {
        return false;
    }
    const auto oldRoom = static_cast<int64_t>(e.Ranges[0].New.size()) - e.Shift;
    return oldRoom <= e.OldSize && in.Digests(e.OldSectors, PieceCount(0, oldRoom));
}

}  // namespace

bool FileIdentity::ProvablySame(const FileIdentity& other) const {
    if (Dev != other.Dev || Ino != other.Ino) return false;
    const bool birth = BirthNs && other.BirthNs;
    const bool generation = Generation && other.Generation;
    if (!birth && !generation) return false;
    return (!birth || *BirthNs == *other.BirthNs) &&
           (!generation || *Generation == *other.Generation);
}

FileIdentity IdentityOf(int fd) {
    FileIdentity id;
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_UID | STATX_BTIME, &sx) == 0) {
        id.Dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        id.Ino = sx.stx_ino;
        id.Uid = sx.stx_uid;
        if (sx.stx_mask & STATX_BTIME)
            id.BirthNs = int64_t{sx.stx_btime.tv_sec} * 1000000000 + sx.stx_btime.tv_nsec;
    }
    int generation = 0;
    if (::ioctl(fd, FS_IOC_GETVERSION, &generation) == 0)
        id.Generation = static_cast<uint32_t>(generation);
    return id;
}

std::string EncodeRecord(const std::vector<const JournalEntry*>& entries, RecordForm form) {
    std::string record;
    EncodeRecordInto(entries, record, form);
    return record;
}

void EncodeRecordInto(const std::vector<const JournalEntry*>& entries, std::string& record,
                      RecordForm form) {
    // The payload is built in the record itself, behind room for its head,
    // and the room taken at once: a group's record holds every new tag area,
    // pictures included, so copies of it are most of a save's work.
    size_t estimate = 64;
    for (const JournalEntry* e : entries) {
        estimate += 256 + e->Path.size() + e->Buffer.size() + e->Kept.size() * 20 +
                    e->OldSectors.size() * sizeof(Digest);
        for (const Range& r : e->Ranges)
            estimate += 40 + r.New.size() + r.OldPieces.size() * sizeof(Digest);
    }
    constexpr size_t kHead = kMagic.size() + 8 + sizeof(Digest);
    record.assign(form == RecordForm::Current        ? kMagic
                  : form == RecordForm::StrongPieces ? kMagicStrongPieces
                  : form == RecordForm::NoShift      ? kMagicNoShift
                                                     : kMagicBefore);
    record.reserve(kHead + estimate);
    record.append(kHead - kMagic.size(), '\0');
    std::string& payload = record;
    PutNumber(payload, entries.size());
    for (const JournalEntry* e : entries) {
        PutText(payload, e->Path);
        PutNumber(payload, e->Identity.Dev);
        PutNumber(payload, e->Identity.Ino);
        PutNumber(payload, e->Identity.Uid);
        PutOptional(payload, e->Identity.BirthNs.has_value(),
                    static_cast<uint64_t>(e->Identity.BirthNs.value_or(0)));
        PutOptional(payload, e->Identity.Generation.has_value(),
                    e->Identity.Generation.value_or(0));
        PutNumber(payload, static_cast<uint64_t>(e->OldSize));
        PutNumber(payload, static_cast<uint64_t>(e->NewSize));
        PutNumber(payload, e->Mode & 0777);
        PutNumber(payload, e->ModeRaised ? 1 : 0);
        if (ShiftKnown(form)) PutNumber(payload, static_cast<uint64_t>(e->Shift));
        PutNumber(payload, e->Ranges.size());
        for (const Range& r : e->Ranges) {
            PutNumber(payload, static_cast<uint64_t>(r.Offset));
            PutNumber(payload, static_cast<uint64_t>(r.OldLength));
            PutText(payload, r.New);
            PutDigests(payload, r.OldPieces);
        }
        PutNumber(payload, e->Kept.size());
        for (const Span& s : e->Kept) {
            PutNumber(payload, static_cast<uint64_t>(s.Offset));
            PutNumber(payload, static_cast<uint64_t>(s.Length));
        }
        PutText(payload, AsText(e->KeptDigest));
        PutText(payload, e->Buffer);
        PutText(payload, AsText(e->BufferDigest));
        PutDigests(payload, e->OldSectors);
    }
    const std::string_view body = std::string_view(record).substr(kHead);
    std::string head;
    PutNumber(head, body.size());
    head += AsText(PayloadDigest(body, form));
    record.replace(kMagic.size(), head.size(), head);
}

std::optional<std::vector<JournalEntry>> DecodeRecord(std::string_view bytes, RecordForm* form) {
    constexpr size_t kHead = kMagic.size() + 8 + sizeof(Digest);
    if (bytes.size() < kHead) return std::nullopt;
    const std::string_view magic = bytes.substr(0, kMagic.size());
    const bool before = magic == kMagicBefore;
    const bool strongPieces = magic != kMagic;
    const bool withShift = magic == kMagic || magic == kMagicStrongPieces;
    if (!before && !withShift && magic != kMagicNoShift) return std::nullopt;

    RecordReader head(bytes.substr(kMagic.size(), 8));
    uint64_t size = 0;
    if (!head.Number(size) || bytes.size() - kHead < size) return std::nullopt;
    const std::string_view payload = bytes.substr(kHead, static_cast<size_t>(size));
    const RecordForm found = before         ? RecordForm::StrongPrints
                             : !withShift   ? RecordForm::NoShift
                             : strongPieces ? RecordForm::StrongPieces
                                            : RecordForm::Current;
    if (AsText(PayloadDigest(payload, found)) != bytes.substr(kMagic.size() + 8, sizeof(Digest)))
        return std::nullopt;
    if (form) *form = found;
    Reader in(payload);
    uint64_t count = 0;
    if (!in.Number(count)) return std::nullopt;
    std::vector<JournalEntry> entries;
    for (uint64_t i = 0; i < count; ++i) {
        JournalEntry e;
        if (!DecodeEntry(in, e, withShift)) return std::nullopt;
        e.StrongPrints = before;
        e.StrongPieces = strongPieces;
        entries.push_back(std::move(e));
    }
    if (!in.AtEnd()) return std::nullopt;
    return entries;
}

}  // namespace writepath

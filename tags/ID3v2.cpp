#include "tags/ID3v2.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "tags/ByteOrder.h"
#include "tags/CachedFile.h"
#include "tags/PosixFile.h"
#include "tags/Text.h"

namespace id3v2 {
namespace {

constexpr size_t kHeaderSize = 10;
constexpr size_t kFrameHeaderSize = 10;
constexpr size_t kCommIndex = 6;
constexpr size_t kCopyBlock = 1 << 20;

bool IsBlank(char c) {
    return static_cast<uint8_t>(c) <= 0x20;
}

std::string TrimBoth(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    // Frame texts end in the zero bytes of their unread 250-byte rest, so
    // whole zero words go first.
    while (end - begin >= 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + end - 8, 8);
        if (word != 0) break;
        end -= 8;
    }
    while (end > begin && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string TrimRight(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

void FillHeader(TagInfo& tag, const uint8_t* bytes) {
    std::memcpy(tag.ID.data(), bytes, 3);
    tag.Version = bytes[3];
    tag.Revision = bytes[4];
    tag.Flags = bytes[5];
    std::memcpy(tag.Size.data(), bytes + 6, 4);
}

bool IsId3(const TagInfo& tag) {
    return std::memcmp(tag.ID.data(), "ID3", 3) == 0;
}

// One UTF-16 string from text on, up to its zero code unit or the end of the
// data, as Windows-1252 bytes. A byte-order mark at the start sets the order;
// without one, bigEndian stays as it was. Returns the position behind the
// terminator (or the end).
size_t DecodeUtf16(std::string_view data, size_t pos, bool& bigEndian, std::string& out) {
    if (pos + 2 <= data.size()) {
        const auto b0 = static_cast<uint8_t>(data[pos]), b1 = static_cast<uint8_t>(data[pos + 1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian = false;
            pos += 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bigEndian = true;
            pos += 2;
        }
    }
    while (pos + 2 <= data.size()) {
        const auto lo = static_cast<uint8_t>(data[pos + (bigEndian ? 1 : 0)]);
        const auto hi = static_cast<uint8_t>(data[pos + (bigEndian ? 0 : 1)]);
        const char16_t unit = static_cast<char16_t>((hi << 8) | lo);
        pos += 2;
        if (unit == 0) return pos;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            // A high surrogate: its pair is outside Windows-1252 anyway; one
            // cut off by the end of the data is simply dropped.
            if (pos + 2 > data.size()) return data.size();
            const auto nextHi = static_cast<uint8_t>(data[pos + (bigEndian ? 0 : 1)]);
            if (nextHi >= 0xDC && nextHi <= 0xDF) pos += 2;
            out += '?';
            continue;
        }
        const int byte = CodePointToAnsi(unit);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    // An odd byte at the end is the half of a character cut off.
    return data.size();
}

}  // namespace

bool ReadHeader(CachedFile& file, TagInfo& tag) {
    if (!file.IsOpen() || !file.IsRegular()) return false;
    uint8_t bytes[kHeaderSize] = {};
    if (file.ReadAt(bytes, kHeaderSize, 0) != static_cast<ssize_t>(kHeaderSize)) return false;
    FillHeader(tag, bytes);
    tag.FileSize = file.Size();
    return true;
}

bool ReadHeader(const std::string& fileName, TagInfo& tag) {
    CachedFile file(fileName);
    return ReadHeader(file, tag);
}

int32_t GetTagSize(const TagInfo& tag) {
    const int64_t size = int64_t{*ReadSynchsafe32(tag.Size)} + int64_t{kHeaderSize};
    return size > tag.FileSize ? 0 : static_cast<int32_t>(size);
}

std::string DecodeFrameData(std::string_view id, std::string_view data) {
    if (data.empty() || data[0] != 1) return std::string(data);
    std::string out(1, '\0');
    bool bigEndian = false;
    if (id == "COMM") {
        out += data.substr(1, 3);
        if (data.size() <= 4) return out;
        const size_t textStart = DecodeUtf16(data, 4, bigEndian, out);
        out += '\0';
        DecodeUtf16(data, textStart, bigEndian, out);
    } else {
        DecodeUtf16(data, 1, bigEndian, out);
    }
    return out;
}

void ReadFrames(CachedFile& file, TagInfo& tag, size_t readBehind) {
    if (!file.IsOpen()) return;
    const int64_t tagSize = GetTagSize(tag);
    const int64_t fileSize = file.Size();
    // A piece read for a frame also holds the frames behind it, up to the
    // tag's end (and readBehind bytes more).
    const int64_t pieceEnd = tagSize + static_cast<int64_t>(readBehind);
    const auto chunk = [pieceEnd](int64_t at) {
        return static_cast<size_t>(std::clamp<int64_t>(pieceEnd - at, 0, kTagChunk));
    };
    int64_t pos = kHeaderSize;
    while (pos < tagSize && pos < fileSize) {
        uint8_t header[kFrameHeaderSize];
        if (file.ReadAt(header, kFrameHeaderSize, pos, chunk(pos)) !=
            static_cast<ssize_t>(kFrameHeaderSize)) {
            break;
        }
        if (header[0] < 'A' || header[0] > 'Z') break;  // padding or the end of the frames
        const uint32_t size = *ReadBigEndian32(std::span<const uint8_t>(header + 4, 4));
        // A size with the top bit set is negative to a signed reader: no frame.
        if (size > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) break;
        const int64_t dataStart = pos + static_cast<int64_t>(kFrameHeaderSize);
        const size_t count = std::min<size_t>(size, kMaxFrameData);
        std::array<char, kMaxFrameData> data{};
        if (file.ReadAt(data.data(), count, dataStart, chunk(dataStart)) !=
            static_cast<ssize_t>(count)) {
            break;
        }
        const std::string_view id(reinterpret_cast<const char*>(header), 4);
        SetTagItem(id,
                   DecodeFrameData(id, std::string_view(data.data(), count))
                       .append(count < kMaxFrameData ? kMaxFrameData - count : 0, '\0'),
                   tag);
        pos = dataStart + static_cast<int64_t>(size);
    }
}

void ReadFrames(const std::string& fileName, TagInfo& tag) {
    CachedFile file(fileName);
    ReadFrames(file, tag);
}

void SetTagItem(std::string_view id, const std::string& text, TagInfo& tag) {
    for (size_t i = 0; i < FrameIDs.size(); ++i) {
        if (FrameIDs[i] == id) {
            tag.Frame[i] = text;
            return;
        }
    }
}

uint8_t ExtractTrack(const std::string& text) {
    std::string part = TrimBoth(text);
    if (const size_t slash = part.find('/'); slash != std::string::npos) part.resize(slash);
    size_t i = 0;
    while (i < part.size() && part[i] == ' ') ++i;
    bool negative = false;
    if (i < part.size() && (part[i] == '+' || part[i] == '-')) negative = part[i++] == '-';
    int base = 10;
    if (i < part.size() && part[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < part.size() && part[i] == '0' &&
               (part[i + 1] == 'x' || part[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= part.size()) return 0;
    uint64_t value = 0;
    for (; i < part.size(); ++i) {
        const char c = part[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return 0;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        // Beyond a 32-bit integer the text is no number at all.
        const uint64_t limit =
            base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
        if (value > limit) return 0;
    }
    const uint32_t bits = static_cast<uint32_t>(value);
    return static_cast<uint8_t>(negative ? 0u - bits : bits);
}

std::string ExtractGenre(const std::string& text) {
    std::string genre = TrimBoth(text);
    if (const size_t close = genre.rfind(')'); close != std::string::npos)
        genre.erase(0, close + 1);
    return genre;
}

void BuildHeader(TagInfo& tag) {
    tag.ID = {'I', 'D', '3'};
    tag.Version = 3;
    tag.Revision = 0;
    tag.Flags = 0;
    uint64_t size = 0;
    for (const std::string& text : tag.Frame) {
        if (!text.empty()) size += text.size() + 11;
    }
    WriteSynchsafe32(static_cast<uint32_t>(size), tag.Size);
}

std::string ComposeTag(const TagInfo& tag) {
    std::string out(tag.ID.data(), 3);
    out += static_cast<char>(tag.Version);
    out += static_cast<char>(tag.Revision);
    out += static_cast<char>(tag.Flags);
    out.append(reinterpret_cast<const char*>(tag.Size.data()), 4);
    for (size_t i = 0; i < FrameIDs.size(); ++i) {
        const std::string& text = tag.Frame[i];
        if (text.empty()) continue;
        uint8_t size[4];
        WriteBigEndian32(static_cast<uint32_t>(text.size() + 1), size);
        out += FrameIDs[i];
        out.append(reinterpret_cast<const char*>(size), 4);
        out.append(3, '\0');  // two flag bytes, encoding byte 0
        out += text;
    }
    return out;
}

namespace {

// Copies count bytes from in at inOffset to out at outOffset. False on error
// or early end of input. The kernel's copy is fastest (or even shares blocks)
// when both offsets sit at the same place within a page; for shifted data a
// plain buffered copy beats it.
bool CopyRange(const PosixFile& in, off_t inOffset, const PosixFile& out, off_t outOffset,
               int64_t count) {
    const long page = ::sysconf(_SC_PAGESIZE);
    bool kernelCopy = page > 0 && (inOffset - outOffset) % page == 0;
    while (count > 0 && kernelCopy) {
        const ssize_t n =
            ::copy_file_range(in.Fd(), &inOffset, out.Fd(), &outOffset,
                              static_cast<size_t>(std::min<int64_t>(count, 1 << 30)), 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
                return false;
            }
            kernelCopy = false;
        } else if (n == 0) {
            return false;  // the file got shorter under us
        } else {
            count -= n;
        }
    }
    std::vector<char> block(kCopyBlock);
    while (count > 0) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(count, kCopyBlock));
        const ssize_t got = in.ReadAt(block.data(), want, inOffset);
        if (got != static_cast<ssize_t>(want)) return false;
        if (!out.WriteAllAt(block.data(), want, outOffset)) return false;
        inOffset += got;
        outOffset += got;
        count -= got;
    }
    return true;
}

}  // namespace

bool RebuildFile(const std::string& fileName, const std::string& newTag) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Rewrite the file a link points to, so the link itself survives.
    const fs::path canonical = fs::canonical(fileName, ec);
    if (ec) return false;
    const std::string target = canonical.string();
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const mode_t mode = st.st_mode & 07777;

    // Windows' "clear all attributes": the owner must be able to write.
    bool madeWritable = false;
    if (!(mode & S_IWUSR)) {
        if (::chmod(target.c_str(), mode | S_IWUSR) != 0) return false;
        madeWritable = true;
    }
    const std::string bufferName = target + "~";
    bool bufferCreated = false;
    auto fail = [&] {
        if (bufferCreated) ::unlink(bufferName.c_str());
        if (madeWritable) (void)::chmod(target.c_str(), mode);
        return false;
    };

    PosixFile in(target, O_RDONLY | O_NONBLOCK);
    if (!in.IsOpen()) return fail();
    // Nobody else may hold the file while it is copied.
    if (::flock(in.Fd(), LOCK_EX | LOCK_NB) != 0) return fail();
    struct stat inStat {};
    if (::fstat(in.Fd(), &inStat) != 0) return fail();
    uint8_t headerBytes[kHeaderSize];
    if (in.ReadAt(headerBytes, kHeaderSize, 0) != static_cast<ssize_t>(kHeaderSize)) return fail();
    TagInfo header;
    FillHeader(header, headerBytes);
    header.FileSize = inStat.st_size;
    const int64_t skip = IsId3(header) ? GetTagSize(header) : 0;

    // A leftover of that name goes first; creating exclusively never follows
    // a link planted under the buffer name.
    if (::unlink(bufferName.c_str()) != 0 && errno != ENOENT) return fail();
    PosixFile out(bufferName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    if (!out.IsOpen()) return fail();
    bufferCreated = true;

    if (!out.WriteAllAt(newTag.data(), newTag.size(), 0)) return fail();
    if (!CopyRange(in, static_cast<off_t>(skip), out, static_cast<off_t>(newTag.size()),
                   inStat.st_size - skip)) {
        return fail();
    }
    if (::fchmod(out.Fd(), mode | S_IWUSR) != 0) return fail();
    (void)::fchown(out.Fd(), st.st_uid, st.st_gid);  // keeps the group where allowed
    if (::fsync(out.Fd()) != 0 || !out.Close()) return fail();
    // The buffer is complete on disk before the rename, so after a crash the
    // name holds either the old or the new content, never a part of either.
    if (::rename(bufferName.c_str(), target.c_str()) != 0) return fail();
    return true;
}

}  // namespace id3v2

TID3v2::TID3v2() {
    ResetData();
}

void TID3v2::ResetData() {
    exists_ = false;
    versionID_ = 0;
    size_ = 0;
    title_.clear();
    artist_.clear();
    album_.clear();
    track_ = 0;
    year_.clear();
    genre_.clear();
    comment_.clear();
}

bool TID3v2::ReadFromFile(const std::string& fileName) {
    CachedFile file(fileName);
    return ReadFromOpenFile(file);
}

bool TID3v2::ReadFromOpenFile(CachedFile& file, size_t readBehind) {
    using namespace id3v2;
    ResetData();
    TagInfo tag;
    if (!ReadHeader(file, tag)) return false;
    if (!IsId3(tag)) return true;
    exists_ = true;
    versionID_ = tag.Version;
    size_ = GetTagSize(tag);
    if (versionID_ == 3 && size_ > 0) {
        ReadFrames(file, tag, readBehind);
        title_ = TrimBoth(tag.Frame[0]);
        artist_ = TrimBoth(tag.Frame[1]);
        album_ = TrimBoth(tag.Frame[2]);
        track_ = ExtractTrack(tag.Frame[3]);
        year_ = TrimBoth(tag.Frame[4]);
        genre_ = ExtractGenre(tag.Frame[5]);
        const std::string& comm = tag.Frame[kCommIndex];
        comment_ = comm.size() > 4 ? TrimBoth(std::string_view(comm).substr(4)) : std::string();
    }
    return true;
}

bool TID3v2::SaveToFile(const std::string& fileName) {
    using namespace id3v2;
    TagInfo tag;
    tag.Frame[0] = title_;
    tag.Frame[1] = artist_;
    tag.Frame[2] = album_;
    if (track_ > 0) tag.Frame[3] = std::to_string(track_);
    tag.Frame[4] = year_;
    tag.Frame[5] = genre_;
    if (!comment_.empty()) tag.Frame[kCommIndex] = std::string("eng", 3) + '\0' + comment_;
    // The size field holds 28 bits; a bigger tag cannot be written correctly.
    uint64_t total = 0;
    for (const std::string& text : tag.Frame) total += text.empty() ? 0 : text.size() + 11;
    if (total >= (1u << 28)) return false;
    BuildHeader(tag);
    return RebuildFile(fileName, ComposeTag(tag));
}

void TID3v2::SetTitle(const std::string& value) {
    title_ = id3v2::TrimRight(value);
}
void TID3v2::SetArtist(const std::string& value) {
    artist_ = id3v2::TrimRight(value);
}
void TID3v2::SetAlbum(const std::string& value) {
    album_ = id3v2::TrimRight(value);
}
void TID3v2::SetYear(const std::string& value) {
    year_ = id3v2::TrimRight(value);
}
void TID3v2::SetGenre(const std::string& value) {
    genre_ = id3v2::TrimRight(value);
}
void TID3v2::SetComment(const std::string& value) {
    comment_ = id3v2::TrimRight(value);
}

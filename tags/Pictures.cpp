#include "tags/Pictures.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "tags/ByteOrder.h"
#include "tags/ID3v2Frames.h"
#include "tags/ID3v2Header.h"
#include "tags/PosixFile.h"
#include "tags/TagArea.h"
#include "tags/Text.h"

namespace id3v2 {
namespace {

// A whole frame of the frame area: where it stands, and its content with
// the format flags undone.
struct RawFrame {
    size_t Start = 0, End = 0;
    FrameHeaderInfo Header;
};

// Calls each(frame) for every frame of the area, in order; stops at the
// padding or at a frame the area cuts off.
template <class Each>
void WalkFrames(uint8_t version, std::string_view body, size_t begin, Each each) {
    const size_t head = FrameHeaderSize(version);
    for (size_t at = begin; at + head <= body.size();) {
        const auto header = ParseFrameHeader(version, body.substr(at));
        if (!header || header->Size > body.size() - at - head) return;
        RawFrame frame{at, at + head + header->Size, *header};
        each(frame);
        at = frame.End;
    }
}

bool IsPictureId(uint8_t version, std::string_view id) {
    return id == (version == 2 ? "PIC" : "APIC");
}

// The length of a string of the encoding at the start of bytes, with its
// terminator; all of bytes when there is none.
size_t TerminatedLength(uint8_t encoding, std::string_view bytes) {
    if (encoding == 1 || encoding == 2) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            if (bytes[i] == '\0' && bytes[i + 1] == '\0') return i + 2;
        return bytes.size();
    }
    const size_t zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes.size() : zero + 1;
}

std::optional<Picture> ParsePicture(uint8_t version, std::string_view content, bool withData) {
    if (content.empty()) return std::nullopt;
    Picture p;
    p.Encoding = static_cast<uint8_t>(content[0]);
    size_t at = 1;
    if (version == 2) {
        if (content.size() < 5) return std::nullopt;
        p.Mime = std::string(content.substr(1, 3));
        at = 4;
    } else {
        const size_t zero = content.find('\0', 1);
        if (zero == std::string_view::npos) return std::nullopt;
        p.Mime = std::string(content.substr(1, zero - 1));
        at = zero + 1;
    }
    if (at >= content.size()) return std::nullopt;
    p.Type = static_cast<uint8_t>(content[at++]);
    const size_t described = TerminatedLength(p.Encoding, content.substr(at));
    p.RawDescription = std::string(content.substr(at, described));
    p.Description = DecodeStrings(p.Encoding, p.RawDescription);
    while (!p.Description.empty() && p.Description.back() == '\0') p.Description.pop_back();
    at += described;
    p.DataSize = content.size() - at;
    if (withData) p.Data = std::string(content.substr(at));
    return p;
}

// A picture frame's data but the image.
std::string PictureFrameHead(uint8_t version, const Picture& p) {
    std::string data(1, static_cast<char>(p.Encoding));
    if (version == 2) {
        std::string format = p.Mime;
        if (format.size() != 3) format = MimeOf(p) == "image/png" ? "PNG" : "JPG";
        data += format;
    } else {
        data += p.Mime;
        data += '\0';
    }
    data += static_cast<char>(p.Type);
    data += p.RawDescription.empty() ? std::string(p.Encoding == 1 || p.Encoding == 2 ? 2 : 1, '\0')
                                     : p.RawDescription;
    return data;
}

}  // namespace

std::string MimeOf(const Picture& picture) {
    const std::string mime = AsciiLower(picture.Mime);
    if (mime == "jpg" || mime == "image/jpg" || mime == "image/jpeg") return "image/jpeg";
    if (mime == "png" || mime == "image/png") return "image/png";
    return mime;
}

std::vector<Picture> PicturesOf(const ParsedTag& tag, bool withData) {
    std::vector<Picture> pictures;
    const uint8_t version = tag.Info.Version;
    const bool unsync = version == 4 && (tag.Info.Flags & kFlagUnsync);
    WalkFrames(version, tag.Body, tag.FramesBegin, [&](const RawFrame& f) {
        if (!IsPictureId(version, f.Header.Id)) return;
        const size_t head = FrameHeaderSize(version);
        const auto content =
            FrameContent(version, f.Header.Flags, unsync,
                         std::string(tag.Body.substr(f.Start + head, f.End - f.Start - head)));
        auto picture = content ? ParsePicture(version, *content, withData) : std::nullopt;
        if (!picture) return;
        picture->Origin = static_cast<int>(pictures.size());
        picture->FrameStart = f.Start;
        pictures.push_back(std::move(*picture));
    });
    return pictures;
}

std::optional<std::vector<Picture>> ReadPictures(const std::string& path, bool withData) {
    PosixFile file(path, O_RDONLY | O_NONBLOCK);
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Fd(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    TagAreas areas;
    if (ReadTagAreas(file, st.st_size, areas) == AreaRead::Io) return std::nullopt;
    ParsedTag parsed;
    if (!IsId3(areas.Info) || !HasReadableFrames(areas.Info) ||
        !ParseTag(areas.Head, areas.Info, parsed)) {
        return std::vector<Picture>{};
    }
    return PicturesOf(parsed, withData);
}

Picture NewPicture(uint8_t type, std::string mime, std::string data) {
    Picture p;
    p.Type = type;
    p.Mime = std::move(mime);
    p.DataSize = data.size();
    p.Data = std::move(data);
    p.Changed = true;
    return p;
}

TagComposer PictureComposer(PictureEditor edit) {
    return [edit = std::move(edit)](const ParsedTag* old, std::string& tag) {
        const uint8_t version = old ? old->Info.Version : 3;
        std::vector<Picture> pictures = old ? PicturesOf(*old, true) : std::vector<Picture>{};
        std::vector<size_t> starts;  // of the old pictures' frames, by Origin
        for (const Picture& p : pictures) starts.push_back(p.FrameStart);
        if (!edit(pictures, version)) return false;
        const bool unsync = old && version == 4 && (old->Info.Flags & kFlagUnsync);
        tag.assign(kHeaderSize, '\0');
        size_t room = kHeaderSize + (old ? old->Body.size() : 0);
        for (const Picture& p : pictures)
            if (p.Changed) room += p.Data.size() + p.RawDescription.size() + 64;
        tag.reserve(room);
        bool tooLarge = false;
        const auto put = [&](const Picture& p) {
            if (!AppendFrame(version, version == 2 ? "PIC" : "APIC",
                             {PictureFrameHead(version, p), p.Data}, unsync, tag))
                tooLarge = true;
        };
        // Each old picture frame, in order: kept, rewritten in its place, or
        // gone. Frames are told by where they stand; a picture frame that
        // could not be read is none of them and stays.
        std::vector<const Picture*> byStart(starts.size(), nullptr);
        for (const Picture& p : pictures)
            if (p.Origin >= 0) byStart[static_cast<size_t>(p.Origin)] = &p;
        // The extended header stays behind: what it holds (a CRC, the
        // padding's size) would no longer be true.
        size_t end = old ? old->FramesBegin : 0;
        if (old) {
            WalkFrames(version, old->Body, old->FramesBegin, [&](const RawFrame& f) {
                end = f.End;
                const std::string_view bytes = old->Body.substr(f.Start, f.End - f.Start);
                const auto at = std::lower_bound(starts.begin(), starts.end(), f.Start);
                if (at == starts.end() || *at != f.Start) return void(tag += bytes);
                const Picture* p = byStart[static_cast<size_t>(at - starts.begin())];
                if (!p) return;
                if (p->Changed) return put(*p);
                tag += bytes;
            });
        }
        // New pictures follow the last frame that could be read; a frame the
        // area cuts off, or anything else behind the walk, is no padding and
        // stays behind them as it was.
        for (const Picture& p : pictures)
            if (p.Origin < 0) put(p);
        if (old && old->Body.find_first_not_of('\0', end) != std::string_view::npos)
            tag += old->Body.substr(end);
        if (tooLarge || tag.size() - kHeaderSize >= kMaxTagBody) return false;
        tag.replace(0, 3, "ID3");
        tag[3] = static_cast<char>(version);
        tag[4] = '\0';
        tag[5] = static_cast<char>(unsync ? kFlagUnsync : 0);
        uint8_t size[4];
        WriteSynchsafe32(static_cast<uint32_t>(tag.size() - kHeaderSize), size);
        std::memcpy(tag.data() + 6, size, 4);
        return true;
    };
}

}  // namespace id3v2

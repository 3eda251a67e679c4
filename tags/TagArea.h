#pragma once

// The bytes a save replaces and an undo puts back: the ID3v2 area at the
// start (the tag with its padding, or nothing where the file has none) and
// the last 128 bytes, where an ID3v1 block stands. The write path and the
// history read them through this one routine, from a PosixFile or a
// CachedFile.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "tags/ID3v2Header.h"

constexpr size_t kId3v1Size = 128;

struct TagAreas {
    std::string Head;     // the ID3v2 area
    id3v2::TagInfo Info;  // its header
    std::string Tail;     // the last 128 bytes; empty in a shorter file
    bool HasBlock() const { return Tail.size() == kId3v1Size && Tail.compare(0, 3, "TAG") == 0; }
};

enum class AreaRead {
    Ok,
    Short,  // shorter than an ID3v2 header: no head read, the tail still is
    Io,
};

template <class File>
AreaRead ReadTagAreas(File& file, int64_t size, TagAreas& out) {
    out.Head.clear();
    out.Tail.clear();
    out.Info = {};
    if (size >= static_cast<int64_t>(kId3v1Size)) {
        out.Tail.resize(kId3v1Size);
        if (file.ReadAt(out.Tail.data(), kId3v1Size, static_cast<off_t>(size - kId3v1Size)) !=
            static_cast<ssize_t>(kId3v1Size)) {
            return AreaRead::Io;
        }
    }
    uint8_t bytes[id3v2::kHeaderSize];
    if (size < static_cast<int64_t>(id3v2::kHeaderSize)) return AreaRead::Short;
    if (file.ReadAt(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        return AreaRead::Io;
    id3v2::FillHeader(out.Info, bytes);
    out.Info.FileSize = size;
    if (id3v2::ClaimsFooter(out.Info)) {
        char found[3] = {};
        const ssize_t n = file.ReadAt(found, 3, static_cast<off_t>(id3v2::FooterOffset(out.Info)));
        id3v2::SettleFooter(out.Info, std::string_view(found, n > 0 ? static_cast<size_t>(n) : 0));
    }
    const auto room = static_cast<size_t>(id3v2::IsId3(out.Info) ? id3v2::GetTagSize(out.Info) : 0);
    out.Head.resize(room);
    if (file.ReadAt(out.Head.data(), room, 0) != static_cast<ssize_t>(room)) return AreaRead::Io;
    return AreaRead::Ok;
}

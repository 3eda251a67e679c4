// libFuzzer target for the ID3v1 and ID3v2 readers: each input becomes the
// whole content of a file that both readers then read, and, taken as a tag in
// memory, goes through a save's parse and compose, whose result must read
// back with the same values, and through the conversion of its version.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzInput.h"
#include "tags/Convert.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/Pictures.h"
#include "tags/Text.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsValid(const std::string& text) {
    return ValidUtf8(text) == text;
}

size_t Characters(const std::string& text) {
    size_t n = 0;
    for (size_t pos = 0; pos < text.size(); ++n) (void)NextCodePoint(text, pos);
    return n;
}

id3v2::TagInfo HeaderOf(std::string_view bytes) {
    id3v2::TagInfo header;
    if (bytes.size() < id3v2::kHeaderSize) return header;
    for (size_t i = 0; i < 3; ++i) header.ID[i] = bytes[i];
    header.Version = static_cast<uint8_t>(bytes[3]);
    header.Revision = static_cast<uint8_t>(bytes[4]);
    header.Flags = static_cast<uint8_t>(bytes[5]);
    for (size_t i = 0; i < 4; ++i) header.Size[i] = static_cast<uint8_t>(bytes[6 + i]);
    header.FileSize = static_cast<int64_t>(bytes.size());
    return header;
}

// A tag composed from the values must read back with them.
void CheckCompose(const id3v2::ParsedTag& parsed, const id3v2::FieldValues& values) {
    const auto composed = id3v2::ComposeTag(values, &parsed);
    if (!composed) return;
    id3v2::ParsedTag again;
    Check(id3v2::ParseTag(*composed, HeaderOf(*composed), again, true));
    Check(again.Info.Version == parsed.Info.Version);
    Check(id3v2::ValuesOf(again.Info) == values);
    Check(again.Info.OtherIDs == parsed.Info.OtherIDs);
}

// Pictures read within their frames; an added picture reads back behind
// them, and removing it gives the pictures as they were.
void CheckPictures(const id3v2::ParsedTag& parsed) {
    const auto pictures = id3v2::PicturesOf(parsed, true);
    for (const auto& p : pictures)
        Check(p.Data.size() == p.DataSize && p.DataSize <= parsed.Body.size());
    std::string tag;
    const auto add = id3v2::PictureComposer([](std::vector<id3v2::Picture>& list, uint8_t) {
        list.push_back(id3v2::NewPicture(4, "image/png", "\x89PNG"));
        return true;
    });
    if (!add(&parsed, tag)) return;
    id3v2::ParsedTag again;
    Check(id3v2::ParseTag(tag, HeaderOf(tag), again));
    const auto after = id3v2::PicturesOf(again, true);
    Check(after.size() == pictures.size() + 1 && after.back().Data == "\x89PNG");
}

// A converted tag reads as a tag of its target, and converting it again
// changes nothing.
void CheckConvert(const id3v2::ParsedTag& parsed) {
    (void)id3v2::FrameEncodings(parsed);
    // Both targets, the text choice by the tag's first frame byte: a run
    // meets all four.
    const bool choice = !parsed.Body.empty() && (parsed.Body[0] & 1);
    for (const uint8_t target : {3, 4}) {
        for (const bool latin1 : {choice}) {
            std::string tag;
            id3v2::Conversion result;
            if (!id3v2::ConvertTag(parsed, {target, latin1}, tag, result)) continue;
            id3v2::ParsedTag again;
            Check(id3v2::ParseTag(tag, HeaderOf(tag), again));
            Check(again.Info.Version == target);
            std::string twice;
            Check(id3v2::ConvertTag(again, {target, latin1}, twice, result));
            Check(!result.Changed && result.Losses.empty());
        }
    }
}

void CheckSaveRoundTrip(std::string_view bytes) {
    id3v2::ParsedTag parsed;
    if (!id3v2::ParseTag(bytes, HeaderOf(bytes), parsed, true)) return;
    CheckConvert(parsed);
    // A frame cut off by the tag's end is rewritten from its value or
    // dropped, so its field need not read back the same.
    for (const auto& frame : parsed.Frames) {
        if (!frame.Complete) return;
    }
    CheckPictures(parsed);
    id3v2::FieldValues values = id3v2::ValuesOf(parsed.Info);
    CheckCompose(parsed, values);
    values.Texts.Title = "Жx";
    values.Texts.Comment = "€";
    CheckCompose(parsed, values);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz::InputPath(data, size);

    TID3v1 tag1;
    if (tag1.ReadFromFile(path)) {
        for (const std::string* text : {&tag1.Title(), &tag1.Artist(), &tag1.Comment()})
            Check(IsValid(*text) && Characters(*text) <= 30);
        Check(IsValid(tag1.Year()) && Characters(tag1.Year()) <= 4);
        (void)tag1.Genre();
    }
    TID3v2 tag2;
    if (tag2.ReadFromFile(path)) {
        Check(tag2.Size() >= 0 && static_cast<size_t>(tag2.Size()) <= size);
        for (const std::string* text : {&tag2.Title(), &tag2.Artist(), &tag2.Album(), &tag2.Year(),
                                        &tag2.Genre(), &tag2.Comment()})
            Check(IsValid(*text));
    }

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckSaveRoundTrip(bytes);
    // The frame routines on the raw input as frame data.
    for (uint8_t encoding = 0; encoding < 4; ++encoding)
        Check(IsValid(id3v2::DecodeStrings(encoding, bytes)));
    (void)id3v2::DecodeCommentFrame(bytes);
    (void)id3v2::FrameContent(4, 0x4F, true, std::string(bytes));
    (void)id3v2::TextValue(4, id3v2::FieldGenre, std::string(bytes));
    (void)id3v2::ExtractTrack(std::string(bytes));
    return 0;
}

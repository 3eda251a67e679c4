// The conversion of a tag between the versions, byte for byte: ids, flags,
// encodings, several values, dates, and what the target cannot take.

#include "tags/Convert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Mp3Builder.h"

namespace {

using namespace std::string_literals;
using id3v2::Loss;
using id3v2::LossKind;

struct Converted {
    bool Ok = false;
    std::string Frames;  // behind the header
    id3v2::Conversion Result;
};

Converted Convert(const std::string& tagBytes, uint8_t target, bool latin1 = false) {
    Converted c;
    const id3v2::TagInfo header = id3v2::HeaderOfTag(tagBytes);
    id3v2::ParsedTag parsed;
    if (!id3v2::ParseTag(tagBytes, header, parsed)) return c;
    std::string tag;
    c.Ok = id3v2::ConvertTag(parsed, {target, latin1}, tag, c.Result);
    if (!c.Ok) return c;
    EXPECT_EQ(tag.substr(0, 6), "ID3"s + static_cast<char>(target) + "\0\0"s);
    c.Frames = tag.substr(10);
    return c;
}

std::string F3(const std::string& id, const std::string& data, uint16_t flags = 0) {
    return Id3v2Frame(3, id, data, flags);
}
std::string F4(const std::string& id, const std::string& data, uint16_t flags = 0) {
    return Id3v2Frame(4, id, data, flags);
}

std::string TagOf(uint8_t version, const std::string& frames) {
    return Id3v2Header(version, 0, static_cast<uint32_t>(frames.size())) + frames;
}

TEST(ConvertTest, FramesInTheTargetsForm) {
    const std::string jpeg = "\xFF\xD8\xFF\xE0 picture"s;
    struct Case {
        const char* name;
        std::string tag;
        uint8_t target;
        bool latin1;
        std::string frames;
        std::vector<Loss> losses = {};
    } cases[] = {
        {"UTF-8 becomes UTF-16 with byte-order mark in 2.3",
         MakeId3v2Tag({{"TIT2", "\x03\xC3\x84"s}}, 4), 3, false, F3("TIT2", "\x01\xFF\xFE\xC4\0"s)},
        {"or ISO-8859-1 where asked and it fits",
         MakeId3v2Tag({{"TIT2", "\x03\xC3\x84"s}, {"TPE1", "\x03\xD0\x96"s}}, 4), 3, true,
         F3("TIT2", "\0\xC4"s) + F3("TPE1", "\x01\xFF\xFE\x16\x04"s)},
        {"UTF-16BE gets its byte-order mark", MakeId3v2Tag({{"TIT2", "\x02\0A"s}}, 4), 3, false,
         F3("TIT2",
            "\x01\xFF\xFE"
            "A\0"s)},
        {"2.4's several values joined by /",
         MakeId3v2Tag({{"TPE1", "\0A\0B\0"s}, {"TXXX", "\0d\0x\0y"s}}, 4), 3, false,
         F3("TPE1", "\0A/B\0"s) + F3("TXXX", "\0d\0x/y"s)},
        {"a lone genre number as a reference", MakeId3v2Tag({{"TCON", TextFrameData("17")}}, 4), 3,
         false, F3("TCON", "\0(17)"s)},
        {"several genres by name", MakeId3v2Tag({{"TCON", TextFrameData("17\0Jazz\0RX"s)}}, 4), 3,
         false, F3("TCON", "\0Rock/Jazz/Remix"s)},
        {"people lists keep their pairs and join in IPLS",
         MakeId3v2Tag({{"TIPL", "\0mix\0M"s}, {"TIT2", "\0T"s}, {"TMCL", "\0guitar\0G"s}}, 4), 3,
         false, F3("IPLS", "\0mix\0M\0guitar\0G"s) + F3("TIT2", "\0T"s)},
        {"a date as TYER, TDAT and TIME",
         MakeId3v2Tag({{"TDRC", TextFrameData("1989-05-17T10:11")}}, 4), 3, false,
         F3("TYER", TextFrameData("1989")) + F3("TDAT", TextFrameData("1705")) +
             F3("TIME", TextFrameData("1011"))},
        {"seconds are named",
         MakeId3v2Tag({{"TDRC", TextFrameData("1989-05-17T10:11:12")}}, 4),
         3,
         false,
         F3("TYER", TextFrameData("1989")) + F3("TDAT", TextFrameData("1705")) +
             F3("TIME", TextFrameData("1011")),
         {{"TDRC", LossKind::Precision}}},
        {"and back as one time stamp where TYER stood",
         MakeId3v2Tag({{"TDAT", TextFrameData("1705")},
                       {"TYER", TextFrameData("1989")},
                       {"TIME", TextFrameData("1011")}},
                      3),
         4, false, F4("TDRC", TextFrameData("1989-05-17T10:11"))},
        {"TORY and IPLS under 2.4's ids",
         MakeId3v2Tag({{"TORY", TextFrameData("1970")}, {"IPLS", "\0mix\0M"s}}, 3), 4, false,
         F4("TDOR", TextFrameData("1970")) + F4("TIPL", "\0mix\0M"s)},
        {"a frame 2.3 lacks stays under its id",
         MakeId3v2Tag({{"TMOO",
                        "\x03"
                        "calm"s},
                       {"RVA2", "track\0\x01"s}},
                      4),
         3, false,
         F3("TMOO",
            "\x01\xFF\xFE"
            "c\0a\0l\0m\0"s) +
             F3("RVA2", "track\0\x01"s)},
        {"2.2 ids, its picture's format as MIME type, CRM named",
         MakeId3v2Tag({{"TT2", "\0T"s},
                       {"CRM", "x\0y"s},
                       {"PIC",
                        "\0JPG\x03"
                        "d\0"s +
                            jpeg}},
                      2),
         3,
         false,
         F3("TIT2", "\0T"s) + F3("APIC",
                                 "\0image/jpeg\0\x03"
                                 "d\0"s +
                                     jpeg),
         {{"CRM", LossKind::NoFrame}}},
        {"status flags move to 2.4's bits, compression keeps its data",
         TagOf(3, F3("PRIV", "\0\0\0\x09zlibdata"s, 0x8080)), 4, false,
         F4("PRIV", "\0\0\0\x09zlibdata"s, 0x4009)},
        {"a compressed 2.4 text cannot get 2.3's encodings",
         TagOf(4, F4("TIT2", "\0\0\0\x05zlib"s, 0x0009)),
         3,
         false,
         "",
         {{"TIT2", LossKind::Sealed}}},
        {"an extended header stays behind",
         Id3v2Header(3, 0x40, 22) + "\0\0\0\x06\0\0\0\0\0\0"s + F3("TIT2", "\0T"s), 4, false,
         F4("TIT2", "\0T"s)},
        {"2.4 unsynchronisation undone",
         TagOf(4, F4("APIC", "\0image/jpeg\0\x03\0\xFF\0\xE0"s, 0x0002)), 3, false,
         F3("APIC", "\0image/jpeg\0\x03\0\xFF\xE0"s)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Converted out = Convert(c.tag, c.target, c.latin1);
        ASSERT_TRUE(out.Ok);
        EXPECT_TRUE(out.Frames == c.frames);
        EXPECT_EQ(out.Result.Losses, c.losses);
        EXPECT_TRUE(out.Result.Changed);
    }
}

TEST(ConvertTest, ATagOfTheTargetWithTextsAsAskedStays) {
    const std::string tag23 = MakeId3v2Tag({{"TIT2",
                                             "\x01\xFF\xFE"
                                             "A\0"s}},
                                           3);
    EXPECT_FALSE(Convert(tag23, 3).Result.Changed);
    EXPECT_TRUE(Convert(tag23, 3, true).Result.Changed);
    EXPECT_FALSE(Convert(MakeId3v2Tag({{"TIT2",
                                        "\x03"
                                        "A"s}},
                                      4),
                         4)
                     .Result.Changed);
}

}  // namespace

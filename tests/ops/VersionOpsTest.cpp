// Converting real taggers' files between ID3v2.3 and 2.4: mutagen and
// kid3-cli read the same tags after each step, the audio stays, nothing is
// lost that is not named, and one undo a step gives the bytes back.

#include "ops/VersionOps.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ops/History.h"
#include "support/Kid3.h"
#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"
#include "tags/ID3v2Frames.h"

namespace {

using namespace std::string_literals;

const std::string kCyrillic = "Звезда по имени Солнце";

std::string Jpeg() {
    std::string data = "\xFF\xD8\xFF\xE0"s;
    for (int i = 0; i < 3000; ++i) data += static_cast<char>((i * 37 + i / 7) % 256);
    return data;
}

std::string Utf16(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t unit : text)
        out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return out;
}

// The audio behind the tag, which no conversion may touch.
std::string Audio(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    id3v2::TagInfo info = id3v2::HeaderOfTag(bytes);
    return bytes.substr(id3v2::IsId3(info) ? static_cast<size_t>(id3v2::GetTagSize(info)) : 0);
}

VersionOutcome Convert(const std::string& path, uint8_t target, TagHistory& history) {
    VersionOutcome outcome;
    StepRecorder step(&history, "ID3v2-Version");
    SaveRun run;
    const id3v2::ConvertOptions options{target, false};
    ConvertVersion(run, path, options, [&](const VersionOutcome& o) { outcome = o; });
    run.Commit();
    return outcome;
}

struct Sample {
    const char* name;
    int firstTarget;  // the other version, then back
    std::function<bool(const std::string& path)> make;
};

bool WithLame(const std::string& path, const std::vector<std::string>& args) {
    return EncodeWithLame(path, args, 1.0, 44100, 2);
}

TEST(VersionOpsTest, RealTaggersFilesThereAndBack) {
    if (!MutagenAvailable() || !LameAvailable()) GTEST_SKIP() << "needs lame and python3-mutagen";
    TempDir dir;
    const std::string jpeg = Jpeg(), cover = dir.File("cover.jpg");
    WriteFileBytes(cover, jpeg);
    const auto mutagenFile = [&](int version, int encoding, std::string yearId) {
        return [=](const std::string& path) {
            if (!WithLame(path, {"-b", "128"})) return false;
            const int e = encoding;
            std::vector<MutagenNewFrame> frames = {
                {.Id = "TIT2", .Encoding = e, .Texts = {kCyrillic}},
                {.Id = "TPE1", .Encoding = e, .Texts = {"Кино", "Виктор Цой"}},
                {.Id = "TALB", .Encoding = e, .Texts = {"Für Elise"}},
                {.Id = yearId, .Encoding = e, .Texts = {version == 4 ? "1989-05-17" : "1989"}},
                {.Id = "TCON", .Encoding = e, .Texts = {version == 4 ? "17" : "(17)"}},
                {.Id = "COMM", .Encoding = e, .Texts = {"Köln"}, .Language = "deu"},
                {.Id = "USLT", .Encoding = e, .Texts = {kCyrillic + "\nzwei"}},
                {.Id = "TXXX", .Encoding = e, .Texts = {"-6.5 dB"}, .Description = "REPLAYGAIN"},
                {.Id = "TSOP", .Encoding = e, .Texts = {"Kino"}},
                {.Id = "APIC", .Encoding = e, .Description = "Cover", .Data = jpeg},
                {.Id = "POPM", .Email = "r@example.org", .Rating = 196, .Count = 3}};
            if (version == 3) frames.push_back({.Id = "TDAT", .Texts = {"1705"}});
            if (version == 4) frames.push_back({.Id = "TMOO", .Encoding = e, .Texts = {"ruhig"}});
            return MutagenWrite(path, version, frames);
        };
    };
    const Sample samples[] = {
        {"mutagen 2.4 UTF-8", 3, mutagenFile(4, 3, "TDRC")},
        {"mutagen 2.4 UTF-16BE", 3, mutagenFile(4, 2, "TDRC")},
        {"mutagen 2.3 UTF-16", 4, mutagenFile(3, 1, "TYER")},
        {"lame's own 2.3 with a picture", 4,
         [&](const std::string& path) {
             return WithLame(
                 path, {"-b", "128", "--tt", "Für Elise", "--ta", "Anaïs", "--ty", "1989", "--tg",
                        "Rock", "--tn", "4/12", "--ti", cover, "--add-id3v2"});
         }},
        {"kid3-cli 2.3 with a date", 4,
         [&](const std::string& path) {
             return WithLame(path, {"-b", "128"}) && Kid3Available() &&
                    std::system(("kid3-cli -c \"set title '" + kCyrillic +
                                 "'\" -c \"set date 2001-02-03\" -c \"set lyrics 'la la'\" '" +
                                 path + "' >/dev/null 2>&1")
                                    .c_str()) == 0;
         }},
        {"2.2", 4,
         [&](const std::string& path) {
             WriteMp3(path,
                      MakeId3v2Tag({{"TT2", "\0F\xFCr Elise"s},
                                    {"TP1", "\x01"s + Utf16(u"Кино")},
                                    {"TYE", TextFrameData("1989")},
                                    {"TCO", "\0(17)"s},
                                    {"COM", "\0deu\0K\xF6ln"s},
                                    {"PIC",
                                     "\0JPG\x03"
                                     "Cover\0"s +
                                         jpeg}},
                                   2, 100),
                      MakeCbrAudio(9, 0.3), "");
             return true;
         }},
        {"2.3 unsynchronised", 4,
         [&](const std::string& path) {
             const std::string frames = Id3v2Frame(3, "TIT2", "\0Titel"s) +
                                        Id3v2Frame(3, "APIC", "\0image/jpeg\0\x03\0"s + jpeg);
             const std::string body = id3v2::AddUnsync(frames);
             WriteMp3(path, Id3v2Header(3, 0x80, static_cast<uint32_t>(body.size())) + body,
                      MakeCbrAudio(9, 0.3), "");
             return true;
         }},
    };
    int n = 0;
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.name);
        const std::string path = dir.File("f" + std::to_string(n++) + ".mp3");
        if (!s.make(path)) {
            ADD_FAILURE() << "could not make the sample";
            continue;
        }
        const std::string before = ReadFileBytes(path), audio = Audio(path);
        const auto mutagen = MutagenView(path);
        ASSERT_TRUE(mutagen);
        const auto kid3 = Kid3Available() ? Kid3View(path) : std::nullopt;
        TagHistory history;
        for (const int target : {s.firstTarget, 7 - s.firstTarget}) {
            SCOPED_TRACE(target);
            const VersionOutcome o = Convert(path, static_cast<uint8_t>(target), history);
            EXPECT_EQ(o.Save.Outcome, FileOutcome::Written);
            EXPECT_EQ(o.Skip, VersionSkip::None);
            EXPECT_TRUE(o.Losses.empty());
            EXPECT_EQ(id3v2::HeaderOfTag(ReadFileBytes(path)).Version, target);
            EXPECT_EQ(MutagenView(path), mutagen);
            if (kid3) {
                EXPECT_EQ(Kid3View(path), kid3);
            }
            EXPECT_TRUE(Audio(path) == audio);
        }
        EXPECT_TRUE(history.Undo(nullptr).Empty());
        EXPECT_TRUE(history.Undo(nullptr).Empty());
        EXPECT_TRUE(ReadFileBytes(path) == before);
    }
}

TEST(VersionOpsTest, FilesLeftAsTheyWereSayWhy) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string tag;
        VersionSkip skip;
    } cases[] = {
        {"no tag", "", VersionSkip::NoTag},
        {"of the target", MakeId3v2Tag({{"TIT2", "\0T"s}}, 3, 50), VersionSkip::Already},
        {"2.2 compressed", MakeId3v2Tag({{"TT2", "\0T"s}}, 2, 0, 0x40), VersionSkip::Unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("x.mp3");
        WriteMp3(path, c.tag, MakeCbrAudio(9, 0.2), "");
        const std::string before = ReadFileBytes(path);
        TagHistory history;
        const VersionOutcome o = Convert(path, 3, history);
        EXPECT_EQ(o.Skip, c.skip);
        EXPECT_TRUE(ReadFileBytes(path) == before);
    }
}

}  // namespace

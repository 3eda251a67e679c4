// End-to-end runs of "tonzettel-cli info".
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"

namespace {

// A run of "info" with its "Name: value" lines taken apart.
struct InfoRun : CliRun {
    std::map<std::string, std::string> fields;
    std::vector<std::string> names;  // in output order
};

InfoRun RunInfo(const TempDir& work, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"info"};
    all.insert(all.end(), args.begin(), args.end());
    InfoRun r;
    static_cast<CliRun&>(r) = RunCli(work, all, "LC_ALL=C");
    size_t start = 0;
    while (start < r.Out.size()) {
        size_t end = r.Out.find('\n', start);
        if (end == std::string::npos) end = r.Out.size();
        const std::string line = r.Out.substr(start, end - start);
        const size_t colon = line.find(": ");
        EXPECT_NE(colon, std::string::npos) << line;
        if (colon != std::string::npos) {
            r.names.push_back(line.substr(0, colon));
            r.fields[line.substr(0, colon)] = line.substr(colon + 2);
        }
        start = end + 1;
    }
    return r;
}

void ExpectFields(const InfoRun& run, const std::map<std::string, std::string>& expected) {
    for (const auto& [name, value] : expected) {
        const auto it = run.fields.find(name);
        ASSERT_NE(it, run.fields.end()) << "missing " << name << " in\n" << run.Out;
        EXPECT_EQ(it->second, value) << name;
    }
}

TEST(InfoCliTest, BothTagsAndTheStream) {
    TempDir dir;
    const std::string v2 =
        MakeId3v2Tag({{"TIT2", TextFrameData("Titel\tzwei")},
                      {"APIC", std::string(2000, 'p')},
                      {"TPE1", "\x03Звезда"},
                      {"TALB", TextFrameData("Album")},
                      {"TRCK", TextFrameData("7")},
                      {"TDRC", TextFrameData("2003")},
                      {"TCON", TextFrameData("Jazz")},
                      {"COMM", std::string(1, '\0') + "engiTunNORM" + std::string(1, '\0') + "1"},
                      {"COMM", std::string(1, '\0') + "deu" + std::string(1, '\0') + "Notiz"},
                      {"TXXX", TextFrameData("x")}},
                     4, 20);
    FrameSpec spec;
    spec.Mode = 3;  // mono
    std::string audio = MakeFrames(spec, 383);
    audio.replace(audio.size() - 300, 8, "LAME3.98");
    const std::string file = dir.File("lied.mp3");
    WriteMp3(file, v2, audio, MakeId3v1Tag("T1", "A1", "B1", "1999", "C1", 4, 17));

    const InfoRun run = RunInfo(dir, {file});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    ExpectFields(run, {{"Datei", file},
                       {"ID3v1.Exists", "ja"},
                       {"ID3v1.VersionID", "2"},
                       {"ID3v1.Title", "T1"},
                       {"ID3v1.Artist", "A1"},
                       {"ID3v1.Album", "B1"},
                       {"ID3v1.Year", "1999"},
                       {"ID3v1.Comment", "C1"},
                       {"ID3v1.Track", "4"},
                       {"ID3v1.GenreID", "17"},
                       {"ID3v1.Genre", "Rock"},
                       {"ID3v2.Exists", "ja"},
                       {"ID3v2.VersionID", "4"},
                       {"ID3v2.Size", std::to_string(v2.size())},
                       {"ID3v2.Title", "Titel\\tzwei"},
                       {"ID3v2.Artist", "Звезда"},
                       {"ID3v2.Album", "Album"},
                       {"ID3v2.Track", "7"},
                       {"ID3v2.Year", "2003"},
                       {"ID3v2.Genre", "Jazz"},
                       {"ID3v2.Comment", "Notiz"},
                       {"ID3v2.OtherFrames", "APIC COMM TXXX"},
                       {"MPEG.FileBytes", std::to_string(v2.size() + audio.size() + 128)},
                       {"MPEG.FrameFound", "ja"},
                       {"MPEG.FramePosition", "0"},
                       {"MPEG.FrameSize", "417"},
                       {"MPEG.Version", "MPEG 1"},
                       {"MPEG.Layer", "Layer III"},
                       {"MPEG.Mode", "Mono"},
                       {"MPEG.BitRate", "128 KBit/s"},
                       {"MPEG.SampleRate", "44100 Hz"},
                       {"MPEG.PlayTimeText", "0:09"},
                       {"MPEG.VBR", "keiner"},
                       {"MPEG.VendorText", "LAME3.98"},
                       {"MPEG.Encoder", "LAME 3.98"},
                       {"MPEG.Valid", "ja"}});
    // (383 * 417 + 128) * 8 / 128 / 1000 seconds
    EXPECT_EQ(run.fields.at("MPEG.PlayTime"), "9.990 s");
    EXPECT_EQ(run.names.front(), "Datei");
    EXPECT_EQ(run.names.back(), "MPEG.Valid");
}

TEST(InfoCliTest, AbsentTagsAndAVbrStream) {
    if (!LameAvailable()) GTEST_SKIP() << "lame not installed";
    TempDir dir;
    const std::string file = dir.File("vbr.mp3");
    ASSERT_TRUE(EncodeWithLame(file, {"-V", "2", "--noreplaygain"}, 4.0, 44100, 2));
    const InfoRun run = RunInfo(dir, {file});
    EXPECT_EQ(run.Code, 0) << run.Err;
    ExpectFields(run, {{"ID3v1.Exists", "nein"},
                       {"ID3v1.Title", ""},
                       {"ID3v1.GenreID", "255"},
                       {"ID3v1.Genre", ""},
                       {"ID3v2.Exists", "nein"},
                       {"ID3v2.Size", "0"},
                       {"MPEG.VBR", "Xing"},
                       {"MPEG.PlayTimeText", "0:04"},
                       {"MPEG.Valid", "ja"}});
    EXPECT_EQ(run.fields.at("MPEG.Encoder").substr(0, 4), "LAME");
    EXPECT_NE(run.fields.at("MPEG.VBRFrames"), "0");
}

TEST(InfoCliTest, ShortFileShowsTheTagMessage) {
    TempDir dir;
    const std::string file = dir.File("kurz.mp3");
    WriteFileBytes(file, std::string(60, 'x'));
    const InfoRun run = RunInfo(dir, {file});
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find("kurz.mp3"), std::string::npos) << run.Err;
    ExpectFields(run, {{"ID3v1.Exists", "nein"}, {"MPEG.Valid", "nein"}});
}

TEST(InfoCliTest, BadUsageAndMissingFiles) {
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        std::string inError;
    };
    const Case cases[] = {
        {{}, "info"},
        {{dir.File("fehlt.mp3")}, "fehlt.mp3"},
        {{dir.Path().string()}, dir.Path().string()},
        {{dir.File("a.mp3"), dir.File("b.mp3")}, "info"},
        {{"--level", "1", dir.File("a.mp3")}, "--level"},
    };
    for (const auto& c : cases) {
        const InfoRun run = RunInfo(dir, c.args);
        EXPECT_EQ(run.Code, 2) << c.inError;
        EXPECT_EQ(run.Out, "");
        EXPECT_NE(run.Err.find(c.inError), std::string::npos) << run.Err;
    }
}

}  // namespace

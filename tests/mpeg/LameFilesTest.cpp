// The analyser on real files that the lame encoder makes at test time, bare
// and wrapped in ID3v2 and ID3v1 tags: sample rate exact, bit rate exact for
// CBR and near the true average for VBR/ABR, play time near the true length.

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/MPEGaudio.h"

namespace {

struct LameCase {
    const char* name;
    std::vector<std::string> args;
    int sampleRate;
    int channels;
    uint16_t cbrRate;  // 0: lame writes a Xing header with the frame count
    uint8_t versionID;
    // Lame's delay, padding and first frame come to about 0.1 s at 11 kHz:
    // long enough that they stay under 1 %.
    double seconds = 10;
};

class LameFilesTest : public testing::TestWithParam<LameCase> {};

TEST_P(LameFilesTest, RateAndTime) {
    if (!LameAvailable()) GTEST_SKIP() << "lame is not installed";
    const LameCase& c = GetParam();
    // True length: the PCM samples that were encoded.
    const double duration =
        static_cast<double>(std::lround(c.seconds * c.sampleRate)) / c.sampleRate;
    TempDir dir;
    const std::string bare = dir.File("bare.mp3");
    ASSERT_TRUE(EncodeWithLame(bare, c.args, c.seconds, c.sampleRate, c.channels));
    const std::string audio = ReadFileBytes(bare);
    const std::string tagged = dir.File("tagged.mp3");
    WriteMp3(
        tagged,
        MakeId3v2Tag({{"TIT2", TextFrameData("Lied")}, {"TPE1", TextFrameData("Band")}}, 3, 700),
        audio, MakeId3v1Tag("Lied", "Band", "Platte", "2004", "", 1, 12));

    for (const std::string& path : {bare, tagged}) {
        SCOPED_TRACE(path == bare ? "without tags" : "with tags");
        TMPEGaudio a;
        ASSERT_TRUE(a.ReadFromFile(path));
        ASSERT_TRUE(a.Frame().Found);
        EXPECT_EQ(a.Frame().Position, 0);
        EXPECT_EQ(a.Frame().VersionID, c.versionID);
        EXPECT_EQ(a.Frame().ModeID == 3, c.channels == 1);
        EXPECT_EQ(a.Tag1().Exists(), path == tagged);
        EXPECT_EQ(a.Tag2().Exists(), path == tagged);
        EXPECT_EQ(a.SampleRate(), c.sampleRate);
        EXPECT_TRUE(a.IsValid());
        EXPECT_NEAR(a.PlayTime(), duration, duration * 0.01);
        if (c.cbrRate != 0) {
            EXPECT_EQ(a.BitRate(), c.cbrRate);
            EXPECT_FALSE(a.VBR().Present);
        } else {
            ASSERT_TRUE(a.VBR().Present);
            EXPECT_EQ(a.VBR().Tag, "Xing");
            const double audioBytes = static_cast<double>(a.FileBytes()) - a.Tag2().Size() -
                                      (a.Tag1().Exists() ? 128 : 0);
            const double average = audioBytes * 8 / duration / 1000;
            EXPECT_NEAR(a.BitRate(), average, average * 0.03);
            // The whole version, as "lame --version" gives it (3.100, not 3.10).
            EXPECT_EQ(a.EncoderText(), "LAME " + LameVersion());
        }
        std::cout << "  " << c.name << (path == bare ? " bare" : " tagged") << ": " << a.BitRate()
                  << " kbit/s, " << a.SampleRate() << " Hz, " << a.PlayTime() << " s, "
                  << a.EncoderText() << "\n";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, LameFilesTest,
    testing::Values(LameCase{"Cbr128", {"-b", "128"}, 44100, 2, 128, 3},
                    LameCase{"Cbr320", {"-b", "320"}, 44100, 2, 320, 3},
                    LameCase{"Vbr", {"-V", "2"}, 44100, 2, 0, 3},
                    LameCase{"Abr", {"--abr", "160"}, 44100, 2, 0, 3},
                    LameCase{"MonoCbr", {"-b", "96"}, 44100, 1, 96, 3},
                    LameCase{"MonoVbr", {"-V", "4"}, 44100, 1, 0, 3},
                    LameCase{"Mpeg2Cbr", {"-b", "64"}, 22050, 2, 64, 2, 20},
                    LameCase{"Mpeg2Vbr", {"-V", "5"}, 22050, 2, 0, 2, 20},
                    LameCase{"Mpeg25Cbr", {"-b", "32"}, 11025, 2, 32, 0, 30},
                    LameCase{"Mpeg25MonoVbr", {"-V", "6"}, 11025, 1, 0, 0, 30}),
    [](const testing::TestParamInfo<LameCase>& info) { return info.param.name; });

TEST(LameFilesTest, VbrWithoutHeaderTakesTheFirstFramesRate) {
    if (!LameAvailable()) GTEST_SKIP() << "lame is not installed";
    TempDir dir;
    const std::string path = dir.File("ohne-xing.mp3");
    ASSERT_TRUE(EncodeWithLame(path, {"-V", "2", "-t"}, 3, 44100, 2));
    const std::string bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 4u);
    // MPEG 1 Layer III rates by the first header's bit-rate index.
    constexpr uint16_t kRates[] = {0,   32,  40,  48,  56,  64,  80,  96,
                                   112, 128, 160, 192, 224, 256, 320, 0};
    const uint16_t firstRate = kRates[static_cast<uint8_t>(bytes[2]) >> 4];
    TMPEGaudio a;
    ASSERT_TRUE(a.ReadFromFile(path));
    EXPECT_FALSE(a.VBR().Present);
    EXPECT_EQ(a.Frame().Position, 0);
    EXPECT_EQ(a.BitRate(), firstRate);
    EXPECT_EQ(a.SampleRate(), 44100);
    EXPECT_DOUBLE_EQ(a.PlayTime(), bytes.size() * 8.0 / firstRate / 1000);
}

}  // namespace

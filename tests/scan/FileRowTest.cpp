#include "scan/FileRow.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "ops/Reasons.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/MPEGaudio.h"

namespace {

TEST(FileRowTextTest, ImageIndexByBitRate) {
    const std::pair<int, int> cases[] = {{0, 0},   {8, 0},   {128, 0}, {129, 1},
                                         {191, 1}, {192, 2}, {320, 2}, {448, 2}};
    for (const auto& [rate, image] : cases) EXPECT_EQ(ImageIndexForBitRate(rate), image) << rate;
}

TEST(FileRowTextTest, PlayTimeText) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "0:00"},
        {0.1, "0:00"},
        {9.99, "0:09"},
        {59.9, "0:59"},
        {60.0, "1:00"},
        {185.7, "3:05"},
        {600.0, "10:00"},
        {3600.0, "60:00"},
        {4503.0, "75:03"},
        {36000.5, "600:00"},
        // Just below a full minute: never a negative second count.
        {119.99999999999999, "1:59"},
        {std::nextafter(120.0, 0.0), "1:59"},
        // Nonsense from a broken stream must not crash or print garbage.
        {-5.0, "0:00"},
        {std::numeric_limits<double>::quiet_NaN(), "0:00"},
        {std::numeric_limits<double>::infinity(), "0:00"}};
    for (const auto& [seconds, text] : cases) EXPECT_EQ(PlayTimeText(seconds), text) << seconds;
}

class LocaleGuard {
  public:
    LocaleGuard() : saved_(std::setlocale(LC_NUMERIC, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_NUMERIC, saved_.c_str()); }

  private:
    std::string saved_;
};

TEST(FileRowTextTest, SizeTextFollowsTheDecimalSeparator) {
    LocaleGuard guard;
    struct Case {
        int64_t bytes;
        const char* c;
        const char* german;
    };
    const Case cases[] = {{0, "0.00 MB", "0,00 MB"},
                          {1048576, "1.00 MB", "1,00 MB"},
                          {5000000, "4.77 MB", "4,77 MB"},
                          {5242, "0.00 MB", "0,00 MB"},
                          {5243, "0.01 MB", "0,01 MB"},  // rounded, not cut
                          {2147483647, "2048.00 MB", "2048,00 MB"},
                          {int64_t{1} << 32, "4096.00 MB", "4096,00 MB"}};
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.c) << c.bytes;
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no German locale (scripts/install-deps.sh generates it)";
    for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.german) << c.bytes;
}

TEST(FileRowTextTest, StatusTexts) {
    EXPECT_EQ(FoundCountText(0), "0 MP3-Dateien gefunden");
    EXPECT_EQ(FoundCountText(1), "1 MP3-Datei gefunden");
    EXPECT_EQ(FoundCountText(3), "3 MP3-Dateien gefunden");
    EXPECT_EQ(FoundCountText(10000), "10000 MP3-Dateien gefunden");
    EXPECT_EQ(ScanningText("/home/ute/Musik"), "Scanne /home/ute/Musik nach MP3-Dateien...");
    EXPECT_EQ(FoundSoFarText(0), "0 gefunden");
    EXPECT_EQ(FoundSoFarText(42), "42 gefunden");
}

std::string CommData(const std::string& text) {
    return std::string(1, '\0') + "deu" + std::string(1, '\0') + text;
}

class BuildFileRowTest : public ::testing::Test {
  protected:
    void SetUp() override { std::setlocale(LC_NUMERIC, "C"); }

    // Reads the file and builds its row; the row starts filled with junk so
    // that cells the builder forgets show up.
    bool Build(const std::string& name, int level, FileRow& row) {
        row.ImageIndex = 99;
        row.Cells.fill("junk");
        audio_.ReadFromFile(dir_.File(name));
        return BuildFileRow(audio_, level, dir_.Path().string() + "/", name, row);
    }

    TempDir dir_;
    TMPEGaudio audio_;
};

TEST_F(BuildFileRowTest, CellsAtBothLevels) {
    // Windows-1252 bytes with trailing blanks and controls in the tags.
    const std::string v2 = MakeId3v2Tag({{"TPE1", TextFrameData("M\xF6tley Cr\xFC"
                                                                "e  ")},
                                         {"TALB", TextFrameData("Dr. Feelgood\t")},
                                         {"TIT2", TextFrameData("Kickstart \x84My\x93 Heart")},
                                         {"TYER", TextFrameData("1989")},
                                         {"TCON", TextFrameData("Hair Metal ")},
                                         {"COMM", CommData("Kommentar v2")}});
    const std::string v1 =
        MakeId3v1Tag("Titel eins", "K\xFCnstler", "Album", "2001", "Notiz \x80", 5, 17);
    WriteMp3(dir_.File("both.mp3"), v2, MakeCbrAudio(9, 10.5), v1);

    FileRow row;
    ASSERT_TRUE(Build("both.mp3", 1, row));
    const std::string folder = dir_.Path().string() + "/";
    const std::array<std::string, ColumnCount> level1 = {"both.mp3",
                                                         "Künstler",
                                                         "Album",
                                                         "Titel eins",
                                                         "2001",
                                                         "Rock",
                                                         "Notiz €",
                                                         "128 KBit/s",
                                                         "44100 Hz",
                                                         PlayTimeText(audio_.PlayTime()),
                                                         SizeText(audio_.FileBytes()),
                                                         audio_.EncoderText(),
                                                         folder};
    EXPECT_EQ(row.Cells, level1);
    EXPECT_EQ(row.ImageIndex, 0);
    EXPECT_EQ(row.Cells[ColLaenge], "0:10");

    ASSERT_TRUE(Build("both.mp3", 2, row));
    std::array<std::string, ColumnCount> level2 = level1;
    level2[ColInterpret] = "Mötley Crüe";
    level2[ColAlbum] = "Dr. Feelgood";
    level2[ColTitel] = "Kickstart „My“ Heart";
    level2[ColJahr] = "1989";
    level2[ColGenre] = "Hair Metal";
    level2[ColKommentar] = "Kommentar v2";
    EXPECT_EQ(row.Cells, level2);
}

// A recording of more than 4 GiB (sparse) is listed with its size and time.
TEST_F(BuildFileRowTest, AFileOver4GiBIsListed) {
    const std::string path = dir_.File("lang.mp3");
    WriteMp3(path, "", MakeCbrAudio(9, 1.0), "");
    std::filesystem::resize_file(path, (uintmax_t{1} << 32) + 1048576);
    FileRow row;
    ASSERT_TRUE(Build("lang.mp3", 2, row));
    EXPECT_EQ(row.Cells[ColDateigroesse], "4097.00 MB");
    EXPECT_EQ(row.Cells[ColBitrate], "128 KBit/s");
}

TEST_F(BuildFileRowTest, AbsentTagGivesSixEmptyCells) {
    const std::string v2 = MakeId3v2Tag({{"TPE1", TextFrameData("Nur v2")}});
    WriteMp3(dir_.File("v2only.mp3"), v2, MakeCbrAudio(11, 5.0), "");
    WriteMp3(dir_.File("v1only.mp3"), "", MakeCbrAudio(11, 5.0),
             MakeId3v1Tag("T", "Nur v1", "", "", "", 0, 255));

    FileRow row;
    ASSERT_TRUE(Build("v2only.mp3", 1, row));
    for (int c = ColInterpret; c <= ColKommentar; ++c) EXPECT_EQ(row.Cells[c], "") << c;
    EXPECT_EQ(row.Cells[ColBitrate], "192 KBit/s");
    EXPECT_EQ(row.ImageIndex, 2);
    ASSERT_TRUE(Build("v2only.mp3", 2, row));
    EXPECT_EQ(row.Cells[ColInterpret], "Nur v2");

    ASSERT_TRUE(Build("v1only.mp3", 2, row));
    for (int c = ColInterpret; c <= ColKommentar; ++c) EXPECT_EQ(row.Cells[c], "") << c;
    ASSERT_TRUE(Build("v1only.mp3", 1, row));
    EXPECT_EQ(row.Cells[ColInterpret], "Nur v1");
    EXPECT_EQ(row.Cells[ColGenre], "");  // genre 255: no name
}

TEST_F(BuildFileRowTest, InvalidFileGetsNoRowAndRowIsUntouched) {
    WriteFileBytes(dir_.File("noise.mp3"), std::string(5000, '\x55'));
    FileRow row;
    EXPECT_FALSE(Build("noise.mp3", 1, row));
    EXPECT_EQ(row.ImageIndex, 99);
    EXPECT_EQ(row.Cells[ColDatei], "junk");
}

TEST_F(BuildFileRowTest, RatesAndImagesOfOtherStreams) {
    struct Case {
        int version, bitRateIndex, sampleRateIndex;
        const char* bitRate;
        const char* sampleRate;
        int image;
    };
    const Case cases[] = {
        {3, 10, 1, "160 KBit/s", "48000 Hz", 1},  // MPEG 1, 160 kbit/s, 48 kHz
        {3, 14, 2, "320 KBit/s", "32000 Hz", 2},
        {2, 8, 0, "64 KBit/s", "22050 Hz", 0},  // MPEG 2
        {0, 4, 2, "32 KBit/s", "8000 Hz", 0},   // MPEG 2.5
    };
    for (const auto& c : cases) {
        FrameSpec spec;
        spec.VersionCode = c.version;
        spec.BitRateIndex = c.bitRateIndex;
        spec.SampleRateIndex = c.sampleRateIndex;
        WriteMp3(dir_.File("x.mp3"), "", MakeFrames(spec, 200), "");
        FileRow row;
        ASSERT_TRUE(Build("x.mp3", 1, row)) << c.bitRate;
        EXPECT_EQ(row.Cells[ColBitrate], c.bitRate);
        EXPECT_EQ(row.Cells[ColSamplerate], c.sampleRate);
        EXPECT_EQ(row.ImageIndex, c.image) << c.bitRate;
    }
}

TEST_F(BuildFileRowTest, LameEncodedFile) {
    if (!LameAvailable()) GTEST_SKIP() << "lame not installed";
    ASSERT_TRUE(EncodeWithLame(dir_.File("real.mp3"), {"-b", "192"}, 3.0, 44100, 2));
    FileRow row;
    ASSERT_TRUE(Build("real.mp3", 1, row));
    EXPECT_EQ(row.Cells[ColBitrate], "192 KBit/s");
    EXPECT_EQ(row.Cells[ColSamplerate], "44100 Hz");
    EXPECT_EQ(row.Cells[ColLaenge], "0:03");
    EXPECT_EQ(row.Cells[ColCodec].substr(0, 4), "LAME");
    EXPECT_EQ(row.ImageIndex, 2);
}

}  // namespace

// TMPEGaudio::ReadFromFile on files built byte by byte: where the windows
// lie, what a failed read leaves, VBR headers and encoder marks as they come
// out of a file, validity, and files outside the analyser's range.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "tags/MPEGaudio.h"
#include "tags/Messages.h"

namespace {

using namespace std::string_literals;

// Bytes that are never part of a header.
std::string Filler(size_t n) {
    return std::string(n, '\x55');
}

std::string Id3v1() {
    return MakeId3v1Tag("Titel", "Interpret", "Album", "2001", "", 3, 17);
}

// An ID3v2 tag of exactly totalSize bytes, header included.
std::string Id3v2Of(size_t totalSize) {
    const std::vector<std::pair<std::string, std::string>> frames = {
        {"TIT2", TextFrameData("Titel")}, {"TPE1", TextFrameData("Interpret")}};
    const size_t bare = MakeId3v2Tag(frames).size();
    return MakeId3v2Tag(frames, 3, static_cast<int>(totalSize - bare));
}

class AnalyserFileTest : public testing::Test {
  protected:
    void SetUp() override {
        previous_ =
            SetMessageHandler([this](const std::string& text) { messages_.push_back(text); });
    }
    void TearDown() override { SetMessageHandler(previous_); }

    // Writes the bytes to a fresh file and analyses it.
    bool Analyse(const std::string& bytes) {
        path_ = dir_.File("file" + std::to_string(++count_) + ".mp3");
        WriteFileBytes(path_, bytes);
        return audio_.ReadFromFile(path_);
    }

    void ExpectCleared() const {
        EXPECT_EQ(audio_.FileBytes(), 0);
        EXPECT_FALSE(audio_.Frame().Found);
        EXPECT_EQ(audio_.Frame().VersionID, 1);
        EXPECT_EQ(audio_.Frame().ModeID, 4);
        EXPECT_FALSE(audio_.VBR().Present);
        EXPECT_TRUE(audio_.VendorText().empty());
        EXPECT_FALSE(audio_.Tag1().Exists());
        EXPECT_FALSE(audio_.Tag2().Exists());
        EXPECT_EQ(audio_.Tag2().Size(), 0);
        EXPECT_EQ(audio_.BitRate(), 0);
        EXPECT_EQ(audio_.SampleRate(), 0);
        EXPECT_EQ(audio_.PlayTime(), 0);
        EXPECT_EQ(audio_.EncoderKind(), 0);
        EXPECT_EQ(audio_.EncoderText(), "Unknown");
        EXPECT_FALSE(audio_.IsValid());
    }

    TempDir dir_;
    TMPEGaudio audio_;
    std::string path_;
    int count_ = 0;
    std::vector<std::string> messages_;
    MessageHandler previous_;
};

TEST_F(AnalyserFileTest, NewObjectIsCleared) {
    ExpectCleared();
}

TEST_F(AnalyserFileTest, FirstWindowStartsBehindTheId3v2Tag) {
    const std::string audio = MakeCbrAudio(9, 2.0);
    const std::string bytes = Id3v2Of(2048) + audio + Id3v1();
    ASSERT_TRUE(Analyse(bytes));
    const auto before = std::filesystem::last_write_time(path_);
    EXPECT_EQ(audio_.Tag2().Size(), 2048);
    EXPECT_EQ(audio_.Tag2().Title(), "Titel");
    EXPECT_TRUE(audio_.Tag1().Exists());
    EXPECT_EQ(audio_.FileBytes(), static_cast<int64_t>(bytes.size()));
    EXPECT_TRUE(audio_.Frame().Found);
    EXPECT_EQ(audio_.Frame().Position, 0);
    EXPECT_EQ(audio_.Frame().Size, 417);
    EXPECT_EQ(audio_.BitRate(), 128);
    EXPECT_EQ(audio_.SampleRate(), 44100);
    // The ID3v1 tag's bytes count as audio.
    EXPECT_DOUBLE_EQ(audio_.PlayTime(), (bytes.size() - 2048.0) * 8 / 128 / 1000);
    EXPECT_TRUE(audio_.IsValid());
    // Analysing leaves the file as it was.
    EXPECT_EQ(ReadFileBytes(path_), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(path_), before);
}

// Tags whose frames lie where the analyser's reads of the file begin or end:
// the first 4 KiB, pieces of 64 KiB of the frame area, the first window.
TEST_F(AnalyserFileTest, TagFramesAndFirstWindowWhereverTheReadsEnd) {
    // Frames at chosen file offsets; a "TXXX" frame fills each gap.
    struct Placed {
        int64_t at;  // 0: right behind the frame before
        std::string id, data;
    };
    const auto tagWith = [](const std::vector<Placed>& frames, int padding) {
        std::vector<std::pair<std::string, std::string>> list;
        int64_t pos = 10;
        for (const Placed& f : frames) {
            if (f.at > 0) {
                EXPECT_GE(f.at - pos, 10);
                list.push_back({"TXXX", std::string(static_cast<size_t>(f.at - pos - 10), 'x')});
                pos = f.at;
            }
            list.push_back({f.id, f.data});
            pos += 10 + static_cast<int64_t>(f.data.size());
        }
        return MakeId3v2Tag(list, 3, padding);
    };
    const std::string comm = "\0eng\0"s + "Kommentar";
    const std::string longAlbum(300, 'A');
    struct Case {
        const char* name;
        std::string tag;
        std::string title, artist, album, comment;
    };
    const std::vector<Case> cases = {
        {"frame header across the end of the first read",
         tagWith({{4090, "TIT2", TextFrameData("Titel")}, {0, "TPE1", TextFrameData("Wer")}}, 50),
         "Titel", "Wer", "", ""},
        {"frame data across the end of the first read",
         tagWith({{4080, "TIT2", TextFrameData("Titel")}, {0, "COMM", comm}}, 0), "Titel", "", "",
         "Kommentar"},
        {"long frame data across the end of the first read",
         tagWith({{3900, "TALB", TextFrameData(longAlbum)}, {0, "TIT2", TextFrameData("T")}}, 10),
         "T", "", longAlbum, ""},
        {"frames behind a frame larger than a piece, one across the next piece's end",
         tagWith({{100010, "TIT2", TextFrameData("Titel")},
                  {100010 + 65536 - 4, "TPE1", TextFrameData("Wer")},
                  {0, "COMM", comm}},
                 3000),
         "Titel", "Wer", "", "Kommentar"},
        {"a wanted frame behind a picture, then much padding",
         tagWith({{0, "TALB", TextFrameData("Album")},
                  {0, "APIC", std::string(200000, '\xAB')},
                  {0, "TIT2", TextFrameData("Titel")}},
                 80000),
         "Titel", "", "Album", ""},
        {"a tag whose first window ends at the first read's end", Id3v2Of(4096 - 3458), "Titel",
         "Interpret", "", ""},
        {"a tag whose first window ends one byte later", Id3v2Of(4096 - 3458 + 1), "Titel",
         "Interpret", "", ""},
        {"a tag of 8 KiB", Id3v2Of(8192), "Titel", "Interpret", "", ""},
        {"a tag larger than a piece", Id3v2Of(70000), "Titel", "Interpret", "", ""},
    };
    const std::string audio = MakeCbrAudio(9, 1.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Analyse(c.tag + audio + Id3v1()));
        EXPECT_EQ(audio_.Tag2().Size(), static_cast<int32_t>(c.tag.size()));
        EXPECT_EQ(audio_.Tag2().Title(), c.title);
        EXPECT_EQ(audio_.Tag2().Artist(), c.artist);
        EXPECT_EQ(audio_.Tag2().Album(), c.album);
        EXPECT_EQ(audio_.Tag2().Comment(), c.comment);
        EXPECT_EQ(audio_.Tag1().Title(), "Titel");
        EXPECT_TRUE(audio_.Frame().Found);
        EXPECT_EQ(audio_.Frame().Position, 0);
        EXPECT_EQ(audio_.VendorText(), "");
        EXPECT_EQ(audio_.FileBytes(), static_cast<int64_t>(c.tag.size() + audio.size() + 128));
        // The reader on its own reads the same.
        TID3v2 alone;
        ASSERT_TRUE(alone.ReadFromFile(path_));
        EXPECT_EQ(alone.Size(), audio_.Tag2().Size());
        EXPECT_EQ(alone.Title(), c.title);
        EXPECT_EQ(alone.Artist(), c.artist);
        EXPECT_EQ(alone.Album(), c.album);
        EXPECT_EQ(alone.Comment(), c.comment);
    }
    EXPECT_TRUE(messages_.empty());
}

// A file whose last 128 bytes cannot be read is marked for the caller to
// name, and nothing else is; the analyser itself shows no message.
TEST_F(AnalyserFileTest, UnreadableFilesAreMarked) {
    const std::string pipe = dir_.File("pipe.mp3");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string shortFile = dir_.File("kurz.mp3");
    WriteFileBytes(shortFile, MakeFrames(FrameSpec{}, 1).substr(0, 127));
    const std::string exact = dir_.File("genau.mp3");
    WriteFileBytes(exact, Id3v1());
    for (const std::string& path :
         {dir_.File("nicht-da.mp3"), dir_.Path().string(), pipe, shortFile}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(audio_.ReadFromFile(path));
        ExpectCleared();
        EXPECT_TRUE(audio_.Unreadable());
    }
    // 128 bytes can be read, even though there is no audio.
    EXPECT_TRUE(audio_.ReadFromFile(exact));
    ExpectCleared();
    EXPECT_FALSE(audio_.Unreadable());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AnalyserFileTest, FrameAtLastSearchPositionOfFirstWindow) {
    ASSERT_TRUE(Analyse(Filler(1729) + MakeCbrAudio(9, 2.0)));
    EXPECT_TRUE(audio_.Frame().Found);
    EXPECT_EQ(audio_.Frame().Position, 1729);
    EXPECT_DOUBLE_EQ(audio_.PlayTime(), (audio_.FileBytes() - 1729.0) * 8 / 128000);
}

TEST_F(AnalyserFileTest, FrameJustPastTheSearchRangeIsFoundInTheMiddleWindow) {
    const std::string audio = MakeCbrAudio(9, 2.0);
    const std::string bytes = Filler(1730) + audio;
    ASSERT_TRUE(Analyse(bytes));
    ASSERT_TRUE(audio_.Frame().Found);
    // The middle window starts at half the file; the position counts from there.
    const int64_t middle = static_cast<int64_t>(bytes.size()) / 2;
    const int64_t framesBefore = (middle - 1730 + 416) / 417;
    EXPECT_EQ(audio_.Frame().Position, 1730 + framesBefore * 417 - middle);
    EXPECT_EQ(audio_.BitRate(), 128);
}

TEST_F(AnalyserFileTest, MiddleWindowStartsAtHalfOfTheBytesBehindTheId3v2Tag) {
    // (file bytes - ID3v2 size) / 2 from the file's start, the fraction dropped.
    const std::string tag = Id3v2Of(1001);
    const std::string audio = MakeCbrAudio(9, 2.0);
    const std::string bytes = tag + Filler(1730) + audio;
    ASSERT_TRUE(Analyse(bytes));
    ASSERT_TRUE(audio_.Frame().Found);
    const int64_t middle = (static_cast<int64_t>(bytes.size()) - 1001) / 2;
    const int64_t audioStart = 1001 + 1730;
    const int64_t framesBefore = (middle - audioStart + 416) / 417;
    EXPECT_EQ(audio_.Frame().Position, audioStart + framesBefore * 417 - middle);
}

TEST_F(AnalyserFileTest, NoMiddleWindowAfterAShortFirstRead) {
    // The first window is not full, so the search ends there.
    EXPECT_TRUE(Analyse(Filler(3000)));
    ExpectCleared();
}

TEST_F(AnalyserFileTest, ShortMiddleReadSeesNoStaleBytes) {
    // 5,000 bytes: the first window is full and empty, the middle one starts
    // at 2,500 and gets 2,500 bytes. Its header at 1,500 (file offset 4,000)
    // would find a successor 1,044 bytes on only in bytes left over from the
    // first read (file offset 2,544).
    FrameSpec spec;
    spec.BitRateIndex = 14;
    ASSERT_EQ(FrameLengthOf(spec), 1044);
    std::string bytes = Filler(5000);
    PutBytes(bytes, 2544, FrameHeaderBytes(spec));
    PutBytes(bytes, 4000, FrameHeaderBytes(spec));
    EXPECT_TRUE(Analyse(bytes));
    ExpectCleared();
}

TEST_F(AnalyserFileTest, TagsWithoutAudioReportNothing) {
    EXPECT_TRUE(Analyse(Id3v2Of(600) + Filler(5000) + Id3v1()));
    ExpectCleared();
    // And nothing is left over from a file read before.
    ASSERT_TRUE(Analyse(Id3v2Of(600) +
                        MakeVbrAudio(FrameSpec{}, 36, XingBlock(100, 41700, 50, "LAME3.96"), 20) +
                        Id3v1()));
    ASSERT_TRUE(audio_.VBR().Present);
    EXPECT_TRUE(Analyse(Id3v2Of(600) + Filler(5000) + Id3v1()));
    ExpectCleared();
}

TEST_F(AnalyserFileTest, FileShorterThanTheTailWindow) {
    FrameSpec spec;
    const std::string frames = MakeFrames(spec, 4);  // 1,668 bytes
    struct Case {
        std::string bytes;
        bool withId3v1, result;
    } cases[] = {
        {frames + Filler(3458 - 1668 - 8) + "LAME3.97", false, true},  // exactly one window
        {frames + Filler(3457 - 1668 - 8) + "LAME3.97", false, false},
        {frames + Filler(3458 - 1668 - 8) + "LAME3.97" + Id3v1(), true, true},
        {frames + Filler(3458 - 1668 - 9) + "LAME3.97" + Id3v1(), true, false},
        {frames + "LAME3.97", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        EXPECT_EQ(Analyse(c.bytes), c.result);
        EXPECT_EQ(audio_.Tag1().Exists(), c.withId3v1);
        EXPECT_TRUE(audio_.Frame().Found);
        EXPECT_EQ(audio_.FileBytes(), static_cast<int64_t>(c.bytes.size()));
        EXPECT_EQ(audio_.BitRate(), 128);
        EXPECT_EQ(audio_.SampleRate(), 44100);
        EXPECT_DOUBLE_EQ(audio_.PlayTime(), c.bytes.size() * 8.0 / 128000);
        EXPECT_EQ(audio_.VendorText(), c.result ? "LAME3.97" : "");
        EXPECT_EQ(audio_.EncoderText(), c.result ? "LAME 3.97" : "Blade");
    }
}

TEST_F(AnalyserFileTest, EncoderFromVbrHeaderOrTail) {
    FrameSpec joint;
    joint.Mode = 1;
    joint.BitRateIndex = 11;
    const std::string cbr = MakeFrames(joint, 20);
    struct Case {
        const char* name;
        std::string audio;
        const char* vendorText;
        const char* text;
    } cases[] = {
        {"TailLame", cbr + "LAME3.97", "LAME3.97", "LAME 3.97"},
        {"TailLame3100", cbr + "LAME3.100", "LAME3.10", "LAME 3.100"},
        {"TailLameLetterAfter", cbr + "LAME3.99r", "LAME3.99", "LAME 3.99"},
        {"TailGogo", cbr + "GOGO" + Filler(4), "GOGO", "GoGo"},
        {"GogoTooLate", cbr + Filler(4) + "GOGO", "", "FhG"},
        {"TailNothing", cbr, "", "FhG"},
        {"XingLame", MakeVbrAudio(joint, 36, XingBlock(20, 12540, 80, "LAME3.96"), 20) + "GOGO", "",
         "LAME 3.96"},
        {"XingLame3100", MakeVbrAudio(joint, 36, XingBlock(20, 12540, 80, "LAME3.10") + "0", 20),
         "", "LAME 3.100"},
        {"XingOther", MakeVbrAudio(joint, 36, XingBlock(20, 12540, 80, "xyz12345"), 20), "",
         "Xing"},
        {"Vbri", MakeVbrAudio(joint, 36, VbriBlock(20, 12540, 80), 20) + "LAME3.97", "", "FhG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The ID3v1 tag lies behind the tail window, and a mark in it is not seen.
        ASSERT_TRUE(Analyse(Id3v2Of(300) + c.audio + Id3v1()));
        EXPECT_EQ(audio_.VendorText(), c.vendorText);
        EXPECT_EQ(audio_.EncoderText(), c.text);
    }
    ASSERT_TRUE(Analyse(cbr + MakeId3v1Tag("", "", "", "", "LAME3.97", 0, 0)));
    EXPECT_EQ(audio_.EncoderText(), "FhG");
}

TEST_F(AnalyserFileTest, VbrHeaderGivesRateAndTime) {
    FrameSpec spec;
    spec.SampleRateIndex = 1;  // 48 kHz, 384 bytes at 128 kbit/s
    ASSERT_TRUE(Analyse(MakeVbrAudio(spec, 36, XingBlock(1000, 501000, 0, "LAME3.96"), 10)));
    EXPECT_EQ(audio_.BitRate(), 167);  // 501 bytes per frame / 3
    EXPECT_DOUBLE_EQ(audio_.PlayTime(), 24.0);
    EXPECT_TRUE(audio_.IsValid());
    // Frame counts of zero and below fall back to the table and the length.
    for (const uint32_t frames : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(frames);
        const std::string bytes = MakeVbrAudio(spec, 36, XingBlock(frames, 501000, 0, ""), 10);
        ASSERT_TRUE(Analyse(bytes));
        EXPECT_TRUE(audio_.VBR().Present);
        EXPECT_EQ(audio_.BitRate(), 128);
        EXPECT_DOUBLE_EQ(audio_.PlayTime(), bytes.size() * 8.0 / 128000);
        EXPECT_EQ(audio_.EncoderText(), "Xing");
    }
}

TEST_F(AnalyserFileTest, ValidityBoundaries) {
    FrameSpec spec;
    spec.SampleRateIndex = 1;  // 48 kHz: kbit/s = bytes per frame / 3
    for (const auto& [rate, valid] :
         {std::pair{7, false}, std::pair{8, true}, std::pair{448, true}, std::pair{449, false}}) {
        SCOPED_TRACE(rate);
        const auto bytes = static_cast<uint32_t>(rate * 3000);
        ASSERT_TRUE(Analyse(MakeVbrAudio(spec, 36, XingBlock(1000, bytes, 0, ""), 10)));
        EXPECT_EQ(audio_.BitRate(), rate);
        EXPECT_EQ(audio_.IsValid(), valid);
    }
    // 1,600 bytes at 128 kbit/s play exactly 0.1 s.
    const std::string frames = MakeFrames(FrameSpec{}, 3);
    Analyse(frames + Filler(1600 - frames.size()));
    EXPECT_DOUBLE_EQ(audio_.PlayTime(), 0.1);
    EXPECT_TRUE(audio_.IsValid());
    Analyse(frames + Filler(1599 - frames.size()));
    EXPECT_FALSE(audio_.IsValid());
}

TEST_F(AnalyserFileTest, MissingFileIsCleared) {
    EXPECT_FALSE(audio_.ReadFromFile(dir_.File("nicht-da.mp3")));
    ExpectCleared();
    EXPECT_FALSE(audio_.ReadFromFile(dir_.Path().string()));
    ExpectCleared();
}

// Sparse files: the size is real, the disk space is not.
void MakeSparse(const std::string& path, const std::string& head, uintmax_t size,
                const std::string& end) {
    WriteFileBytes(path, head);
    std::filesystem::resize_file(path, size);
    std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(size - end.size()));
    out.write(end.data(), static_cast<std::streamsize>(end.size()));
}

// Long recordings pass 2 GiB: such a file is read, and saved at both
// levels, like any other.
TEST_F(AnalyserFileTest, FilesOf2GiBAndMoreAreReadAndSaved) {
    const std::string head = Id3v2Of(512) + MakeCbrAudio(9, 1.0);
    const std::string path = dir_.File("gross.mp3");
    for (const uintmax_t size :
         {(uintmax_t{1} << 31) - 1, uintmax_t{1} << 31, (uintmax_t{1} << 32) + 1000}) {
        SCOPED_TRACE(size);
        std::filesystem::remove(path);
        MakeSparse(path, head, size, Id3v1());
        ASSERT_TRUE(audio_.ReadFromFile(path));
        EXPECT_EQ(audio_.FileBytes(), static_cast<int64_t>(size));
        EXPECT_TRUE(audio_.Tag1().Exists());
        EXPECT_EQ(audio_.Tag2().Size(), 512);
        EXPECT_EQ(audio_.BitRate(), 128);
        EXPECT_NEAR(audio_.PlayTime(), (static_cast<double>(size) - 512.0) * 8 / 128000, 1e-6);
        audio_.Tag1().SetTitle("Lang");
        audio_.Tag2().SetTitle("Lang");
        ASSERT_TRUE(audio_.Tag1().SaveToFile(path));
        ASSERT_TRUE(audio_.Tag2().SaveToFile(path));
        TMPEGaudio back;
        ASSERT_TRUE(back.ReadFromFile(path));
        EXPECT_EQ(back.Tag1().Title(), "Lang");
        EXPECT_EQ(back.Tag2().Title(), "Lang");
        EXPECT_EQ(back.FileBytes(), static_cast<int64_t>(size));
    }
    std::filesystem::remove(path);
    EXPECT_TRUE(messages_.empty());
}

}  // namespace

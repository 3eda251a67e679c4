// tonzettel-cli cover: the listing and each option, on files mutagen wrote.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

namespace {

namespace fs = std::filesystem;

class CoverCliTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!MutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
        song_ = dir_.File("lied.mp3");
        WriteMp3(song_, "", MakeCbrAudio(9, 1.0), "");
        ASSERT_TRUE(MutagenWrite(song_, 3,
                                 {{.Id = "TIT2", .Texts = {"Lied"}},
                                  {.Id = "APIC",
                                   .Description = "b",
                                   .Mime = "image/png",
                                   .PictureType = 4,
                                   .Data = MakeImage(40, 30, "PNG")}}));
        WriteFileBytes(dir_.File("Folder.JPG"), MakeImage(50, 50));
        big_ = dir_.File("gross.jpg");
        WriteFileBytes(big_, MakeImage(1500, 1000));
    }
    std::string List() {
        const CliRun run = RunCli(dir_, {"cover", song_});
        EXPECT_EQ(run.Code, 0) << run.Err;
        std::string listing = run.Out;
        for (size_t at; (at = listing.find(song_ + "\t")) != std::string::npos;)
            listing.erase(at, song_.size() + 1);
        return listing;
    }
    TempDir dir_;
    std::string song_, big_;
};

// Each option in turn on the same file; the listing after each step.
TEST_F(CoverCliTest, EachOptionAndTheListingAfterIt) {
    EXPECT_EQ(List(),
              "back\timage/png\t40x30\t" + std::to_string(MakeImage(40, 30, "PNG").size()) + "\n");
    struct Step {
        std::vector<std::string> args;
        int code;
        std::string listing;  // without byte counts: type, MIME, pixels
    } steps[] = {
        {{"--set", big_}, 0, "back image/png 40x30|front image/jpeg 1500x1000|"},
        {{"--max-size", "600"}, 0, "back image/png 40x30|front image/jpeg 600x400|"},
        {{"--from-folder", "--type", "front"}, 0, "back image/png 40x30|front image/jpeg 50x50|"},
        {{"--set-type", "other", "--type", "back"},
         0,
         "other image/png 40x30|front image/jpeg 50x50|"},
        {{"--set-type", "front", "--type", "other"},
         1,
         "other image/png 40x30|front image/jpeg 50x50|"},
        {{"--remove", "--type", "front"}, 0, "other image/png 40x30|"},
        {{"--set", dir_.File("lied.mp3")}, 2, "other image/png 40x30|"},
        {{"--set-type", "vorne"}, 2, "other image/png 40x30|"},
        {{"--remove"}, 0, ""},
    };
    for (const Step& s : steps) {
        std::vector<std::string> args = {"cover"};
        args.insert(args.end(), s.args.begin(), s.args.end());
        args.push_back(song_);
        SCOPED_TRACE(args[1]);
        const CliRun run = RunCli(dir_, args);
        EXPECT_EQ(run.Code, s.code) << run.Err;
        std::string brief;
        std::string listing = List();
        for (size_t line = 0; line < listing.size();) {
            const size_t end = listing.find('\n', line);
            const std::string row = listing.substr(line, end - line);
            brief += row.substr(0, row.rfind('\t')) + "|";
            line = end + 1;
        }
        for (char& c : brief) c = c == '\t' ? ' ' : c;
        EXPECT_EQ(brief, s.listing);
    }
}

// A tool installed without its image module still lists and removes
// pictures; what needs the images stops before any file changes.
TEST_F(CoverCliTest, WithoutTheImageModule) {
    const std::string alone = dir_.File("bin");
    fs::create_directory(alone);
    fs::copy_file(CliPath(), alone + "/tonzettel-cli");
    const std::string before = ReadFileBytes(song_);
    const auto run = [&](const std::string& args) {
        return RunShell(dir_, ShellQuote(alone + "/tonzettel-cli") + " cover " + args + " " +
                                  ShellQuote(song_));
    };
    EXPECT_EQ(run("").Out, song_ + "\tback\timage/png\t-\t" +
                               std::to_string(MakeImage(40, 30, "PNG").size()) + "\n");
    for (const std::string& args : {std::string("--max-size 600"), "--set " + ShellQuote(big_)}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.Code, 2) << args;
        EXPECT_NE(r.Err.find("tonzettel-image.so"), std::string::npos) << r.Err;
        EXPECT_TRUE(ReadFileBytes(song_) == before) << args;
    }
    EXPECT_EQ(run("--remove").Code, 0);
    EXPECT_EQ(run("").Out, "");
}

// Extracted pictures are named after the file and never replace one.
TEST_F(CoverCliTest, ExtractNamesTheFilesAndReplacesNone) {
    ASSERT_EQ(RunCli(dir_, {"cover", "--set", big_, song_}).Code, 0);
    const std::string out = dir_.File("bilder");
    fs::create_directory(out);
    EXPECT_EQ(RunCli(dir_, {"cover", "--extract", out, song_}).Code, 0);
    EXPECT_TRUE(ReadFileBytes(out + "/lied (front).jpg") == ReadFileBytes(big_));
    EXPECT_TRUE(ReadFileBytes(out + "/lied (back).png") == MakeImage(40, 30, "PNG"));
    WriteFileBytes(out + "/lied (front).jpg", "mein");
    EXPECT_EQ(RunCli(dir_, {"cover", "--extract", out, song_}).Code, 1);
    EXPECT_EQ(ReadFileBytes(out + "/lied (front).jpg"), "mein");
}

// --backup and restore give the file back byte for byte.
TEST_F(CoverCliTest, BackupAndRestore) {
    const std::string before = ReadFileBytes(song_);
    const std::string backup = dir_.File("sicherung");
    ASSERT_EQ(RunCli(dir_, {"cover", "--set", big_, "--backup", backup, song_}).Code, 0);
    EXPECT_FALSE(ReadFileBytes(song_) == before);
    EXPECT_EQ(RunCli(dir_, {"restore", backup}).Code, 0);
    EXPECT_TRUE(ReadFileBytes(song_) == before);
}

}  // namespace

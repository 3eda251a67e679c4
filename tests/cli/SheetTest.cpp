// tonzettel-cli export and import: a spreadsheet round trip as a user makes
// it (Python's csv module plays the spreadsheet), and the playlist.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ops/Reasons.h"
#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/Mutagen.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

class SheetTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!MutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
        music_ = dir_.File("Musik");
        fs::create_directory(music_);
        for (const auto& [name, title] : std::vector<std::pair<std::string, std::string>>{
                 {"a; \"b\".mp3", "Eins"},
                 {"\xD0\x97\xD0\xB2\xD0\xB5\xD0\xB7\xD0\xB4\xD0\xB0.mp3", "Звезда"},
                 {"Stra\xDF"
                  "e.mp3",
                  "Drei"},
                 {"weg.mp3", "Vier"}}) {
            const std::string path = music_ + "/" + name;
            WriteMp3(path, "", MakeCbrAudio(9, 1.0), "");
            ASSERT_TRUE(MutagenWrite(path, 4,
                                     {{.Id = "TIT2", .Encoding = 3, .Texts = {title}},
                                      {.Id = "TPE1", .Encoding = 3, .Texts = {"Band"}},
                                      {.Id = "TDRC", .Encoding = 3, .Texts = {"2000"}}}));
            paths_.push_back(path);
        }
        ASSERT_TRUE(MutagenWrite(paths_[0], 4,
                                 {{.Id = "TIT2", .Encoding = 3, .Texts = {"Eins"}},
                                  {.Id = "TPE1", .Encoding = 3, .Texts = {"Band"}},
                                  {.Id = "TALB", .Encoding = 3, .Texts = {"Album; \"1\"\nTeil"}},
                                  {.Id = "TDRC", .Encoding = 3, .Texts = {"2000"}}}));
    }
    // Runs a Python script on the exported sheet, as a spreadsheet edit.
    void Edit(const std::string& script, const std::string& out, const char* delimiter) {
        const std::string py = dir_.File("edit.py");
        WriteFileBytes(py,
                       "import csv,sys\n"
                       "rows=list(csv.reader(open(sys.argv[1],encoding='utf-8-sig',newline=''),"
                       "delimiter=';'))\nh=rows[0]\ncol=h.index\n" +
                           script +
                           "\nw=csv.writer(open(sys.argv[2],'w',encoding='utf-8-sig',"
                           "newline=''),delimiter='" +
                           delimiter + "')\nw.writerows(rows)\n");
        const CliRun run = RunShell(dir_, "/usr/bin/python3 " + ShellQuote(py) + " " +
                                              ShellQuote(sheet_) + " " + ShellQuote(out));
        ASSERT_EQ(run.Code, 0) << run.Err;
    }
    TempDir dir_;
    std::string music_, sheet_ = dir_.File("liste.csv");
    std::vector<std::string> paths_;
};

// Export, the sheet edited (the album filled down, a year corrected, one
// file taken out, an unknown path added, an empty cell), import: exactly
// those changes, in either separator, and --dry-run changes nothing.
TEST_F(SheetTest, ARoundTripThroughASpreadsheetChangesWhatWasChanged) {
    ASSERT_EQ(RunCli(dir_, {"export", "--level", "2", "-o", sheet_, music_}).Code, 0);
    EXPECT_TRUE(ReadFileBytes(sheet_).starts_with(
        "\xEF\xBB\xBFPfad;Datei;ID3 Interpret;ID3 Album;ID3 Titel;ID3 Jahr;ID3 Genre;"
        "ID3 Kommentar;Track;Bitrate;Samplerate;L\xC3\xA4nge;Dateigr\xC3\xB6\xC3\x9F"
        "e;Codec;"
        "Pfad (Bytes)\r\n"));
    std::vector<std::string> before;
    for (const auto& p : paths_) before.push_back(ReadFileBytes(p));
    const std::string script =
        "album=[r for r in rows[1:] if r[col('ID3 Album')]][0][col('ID3 Album')]\n"
        "for r in rows[1:]: r[col('ID3 Album')]=album\n"
        "for r in rows[1:]:\n"
        "  if r[col('ID3 Titel')]=='Drei': r[col('ID3 Jahr')]='1999'\n"
        "  r[col('ID3 Interpret')]=''\n"
        "rows=[r for r in rows if r[col('Datei')]!='weg.mp3']\n"
        "rows.append(['/nirgends/','neu.mp3']+['x']*(len(h)-3)+[''])\n";
    for (const char* delimiter : {",", "\\t"}) {
        SCOPED_TRACE(delimiter);
        const std::string edited = dir_.File("bearbeitet.csv");
        Edit(script, edited, delimiter);
        const CliRun dry = RunCli(dir_, {"import", "--csv", edited, "--level", "2", "--dry-run"});
        EXPECT_EQ(dry.Code, 1);  // the unknown path
        EXPECT_NE(dry.Err.find("/nirgends/neu.mp3: Die Datei wurde nicht gefunden."),
                  std::string::npos);
        EXPECT_NE(dry.Out.find("ID3 Jahr: 2000 -> 1999"), std::string::npos) << dry.Out;
        for (size_t i = 0; i < paths_.size(); ++i)
            EXPECT_TRUE(ReadFileBytes(paths_[i]) == before[i]);
    }
    const std::string edited = dir_.File("bearbeitet.csv");
    const CliRun run = RunCli(dir_, {"import", "--csv", edited, "--level", "2"});
    EXPECT_EQ(run.Code, 1) << run.Err;
    const std::string album = "Album; \"1\"\nTeil";
    for (size_t i = 0; i < 3; ++i) {
        const auto tag = MutagenRead(paths_[i]);
        ASSERT_TRUE(tag);
        EXPECT_EQ(tag->Text("TALB"), album) << paths_[i];
        EXPECT_EQ(tag->Text("TPE1"), "Band");  // the empty cell left it
        EXPECT_EQ(tag->Text("TDRC"), i == 2 ? "1999" : "2000");
    }
    EXPECT_TRUE(ReadFileBytes(paths_[3]) == before[3]);  // taken out of the sheet
}

// At level 1, a value the ID3v1 tag holds only in part is written cut and
// named.
TEST_F(SheetTest, AValueTooLongForId3v1IsNamed) {
    ASSERT_EQ(RunCli(dir_, {"export", "--level", "1", "-o", sheet_, paths_[3]}).Code, 0);
    const std::string edited = dir_.File("lang.csv");
    Edit("rows[1][col('ID3 Album')]='A'*40", edited, ";");
    const CliRun run = RunCli(dir_, {"import", "--csv", edited, "--level", "1"});
    EXPECT_EQ(run.Code, 0) << run.Err;
    EXPECT_NE(run.Err.find(paths_[3] + ": Nur gekürzt im ID3v1-Tag: Album."), std::string::npos)
        << run.Err;
    EXPECT_EQ(LastBlock(paths_[3]).substr(63, 30), std::string(30, 'A'));
}

// The playlist: #EXTM3U, the seconds and "Interpret - Titel", the path
// relative to the playlist's folder.
TEST_F(SheetTest, AnOutputThatCannotBeWrittenFails) {
    const std::string nowhere = music_ + "/fehlt/liste.csv";
    const CliRun run = RunCli(dir_, {"export", "-o", nowhere, music_});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Err, CannotWriteText(nowhere) + "\n");
}

TEST_F(SheetTest, ThePlaylistNamesEachFileBelowItsFolder) {
    const std::string list = music_ + "/liste.m3u8";
    ASSERT_EQ(RunCli(dir_, {"export", "--format", "m3u8", "--level", "2", "-o", list, music_}).Code,
              0);
    const std::string text = ReadFileBytes(list);
    ASSERT_TRUE(text.starts_with("#EXTM3U\n"));
    std::vector<std::string> files, labels;
    for (size_t at = 8; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        (line.starts_with("#EXTINF:") ? labels : files).push_back(line);
        at = end + 1;
    }
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(labels[0], "#EXTINF:1,Band - Eins");
    for (const auto& f : files)
        EXPECT_TRUE(fs::exists(music_ + "/" + f) || f.starts_with("Stra")) << f;
}

}  // namespace

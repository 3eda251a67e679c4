#include "ops/History.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ops/ConvertOps.h"
#include "ops/EditOps.h"
#include "ops/Reasons.h"
#include "ops/TransferOps.h"
#include "support/Mp3Builder.h"
#include "support/Mp3FolderTest.h"
#include "support/OneSave.h"
#include "support/TempDir.h"
#include "tags/MPEGaudio.h"

namespace {

namespace fs = std::filesystem;

// The rows of a list, by path.
class FakeCells : public RowCells {
  public:
    std::optional<TagTexts> Get(const std::string& path) override {
        const auto it = rows.find(path);
        if (it == rows.end()) return std::nullopt;
        return it->second;
    }
    void Set(const std::string& path, const TagTexts& cells) override {
        if (rows.count(path)) rows[path] = cells;
    }
    std::map<std::string, TagTexts> rows;
};

bool SameCells(const TagTexts& a, const TagTexts& b) {
    return a.Artist == b.Artist && a.Album == b.Album && a.Title == b.Title && a.Year == b.Year &&
           a.Genre == b.Genre && a.Comment == b.Comment;
}

std::string RichId3v2(uint8_t version = 3) {
    return MakeId3v2Tag({{"TIT2", TextFrameData("Alter Titel")},
                         {"TPE1", TextFrameData("Alter Interpret")},
                         {"TRCK", TextFrameData("7/12")},
                         {"TXXX", std::string("\0REPLAYGAIN\0-6 dB", 17)},
                         {"APIC", std::string("\0image/jpeg\0\3\0", 14) + std::string(5000, 'p')}},
                        version, 300);
}

std::string OldId3v1(uint8_t track = 7) {
    return MakeId3v1Tag("Alter Titel", "Alter Interpret", "Altes Album", "1999", "alt", track, 8);
}

const TagTexts kOldCells{"Alter Interpret", "Altes Album", "Alter Titel", "1999", "Jazz", "alt"};
const TagTexts kNewCells{"Neu", "Neu", "Neu", "2024", "Rock", "neu"};

class HistoryTest : public Mp3FolderTest {
  protected:
    // Runs op as one step on the files and gives the cells the values a tool
    // would then show.
    void Record(const char* name, const std::vector<std::string>& paths,
                const std::function<void()>& op) {
        {
            StepRecorder recorder(&history, name, &cells);
            op();
        }
        for (const auto& p : paths)
            if (cells.rows.count(p)) cells.rows[p] = kNewCells;
    }
    std::map<std::string, std::string> Bytes(const std::vector<std::string>& paths) const {
        std::map<std::string, std::string> bytes;
        for (const auto& p : paths) bytes[p] = ReadFileBytes(p);
        return bytes;
    }

    TagHistory history;
    FakeCells cells;
};

// Each kind of operation taken back leaves every byte of the file as it was,
// and the row's cells; done again, it leaves the bytes it had written.
TEST_F(HistoryTest, EveryOperationTakenBackLeavesTheFileAsBefore) {
    TMPEGaudio audio;
    struct Case {
        const char* name;
        std::string id3v2, id3v1;
        std::function<FileOutcome(const std::string&)> op;
    };
    const auto wizard = [](int level) {
        return [level](const std::string& p) {
            return SaveTagFields(p, level,
                                 {{TagField::Artist, "Neu"},
                                  {TagField::Year, "Neu"},
                                  {TagField::Genre, "Neu"}})
                .Outcome;
        };
    };
    const TagTexts texts{"Neu", "Neu", "Neu", "2024", "Rock", "neu"};
    const Case cases[] = {
        {"editor level 1, tag 1.1", RichId3v2(), OldId3v1(),
         [&](const std::string& p) { return SaveTagTexts(p, 1, texts).Outcome; }},
        {"editor level 2, padding and picture", RichId3v2(), OldId3v1(),
         [&](const std::string& p) { return SaveTagTexts(p, 2, texts).Outcome; }},
        {"editor level 2, tag 2.4", RichId3v2(4), "",
         [&](const std::string& p) { return SaveTagTexts(p, 2, texts).Outcome; }},
        {"wizard level 1, no block before", RichId3v2(), "", wizard(1)},
        {"wizard level 2, no tag before", "", OldId3v1(), wizard(2)},
        {"conversion level 1", "", OldId3v1(0),
         [&](const std::string& p) { return WriteArtistTitle(audio, p, 1, "Neu", "Neu").Outcome; }},
        {"conversion level 2", RichId3v2(), OldId3v1(),
         [&](const std::string& p) { return WriteArtistTitle(audio, p, 2, "Neu", "Neu").Outcome; }},
        {"transfer 1 to 2", RichId3v2(), OldId3v1(),
         [&](const std::string& p) { return TransferLevel1To2(audio, p).Status; }},
        {"transfer 1 to 2, no tag before", "", OldId3v1(),
         [&](const std::string& p) { return TransferLevel1To2(audio, p).Status; }},
        {"transfer 2 to 1, no block before", RichId3v2(), "",
         [&](const std::string& p) { return TransferLevel2To1(audio, p).Status; }},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TagHistory h;
        const std::string path = Make("f" + std::to_string(n++) + ".mp3", c.id3v2, c.id3v1);
        const std::string before = ReadFileBytes(path);
        cells.rows[path] = kOldCells;
        {
            StepRecorder recorder(&h, c.name, &cells);
            ASSERT_EQ(c.op(path), FileOutcome::Written);
        }
        cells.rows[path] = kNewCells;
        const std::string after = ReadFileBytes(path);
        ASSERT_NE(after, before);
        ASSERT_EQ(h.UndoCount(), 1u);
        EXPECT_EQ(h.NextUndo()->Files.size(), 1u);

        EXPECT_TRUE(h.Undo(&cells).Empty());
        EXPECT_EQ(ReadFileBytes(path), before);
        EXPECT_TRUE(SameCells(cells.rows[path], kOldCells));
        EXPECT_EQ(h.UndoCount(), 0u);
        ASSERT_EQ(h.RedoCount(), 1u);

        EXPECT_TRUE(h.Redo(&cells).Empty());
        EXPECT_EQ(ReadFileBytes(path), after);
        EXPECT_TRUE(SameCells(cells.rows[path], kNewCells));
        EXPECT_TRUE(h.Undo(&cells).Empty());
        EXPECT_EQ(ReadFileBytes(path), before);
        EXPECT_FALSE(fs::exists(path + "~"));
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(HistoryTest, ThreeStepsAreTakenBackInOrderAndRedone) {
    const std::string a = Make("a.mp3", RichId3v2(), OldId3v1());
    const std::string b = Make("b.mp3", "", OldId3v1());
    const std::string c = Make("c.mp3", RichId3v2(4), "");
    const std::vector<std::string> all = {a, b, c};
    for (const auto& p : all) cells.rows[p] = kOldCells;
    TMPEGaudio audio;

    std::vector<std::map<std::string, std::string>> states = {Bytes(all)};
    Record("Wizard", {a, b}, [&] {
        for (const auto& p : {a, b}) {
            WriteTagField(p, 2, TagField::Album, "Eins");
            WriteTagField(p, 2, TagField::Year, "2001");
        }
    });
    states.push_back(Bytes(all));
    Record("ID3Tag Editieren", {b}, [&] { SaveTagTexts(b, 2, {"Zwei", "", "", "", "", ""}); });
    states.push_back(Bytes(all));
    Record("Dateiname -> ID3Tags", {a, c}, [&] {
        for (const auto& p : {a, c}) WriteArtistTitle(audio, p, 1, "Drei", "Drei");
    });
    states.push_back(Bytes(all));
    ASSERT_EQ(history.UndoCount(), 3u);
    EXPECT_EQ(StepLabel(*history.NextUndo()), "Dateiname -> ID3Tags (2 Dateien)");

    const char* labels[] = {"ID3Tag Editieren (1 Datei)", "Wizard (2 Dateien)"};
    for (int i = 3; i > 0; --i) {
        const ApplyReport r = history.Undo(&cells);
        ASSERT_TRUE(r.Empty()) << r.Text();
        EXPECT_EQ(Bytes(all), states[static_cast<size_t>(i - 1)]) << "undo to state " << i - 1;
        if (i > 1) {
            EXPECT_EQ(StepLabel(*history.NextUndo()), labels[3 - i]);
        }
    }
    EXPECT_EQ(history.NextUndo(), nullptr);
    for (const auto& p : all) EXPECT_TRUE(SameCells(cells.rows[p], kOldCells));
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(history.Redo(&cells).Empty());
        EXPECT_EQ(Bytes(all), states[static_cast<size_t>(i)]) << "redo to state " << i;
    }
    EXPECT_EQ(history.NextRedo(), nullptr);
    EXPECT_EQ(history.UndoCount(), 3u);
}

// A file that another program changed, deleted or moved after the step keeps
// what it holds and is listed; the step's other files go back.
TEST_F(HistoryTest, AFileChangedSinceIsLeftAloneAndListed) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> change;
    };
    const Case cases[] = {
        {"tag rewritten",
         [](const std::string& p) {
             TID3v2 tag;
             tag.ReadFromFile(p);
             tag.SetTitle("Fremd");
             tag.SaveToFile(p);
         }},
        {"block rewritten", [](const std::string& p) { TID3v1().SaveToFile(p); }},
        {"deleted", [](const std::string& p) { fs::remove(p); }},
        {"moved away", [](const std::string& p) { fs::rename(p, p + ".alt"); }},
        {"written again, same bytes",
         [](const std::string& p) {
             const std::string bytes = ReadFileBytes(p);
             std::this_thread::sleep_for(std::chrono::milliseconds(20));
             WriteFileBytes(p, bytes);
         }},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TagHistory h;
        const std::string kept = Make("kept" + std::to_string(n) + ".mp3", RichId3v2(), "");
        const std::string other = Make("other" + std::to_string(n++) + ".mp3", RichId3v2(), "");
        const std::string keptBefore = ReadFileBytes(kept);
        {
            StepRecorder recorder(&h, "Wizard");
            ASSERT_EQ(WriteTagField(kept, 2, TagField::Album, "Neu"), FileOutcome::Written);
            ASSERT_EQ(WriteTagField(other, 2, TagField::Album, "Neu"), FileOutcome::Written);
        }
        c.change(other);
        const std::string otherNow = fs::exists(other) ? ReadFileBytes(other) : "";

        const ApplyReport report = h.Undo(nullptr);
        EXPECT_EQ(report.Changed, std::vector<std::string>{other});
        EXPECT_TRUE(report.Failed.empty());
        EXPECT_EQ(report.Text(), std::string(ChangedSinceHeading(false)) + "\n" + other);
        EXPECT_EQ(ReadFileBytes(kept), keptBefore);
        if (!otherNow.empty()) {
            EXPECT_EQ(ReadFileBytes(other), otherNow);
        }
        // Only the file put back can be done again.
        ASSERT_NE(h.NextRedo(), nullptr);
        EXPECT_EQ(StepLabel(*h.NextRedo()), "Wizard (1 Datei)");
    }
}

// The history holds the last 20 steps or its bytes, whichever is less; the
// oldest step goes first. What the history keeps or drops, rule by rule.
TEST_F(HistoryTest, TheBoundsDropTheOldestStep) {
    const std::string picture(20000, 'p');
    const std::string tag = MakeId3v2Tag({{"APIC", picture}});
    struct Case {
        const char* rule;
        size_t maxSteps, maxBytes;
        int steps;
        std::vector<std::string> kept;  // newest last
    };
    const Case cases[] = {
        {"all fit", 20, 1 << 20, 3, {"s0", "s1", "s2"}},
        {"step count", 2, 1 << 20, 4, {"s2", "s3"}},
        {"bytes: two steps fit", 20, 45000, 4, {"s2", "s3"}},
        {"a step larger than the whole bound is not kept", 20, 15000, 2, {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        TagHistory h(c.maxSteps, c.maxBytes);
        std::vector<std::string> paths;
        for (int s = 0; s < c.steps; ++s) {
            paths.push_back(Make("b" + std::to_string(n++) + ".mp3", tag, ""));
            StepRecorder recorder(&h, "s" + std::to_string(s));
            ASSERT_EQ(WriteTagField(paths.back(), 2, TagField::Title, "x"), FileOutcome::Written);
        }
        EXPECT_LE(h.Bytes(), c.maxBytes);
        std::vector<std::string> kept;
        while (const HistoryStep* step = h.NextUndo()) {
            kept.insert(kept.begin(), step->Name);
            h.Undo(nullptr);
        }
        EXPECT_EQ(kept, c.kept);
    }
}

// Which runs add a step, and what a new one does to the steps taken back.
TEST_F(HistoryTest, OnlyFilesActuallyWrittenMakeAStep) {
    const std::string good = Make("good.mp3", RichId3v2(), "");
    const std::string noAudio = dir.File("noaudio.mp3");
    WriteFileBytes(noAudio, RichId3v2() + std::string(4000, '\0'));
    {
        StepRecorder recorder(&history, "Wizard");
        EXPECT_EQ(WriteTagField(noAudio, 2, TagField::Title, "x"), FileOutcome::NoFrame);
    }
    EXPECT_EQ(history.UndoCount(), 0u) << "a run that wrote nothing";
    {
        StepRecorder recorder(&history, "Wizard");
        EXPECT_EQ(WriteTagField(noAudio, 2, TagField::Title, "x"), FileOutcome::NoFrame);
        EXPECT_EQ(WriteTagField(good, 2, TagField::Title, "x"), FileOutcome::Written);
    }
    ASSERT_EQ(history.UndoCount(), 1u);
    EXPECT_EQ(StepLabel(*history.NextUndo()), "Wizard (1 Datei)");

    history.Undo(nullptr);
    ASSERT_EQ(history.RedoCount(), 1u);
    {
        StepRecorder recorder(&history, "ID3Tag Editieren");
        EXPECT_EQ(WriteTagField(good, 2, TagField::Album, "y"), FileOutcome::Written);
    }
    EXPECT_EQ(history.RedoCount(), 0u) << "a new operation ends the redo";
    EXPECT_EQ(history.UndoCount(), 1u);
}

}  // namespace

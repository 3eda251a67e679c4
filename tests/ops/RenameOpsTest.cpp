// "ID3Tags -> Dateiname": the names a pattern makes, the plan's reasons, the
// renames on disk that never replace a file, and their undo.
#include "ops/RenameOps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ops/History.h"
#include "ops/Reasons.h"
#include "support/Mp3Builder.h"
#include "support/Mp3FolderTest.h"
#include "tags/Text.h"

namespace {

namespace fs = std::filesystem;

RenameValues Values() {
    RenameValues v;
    v.Texts = {"Kino", "Gruppa krovi", "Zvezda", "1988", "Rock", "Live"};
    v.Track = 7;
    return v;
}

// The name each pattern makes of "a.mp3" with Values(), one row per rule.
TEST(RenameNames, PatternsBecomeNamesEveryDiskTakes) {
    std::string cyrillic100;  // 200 bytes: 61 + 190 fit before ".mp3", the next letter not
    for (int i = 0; i < 100; ++i) cyrillic100 += "Ж";
    struct Case {
        const char* rule;
        std::string pattern;
        std::string oldName;
        std::string expected;  // empty: nothing is left
    };
    const Case cases[] = {
        {"each placeholder", "%Track% %Interpret% %Album% %Titel% %Jahr% %Genre% %Kommentar%",
         "a.mp3", "07 Kino Gruppa krovi Zvezda 1988 Rock Live.mp3"},
        {"%% and a stray %", "100%% %Titel% 5% %Foo%", "a.mp3", "100% Zvezda 5% %Foo%.mp3"},
        {"a placeholder cut off by the end", "%Titel% %Track", "a.mp3", "Zvezda %Track.mp3"},
        {"forbidden characters", "a/b\\c:d*e?f\"g<h>i|j\tk", "a.mp3", "a_b_c_d_e_f_g_h_i_j_k.mp3"},
        {"blanks and dots at the ends", " .. %Titel% . ", "a.mp3", "Zvezda.mp3"},
        {"the extension as the file had it", "%Titel%", "A.MP3", "Zvezda.MP3"},
        {"nothing left", " . ", "a.mp3", ""},
        {"255 bytes, cut between characters", std::string(61, 'x') + cyrillic100, "a.mp3", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const std::string base = ExpandPattern(c.pattern, Values());
        const std::string name = SafeFileName(base, ExtensionOf(c.oldName));
        if (std::string(c.rule).starts_with("255")) {
            EXPECT_EQ(name.size(), 255u);
            EXPECT_EQ(ValidUtf8(name), name);  // no character cut in two
            EXPECT_TRUE(name.ends_with(".mp3"));
        } else {
            EXPECT_EQ(name, c.expected);
        }
    }
    std::vector<std::string> missing;
    RenameValues noTitle = Values();
    noTitle.Texts.Title.clear();
    noTitle.Track = 0;
    ExpandPattern("%Track% %Titel% %Interpret%", noTitle, &missing);
    EXPECT_EQ(missing, (std::vector<std::string>{"Track", "Titel"}));
}

class RenameOpsTest : public Mp3FolderTest {
  protected:
    std::string File(const std::string& name, const std::string& title, uint8_t track = 0) {
        return Make(name, "", MakeId3v1Tag(title, "Band", "", "", "", track, 17));
    }
    std::vector<RenamePlanItem> Plan(const std::vector<std::string>& paths,
                                     const std::string& pattern) {
        std::vector<std::optional<RenameValues>> values;
        for (const auto& p : paths) values.push_back(ReadRenameValues(p, 1));
        return PlanRenames(paths, values, pattern);
    }
};

// Each reason a file stays, and a file of the new name is never replaced.
TEST_F(RenameOpsTest, APlanNamesWhyAFileStaysAndNoFileIsReplaced) {
    const std::string taken = File("taken.mp3", "Alt");
    const std::string takenBytes = ReadFileBytes(taken);
    struct Case {
        std::string name, title;
        RenameSkip skip;
        std::string newName;
    };
    const Case cases[] = {
        {"eins.mp3", "Eins", RenameSkip::None, "Band - Eins.mp3"},
        {"leer.mp3", "", RenameSkip::EmptyField, ""},
        {"zwei.mp3", "Doppelt", RenameSkip::Duplicate, "Band - Doppelt.mp3"},
        {"drei.mp3", "DOPPELT", RenameSkip::Duplicate, "Band - DOPPELT.mp3"},  // FAT: one name
        {"vier.mp3", "Taken", RenameSkip::Exists, "Band - Taken.mp3"},
        {"Band - Gleich.mp3", "Gleich", RenameSkip::SameName, "Band - Gleich.mp3"},
        {"gross.mp3", "Case", RenameSkip::None, "Band - Case.mp3"},
        {"M\xE4"
         "dchen.mp3",
         "M\xE4"
         "dchen",
         RenameSkip::None, "Band - Mädchen.mp3"},  // a Latin-1 old name
    };
    fs::rename(taken, dir.File("Band - Taken.mp3"));
    std::vector<std::string> paths;
    for (const Case& c : cases) paths.push_back(File(c.name, c.title));
    paths.push_back(dir.File("fehlt.mp3"));
    std::vector<RenamePlanItem> plan = Plan(paths, "%Interpret% - %Titel%");
    ASSERT_EQ(plan.size(), std::size(cases) + 1);
    EXPECT_EQ(plan.back().Skip, RenameSkip::Unreadable);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(plan[i].Skip, cases[i].skip);
        if (cases[i].skip != RenameSkip::EmptyField) {
            EXPECT_EQ(plan[i].NewName, cases[i].newName);
        }
    }

    const auto done = CarryOut(plan);
    EXPECT_EQ(done.size(), 3u);
    EXPECT_TRUE(fs::exists(dir.File("Band - Eins.mp3")));
    EXPECT_TRUE(fs::exists(dir.File("Band - Mädchen.mp3")));
    EXPECT_TRUE(fs::exists(dir.File("zwei.mp3")));
    EXPECT_EQ(ReadFileBytes(dir.File("Band - Taken.mp3")), takenBytes);
    EXPECT_TRUE(fs::exists(dir.File("vier.mp3")));
}

// A change of case alone goes through, and a name taken between plan and
// rename is not replaced.
TEST_F(RenameOpsTest, ACaseChangeWorksAndARaceReplacesNothing) {
    const std::string lower = File("band - lied.mp3", "Lied");
    const auto record = RenameNoReplace(lower, dir.File("Band - Lied.mp3"));
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(fs::exists(dir.File("Band - Lied.mp3")));
    EXPECT_FALSE(fs::exists(lower));
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();

    const std::string other = File("x.mp3", "Neu");
    std::vector<RenamePlanItem> plan = Plan({other}, "%Titel%");
    ASSERT_EQ(plan[0].Skip, RenameSkip::None);
    WriteFileBytes(dir.File("Neu.mp3"), "came in between");
    CarryOut(plan);
    EXPECT_EQ(plan[0].Skip, RenameSkip::Exists);
    EXPECT_EQ(ReadFileBytes(dir.File("Neu.mp3")), "came in between");
    EXPECT_TRUE(fs::exists(other));
}

// Undo renames back the files the step renamed, when their new name still
// holds them and the old name is free; redo again.
TEST_F(RenameOpsTest, UndoAndRedoRenameBackOnlyWhatIsStillThere) {
    const std::string a = File("a.mp3", "Eins");
    const std::string b = File("b.mp3", "Zwei");
    const std::string c = File("c.mp3", "Drei");
    std::vector<RenamePlanItem> plan = Plan({a, b, c}, "%Titel%");
    TagHistory history;
    history.AddRenames("ID3Tags -> Dateiname", CarryOut(plan));
    ASSERT_NE(history.NextUndo(), nullptr);
    EXPECT_EQ(StepLabel(*history.NextUndo()), "ID3Tags -> Dateiname (3 Dateien)");

    // b is moved away, another file takes c's old name.
    fs::rename(dir.File("Zwei.mp3"), dir.File("woanders.mp3"));
    WriteFileBytes(c, "neu hier");
    const ApplyReport undo = history.Undo(nullptr);
    EXPECT_TRUE(fs::exists(a));
    EXPECT_TRUE(fs::exists(dir.File("Drei.mp3")));
    EXPECT_EQ(ReadFileBytes(c), "neu hier");
    EXPECT_EQ(undo.Changed, (std::vector<std::string>{dir.File("Drei.mp3"), dir.File("Zwei.mp3")}));

    history.Redo(nullptr);
    EXPECT_TRUE(fs::exists(dir.File("Eins.mp3")));
    EXPECT_FALSE(fs::exists(a));
}

}  // namespace

// The settings file class: number rules, reading as the profile functions do,
// writes that keep the rest of the file, atomic replacement, failed writes.

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <string>

#include "support/TempDir.h"
#include "ui/ProfileFile.h"

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& path) {
    return QString::fromStdString(path);
}

TEST(ProfileFileTest, NumberRule) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"150", true, 150},        {"0x96", true, 150},      {"0X96", true, 150},
        {"0x0", true, 0},          {"-5", true, -5},         {"+7", true, 7},
        {" 42 ", true, 42},        {"0xFFFFFFFF", true, -1}, {"2147483647", true, 2147483647},
        {"0x", false, 0},          {"0xZZ", false, 0},       {"0x1G", false, 0},
        {"0x123456789", false, 0}, {"12abc", false, 0},      {"", false, 0},
        {"1.5", false, 0},         {"+-1", false, 0},        {"2147483648", false, 0},
        {"abc", false, 0},         {"- 1", false, 0},        {"x96", false, 0},
    };
    for (const Case& c : cases) {
        int value = -12345;
        EXPECT_EQ(ParseProfileInt(QString::fromLatin1(c.text), value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -12345) << c.text << " (a failed parse leaves the value)";
    }
}

TEST(ProfileFileTest, ReadsBothLineEndsAndIgnoresCaseAndBlanks) {
    TempDir dir;
    for (const char* eol : {"\n", "\r\n"}) {
        const std::string e = eol;
        WriteFileBytes(dir.File("a.ini"), "[Andere]" + e + "Breite=1" + e + "[ einstellungen ]" +
                                              e + "  BREITE = 0x20 " + e + "Name=\"mit Blank \"" +
                                              e + "Leer=" + e + "Text=abc" + e + "Breite=99" + e +
                                              "[Danach]" + e + "Hoehe=5");
        const TProfileFile file(Q(dir.File("a.ini")));
        const QString s = QStringLiteral("Einstellungen");
        EXPECT_EQ(file.GetInt(s, QStringLiteral("Breite"), 7), 32) << "first key wins";
        EXPECT_EQ(file.GetString(s, QStringLiteral("name"), {}), QStringLiteral("mit Blank "));
        EXPECT_EQ(file.GetInt(s, QStringLiteral("Leer"), 7), 7);
        EXPECT_EQ(file.GetInt(s, QStringLiteral("Text"), 7), 7);
        EXPECT_EQ(file.GetInt(s, QStringLiteral("Hoehe"), 7), 7) << "other section";
        EXPECT_EQ(file.GetInt(QStringLiteral("Danach"), QStringLiteral("Hoehe"), 7), 5)
            << "last line without a line end";
        EXPECT_TRUE(file.GetBool(s, QStringLiteral("Breite"), false));
        EXPECT_FALSE(file.GetBool(s, QStringLiteral("Fehlt"), false));
        EXPECT_TRUE(file.GetBool(s, QStringLiteral("Text"), true));
    }
}

TEST(ProfileFileTest, MissingFileGivesDefaults) {
    TempDir dir;
    const TProfileFile file(Q(dir.File("fehlt.ini")));
    EXPECT_EQ(file.GetInt(QStringLiteral("Einstellungen"), QStringLiteral("Breite"), 783), 783);
    EXPECT_EQ(
        file.GetString(QStringLiteral("Einstellungen"), QStringLiteral("X"), QStringLiteral("d")),
        QStringLiteral("d"));
    EXPECT_FALSE(fs::exists(dir.File("fehlt.ini"))) << "reading creates nothing";
}

TEST(ProfileFileTest, WritesKeepTheRestOfTheFile) {
    struct Case {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    // Bytes that are not UTF-8 and a comment must survive untouched.
    const std::string other = "; Kommentar\r\n[Andere]\r\nPfad=C:\\M\xfcsik\r\n\r\n";
    const Case cases[] = {
        {"new file", "", "Einstellungen", "Breite", "783", "[Einstellungen]\nBreite=783\n"},
        {"replace in place, CRLF kept", other + "[Einstellungen]\r\nBreite=1\r\nHoehe=2\r\n",
         "Einstellungen", "breite", "783", other + "[Einstellungen]\r\nbreite=783\r\nHoehe=2\r\n"},
        {"append to the section before the next one",
         "[Einstellungen]\nBreite=1\n\n[Andere]\nX=1\n", "Einstellungen", "Hoehe", "540",
         "[Einstellungen]\nBreite=1\nHoehe=540\n\n[Andere]\nX=1\n"},
        {"new section at the end", other, "Einstellungen", "Linien", "1",
         other + "[Einstellungen]\r\nLinien=1\r\n"},
        {"last line without line end", "[Andere]\nX=1", "Einstellungen", "Linien", "0",
         "[Andere]\nX=1\n[Einstellungen]\nLinien=0\n"},
        {"section header is last line", "[Einstellungen]", "Einstellungen", "Linien", "0",
         "[Einstellungen]\nLinien=0\n"},
        {"empty value", "[Einstellungen]\nA=1\n", "Einstellungen", "A", "",
         "[Einstellungen]\nA=\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.File("t.ini");
        if (!c.before.empty()) WriteFileBytes(path, c.before);
        TProfileFile file(Q(path));
        EXPECT_TRUE(file.WriteString(QString::fromLatin1(c.section), QString::fromLatin1(c.key),
                                     QString::fromLatin1(c.value)))
            << c.name;
        EXPECT_EQ(ReadFileBytes(path), c.after) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
            << c.name << ": no temporary file left behind";
    }
}

TEST(ProfileFileTest, NoCacheBetweenObjects) {
    TempDir dir;
    TProfileFile writer(Q(dir.File("t.ini")));
    const TProfileFile reader(Q(dir.File("t.ini")));
    const QString s = QStringLiteral("Einstellungen");
    EXPECT_EQ(reader.GetInt(s, QStringLiteral("Column3Pos"), 150), 150);
    ASSERT_TRUE(writer.WriteInt(s, QStringLiteral("Column3Pos"), 0));
    EXPECT_EQ(reader.GetInt(s, QStringLiteral("Column3Pos"), 150), 0);
    ASSERT_TRUE(writer.WriteBool(s, QStringLiteral("Linien"), true));
    EXPECT_EQ(reader.GetString(s, QStringLiteral("Linien"), {}), QStringLiteral("1"));
    WriteFileBytes(dir.File("t.ini"), "[Einstellungen]\nColumn3Pos=-7\n");
    EXPECT_EQ(reader.GetInt(s, QStringLiteral("Column3Pos"), 150), -7);
}

TEST(ProfileFileTest, RefusesWhatWouldBreakTheLines) {
    TempDir dir;
    const std::string path = dir.File("t.ini");
    WriteFileBytes(path, "[Einstellungen]\nA=1\n");
    TProfileFile file(Q(path));
    const QString s = QStringLiteral("Einstellungen");
    EXPECT_FALSE(file.WriteString(s, QStringLiteral("A"), QStringLiteral("1\n[Boese]\nB=2")));
    EXPECT_FALSE(file.WriteString(s, QStringLiteral("A=B"), QStringLiteral("1")));
    EXPECT_FALSE(file.WriteString(s, QStringLiteral("A\rB"), QStringLiteral("1")));
    EXPECT_FALSE(file.WriteString(QStringLiteral("X]Y"), QStringLiteral("A"), QStringLiteral("1")));
    EXPECT_FALSE(file.WriteString(s, QString(), QStringLiteral("1")));
    EXPECT_EQ(ReadFileBytes(path), "[Einstellungen]\nA=1\n");
}

TEST(ProfileFileTest, FailedWriteLeavesTheFileAlone) {
    TempDir dir;
    // Places where even root cannot write: a folder that is a file, and a file that is a folder.
    WriteFileBytes(dir.File("datei"), "x");
    fs::create_directory(dir.File("Tonzettel.ini"));
    for (const std::string& path :
         {dir.File("datei") + "/Tonzettel.ini", dir.File("Tonzettel.ini")}) {
        TProfileFile file(Q(path));
        EXPECT_FALSE(file.WriteInt(QStringLiteral("Einstellungen"), QStringLiteral("A"), 1))
            << path;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("datei")), "x");
    EXPECT_TRUE(fs::is_directory(dir.File("Tonzettel.ini")));
}

TEST(ProfileFileTest, CreatesTheConfigFolder) {
    TempDir dir;
    const std::string path = (dir.Path() / "neu" / "Tonzettel.ini").string();
    TProfileFile file(Q(path));
    ASSERT_TRUE(file.WriteInt(QStringLiteral("Einstellungen"), QStringLiteral("A"), 1));
    EXPECT_EQ(ReadFileBytes(path), "[Einstellungen]\nA=1\n");
}

TEST(ProfileFileTest, ErrorText) {
    EXPECT_EQ(ProfileWriteErrorText(QStringLiteral("/x/Tonzettel.ini")),
              QStringLiteral("nach /x/Tonzettel.ini kann nicht geschrieben werden"));
}

}  // namespace

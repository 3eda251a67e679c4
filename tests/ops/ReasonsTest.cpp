// The words the user reads, pinned once: the other tests take their expected
// texts from the reasons table, so a slip in the table shows only here.

#include "ops/Reasons.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(ReasonsTest, TheWordsAsTheyStand) {
    const struct {
        std::string_view given, words;
    } cases[] = {
        {ChangedSinceHeading(false),
         "Folgende Dateien wurden inzwischen geändert und nicht zurückgesetzt:"},
        {ChangedSinceHeading(true),
         "Folgende Dateien wurden inzwischen geändert und nicht wiederhergestellt:"},
        {NoSourceTagHeading(1), "Folgende Dateien haben kein ID3v1-Tag und bleiben unverändert:"},
        {NoSourceTagHeading(2), "Folgende Dateien haben kein ID3v2-Tag und bleiben unverändert:"},
        {KeptFieldsHeading(1),
         "Folgende Dateien behalten Felder ihres ID3v2-Tags, weil sie mehr enthalten, als das "
         "ID3v1-Tag hält:"},
        {KeptFieldsHeading(2),
         "Folgende Dateien behalten Felder ihres ID3v1-Tags, weil das ID3v2-Tag dafür nichts "
         "enthält:"},
        {kUnreadableBackupsHeading, "Folgende Sicherungen können nicht gelesen werden:"},
        {FieldName(TagField::Artist), "Interpret"},
        {FieldName(TagField::Title), "Titel"},
        {FieldName(TagField::Year), "Jahr"},
        {FieldName(TagField::Comment), "Kommentar"},
        {ColumnHeader(ColInterpret), "ID3 Interpret"},
        {ColumnHeader(ColLaenge), "Länge"},
        {ColumnHeader(ColDateigroesse), "Dateigröße"},
        {ColumnCaption(ColKommentar), "ID3Tag Kommentar"},
        {ColumnCaption(ColDatei), ""},
        {kHomeFolderName, "Persönlicher Ordner"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.given, c.words);
}

}  // namespace

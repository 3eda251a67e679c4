#pragma once

// The thirteen columns of the file list: how wide each is drawn at first,
// how its text is aligned, and what the settings file calls it. The list,
// the settings and "Optionen" read them here; their German headers and
// check box captions stand in ops/Reasons.

#include <array>
#include <cstddef>
#include <string_view>

#include "tags/Fields.h"

// Column positions; the tools address a row's cells by these.
enum Column : int {
    ColDatei = 0,
    ColInterpret = 1,
    ColAlbum = 2,
    ColTitel = 3,
    ColJahr = 4,
    ColGenre = 5,
    ColKommentar = 6,
    ColBitrate = 7,
    ColSamplerate = 8,
    ColLaenge = 9,
    ColDateigroesse = 10,
    ColCodec = 11,
    ColPfad = 12,
    ColumnCount = 13
};

struct ColumnInfo {
    int DesignWidth;  // at the start, and when a switched-on column has no stored width
    bool RightAligned;
    std::string_view WidthKey;  // its stored width; empty: not stored
    std::string_view ShownKey;  // "Optionen": whether it is shown; empty: always shown
};

inline constexpr std::array<ColumnInfo, ColumnCount> Columns = {{
    {200, false, "Column0Pos", ""},
    {150, false, "Column1Pos", "AnzeigenCol1"},
    {150, false, "Column2Pos", "AnzeigenCol2"},
    {150, false, "Column3Pos", "AnzeigenCol3"},
    {52, false, "Column4Pos", "AnzeigenCol4"},
    {60, false, "Column5Pos", "AnzeigenCol5"},
    {180, false, "Column6Pos", "AnzeigenCol6"},
    {70, false, "Column7Pos", "AnzeigenCol7"},
    {70, false, "Column8Pos", "AnzeigenCol8"},
    {50, true, "Column9Pos", "AnzeigenCol9"},
    {70, true, "Column10Pos", "AnzeigenCol10"},
    {70, false, "Column11Pos", "AnzeigenCol11"},
    {200, false, "", ""},
}};

constexpr const ColumnInfo& InfoOf(Column column) {
    return Columns[static_cast<size_t>(column)];
}

// The column of a tag field's cell: the six stand side by side in field order.
constexpr Column ColumnOf(TagField field) {
    return static_cast<Column>(ColInterpret + static_cast<int>(IndexOf(field)));
}
static_assert(ColumnOf(TagField::Comment) == ColKommentar);

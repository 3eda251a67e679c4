#pragma once

// The list as a spreadsheet and a playlist, and tags back from a
// spreadsheet: CSV as German spreadsheets open it (UTF-8 with byte-order
// mark, ";" between cells, quoted as RFC 4180 says), M3U8, and the plan of
// an import that matches files by their full path.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ops/EditOps.h"
#include "scan/FileRow.h"

inline constexpr std::string_view kCsvBom = "\xEF\xBB\xBF";

// One line of cells, quoted where a cell holds the separator, a quote or a
// line break; ended by CR LF.
std::string CsvLine(const std::vector<std::string>& cells, char separator = ';');

// The rows of a CSV text (a byte-order mark skipped); the separator is the
// one of ";", "," and tab that the header line holds most of, outside quotes.
struct CsvTable {
    char Separator = ';';
    std::vector<std::vector<std::string>> Rows;
};
CsvTable ParseCsv(std::string_view text);

// A path's bytes where they are not UTF-8: empty for a UTF-8 path, else the
// path with "%" and every byte of no UTF-8 character as "%XX".
std::string PathBytesCell(std::string_view path);
std::string PathOfBytesCell(std::string_view cell);

// The header line and a row's cells: "Pfad;Datei;ID3 Interpret;...;Track;
// Bitrate;Samplerate;Länge;Dateigröße;Codec;Pfad (Bytes)". The path cells
// are readable; the last keeps the bytes of one that is not UTF-8.
std::vector<std::string> ExportHeader();
std::vector<std::string> ExportCells(const FileRow& row);

// "#EXTINF:<seconds>,Interpret - Titel" and the path line, for a row whose
// file the playlist names as pathText.
std::string M3u8Entry(const FileRow& row, const std::string& pathText);

// The playlist's text for a file: relative to the playlist's folder (ending
// in "/") where it lies below it, else the whole path; readable.
std::string PlaylistPath(const std::string& path, const std::string& listFolder);

// The text of an export, row by row: the CSV header and a line per row, or
// "#EXTM3U" and an entry per row whose path is relative to listFolder (the
// playlist's folder, ending in "/") where it lies below it.
class ExportText {
  public:
    ExportText(bool playlist, std::string listFolder);
    void Add(const FileRow& row);
    const std::string& Text() const { return text_; }

  private:
    bool playlist_;
    std::string listFolder_, text_;
};

// A CSV to import: a row per file with its full path (the bytes cell, or
// "Pfad" and "Datei" joined, or a "Pfad" of the full path) and its field
// cells, an empty cell leaving the field as it is.
struct ImportRow {
    std::string Path;
    std::vector<FieldText> Values;  // the non-empty field cells
};
struct ImportSheet {
    std::vector<ImportRow> Rows;
    bool HasPath = false;  // the header names a path column
};
ImportSheet ReadImportSheet(std::string_view text);

// What an import does to one file.
struct ImportPlanItem {
    enum Status { Change, Same, NotFound } What = Same;
    std::string Path;
    struct FieldChange {
        TagField Field;
        std::string Old, New;
    };
    std::vector<FieldChange> Changes;
    std::vector<TagField> Cut;  // level 1: new values the ID3v1 tag holds only in part
};
// Reads each file's tag of the level and compares; the tag cells as the list
// shows them (blanks cut at both ends).
std::vector<ImportPlanItem> PlanImport(const ImportSheet& sheet, int level);

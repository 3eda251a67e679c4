#include "ops/SheetOps.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "ops/Genres.h"
#include "ops/Reasons.h"
#include "ops/RenameOps.h"
#include "ops/TagAccess.h"
#include "tags/ID3v1.h"
#include "tags/Text.h"

namespace {

bool NeedsQuotes(std::string_view cell, char separator) {
    return cell.find_first_of(std::string{separator, '"', '\r', '\n'}) != std::string_view::npos;
}

// The header's cell of each column the export writes, after the path and name.
constexpr std::array<Column, 11> kExportColumns = {
    ColInterpret, ColAlbum,      ColTitel,  ColJahr,         ColGenre, ColKommentar,
    ColBitrate,   ColSamplerate, ColLaenge, ColDateigroesse, ColCodec};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Whether an ID3v1 tag holds the text whole: it fits the field (beside a
// track number the comment has 28 bytes), and a genre is one of the names.
bool HeldByVersion1(TagField field, const std::string& text, int track) {
    if (field == TagField::Genre) return GenreIndexOf(text) != 255;
    const size_t room = field == TagField::Comment && track > 0 ? 28 : InfoOf(field).Id3v1Room;
    return TrimBlanks(id3v1::FieldValue(Id3v1SetterInput(text), room)) == text;
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& cells, char separator) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line += separator;
        const std::string& c = cells[i];
        if (!NeedsQuotes(c, separator)) {
            line += c;
            continue;
        }
        line += '"';
        for (const char ch : c) line += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        line += '"';
    }
    return line + "\r\n";
}

CsvTable ParseCsv(std::string_view text) {
    if (text.starts_with(kCsvBom)) text.remove_prefix(kCsvBom.size());
    CsvTable table;
    // The separator from the header line.
    std::array<int, 3> counts{};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;
        if (!quoted && (c == '\n' || c == '\r')) break;
        if (quoted) continue;
        counts[0] += c == ';';
        counts[1] += c == ',';
        counts[2] += c == '\t';
    }
    const size_t most =
        static_cast<size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    table.Separator = std::array<char, 3>{';', ',', '\t'}[most];
    std::vector<std::string> row;
    std::string cell;
    quoted = false;
    bool any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = any = true;
        } else if (c == table.Separator) {
            row.push_back(std::move(cell));
            cell.clear();
            any = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (any || !cell.empty()) row.push_back(std::move(cell));
            if (!row.empty()) table.Rows.push_back(std::move(row));
            row.clear();
            cell.clear();
            any = false;
        } else {
            cell += c;
            any = true;
        }
    }
    if (any || !cell.empty()) row.push_back(std::move(cell));
    if (!row.empty()) table.Rows.push_back(std::move(row));
    return table;
}

std::string PathBytesCell(std::string_view path) {
    if (ValidUtf8(path) == path) return {};  // readable as it stands
    std::string out;
    for (size_t pos = 0; pos < path.size();) {
        const size_t start = pos;
        const char32_t c = NextCodePoint(path, pos);
        const std::string_view bytes = path.substr(start, pos - start);
        if (path[start] != '%' && (c != 0xFFFD || bytes == "\xEF\xBF\xBD")) {
            out.append(bytes);
            continue;
        }
        // A byte of no character, and "%" itself, as "%XX".
        pos = start + 1;
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(path[start]));
        out += hex;
    }
    return out;
}

std::string PathOfBytesCell(std::string_view cell) {
    std::string out;
    for (size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] == '%' && i + 2 < cell.size() && HexValue(cell[i + 1]) >= 0 &&
            HexValue(cell[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(cell[i + 1]) * 16 + HexValue(cell[i + 2]));
            i += 2;
        } else {
            out += cell[i];
        }
    }
    return out;
}

std::vector<std::string> ExportHeader() {
    std::vector<std::string> header = {std::string(ColumnHeader(ColPfad)),
                                       std::string(ColumnHeader(ColDatei))};
    for (size_t i = 0; i < kExportColumns.size(); ++i) {
        header.emplace_back(ColumnHeader(kExportColumns[i]));
        if (kExportColumns[i] == ColKommentar) header.emplace_back(kTrackName);
    }
    header.emplace_back(kPathBytesHeader);
    return header;
}

std::vector<std::string> ExportCells(const FileRow& row) {
    const std::string& folder = row.Cells[ColPfad];
    const std::string& name = row.Cells[ColDatei];
    std::vector<std::string> cells = {ReadableName(folder), ReadableName(name)};
    for (const Column c : kExportColumns) {
        cells.push_back(row.Cells[c]);
        if (c == ColKommentar) cells.push_back(row.Track > 0 ? std::to_string(row.Track) : "");
    }
    cells.push_back(PathBytesCell(folder + name));
    return cells;
}

std::string M3u8Entry(const FileRow& row, const std::string& pathText) {
    const std::string& artist = row.Cells[ColInterpret];
    const std::string& title = row.Cells[ColTitel];
    std::string label = artist.empty() || title.empty() ? artist + title : artist + " - " + title;
    if (label.empty()) label = ReadableName(row.Cells[ColDatei]);
    for (char& c : label)
        if (c == '\r' || c == '\n') c = ' ';
    return "#EXTINF:" + std::to_string(static_cast<long long>(row.Seconds + 0.5)) + "," + label +
           "\n" + pathText + "\n";
}

std::string PlaylistPath(const std::string& path, const std::string& listFolder) {
    std::string shown = ReadableName(path);
    if (!listFolder.empty() && shown.starts_with(listFolder))
        return shown.substr(listFolder.size());
    return shown;
}

ExportText::ExportText(bool playlist, std::string listFolder)
    : playlist_(playlist), listFolder_(std::move(listFolder)) {
    text_ = playlist_ ? "#EXTM3U\n" : std::string(kCsvBom) + CsvLine(ExportHeader());
}

void ExportText::Add(const FileRow& row) {
    if (playlist_) {
        text_ +=
            M3u8Entry(row, PlaylistPath(row.Cells[ColPfad] + row.Cells[ColDatei], listFolder_));
    } else {
        text_ += CsvLine(ExportCells(row));
    }
}

ImportSheet ReadImportSheet(std::string_view text) {
    ImportSheet sheet;
    const CsvTable table = ParseCsv(text);
    if (table.Rows.empty()) return sheet;
    const auto& header = table.Rows.front();
    const auto column = [&header](std::string_view name) -> int {
        for (size_t i = 0; i < header.size(); ++i)
            if (TrimBlanks(header[i]) == name) return static_cast<int>(i);
        return -1;
    };
    const int path = column(ColumnHeader(ColPfad)), name = column(ColumnHeader(ColDatei)),
              bytes = column(kPathBytesHeader);
    sheet.HasPath = path >= 0;
    if (!sheet.HasPath) return sheet;
    std::vector<std::pair<TagField, int>> fields;
    for (const TagField f : AllTagFields)
        if (const int c = column(ColumnHeader(ColumnOf(f))); c >= 0) fields.emplace_back(f, c);
    const auto cell = [](const std::vector<std::string>& row, int c) -> std::string {
        return c >= 0 && static_cast<size_t>(c) < row.size() ? row[static_cast<size_t>(c)]
                                                             : std::string();
    };
    for (size_t r = 1; r < table.Rows.size(); ++r) {
        const auto& row = table.Rows[r];
        ImportRow item;
        if (const std::string raw = cell(row, bytes); !raw.empty()) {
            item.Path = PathOfBytesCell(raw);
        } else {
            item.Path = cell(row, path);
            if (name >= 0) {
                if (!item.Path.empty() && item.Path.back() != '/') item.Path += '/';
                item.Path += cell(row, name);
            }
        }
        if (item.Path.empty()) continue;
        for (const auto& [field, c] : fields)
            if (std::string v = cell(row, c); !TrimBlanks(v).empty())
                item.Values.emplace_back(field, TrimBlanks(v));
        sheet.Rows.push_back(std::move(item));
    }
    return sheet;
}

std::vector<ImportPlanItem> PlanImport(const ImportSheet& sheet, int level) {
    std::vector<ImportPlanItem> plan;
    plan.reserve(sheet.Rows.size());
    for (const ImportRow& row : sheet.Rows) {
        ImportPlanItem item;
        item.Path = row.Path;
        struct stat st {};
        const auto values = ::stat(row.Path.c_str(), &st) == 0 && S_ISREG(st.st_mode)
                                ? ReadRenameValues(row.Path, level)
                                : std::nullopt;
        if (!values) {
            item.What = ImportPlanItem::NotFound;
            plan.push_back(std::move(item));
            continue;
        }
        for (const auto& [field, text] : row.Values) {
            const std::string old = TrimBlanks(values->Texts[field]);
            if (old == text) continue;
            item.Changes.push_back({field, old, text});
            if (level == 1 && !HeldByVersion1(field, text, values->Track))
                item.Cut.push_back(field);
        }
        item.What = item.Changes.empty() ? ImportPlanItem::Same : ImportPlanItem::Change;
        plan.push_back(std::move(item));
    }
    return plan;
}

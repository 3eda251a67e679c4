#pragma once

// Every reason, heading and name the program gives in German, worded once:
// the window, the CLI and the tests read them from here. The code below speaks
// in values (writepath::Failure, RenameSkip, BackupProblem, the recovery's
// lists); this is where they become words.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/Columns.h"
#include "tags/Fields.h"

// Only their names: every part of the program reads this table, and it
// includes none of them.
enum class BackupProblem;
enum class CoverSkip;
enum class RenameSkip;
enum class VersionSkip;
struct HistoryStep;
namespace writepath {
enum class Failure;
struct RecoveryReport;
struct StateCheck;
}  // namespace writepath
namespace id3v2 {
struct Loss;
}  // namespace id3v2

// The German names of the six fields ("Interpret") and of the track: the
// rename tool's placeholders ("%Interpret%", "%Track%"), the dialogs' labels,
// the lists of kept or missing fields.
std::string_view FieldName(TagField field);
inline constexpr std::string_view kTrackName = "Track";

// The list's column headers ("ID3 Interpret"), which a spreadsheet's header
// row repeats, and the check boxes of "Optionen" ("ID3Tag Interpret"; empty
// for a column that is always shown).
std::string_view ColumnHeader(Column column);
std::string_view ColumnCaption(Column column);
// The spreadsheet's column of each path's bytes, for names that are not UTF-8.
inline constexpr std::string_view kPathBytesHeader = "Pfad (Bytes)";

// The folder picker's entries for all drives and for the user's home folder.
inline constexpr std::string_view kComputerName = "Computer";
inline constexpr std::string_view kHomeFolderName = "Persönlicher Ordner";

// A path as text to show: each part as UTF-8, or else as Windows-1252.
std::string ReadablePath(const std::string& path);

// Appends heading and the paths (readable), each on a line of its own, as a
// section of an end message (an empty line before it unless text is empty); nothing for
// no paths.
void AppendPathSection(std::string& text, std::string_view heading,
                       const std::vector<std::string>& paths);

// "kein Speicherplatz mehr frei"; empty for None.
std::string FailureText(writepath::Failure failure);

// The journal's folder that is not trusted: which, why, and the mend.
std::string StateCheckText(const writepath::StateCheck& check);

// What a start did with the journals left behind, one section per list.
std::string RecoveryText(const writepath::RecoveryReport& report);

// "Ein benötigtes Feld ist leer (Titel)"
std::string RenameSkipText(RenameSkip why, const std::vector<std::string>& missing = {});

// "ist beschädigt"; path is the MP3 file a backup names, where it matters.
std::string BackupProblemText(BackupProblem problem, const std::string& path = {});

// The cover tool's words: why a file stayed as it was, and the German names
// of the picture types ("Titelseite (vorne)").
std::string CoverSkipText(CoverSkip skip);
std::string_view PictureTypeName(uint8_t type);

// The version tool's words: why a file stayed as it was ("hat schon
// ID3v2.3"), what a file lost ("TDRC (nur zum Teil), CRM (keine
// Entsprechung)"), and "12 Dateien in ID3v2.3 umgewandelt."
std::string VersionSkipText(VersionSkip skip, uint8_t target);
std::string LossesText(const std::vector<id3v2::Loss>& losses);
std::string ConvertedText(int files, uint8_t target);

// Why a run with "--backup FOLDER" does not start (why: FolderOpen or
// OtherMedium).
std::string BackupFolderRefusal(const std::string& folder, BackupProblem why);

// The one message for a file whose ID3v1 area cannot be read: "Die Datei
// "..." ist beschädigt oder kann nicht geöffnet werden und wird übersprungen."
std::string UnreadableFileText(const std::string& path);

// The editor's message of a failed save: "Die Datei "..." konnte nicht
// gespeichert werden: <reason>."
std::string SaveFailedText(const std::string& path, writepath::Failure why = {});

// "Der Ordner "..." kann nicht gelesen werden."
std::string UnreadableFolderText(const std::string& folder);

// The import's reason for a row whose file is not there, in its preview and
// its end message.
inline constexpr std::string_view kSheetFileNotFound = "nicht gefunden";

// "1 Datei", "12 Dateien".
std::string FileCountText(int files);

// A file the user named for the program to write (a picture, a spreadsheet):
// "Die Datei "..." kann nicht geschrieben werden."
std::string CannotWriteText(const std::string& path);

// End-of-scan texts of the status bar's second field.
std::string FoundCountText(int foundCount);  // "1 MP3-Datei gefunden" / "N MP3-Dateien gefunden"
// Status texts during a scan.
std::string ScanningText(const std::string& folder);  // "Scanne FOLDER nach MP3-Dateien..."
std::string FoundSoFarText(int foundCount);           // "N gefunden"

// "Wizard (12 Dateien)", "ID3Tag Editieren (1 Datei)".
std::string StepLabel(const HistoryStep& step);

// Headings of the sections that end messages share.
inline constexpr std::string_view kNotSavedHeading =
    "Folgende Dateien konnten nicht gespeichert werden:";
std::string_view NoSourceTagHeading(int sourceLevel);
std::string_view KeptFieldsHeading(int sourceLevel);
std::string_view ChangedSinceHeading(bool redo);
// The files a scan or a tool's run could not read, gathered into one
// message instead of one per file, and the folders a scan could not read.
inline constexpr std::string_view kBrokenFilesHeading =
    "Die folgenden Dateien sind beschädigt oder können nicht geöffnet werden und wurden "
    "übersprungen:";
inline constexpr std::string_view kUnreadableFoldersHeading =
    "Die folgenden Ordner können nicht gelesen werden:";
inline constexpr std::string_view kCutFieldsHeading =
    "Folgende Dateien bekommen Felder nur gekürzt, weil das ID3v1-Tag nicht mehr hält:";
inline constexpr std::string_view kUnchangedHeading = "Folgende Dateien bleiben unverändert:";
inline constexpr std::string_view kLostFramesHeading =
    "Folgende Dateien haben verloren, was die gewählte ID3v2-Version nicht aufnehmen kann:";
inline constexpr std::string_view kUnreadableBackupsHeading =
    "Folgende Sicherungen können nicht gelesen werden:";

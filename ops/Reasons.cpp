#include "ops/Reasons.h"

#include <array>

#include "ops/Backup.h"
#include "ops/CoverOps.h"
#include "ops/History.h"
#include "ops/RenameOps.h"
#include "ops/VersionOps.h"
#include "tags/Convert.h"
#include "tags/Text.h"
#include "tags/WritePath.h"
#include "tags/write/StateFolder.h"

std::string_view FieldName(TagField field) {
    static constexpr std::array<std::string_view, TagFieldCount> kNames = {
        "Interpret", "Album", "Titel", "Jahr", "Genre", "Kommentar"};
    return kNames[IndexOf(field)];
}

namespace {

struct ColumnWords {
    std::string_view Header, Caption;
};
constexpr std::array<ColumnWords, ColumnCount> kColumnWords = {{
    {"Datei", ""},
    {"ID3 Interpret", "ID3Tag Interpret"},
    {"ID3 Album", "ID3Tag Album"},
    {"ID3 Titel", "ID3Tag Titel"},
    {"ID3 Jahr", "ID3Tag Jahr"},
    {"ID3 Genre", "ID3Tag Genre"},
    {"ID3 Kommentar", "ID3Tag Kommentar"},
    {"Bitrate", "Bitrate"},
    {"Samplerate", "Samplerate"},
    {"Länge", "Länge"},
    {"Dateigröße", "Dateigröße"},
    {"Codec", "Codec"},
    {"Pfad", ""},
}};

}  // namespace

std::string_view ColumnHeader(Column column) {
    return kColumnWords[static_cast<size_t>(column)].Header;
}
std::string_view ColumnCaption(Column column) {
    return kColumnWords[static_cast<size_t>(column)].Caption;
}

std::string ReadablePath(const std::string& path) {
    return ReadableName(path);
}

void AppendPathSection(std::string& text, std::string_view heading,
                       const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += heading;
    for (const auto& p : paths) {
        text += '\n';
        text += ReadablePath(p);
    }
}

std::string FailureText(writepath::Failure failure) {
    using writepath::Failure;
    switch (failure) {
        case Failure::None:
            return {};
        case Failure::Gone:
            return "die Datei existiert nicht mehr";
        case Failure::NotRegular:
            return "das ist keine gewöhnliche Datei";
        case Failure::TooShort:
            return "die Datei ist zu kurz";
        case Failure::Locked:
            return "die Datei wird von einem anderen Programm benutzt";
        case Failure::NoPermission:
            return "keine Schreibberechtigung";
        case Failure::ReadOnly:
            return "das Laufwerk ist schreibgeschützt";
        case Failure::NoSpace:
            return "kein Speicherplatz mehr frei";
        case Failure::TooLarge:
            return "der Tag wäre zu groß";
        case Failure::Changed:
            return "die Datei wurde während des Speicherns verändert";
        case Failure::Journal:
            return "das Journal kann nicht geschrieben werden";
        case Failure::Refused:
            return "die alten Tags können nicht gesichert werden";
        case Failure::Io:
            return "Lese- oder Schreibfehler";
        case Failure::NotMp3:
            return "das ist keine MP3-Datei";
        case Failure::StateFolder:
            return "der Ordner für das Journal ist nicht sicher";
        case Failure::StateFull:
            return "im Ordner für das Journal (\"" + ReadablePath(writepath::StateFolder()) +
                   "\") ist kein Speicherplatz mehr frei";
        case Failure::StateReadOnly:
            return "der Ordner für das Journal (\"" + ReadablePath(writepath::StateFolder()) +
                   "\") ist schreibgeschützt";
    }
    return {};
}

std::string StateCheckText(const writepath::StateCheck& check) {
    using Verdict = writepath::StateCheck::Verdict;
    const std::string& Where = check.Where;
    const std::string& Folder = check.Folder;
    const std::string quoted = "\"" + Where + "\"";
    const std::string nothing =
        " Tonzettel liest nichts daraus und speichert nichts, damit niemand anderes über das "
        "Journal Ihre Dateien ändern kann.";
    switch (check.Result) {
        case Verdict::Ok:
            return {};
        case Verdict::NoHome:
            return "Tonzettel findet keinen Ordner für sein Journal, weil kein Home-Ordner "
                   "bekannt ist, und speichert nichts. Setzen Sie HOME oder XDG_STATE_HOME auf "
                   "einen eigenen Ordner.";
        case Verdict::NotOwned:
            return "Der Ordner " + quoted + " für das Journal gehört nicht Ihnen." + nothing +
                   " Starten Sie Tonzettel unter Ihrem eigenen Benutzer (sudo mit -H), oder "
                   "setzen Sie XDG_STATE_HOME auf einen eigenen Ordner.";
        case Verdict::OpenToOthers:
            return "Der Ordner " + quoted + " für das Journal ist für andere beschreibbar." +
                   nothing + " Abhilfe: chmod 700 " + quoted;
        case Verdict::AboveOpen:
            return "Der Ordner " + quoted + " über dem Ordner für das Journal (\"" + Folder +
                   "\") kann von anderen verändert werden." + nothing + " Abhilfe: chmod go-w " +
                   quoted;
    }
    return {};
}

std::string RecoveryText(const writepath::RecoveryReport& report) {
    std::string text = report.State.Trusted() ? std::string() : StateCheckText(report.State);
    const auto section = [&text](std::string_view heading, const std::vector<std::string>& paths) {
        AppendPathSection(text, heading, paths);
    };
    section("Folgende Dateien wurden nach einem Abbruch fertig gespeichert:", report.Finished);
    section(
        "Folgende Dateien wurden seit einem abgebrochenen Speichern verändert und bleiben, wie "
        "sie sind:",
        report.LeftAlone);
    section(
        "Folgende Dateien können noch nicht fertig gespeichert werden, weil sie nicht "
        "erreichbar sind; Tonzettel versucht es beim nächsten Start wieder:",
        report.Pending);
    section(
        "Folgende Dateien im Ordner für das Journal stammen nicht von Tonzettel für diesen "
        "Benutzer und bleiben unberührt:",
        report.Untrusted);
    return text;
}

std::string RenameSkipText(RenameSkip why, const std::vector<std::string>& missing) {
    switch (why) {
        case RenameSkip::None:
            return {};
        case RenameSkip::Unreadable:
            return "Das Tag kann nicht gelesen werden";
        case RenameSkip::EmptyField: {
            std::string names;
            for (const auto& m : missing) names += (names.empty() ? "" : ", ") + m;
            return "Ein benötigtes Feld ist leer (" + names + ")";
        }
        case RenameSkip::EmptyName:
            return "Vom Namen bliebe nichts übrig";
        case RenameSkip::SameName:
            return "Der Name bliebe gleich";
        case RenameSkip::Duplicate:
            return "Zwei Dateien bekämen denselben Namen";
        case RenameSkip::Exists:
            return "Eine Datei dieses Namens gibt es schon";
        case RenameSkip::Failed:
            return "Die Datei konnte nicht umbenannt werden";
    }
    return {};
}

std::string BackupProblemText(BackupProblem problem, const std::string& path) {
    switch (problem) {
        case BackupProblem::None:
            return {};
        case BackupProblem::CannotOpen:
            return "kann nicht geöffnet werden";
        case BackupProblem::CannotRead:
            return "kann nicht gelesen werden";
        case BackupProblem::NotRegular:
            return "ist keine gewöhnliche Datei";
        case BackupProblem::NotYours:
            return "gehört einem anderen Benutzer oder ist für andere beschreibbar";
        case BackupProblem::TooLarge:
            return "ist zu groß für eine Sicherung";
        case BackupProblem::FolderOpen:
            return "der Ordner ist für andere beschreibbar";
        case BackupProblem::Damaged:
            return "ist beschädigt";
        case BackupProblem::WrongName:
            return "passt nicht zu ihrem Namen";
        case BackupProblem::NoTags:
            return "enthält keine gültigen Tags";
        case BackupProblem::NoMp3:
            return "nennt keine MP3-Datei: " + ReadablePath(path);
        case BackupProblem::OtherMedium:
            return "liegt auf einem Datenträger ohne Zugriffsrechte und nennt eine Datei "
                   "anderswo: " +
                   ReadablePath(path);
    }
    return {};
}

std::string CoverSkipText(CoverSkip skip) {
    switch (skip) {
        case CoverSkip::None:
            return {};
        case CoverSkip::NoPicture:
            return "kein passendes Bild";
        case CoverSkip::NoFolderImage:
            return "kein Bild im Ordner (cover.jpg, folder.jpg, front.jpg, cover.png, folder.png)";
        case CoverSkip::BrokenImage:
            return "ein Bild kann nicht gelesen werden";
        case CoverSkip::TypeTaken:
            return "ein Bild dieses Typs gibt es schon";
    }
    return {};
}

std::string VersionSkipText(VersionSkip skip, uint8_t target) {
    switch (skip) {
        case VersionSkip::None:
            return {};
        case VersionSkip::NoTag:
            return "hat kein ID3v2-Tag";
        case VersionSkip::Unreadable:
            return "das ID3v2-Tag kann nicht gelesen werden";
        case VersionSkip::Already:
            return "hat schon ID3v2." + std::to_string(target);
    }
    return {};
}

std::string LossesText(const std::vector<id3v2::Loss>& losses) {
    std::string text;
    for (const id3v2::Loss& loss : losses) {
        if (!text.empty()) text += ", ";
        text += loss.Id.empty() ? "Rest des Tags" : loss.Id;
        switch (loss.Kind) {
            case id3v2::LossKind::NoFrame:
                text += " (keine Entsprechung)";
                break;
            case id3v2::LossKind::Sealed:
                text += " (komprimiert oder verschlüsselt)";
                break;
            case id3v2::LossKind::Precision:
                text += " (nur zum Teil)";
                break;
            case id3v2::LossKind::Damaged:
                text += " (beschädigt)";
                break;
        }
    }
    return text;
}

std::string ConvertedText(int files, uint8_t target) {
    return FileCountText(files) + " in ID3v2." + std::to_string(target) + " umgewandelt.";
}

std::string UnreadableFolderText(const std::string& folder) {
    return "Der Ordner \"" + folder + "\" kann nicht gelesen werden.";
}

std::string FileCountText(int files) {
    return files == 1 ? std::string("1 Datei") : std::to_string(files) + " Dateien";
}

std::string CannotWriteText(const std::string& path) {
    return "Die Datei \"" + path + "\" kann nicht geschrieben werden.";
}

std::string_view PictureTypeName(uint8_t type) {
    static constexpr std::string_view kNames[] = {
        "Sonstiges",
        "Dateisymbol",
        "Anderes Dateisymbol",
        "Titelseite (vorne)",
        "Rückseite",
        "Beiblatt",
        "Medium (CD)",
        "Solist",
        "Interpret",
        "Dirigent",
        "Band/Orchester",
        "Komponist",
        "Texter",
        "Aufnahmeort",
        "Während der Aufnahme",
        "Während der Aufführung",
        "Standbild aus Film/Video",
        "Ein heller bunter Fisch",
        "Illustration",
        "Logo des Interpreten",
        "Logo des Verlags",
    };
    return type < std::size(kNames) ? kNames[type] : kNames[0];
}

std::string BackupFolderRefusal(const std::string& folder, BackupProblem why) {
    const std::string quoted = "\"" + ReadablePath(folder) + "\"";
    const std::string nothing = " Es wurde nichts geändert.";
    if (why == BackupProblem::OtherMedium)
        return "Der Ordner " + quoted +
               " für die Sicherungen liegt auf einem Datenträger ohne Zugriffsrechte; \"restore\" "
               "verwendet Sicherungen darin nur für Dateien auf demselben Datenträger." +
               nothing;
    return "Der Ordner " + quoted +
           " für die Sicherungen ist für andere beschreibbar; \"restore\" würde die Sicherungen "
           "darin nicht verwenden." +
           nothing;
}

std::string SaveFailedText(const std::string& path, writepath::Failure why) {
    std::string text = "Die Datei \"" + ReadablePath(path) + "\" konnte nicht gespeichert werden";
    if (why != writepath::Failure::None) text += ": " + FailureText(why);
    return text + ".";
}

std::string UnreadableFileText(const std::string& path) {
    return "Die Datei \"" + ReadablePath(path) +
           "\" ist beschädigt oder kann nicht geöffnet werden und wird übersprungen.";
}

std::string_view NoSourceTagHeading(int sourceLevel) {
    return sourceLevel == 2 ? "Folgende Dateien haben kein ID3v2-Tag und bleiben unverändert:"
                            : "Folgende Dateien haben kein ID3v1-Tag und bleiben unverändert:";
}

std::string_view KeptFieldsHeading(int sourceLevel) {
    return sourceLevel == 2 ? "Folgende Dateien behalten Felder ihres ID3v1-Tags, weil das "
                              "ID3v2-Tag dafür nichts enthält:"
                            : "Folgende Dateien behalten Felder ihres ID3v2-Tags, weil sie mehr "
                              "enthalten, als das ID3v1-Tag hält:";
}

std::string_view ChangedSinceHeading(bool redo) {
    return redo ? "Folgende Dateien wurden inzwischen geändert und nicht wiederhergestellt:"
                : "Folgende Dateien wurden inzwischen geändert und nicht zurückgesetzt:";
}

std::string FoundCountText(int foundCount) {
    return std::to_string(foundCount) +
           (foundCount == 1 ? " MP3-Datei gefunden" : " MP3-Dateien gefunden");
}

std::string ScanningText(const std::string& folder) {
    return "Scanne " + folder + " nach MP3-Dateien...";
}

std::string FoundSoFarText(int foundCount) {
    return std::to_string(foundCount) + " gefunden";
}

std::string StepLabel(const HistoryStep& step) {
    const size_t n = step.Files.size() + step.Renames.size();
    return step.Name + " (" + FileCountText(n) + ")";
}

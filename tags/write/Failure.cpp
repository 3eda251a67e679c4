#include <cerrno>

#include "tags/WritePath.h"

namespace writepath {

std::string FailureText(Failure failure) {
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
    }
    return {};
}

Failure FailureOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Failure::Gone;
        case EACCES:
        case EPERM:
            return Failure::NoPermission;
        case EROFS:
            return Failure::ReadOnly;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return Failure::NoSpace;
        case EWOULDBLOCK:
            return Failure::Locked;
        case EISDIR:
            return Failure::NotRegular;
        default:
            return Failure::Io;
    }
}

}  // namespace writepath

#include <QDialog>

#include "app/Version.h"
#include "ui/FetchUrl.h"
#include "ui/Maker.h"
#include "ui/MessageBox.h"
#include "ui/Unit1.h"

QString NoConnectionText() {
    return QStringLiteral(
        "Füe ein Webubdate ist eine Internetverbindung erforderlich. Wenn Sie eine "
        "Updateprüfung durchführen wollen, stellen Sie bitte zuerst eine "
        "Internetverbindung her.");
}

QString UpToDateText() {
    return QStringLiteral("Kein Update verfügbar. Ihre Programmversion ist aktuell.");
}

QString VersionUnknownText() {
    return QStringLiteral(
        "Die aktuelle Programmversion konnte nicht vom Server abgefragt werden. Bitte "
        "versuchen Sie es später noch einmal.");
}

void RunUpdateCheck(QWidget* window, QDialog* offer, const QString& versionUrl) {
    if (!InternetConnected()) {
        ShowMessageBox(NoConnectionText(), window);
        return;
    }
    const FetchResult version = FetchUrl(versionUrl);
    // An error page or no answer is no newer version: offering a download
    // from a server that did not answer would send the user nowhere.
    if (!version.Ok) {
        ShowMessageBox(VersionUnknownText(), window);
        return;
    }
    if (version.Text == QLatin1String(ProgramVersion)) {
        ShowMessageBox(UpToDateText(), window);
        return;
    }
    if (offer) offer->exec();
}

void TForm1::ButtonUpdateClick() {
    RunUpdateCheck(this, Dialogs().Updaten, QString::fromLatin1(VersionFileUrl));
}

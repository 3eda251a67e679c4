#include <QApplication>
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

namespace {

// What a version file holds: a few digits, dots and letters, perhaps with a
// line end. A hotel's or a train's login page answers with 200 as well.
bool IsVersionText(const QString& text) {
    if (text.size() > 32) return false;
    bool any = false;
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n') continue;
        const char16_t u = c.unicode();
        const bool allowed = u == u'.' || (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') ||
                             (u >= u'A' && u <= u'Z');
        if (!allowed) return false;
        any = true;
    }
    return any;
}

FetchResult FetchWithWaitCursor(const QString& url) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FetchResult result = FetchUrl(url);
    QApplication::restoreOverrideCursor();
    return result;
}

}  // namespace

void RunUpdateCheck(QWidget* window, QDialog* offer, const QString& versionUrl) {
    if (!InternetConnected()) {
        ShowMessageBox(NoConnectionText(), window);
        return;
    }
    // The request may take up to its time-out.
    const FetchResult version = FetchWithWaitCursor(versionUrl);
    // An error page, no answer or a page that is no version text is no newer
    // version: offering a download then would send the user nowhere.
    if (!version.Ok || !IsVersionText(version.Text)) {
        ShowMessageBox(VersionUnknownText(), window);
        return;
    }
    if (version.Text == QLatin1String(ProgramVersion)) {
        ShowMessageBox(UpToDateText(), window);
        return;
    }
    const FocusReturn focusReturn;
    if (offer) offer->exec();
}

void TForm1::ButtonUpdateClick() {
    if (scanning_) return;
    RunUpdateCheck(this, Dialogs().Updaten, QString::fromLatin1(VersionFileUrl));
}

#include <QApplication>

#include "app/Version.h"
#include "ops/Reasons.h"
#include "picker/DirTreeCombo.h"
#include "tags/WritePath.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"
#include "ui/Unit1.h"
#include "ui/Unit10.h"
#include "ui/Unit11.h"
#include "ui/Unit12.h"
#include "ui/Unit13.h"
#include "ui/Unit14.h"
#include "ui/Unit15.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/Unit4.h"
#include "ui/Unit5.h"
#include "ui/Unit6.h"
#include "ui/Unit7.h"
#include "ui/Unit8.h"
#include "ui/Unit9.h"

// Program start: the main window first, then the dialogs, each created once and
// kept hidden until its command shows it.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonzettel"));
    QApplication::setApplicationVersion(QLatin1String(ProgramVersion));
    QApplication::setWindowIcon(AppIcon());
    // The desktop entry's name, so a dock shows the window with its entry's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tonzettel.Tonzettel"));
    InstallTagMessageHandler();
    // The folder tree's warnings go through the same message box as the rest.
    TDirTreeCombo::SetMessageHook([](const QString& text) { ShowMessageBox(text); });

    // Saves that a crash or a power cut cut short are finished before
    // anything else, and the user learns which files that concerned.
    if (const auto recovered = writepath::RecoverJournals(); !recovered.Empty())
        ShowMessageBox(QString::fromStdString(RecoveryText(recovered)));

    TForm1 form1;
    form1.FormCreate();

    // The dialogs, in this order; each takes the main window as its parent.
    TForm1Dialogs dialogs;
    dialogs.Form2 = new TForm2(&form1);
    dialogs.Info = new TInfo(&form1);
    dialogs.Wizard = new TWizard(&form1);
    dialogs.Optionen = new TOptionen(form1.ListView(), &form1);
    dialogs.Updaten = new TUpdaten(&form1);
    dialogs.Suchen = new TSuchen(&form1);
    dialogs.Konvertieren = new TKonvertieren(&form1);
    dialogs.L1nachL2 = new TL1nachL2(&form1);
    dialogs.L2nachL1 = new TL2nachL1(&form1);
    dialogs.Umbenennen = new TUmbenennen(&form1);
    dialogs.Cover = new TCover(&form1);
    dialogs.Importieren = new TImportieren(&form1);
    dialogs.Entfernen = new TEntfernen(&form1);
    dialogs.Version = new TVersion(&form1);
    form1.SetDialogs(dialogs);

    form1.show();
    return QApplication::exec();
}

#include "ui/Unit13.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ops/History.h"
#include "ops/Reasons.h"
#include "ops/SaveRun.h"
#include "ui/DialogHelpers.h"
#include "ui/FileChooser.h"
#include "ui/FileListModel.h"
#include "ui/Images.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"

namespace {

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// A row of the list as the export writes it: tag cells in UTF-8, the folder
// and the name as the file system's bytes.
FileRow FileRowOf(const FileListModel& model, int r) {
    const ListRow& row = model.Row(r);
    FileRow out;
    out.ImageIndex = row.ImageIndex;
    for (size_t c = 0; c < out.Cells.size(); ++c) out.Cells[c] = row.Cells[c].toStdString();
    out.Cells[ColPfad] = model.FolderBytes(r);
    out.Cells[ColDatei] = model.NameBytes(r);
    out.Track = row.Track;
    out.Seconds = row.Seconds;
    return out;
}

}  // namespace

bool ExportRows(ListRows& rows, const std::vector<int>& which, const QString& file,
                QWidget* parent) {
    const bool playlist = file.endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive);
    const std::string listFolder =
        (QFileInfo(file).absolutePath() + QStringLiteral("/")).toStdString();
    ExportText text(playlist, listFolder);
    const FileListModel* model = rows.Model();
    for (const int r : which) text.Add(FileRowOf(*model, r));
    return WriteChosenFile(parent, file, text.Text());
}

TImportieren::TImportieren(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Importieren"));
    setWindowTitle(QStringLiteral("Importieren"));
    setModal(true);

    label1_ = new QLabel(QStringLiteral("Keine Tabelle geladen."), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setTextFormat(Qt::PlainText);
    auto* hint = new QLabel(QStringLiteral("Die Dateien werden an ihrem vollen Pfad erkannt. Eine "
                                           "leere Zelle lässt das Feld, wie es ist."),
                            this);
    hint->setObjectName(QStringLiteral("Label3"));
    hint->setWordWrap(true);
    label2_ = new QLabel(this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setTextFormat(Qt::PlainText);

    listView1_ = new QTreeWidget(this);
    listView1_->setObjectName(QStringLiteral("ListView1"));
    listView1_->setHeaderLabels({QStringLiteral("Datei"), QStringLiteral("Feld"),
                                 QStringLiteral("Alt"), QStringLiteral("Neu")});
    listView1_->setRootIsDecorated(false);
    listView1_->setSelectionMode(QAbstractItemView::NoSelection);
    listView1_->setUniformRowHeights(true);
    listView1_->header()->setStretchLastSection(true);
    listView1_->setColumnWidth(0, 260);
    listView1_->setColumnWidth(1, 110);
    listView1_->setColumnWidth(2, 200);
    listView1_->setMinimumSize(780, 260);

    QToolButton* load = NewFlatButton(this, "ButtonLaden", QStringLiteral("Tabelle laden …"));
    QToolButton* run = NewFlatButton(this, "ButtonImportieren", QStringLiteral("Importieren"));
    QToolButton* close =
        NewFlatButton(this, "ButtonSchliessen", QStringLiteral("Schließen"), &CloseButtonIcon());
    connect(load, &QToolButton::clicked, this, &TImportieren::ButtonLadenClick);
    connect(run, &QToolButton::clicked, this, &TImportieren::ButtonImportierenClick);
    connect(close, &QToolButton::clicked, this, &TImportieren::ButtonSchliessenClick);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(load);
    buttons->addWidget(run);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(hint);
    layout->addWidget(listView1_, 1);
    layout->addWidget(label2_);
    layout->addLayout(buttons);
}

bool TImportieren::LoadSheet(const QString& file) {
    listView1_->clear();
    plan_.clear();
    QFile in(file);
    const QByteArray bytes = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    const ImportSheet sheet = ReadImportSheet(std::string_view(bytes.constData(), bytes.size()));
    if (!sheet.HasPath) {
        label1_->setText(QStringLiteral("Keine Tabelle geladen."));
        label2_->clear();
        ShowMessageBox(QStringLiteral("Die Tabelle \"%1\" hat keine Spalte \"Pfad\".").arg(file),
                       this);
        return false;
    }
    label1_->setText(file);
    plan_ = PlanImport(sheet, rows_->RowsLevel());
    int missing = 0, same = 0;
    for (const ImportPlanItem& item : plan_) {
        const QString name = Text(ReadablePath(item.Path));
        if (item.What == ImportPlanItem::NotFound) {
            ++missing;
            new QTreeWidgetItem(
                listView1_, {name, QString(), QString(), QString::fromUtf8(kSheetFileNotFound)});
            continue;
        }
        if (item.What == ImportPlanItem::Same) {
            ++same;
            new QTreeWidgetItem(listView1_,
                                {name, QString(), QString(), QStringLiteral("unverändert")});
        }
        for (const auto& c : item.Changes) {
            const std::string_view field = FieldName(c.Field);
            new QTreeWidgetItem(listView1_,
                                {name, QString::fromUtf8(field), Text(c.Old), Text(c.New)});
        }
    }
    const auto count = [](qsizetype n, const char* one, const char* many) {
        return QString::number(n) + " " + QString::fromUtf8(n == 1 ? one : many);
    };
    const qsizetype changing = static_cast<qsizetype>(plan_.size()) - same - missing;
    label2_->setText(count(changing, "Datei ändert sich", "Dateien ändern sich") + ", " +
                     count(same, "bleibt, wie sie ist", "bleiben, wie sie sind") + ", " +
                     count(missing, "wurde nicht gefunden.", "wurden nicht gefunden."));
    return true;
}

void TImportieren::ButtonLadenClick() {
    if (running_) return;
    const QString file = ChooseFile(this, false, QStringLiteral("Tabelle laden"), QString(),
                                    QStringLiteral("CSV-Tabellen (*.csv *.txt)"));
    if (!file.isEmpty()) LoadSheet(file);
}

void TImportieren::ButtonImportierenClick() {
    if (running_ || plan_.empty()) return;
    running_ = true;
    const int level = rows_->RowsLevel();
    RunReport report;
    {
        // One step of the history: "Rückgängig" takes the whole import back.
        StepRecorder step(&rows_->History(), "Importieren", &rows_->ListCells());
        SaveRun run;
        for (const ImportPlanItem& item : plan_) {
            if (item.What == ImportPlanItem::NotFound) {
                report.AddUnchanged(item.Path, std::string(kSheetFileNotFound));
                continue;
            }
            if (item.What != ImportPlanItem::Change) continue;
            std::vector<FieldText> fields;
            for (const auto& c : item.Changes) fields.emplace_back(c.Field, c.New);
            RowCells& cells = rows_->ListCells();
            WriteTagFields(
                run, item.Path, level, fields,
                [&report, &cells, fields, path = item.Path, cut = item.Cut](const SaveOutcome& o) {
                    report.Add(path, o);
                    if (o.Outcome != FileOutcome::Written) return;
                    report.AddCut(path, cut);
                    // The row, where the list has the file, follows.
                    if (auto texts = cells.Get(path)) {
                        for (const auto& [field, text] : fields) (*texts)[field] = text;
                        cells.Set(path, *texts);
                    }
                });
        }
        run.Commit();
    }
    running_ = false;
    if (!report.Empty()) ShowMessageBox(Text(report.Text()), this);
    plan_.clear();
    listView1_->clear();
    label2_->setText(QStringLiteral("Importiert."));
}

void TImportieren::ButtonSchliessenClick() {
    reject();
}

void TImportieren::reject() {
    if (running_) return;
    QDialog::reject();
}

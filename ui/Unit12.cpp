#include "ui/Unit12.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "image/Image.h"
#include "ops/Reasons.h"
#include "tags/PosixFile.h"
#include "ui/DialogHelpers.h"
#include "ui/FileChooser.h"
#include "ui/Images.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"
#include "ui/RowRun.h"

namespace {

constexpr int kThumb = 128;

QString SizeText(size_t bytes) {
    return bytes < 10240 ? QStringLiteral("%1 Bytes").arg(bytes)
                         : QStringLiteral("%1 KB").arg((bytes + 512) / 1024);
}

// A thumbnail of the picture, or nothing for one that cannot be decoded.
QPixmap Thumbnail(const std::string& data) {
    QByteArray bytes = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid()) reader.setScaledSize(size.scaled(kThumb, kThumb, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

}  // namespace

TCover::TCover(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Cover"));
    setWindowTitle(QStringLiteral("Cover"));
    setModal(true);

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setTextFormat(Qt::PlainText);
    auto* hint = new QLabel(QStringLiteral("Bilder stehen im ID3v2-Tag; das gilt auf beiden "
                                           "Scan-Ebenen. Die Knöpfe wirken auf alle "
                                           "ausgewählten Dateien."),
                            this);
    hint->setObjectName(QStringLiteral("Label2"));
    hint->setWordWrap(true);

    listBox1_ = new QListWidget(this);
    listBox1_->setObjectName(QStringLiteral("ListBox1"));
    listBox1_->setViewMode(QListView::IconMode);
    listBox1_->setIconSize(QSize(kThumb, kThumb));
    listBox1_->setGridSize(QSize(kThumb + 90, kThumb + 70));
    listBox1_->setResizeMode(QListView::Adjust);
    listBox1_->setMovement(QListView::Static);
    listBox1_->setWordWrap(true);
    listBox1_->setMinimumSize(680, kThumb + 90);

    comboBox1_ = new QComboBox(this);
    comboBox1_->setObjectName(QStringLiteral("ComboBox1"));
    for (uint8_t t = 0; t < id3v2::kPictureTypeCount; ++t)
        comboBox1_->addItem(QString::fromUtf8(PictureTypeName(t)));
    comboBox1_->setCurrentIndex(id3v2::kFrontCover);
    auto* typeLabel = new QLabel(QStringLiteral("Typ :"), this);
    typeLabel->setBuddy(comboBox1_);
    spinEdit1_ = new QSpinBox(this);
    spinEdit1_->setObjectName(QStringLiteral("SpinEdit1"));
    spinEdit1_->setRange(16, 10000);
    spinEdit1_->setValue(1000);
    spinEdit1_->setSuffix(QStringLiteral(" Pixel"));
    auto* edgeLabel = new QLabel(QStringLiteral("Längste Kante :"), this);
    edgeLabel->setBuddy(spinEdit1_);
    checkBox1_ = new QCheckBox(QStringLiteral("Alle Bilder entfernen"), this);
    checkBox1_->setObjectName(QStringLiteral("CheckBox1"));

    const auto button = [this](const char* name, const QString& text, void (TCover::*slot)()) {
        QToolButton* b = NewFlatButton(this, name, text);
        connect(b, &QToolButton::clicked, this, slot);
        return b;
    };
    auto* options = new QGridLayout;
    options->addWidget(typeLabel, 0, 0);
    options->addWidget(comboBox1_, 0, 1);
    options->addWidget(
        button("ButtonLaden", QStringLiteral("Bild laden …"), &TCover::ButtonLadenClick), 0, 2);
    options->addWidget(
        button("ButtonOrdner", QStringLiteral("Bild aus Ordner"), &TCover::ButtonOrdnerClick), 0,
        3);
    options->addWidget(button("ButtonTyp", QStringLiteral("Typ ändern"), &TCover::ButtonTypClick),
                       0, 4);
    options->addWidget(edgeLabel, 1, 0);
    options->addWidget(spinEdit1_, 1, 1);
    options->addWidget(
        button("ButtonVerkleinern", QStringLiteral("Verkleinern"), &TCover::ButtonVerkleinernClick),
        1, 2);
    options->addWidget(checkBox1_, 2, 1);
    options->addWidget(
        button("ButtonEntfernen", QStringLiteral("Entfernen"), &TCover::ButtonEntfernenClick), 2,
        2);
    options->setColumnStretch(5, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("ButtonSpeichern", QStringLiteral("Speichern unter …"),
                              &TCover::ButtonSpeichernClick));
    buttons->addStretch();
    QToolButton* close =
        NewFlatButton(this, "ButtonSchliessen", QStringLiteral("Schließen"), &CloseButtonIcon());
    connect(close, &QToolButton::clicked, this, &TCover::ButtonSchliessenClick);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(listBox1_, 1);
    layout->addWidget(hint);
    layout->addLayout(options);
    layout->addLayout(buttons);
}

int TCover::TypeIndex() const {
    return comboBox1_->currentIndex();
}
void TCover::SetTypeIndex(int type) {
    comboBox1_->setCurrentIndex(type);
}
void TCover::SetEdge(int pixels) {
    spinEdit1_->setValue(pixels);
}
void TCover::SetRemoveAll(bool all) {
    checkBox1_->setChecked(all);
}

void TCover::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TCover::FormShow() {
    listBox1_->clear();
    pictures_.clear();
    const int row = rows_->CurrentRow();
    if (row < 0) {
        label1_->clear();
        return;
    }
    const std::string path = rows_->RowPath(row);
    label1_->setText(QFile::decodeName(path.c_str()));
    if (auto pictures = id3v2::ReadPictures(path, true)) pictures_ = std::move(*pictures);
    for (const id3v2::Picture& p : pictures_) {
        const QPixmap thumb = Thumbnail(p.Data);
        const auto size = PixelSizeOf(p.Data);
        const std::string_view type = PictureTypeName(p.Type);
        QString text =
            QString::fromUtf8(type) + "\n" + QString::fromStdString(id3v2::MimeOf(p)) + "\n";
        text += thumb.isNull() ? QStringLiteral("Bild kann nicht gelesen werden")
                               : QStringLiteral("%1 × %2 Pixel")
                                     .arg(size ? size->Width : 0)
                                     .arg(size ? size->Height : 0);
        text += "\n" + SizeText(p.DataSize);
        auto* item = new QListWidgetItem(QIcon(thumb), text, listBox1_);
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    if (listBox1_->count() == 0)
        new QListWidgetItem(QStringLiteral("Keine Bilder im ID3v2-Tag"), listBox1_);
}

const id3v2::Picture* TCover::ChosenPicture() const {
    if (pictures_.empty()) return nullptr;
    const int at = listBox1_->currentRow();
    return at >= 0 && static_cast<size_t>(at) < pictures_.size()
               ? &pictures_[static_cast<size_t>(at)]
               : &pictures_.front();
}

void TCover::Run(const CoverAction& action) {
    if (running_) return;
    running_ = true;
    FolderImages folders;
    RunOverSelectedRows(*rows_, this, "Cover", 0, [&](SaveRun& run, RunReport& report, int row) {
        const std::string path = rows_->RowPath(row);
        CoverFile(run, path, action, folders, [&report, path](const CoverOutcome& outcome) {
            ReportCover(report, path, outcome);
        });
    });
    running_ = false;
    FormShow();
}

void TCover::ButtonLadenClick() {
    if (running_) return;
    const QString file = ChooseFile(this, false, QStringLiteral("Bild laden"), QString(),
                                    QStringLiteral("Bilder (*.jpg *.jpeg *.png)"));
    if (file.isEmpty()) return;
    CoverAction action;
    action.What = CoverAction::Set;
    action.Type = static_cast<uint8_t>(TypeIndex());
    auto image = ReadCoverImage(QFile::encodeName(file).toStdString(),
                                static_cast<int64_t>(id3v2::kMaxTagBody));
    if (!image || !PixelSizeOf(image->Data)) {
        ShowMessageBox(
            QStringLiteral("Das Bild \"%1\" kann nicht gelesen werden (JPEG oder PNG).").arg(file),
            this);
        return;
    }
    action.Image = std::move(*image);
    Run(action);
}

void TCover::ButtonOrdnerClick() {
    CoverAction action;
    action.What = CoverAction::FromFolder;
    action.Type = static_cast<uint8_t>(TypeIndex());
    Run(action);
}

void TCover::ButtonVerkleinernClick() {
    CoverAction action;
    action.What = CoverAction::Shrink;
    action.Scale = JpegShrinker(spinEdit1_->value());
    Run(action);
}

void TCover::ButtonTypClick() {
    CoverAction action;
    action.What = CoverAction::SetType;
    action.Type = static_cast<uint8_t>(TypeIndex());
    // The pictures of the type chosen in the current row's thumbnails.
    if (const id3v2::Picture* p = ChosenPicture()) action.Only = p->Type;
    Run(action);
}

void TCover::ButtonEntfernenClick() {
    CoverAction action;
    action.What = CoverAction::Remove;
    if (!checkBox1_->isChecked()) action.Only = static_cast<uint8_t>(TypeIndex());
    Run(action);
}

void TCover::ButtonSpeichernClick() {
    if (running_) return;
    const id3v2::Picture* p = ChosenPicture();
    const int row = rows_->CurrentRow();
    if (!p || row < 0) return;
    const std::string path = rows_->RowPath(row);
    const QString suggested =
        QFileInfo(QFile::decodeName(path.c_str()))
            .dir()
            .filePath(QFile::decodeName(ExtractedName(path, *p, pictures_.size() > 1).c_str()));
    const QString file =
        ChooseFile(this, true, QStringLiteral("Bild speichern unter"), suggested, QString());
    if (file.isEmpty()) return;
    WriteChosenFile(this, file, p->Data);
}

void TCover::ButtonSchliessenClick() {
    reject();
}

void TCover::reject() {
    if (running_) return;
    QDialog::reject();
}

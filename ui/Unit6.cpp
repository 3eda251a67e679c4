#include "ui/Unit6.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/Images.h"
#include "ui/Unit1.h"

namespace {

constexpr std::array<int, 11> DefaultWidths = {150, 150, 150, 52, 60, 180, 70, 70, 50, 70, 70};

constexpr std::array<const char*, 11> Captions = {
    "ID3Tag Interpret", "ID3Tag Album", "ID3Tag Titel",
    "ID3Tag Jahr",      "ID3Tag Genre", "ID3Tag Kommentar",
    "Bitrate",          "Samplerate",   "Länge",
    "Dateigröße",       "Codec"};

}  // namespace

int DefaultColumnWidth(int column) {
    if (column >= 1 && column <= 11) return DefaultWidths[static_cast<size_t>(column - 1)];
    return 200;
}

int ListColumnWidth(const QTreeView* view, int column) {
    const QHeaderView* header = view->header();
    return header->isSectionHidden(column) ? 0 : header->sectionSize(column);
}

void SetListColumnWidth(QTreeView* view, int column, int width) {
    QHeaderView* header = view->header();
    // A zero-width section would still take clicks and drags at its edge;
    // hiding it is what a width of 0 means.
    if (width <= 0) {
        header->setSectionHidden(column, true);
        return;
    }
    header->setSectionHidden(column, false);
    header->resizeSection(column, width);
}

TOptionen::TOptionen(TForm1* form1, QWidget* parent)
    : QDialog(parent ? parent : form1), form1_(form1), settings_(SettingsFilePath()) {
    setObjectName(QStringLiteral("Optionen"));
    setWindowTitle(QStringLiteral("Optionen"));
    setModal(true);

    auto* groupBox = new QGroupBox(QStringLiteral("Anzeige An/Aus"), this);
    groupBox->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(groupBox);
    grid->setHorizontalSpacing(24);
    for (int c = 1; c <= 11; ++c) {
        auto* box =
            new QCheckBox(QString::fromUtf8(Captions[static_cast<size_t>(c - 1)]), groupBox);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(c));
        // Column order runs down the left column first, then the right one.
        grid->addWidget(box, (c - 1) % 6, (c - 1) / 6);
        checkBoxes_[static_cast<size_t>(c - 1)] = box;
    }

    speedButton14_ = new QToolButton(this);
    speedButton14_->setObjectName(QStringLiteral("SpeedButton14"));
    speedButton14_->setText(QStringLiteral("Speichern"));
    speedButton14_->setIcon(SaveButtonIcon());
    speedButton2_ = new QToolButton(this);
    speedButton2_->setObjectName(QStringLiteral("SpeedButton2"));
    speedButton2_->setText(QStringLiteral("Schließen"));
    speedButton2_->setIcon(CloseButtonIcon());
    for (QToolButton* button : {speedButton14_, speedButton2_}) {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
    }
    connect(speedButton14_, &QToolButton::clicked, this, &TOptionen::SpeedButton14Click);
    connect(speedButton2_, &QToolButton::clicked, this, &TOptionen::SpeedButton2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(speedButton14_);
    buttons->addWidget(speedButton2_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(groupBox);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

bool TOptionen::ColumnShown(int column) const {
    if (column < 1 || column > 11) return true;
    return checkBoxes_[static_cast<size_t>(column - 1)]->isChecked();
}

void TOptionen::FormCreate() {
    for (int c = 1; c <= 11; ++c)
        checkBoxes_[static_cast<size_t>(c - 1)]->setChecked(settings_.GetBool(
            QLatin1String(SettingsSection), QStringLiteral("AnzeigenCol%1").arg(c), true));
}

void TOptionen::SpeedButton14Click() {
    if (!form1_ || !form1_->ListView()) return;
    for (int c = 1; c <= 11; ++c) {
        int width = 0;
        if (ColumnShown(c)) {
            // The width stored at the last close, not the one before this run's switching off.
            width = settings_.GetInt(QLatin1String(SettingsSection),
                                     QStringLiteral("Column%1Pos").arg(c), DefaultColumnWidth(c));
            if (width <= 0) width = DefaultColumnWidth(c);
        }
        SetListColumnWidth(form1_->ListView(), c, width);
    }
}

void TOptionen::SpeedButton2Click() {
    close();
}

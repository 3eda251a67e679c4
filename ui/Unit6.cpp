#include "ui/Unit6.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "ops/Reasons.h"
#include "scan/Columns.h"
#include "ui/DialogHelpers.h"
#include "ui/Images.h"
#include "ui/ListColumns.h"

namespace {

QString Key(std::string_view key) {
    return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

constexpr int kBoxRows = 6;  // of the check boxes' left column

// The columns "Optionen" switches: those with a check box.
bool Switchable(int column) {
    return column >= 0 && column < ColumnCount &&
           !Columns[static_cast<size_t>(column)].ShownKey.empty();
}

}  // namespace

TOptionen::TOptionen(QTreeView* list, QWidget* parent)
    : QDialog(parent), list_(list), settings_(SettingsFilePath()) {
    setObjectName(QStringLiteral("Optionen"));
    setWindowTitle(QStringLiteral("Optionen"));
    setModal(true);

    auto* groupBox = new QGroupBox(QStringLiteral("Anzeige An/Aus"), this);
    groupBox->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(groupBox);
    grid->setHorizontalSpacing(24);
    int placed = 0;
    for (int c = 0; c < ColumnCount; ++c) {
        if (!Switchable(c)) continue;
        const std::string_view caption = ColumnCaption(static_cast<Column>(c));
        auto* box = new QCheckBox(QString::fromUtf8(caption), groupBox);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(c));
        // Column order runs down the left column first, then the right one.
        grid->addWidget(box, placed % kBoxRows, placed / kBoxRows);
        ++placed;
        checkBoxes_[static_cast<size_t>(c)] = box;
    }

    speedButton14_ =
        NewFlatButton(this, "SpeedButton14", QStringLiteral("Speichern"), &SaveButtonIcon());
    speedButton2_ = NewCloseButton(this);
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
    if (!Switchable(column)) return true;
    return checkBoxes_[static_cast<size_t>(column)]->isChecked();
}

void TOptionen::FormCreate() {
    for (int c = 0; c < ColumnCount; ++c) {
        if (!Switchable(c)) continue;
        checkBoxes_[static_cast<size_t>(c)]->setChecked(settings_.GetBool(
            QLatin1String(SettingsSection), Key(Columns[static_cast<size_t>(c)].ShownKey), true));
    }
}

void TOptionen::SpeedButton14Click() {
    if (!list_) return;
    for (int c = 0; c < ColumnCount; ++c) {
        if (!Switchable(c)) continue;
        const ColumnInfo& column = Columns[static_cast<size_t>(c)];
        int width = 0;
        if (ColumnShown(c)) {
            // The width stored at the last close, not the one before this run's switching off.
            width = settings_.GetInt(QLatin1String(SettingsSection), Key(column.WidthKey),
                                     column.DesignWidth);
            if (width <= 0) width = column.DesignWidth;
        }
        SetListColumnWidth(list_, c, width);
    }
}

void TOptionen::SpeedButton2Click() {
    close();
}

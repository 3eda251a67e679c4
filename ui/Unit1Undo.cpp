// "Rückgängig" and "Wiederherstellen" of the main window: the entries show
// the history's next steps; the file work is the history's own.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>
#include <memory>
#include <unordered_map>

#include "ops/History.h"
#include "ops/Reasons.h"
#include "scan/FileRow.h"
#include "ui/FileListModel.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"
#include "ui/Unit1.h"

namespace {

// The list's rows by file path; the index is built on first use and dropped
// whenever rows come or go.
class ListRowCells : public RowCells {
  public:
    explicit ListRowCells(FileListModel* model) : model_(model) {}
    void Forget() { index_.clear(); }

    std::optional<TagTexts> Get(const std::string& path) override {
        const int row = RowOf(path);
        if (row < 0) return std::nullopt;
        return model_->TagCells(row);
    }
    void Set(const std::string& path, const TagTexts& cells) override {
        const int row = RowOf(path);
        if (row >= 0) model_->SetTagCells(row, cells);
    }
    void Renamed(const std::string& from, const std::string& to) override {
        const int row = RowOf(from);
        if (row < 0) return;
        model_->SetName(row, to.substr(to.rfind('/') + 1));
        index_.erase(from);
        index_[to] = row;
    }

  private:
    int RowOf(const std::string& path) {
        if (index_.empty()) {
            for (int r = model_->RowCount() - 1; r >= 0; --r)
                index_[model_->FolderBytes(r) + model_->NameBytes(r)] = r;
        }
        const auto it = index_.find(path);
        return it == index_.end() ? -1 : it->second;
    }

    FileListModel* model_;
    std::unordered_map<std::string, int> index_;
};

}  // namespace

void TForm1::SetUpHistory(QMenu* popup) {
    history_ = std::make_unique<TagHistory>();
    auto cells = std::make_shared<ListRowCells>(model_);
    listCells_ = cells;
    const auto forget = [weak = std::weak_ptr<ListRowCells>(cells)] {
        if (const auto c = weak.lock()) c->Forget();
    };
    connect(model_, &QAbstractItemModel::modelReset, this, forget);
    connect(model_, &QAbstractItemModel::rowsInserted, this, forget);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, forget);

    rueckgaengig1_ = new QAction(this);
    rueckgaengig1_->setObjectName(QStringLiteral("Rueckgaengig1"));
    rueckgaengig1_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    wiederherstellen1_ = new QAction(this);
    wiederherstellen1_->setObjectName(QStringLiteral("Wiederherstellen1"));
    wiederherstellen1_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    QAction* first = popup->actions().value(0);
    popup->insertAction(first, rueckgaengig1_);
    popup->insertAction(first, wiederherstellen1_);
    popup->insertSeparator(first)->setObjectName(QStringLiteral("N0"));
    // The shortcuts work wherever the window has the focus.
    addAction(rueckgaengig1_);
    addAction(wiederherstellen1_);
    connect(rueckgaengig1_, &QAction::triggered, this, &TForm1::Rueckgaengig1Click);
    connect(wiederherstellen1_, &QAction::triggered, this, &TForm1::Wiederherstellen1Click);

    // The tool bar band is full at the first-run width; the status bar's
    // right end has room for the button.
    buttonRueckgaengig_ = new QToolButton(statusBar());
    buttonRueckgaengig_->setObjectName(QStringLiteral("ButtonRueckgaengig"));
    buttonRueckgaengig_->setText(QStringLiteral("Rückgängig"));
    buttonRueckgaengig_->setIcon(UndoButtonIcon());
    buttonRueckgaengig_->setIconSize(QSize(16, 16));
    buttonRueckgaengig_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    buttonRueckgaengig_->setAutoRaise(true);
    statusBar()->addPermanentWidget(buttonRueckgaengig_);
    connect(buttonRueckgaengig_, &QToolButton::clicked, this, &TForm1::Rueckgaengig1Click);

    history_->SetOnChange([this] { ShowHistoryEntries(); });
    ShowHistoryEntries();
}

void TForm1::ShowHistoryEntries() {
    const HistoryStep* undo = history_->NextUndo();
    const HistoryStep* redo = history_->NextRedo();
    const QString undoText = QStringLiteral("Rückgängig");
    const QString redoText = QStringLiteral("Wiederherstellen");
    rueckgaengig1_->setText(undo ? undoText + QStringLiteral(": ") +
                                       QString::fromStdString(StepLabel(*undo))
                                 : undoText);
    rueckgaengig1_->setEnabled(undo != nullptr);
    wiederherstellen1_->setText(redo ? redoText + QStringLiteral(": ") +
                                           QString::fromStdString(StepLabel(*redo))
                                     : redoText);
    wiederherstellen1_->setEnabled(redo != nullptr);
    buttonRueckgaengig_->setEnabled(undo != nullptr);
    buttonRueckgaengig_->setToolTip(rueckgaengig1_->text());
}

void TForm1::TakeBack(bool redo) {
    if (scanning_ || !(redo ? history_->NextRedo() : history_->NextUndo())) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ApplyReport report =
        redo ? history_->Redo(listCells_.get()) : history_->Undo(listCells_.get());
    QApplication::restoreOverrideCursor();
    if (!report.Empty()) ShowMessageBox(QString::fromStdString(report.Text()), this);
}

void TForm1::Rueckgaengig1Click() {
    TakeBack(false);
}

void TForm1::Wiederherstellen1Click() {
    TakeBack(true);
}

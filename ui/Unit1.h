// TForm1: the main window "Tonzettel V <version>", with the update check.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "ui/ListRows.h"

class QCloseEvent;
class QDialog;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class QAction;
class TDirTreeCombo;
class FileListModel;
class RowCells;
class TagHistory;
struct TScanState;

// The dialogs the main window opens; Project1 creates them after the main
// window, in this order, and hands them over. Any may be null (then its
// command does nothing after its guard).
struct TForm1Dialogs {
    QDialog* Form2 = nullptr;         // ID3Tag Editieren
    QDialog* Info = nullptr;          // Info
    QDialog* Wizard = nullptr;        // Wizard
    QDialog* Optionen = nullptr;      // Optionen
    QDialog* Updaten = nullptr;       // Update
    QDialog* Suchen = nullptr;        // Suchen
    QDialog* Konvertieren = nullptr;  // Konvertieren
    QDialog* L1nachL2 = nullptr;      // Transfer Level 1 -> Level 2
    QDialog* L2nachL1 = nullptr;      // Transfer Level 2 -> Level 1
    QDialog* Umbenennen = nullptr;    // Umbenennen (ID3Tags -> Dateiname)
    QDialog* Cover = nullptr;         // Cover (the pictures)
    QDialog* Importieren = nullptr;   // Importieren (the tags from a spreadsheet)
    QDialog* Entfernen = nullptr;     // Tags entfernen
    QDialog* Version = nullptr;       // ID3v2-Version
};

// The main window: folder field, scan button, tool bar, file list, status bar.
class TForm1 : public QMainWindow, public ListRows {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    void SetDialogs(const TForm1Dialogs& dialogs) { dialogs_ = dialogs; }
    const TForm1Dialogs& Dialogs() const { return dialogs_; }

    // 1 = ID3v1 tag, 2 = ID3v2 tag: the level of the next scan, as the
    // drop-down set it.
    int ScanLevel() const { return scanLevel_; }
    // The level the rows were read with, which the tools work on; before the
    // first scan the drop-down's.
    int RowsLevel() const override { return rowsLevel_ ? rowsLevel_ : scanLevel_; }
    bool Scanning() const { return scanning_; }

    QWidget* Window() override { return this; }
    FileListModel* Model() const override { return model_; }
    QTreeView* ListView() const { return listView_; }
    TDirTreeCombo* DirCombo() const { return dirCombo_; }

    // Selected rows in list order; the current row is the first of them (-1: none).
    std::vector<int> SelectedRows() const override;
    int CurrentRow() const override;
    int SelectionCount() const;
    // A row's file, its folder followed by its name, as the file system's
    // exact bytes (the cells show them readably).
    std::string RowPath(int row) const override;
    int ColumnWidth(int column) const override;

    // Grid lines of the list; the check mark of "Linien anzeigen" follows.
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool on);

    QString StatusText(int field) const;
    void SetStatusText(int field, const QString& text) override;

    // What the tools wrote, for "Rückgängig" and "Wiederherstellen"; it
    // outlives a scan. The list's tag cells by file path, for its steps.
    TagHistory& History() override { return *history_; }
    RowCells& ListCells() override { return *listCells_; }

    // Settings file (Tonzettel.ini): restore at creation, save at close.
    void RestoreSettings();
    void SaveSettings();

  public slots:
    // The constructor builds the controls; FormCreate (called by the program
    // start after construction) sets level 1 and restores the settings.
    void FormCreate();
    void FormClose();
    void ScannenButtonClick();
    void ScannenID3Level11Click();
    void ScannenID3Level21Click();
    void Timer1Timer();
    void ListView1Change();
    void ListView1DblClick();
    void Linienanzeigen1Click();
    void Trackabspielen1Click();
    void Wizard1Click();
    void DateinameID3Tags1Click();
    void ID3TagsDateiname1Click();
    void Cover1Click();
    void Exportieren1Click();
    void Importieren1Click();
    void Entfernen1Click();
    void Version1Click();
    void Level1Level21Click();
    void Level2Level11Click();
    void ButtonWizardClick();
    void ButtonSuchenClick();
    void ButtonOptionenClick();
    void ButtonUpdateClick();
    void ButtonInfoClick();
    void Rueckgaengig1Click();
    void Wiederherstellen1Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // The constructor's parts: the bar with folder field, scan button and
    // tool buttons; the list; its context menu; the status bar and the timer.
    void BuildControlBar();
    void BuildList();
    QMenu* BuildPopupMenu();
    void BuildStatusBar();
    // A file the scan met: counted, events let through; false once closing.
    bool CountFile();
    // Unit1Undo.cpp: the entries at the top of the menu, the tool button in the status bar.
    void SetUpHistory(QMenu* popup);
    void ShowHistoryEntries();
    void TakeBack(bool redo);

    TForm1Dialogs dialogs_;
    int scanLevel_ = 1;
    int rowsLevel_ = 0;  // 0 until the first scan
    int foundCount_ = 0;
    bool scanning_ = false;
    bool closeRequested_ = false;
    bool gridLines_ = false;
    FileListModel* model_ = nullptr;
    QTreeView* listView_ = nullptr;
    TDirTreeCombo* dirCombo_ = nullptr;
    QToolButton* scannenButton_ = nullptr;
    QTimer* timer1_ = nullptr;
    QLabel* statusField0_ = nullptr;
    QLabel* statusField1_ = nullptr;
    // Context menu entries, found by their object names as well.
    QAction* linienanzeigen1_ = nullptr;
    QAction* trackabspielen1_ = nullptr;
    QAction* wizard1_ = nullptr;
    QAction* dateinameID3Tags1_ = nullptr;
    QAction* id3TagsDateiname1_ = nullptr;
    QAction* level1Level21_ = nullptr;
    QAction* level2Level11_ = nullptr;
    QAction* cover1_ = nullptr;
    QAction* exportieren1_ = nullptr;
    QAction* importieren1_ = nullptr;
    QAction* entfernen1_ = nullptr;
    QAction* version1_ = nullptr;
    TScanState* scanState_ = nullptr;  // the scan's analyser and rows, only while scanning
    std::unique_ptr<TagHistory> history_;
    std::shared_ptr<RowCells> listCells_;  // shared with the model's signals, which may outlive it
    QAction* rueckgaengig1_ = nullptr;
    QAction* wiederherstellen1_ = nullptr;
    QToolButton* buttonRueckgaengig_ = nullptr;
};

// The update check behind "Webupdate": asks versionUrl for the current
// version's text, under the wait cursor, and shows a message, or opens the
// offer when the text differs from the program's own. A body of more than 32
// bytes, or of anything but digits, dots, letters and line ends, is no version
// text and fails like an error status. offer may be null (then nothing opens).
void RunUpdateCheck(QWidget* window, QDialog* offer, const QString& versionUrl);

// The check's texts.
QString NoConnectionText();
QString UpToDateText();
QString VersionUnknownText();

// TForm2: the single-file tag editor "ID3Tag Editieren".
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <memory>

#include "tags/Fields.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QShowEvent;
class QToolButton;
class QWidget;
class FieldInputs;
class ListRows;

// "ID3Tag Editieren": edits the six tag fields of the list's current row and
// saves them into the file's tag of the version the rows show; everything
// else the tag holds stays.
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(ListRows* rows, QWidget* parent = nullptr);
    ~TForm2() override;

    // The field clipboard: one value per field (artist, album, title, year,
    // genre, comment), shared by every opening for the whole program run.
    static const std::array<QString, TagFieldCount>& FieldClipboard();
    // Empties it, as at program start; for tests.
    static void ClearFieldClipboard();

  public slots:
    void FormCreate();
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton10Click();
    void SpeedButton11Click();
    void SpeedButton12Click();
    void SpeedButton13Click();
    void SpeedButton14Click();
    void SpeedButton15Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString FieldText(int field) const;
    void SetFieldText(int field, const QString& text);
    void Copy(int field);
    void Paste(int field);
    void ShowPasteState(int field);

    ListRows* rows_;
    QLabel* label1_ = nullptr;
    std::unique_ptr<FieldInputs> fields_;
    std::array<QString, TagFieldCount> opened_;  // the fields' texts when the dialog opened
    std::array<QToolButton*, 15> speedButtons_{};
};

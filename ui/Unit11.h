// TUmbenennen: the tags-to-file-name dialog "Umbenennen".
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "ops/RenameOps.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QShowEvent;
class QToolButton;
class QTreeWidget;
class ListRows;

// "Umbenennen": renames the selected files after their tags, by a pattern,
// with a preview of old and new names that says why a file would stay.
class TUmbenennen : public QDialog {
    Q_OBJECT
  public:
    explicit TUmbenennen(ListRows* rows, QWidget* parent = nullptr);

    // "Filter" (RadioGroup1): 0 "-", 1 "_", 2 "_-_", 3 " ".
    int RadioGroup1ItemIndex() const;
    void SetRadioGroup1ItemIndex(int index);
    // "Reihenfolge" (RadioGroup2): 0 artist + title, 1 title + artist.
    int RadioGroup2ItemIndex() const;
    void SetRadioGroup2ItemIndex(int index);
    // The pattern ("Muster"); the choices above set it, the user may edit it.
    QString Pattern() const;
    void SetPattern(const QString& pattern);

    // The preview's rows: old name, new name, reason (empty: renamed).
    QTreeWidget* Preview() const { return listView1_; }

  public slots:
    void FormShow();           // reads the selected rows' tags, builds the preview
    void RadioGroupClick();    // a choice sets the pattern
    void Edit1Change();        // the preview follows the pattern
    void SpeedButton1Click();  // "Umbenennen"
    void SpeedButton2Click();  // "Schließen"

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    ListRows* rows_;
    QGroupBox* radioGroup1_ = nullptr;
    QGroupBox* radioGroup2_ = nullptr;
    QButtonGroup* filter_ = nullptr;
    QButtonGroup* order_ = nullptr;
    QLineEdit* edit1_ = nullptr;
    QTreeWidget* listView1_ = nullptr;
    QToolButton* speedButton1_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
    // The selected rows' files and tag values, as read when the preview was built.
    std::vector<std::string> paths_;
    std::vector<std::optional<RenameValues>> values_;
};

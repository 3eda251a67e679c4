// TKonvertieren: the file-name-to-tags dialog "Konvertieren".
#pragma once

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QToolButton;
class ListRows;

// "Konvertieren": fills artist and title of the selected files' tags from
// their file names.
class TKonvertieren : public QDialog {
    Q_OBJECT
  public:
    explicit TKonvertieren(ListRows* rows, QWidget* parent = nullptr);

    // "Filter" (RadioGroup1): 0 "-", 1 "_", 2 "_-_", 3 " ".
    int RadioGroup1ItemIndex() const;
    void SetRadioGroup1ItemIndex(int index);
    // "Reihenfolge" (RadioGroup2): 0 artist + title, 1 title + artist.
    int RadioGroup2ItemIndex() const;
    void SetRadioGroup2ItemIndex(int index);

    bool Running() const { return running_; }

  public slots:
    void SpeedButton1Click();  // "Konvertieren"
    void SpeedButton2Click();  // "Schließen"
    void reject() override;

  private:
    ListRows* rows_;
    QGroupBox* radioGroup1_ = nullptr;
    QGroupBox* radioGroup2_ = nullptr;
    QButtonGroup* filter_ = nullptr;
    QButtonGroup* order_ = nullptr;
    QToolButton* speedButton1_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
    bool running_ = false;
};

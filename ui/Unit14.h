// TEntfernen: removing tags, "Tags entfernen".
#pragma once

#include <QDialog>

class QButtonGroup;
class QLabel;
class QShowEvent;
class ListRows;

// "Tags entfernen": removes the ID3v1 tag, the ID3v2 tag or both from the
// selected files, one step of the history; it names how many files it will
// change, and that "Rückgängig" takes it back.
class TEntfernen : public QDialog {
    Q_OBJECT
  public:
    explicit TEntfernen(ListRows* rows, QWidget* parent = nullptr);

    // 0 "ID3v1", 1 "ID3v2", 2 "beide".
    int RadioGroup1ItemIndex() const;
    void SetRadioGroup1ItemIndex(int index);
    QString Warning() const;

  public slots:
    void FormShow();           // the warning names the selection
    void SpeedButton1Click();  // "Entfernen"
    void SpeedButton2Click();  // "Schließen"
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    ListRows* rows_;
    QButtonGroup* which_ = nullptr;
    QLabel* label1_ = nullptr;
    bool running_ = false;
};

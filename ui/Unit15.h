// TVersion: the ID3v2 version of the selected files, "ID3v2-Version".
#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QShowEvent;
class ListRows;

// "ID3v2-Version": writes the ID3v2 tag of the selected files as version
// 2.3 or 2.4, every frame kept, one step of the history; the end message
// names how many files were converted, those left as they were and why,
// and what a file lost.
class TVersion : public QDialog {
    Q_OBJECT
  public:
    explicit TVersion(ListRows* rows, QWidget* parent = nullptr);

    // 0 "ID3v2.3 (ältere Geräte, Windows)", 1 "ID3v2.4".
    int RadioGroup1ItemIndex() const;
    void SetRadioGroup1ItemIndex(int index);
    // "nur ISO-8859-1, wo möglich".
    QCheckBox* CheckBox1() const { return latin1_; }
    QString Info() const;

  public slots:
    void FormShow();           // the label names the selection
    void SpeedButton1Click();  // "Umwandeln"
    void SpeedButton2Click();  // "Schließen"
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    ListRows* rows_;
    QButtonGroup* version_ = nullptr;
    QCheckBox* latin1_ = nullptr;
    QLabel* label1_ = nullptr;
    bool running_ = false;
};

// TCover: the pictures dialog "Cover".
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "ops/CoverOps.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QShowEvent;
class QSpinBox;
class QToolButton;
class ListRows;

// "Cover": shows the current row's pictures and changes the pictures of all
// selected rows, one step of the history a run. Pictures live in the ID3v2
// tag, whatever level the rows show.
class TCover : public QDialog {
    Q_OBJECT
  public:
    explicit TCover(ListRows* rows, QWidget* parent = nullptr);

    // The current row's pictures, as the thumbnails show them.
    const std::vector<id3v2::Picture>& Pictures() const { return pictures_; }
    QListWidget* Thumbnails() const { return listBox1_; }
    // "Typ": the picture type the buttons put, retype to or remove (0..20).
    int TypeIndex() const;
    void SetTypeIndex(int type);
    // "Kante": the longest edge "Verkleinern" leaves.
    void SetEdge(int pixels);
    // "Alle Bilder": "Entfernen" takes every picture.
    void SetRemoveAll(bool all);

  public slots:
    void FormShow();                // the current row's pictures
    void ButtonLadenClick();        // "Bild laden …"
    void ButtonOrdnerClick();       // "Bild aus Ordner"
    void ButtonVerkleinernClick();  // "Verkleinern"
    void ButtonTypClick();          // "Typ ändern"
    void ButtonEntfernenClick();    // "Entfernen"
    void ButtonSpeichernClick();    // "Speichern unter …"
    void ButtonSchliessenClick();   // "Schließen"
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Run(const CoverAction& action);
    // The picture the thumbnails have selected, else the first; null for none.
    const id3v2::Picture* ChosenPicture() const;

    ListRows* rows_;
    QLabel* label1_ = nullptr;
    QListWidget* listBox1_ = nullptr;
    QComboBox* comboBox1_ = nullptr;
    QSpinBox* spinEdit1_ = nullptr;
    QCheckBox* checkBox1_ = nullptr;
    std::vector<id3v2::Picture> pictures_;
    bool running_ = false;
};

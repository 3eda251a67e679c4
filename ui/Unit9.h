// TL1nachL2: the level transfer "Transfer Level 1 -> Level 2", on the frame both share.
#pragma once

#include <QDialog>
#include <string>

#include "ops/TransferOps.h"

class QLabel;
class QProgressBar;
class QToolButton;
class ListRows;

// The frame both level transfer dialogs share: a label, a progress bar over
// the selected rows, "OK" and "Abbrechen". The subclass names the copy.
class TLevelTransfer : public QDialog {
    Q_OBJECT
  public:
    bool Running() const { return running_; }

  public slots:
    void SpeedButton1Click();  // "OK": the run over the selected rows
    void SpeedButton2Click();  // "Abbrechen"
    void reject() override;

  protected:
    // sourceLevel: the tag copied from, 1 or 2.
    TLevelTransfer(ListRows* rows, QWidget* parent, int sourceLevel, const QString& caption,
                   const QString& label);

  private:
    ListRows* rows_;
    int sourceLevel_;
    QLabel* label1_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
    QToolButton* speedButton1_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
    bool running_ = false;
};

// "Transfer Level 1 -> Level 2": the ID3v1 tag into the ID3v2 tag.
class TL1nachL2 : public TLevelTransfer {
    Q_OBJECT
  public:
    explicit TL1nachL2(ListRows* rows, QWidget* parent = nullptr);
};

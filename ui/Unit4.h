// TWizard: the batch tag wizard "Wizard".
#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "tags/Fields.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QToolButton;
class QWidget;
class FieldInputs;
class ListRows;

// "Wizard": sets the ticked tag fields to one value on every selected row's
// file, one read-modify-write per field, in the scan level's tag version.
class TWizard : public QDialog {
    Q_OBJECT
  public:
    explicit TWizard(ListRows* rows, QWidget* parent = nullptr);
    ~TWizard() override;

    bool Running() const { return running_; }

  public slots:
    void CheckBoxInterpretClick();
    void CheckBoxAlbumClick();
    void CheckBoxTitelClick();
    void CheckBoxJahrClick();
    void CheckBoxGenreClick();
    void CheckBoxKommentarClick();
    void SpeedButton1Click();
    void SpeedButton2Click();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ShowTickState(int field);
    QString InputText(int field) const;

    ListRows* rows_;
    std::array<QCheckBox*, TagFieldCount> checkBoxes_{};
    std::unique_ptr<FieldInputs> fields_;
    QToolButton* speedButton1_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
    bool running_ = false;
};
